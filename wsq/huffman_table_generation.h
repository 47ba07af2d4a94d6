// The steps of generate_huffman_table, for the encoder and its tests: code lengths from symbol
// counts by repeated merging, their limitation to 16 bits, and the code table indexed by symbol.
#pragma once

#include <cstdint>
#include <vector>

#include "wsq/records.h"

namespace wsq {

// Code lengths are counted up to this length before being limited to MAX_HUFFBITS.
inline constexpr int kMaxCountedCodeLength = 32;

// value1: the symbol with the smallest non-zero count; value2: the one with the next smallest.
// Ties go to the larger symbol number. -1 where there is none.
void pick_two_least_frequent(int* value1, int* value2, const int* freq, int max_huffcounts);
// Code lengths of symbols 0..max_huffcounts (max_huffcounts + 1 entries). Merges the counts in
// freq, which is left with the total in one entry.
int find_huff_sizes(std::vector<int>* ocodesize, int* freq, int max_huffcounts);
// kMaxCountedCodeLength counters, entry k for length k + 1, over symbols 0..max_huffcounts-1;
// *adjust says whether any length exceeds MAX_HUFFBITS.
int find_num_huff_sizes(std::vector<int>* obits, int* adjust, const int* codesize,
                        int max_huffcounts);
// Limits the counters of find_num_huff_sizes to lengths up to MAX_HUFFBITS.
int sort_huffbits(std::vector<int>* bits);
// Symbols 0..max_huffcounts-1 by code length, then by symbol number.
int sort_code_sizes(std::vector<uint8_t>* ovalues, const int* codesize, int max_huffcounts);
// max_huffcounts + 1 codes indexed by symbol; values[k] receives code k of huffcode_table.
int build_huffcode_table(std::vector<HuffCode>* onew_huffcode_table, const HuffCode* huffcode_table,
                         int last_size, const uint8_t* values, int max_huffcounts);

}  // namespace wsq
