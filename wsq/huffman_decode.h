// Reading the entropy-coded blocks of a WSQ codestream back into quantized coefficients.
#pragma once

#include <cstdint>

#include "wsq/huffman_codes.h"
#include "wsq/records.h"

namespace wsq {

int getc_nextbits_wsq(uint16_t* obits, uint16_t* marker, const uint8_t** cbufptr,
                      const uint8_t* ebufptr, int* bit_count, int bits_req);
// 0 with the symbol, or with -1 as the symbol when a marker ended the block.
int decode_symbol(int* osymbol, const DecodeTables& tables, const uint8_t* huffvalues,
                  const uint8_t** cbufptr, const uint8_t* ebufptr, int* bit_count,
                  uint16_t* marker);
// Decodes every block into ip (width x height values of the frame header in the calling
// thread's codec state), starting just after the frame header.
int huffman_decode_data_mem(int16_t* ip, TransformTable* dtt_table, QuantTable* dqt_table,
                            HuffmanTableSet* dht_table, const uint8_t** cbufptr,
                            const uint8_t* ebufptr);

}  // namespace wsq
