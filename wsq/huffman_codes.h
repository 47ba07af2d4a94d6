// Canonical Huffman code construction, shared by the decoder and the encoder's table generation.
#pragma once

#include <cstdint>
#include <vector>

#include "wsq/records.h"

namespace wsq {

// Decoding limits per code length 1..16 (index 0 unused).
struct DecodeTables {
    int32_t maxcode[MAX_HUFFBITS + 1] = {};
    int32_t mincode[MAX_HUFFBITS + 1] = {};
    int32_t valptr[MAX_HUFFBITS + 1] = {};
};

// Code list with sizes from the 16 counts, ended by an entry of size 0; *otemp_size is the
// number of codes before it.
int build_huffsizes(std::vector<HuffCode>* ohuffcode_table, int* otemp_size,
                    const uint8_t* huffbits, int max_huffcounts);
void assign_huffcodes(HuffCode* huffcode_table);
// 0, or -1 after the all-ones warning.
int check_all_ones_codes(const HuffCode* huffcode_table, int size);
void build_decode_tables(DecodeTables* tables, const HuffCode* huffcode_table,
                         const uint8_t* huffbits);

}  // namespace wsq
