// Huffman table generation from symbol counts, and the coding of quantized blocks.
#pragma once

#include <cstdint>
#include <vector>

#include "wsq/records.h"

namespace wsq {

// Symbol counts of a block: max_huffcounts + 1 entries.
int count_block(std::vector<int>* ocounts, int max_huffcounts, const int16_t* sip, int sip_siz,
                int MaxCoeff, int MaxZRun);
// An optimal length-limited code for the blocks that start at sip and follow one another.
int generate_huffman_table(std::vector<HuffCode>* ohuffcode_table, std::vector<uint8_t>* ohuffbits,
                           std::vector<uint8_t>* ohuffvalues, const int16_t* sip,
                           const int* block_sizes, int num_sizes);
// Codes one block into outbuf (capacity outalloc bytes) with 0xFF stuffing and a 1-bit fill.
int compress_block(uint8_t* outbuf, int outalloc, int* obytes, const int16_t* sip, int sip_siz,
                   int MaxCoeff, int MaxZRun, const HuffCode* codes);

}  // namespace wsq
