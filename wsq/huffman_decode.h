// Reading the entropy-coded blocks of a WSQ codestream back into quantized coefficients.
#pragma once

#include <array>
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
// Codes of up to PEEK_BITS bits are decoded with one look-up: entry (len << 8) | symbol for
// every PEEK_BITS-bit window starting with a code of len bits, 0 where the window starts
// with a longer code or with a code that has no value.
inline constexpr int PEEK_BITS = 8;
using PeekTable = std::array<uint16_t, 1 << PEEK_BITS>;
void build_peek_table(PeekTable* opeek, const DecodeTables& tables, const uint8_t* huffvalues);
// decode_symbol with the same results, returns and reader state, one look-up per short code.
int decode_symbol_fast(int* osymbol, const PeekTable& peek, const DecodeTables& tables,
                       const uint8_t* huffvalues, const uint8_t** cbufptr,
                       const uint8_t* ebufptr, int* bit_count, uint16_t* marker);
// Decodes every block into ip (width x height values of the frame header in the calling
// thread's codec state), starting just after the frame header.
int huffman_decode_data_mem(int16_t* ip, TransformTable* dtt_table, QuantTable* dqt_table,
                            HuffmanTableSet* dht_table, const uint8_t** cbufptr,
                            const uint8_t* ebufptr);
// The same with decode_symbol for every symbol: the reference the fast path is tested against.
int huffman_decode_data_mem_reference(int16_t* ip, TransformTable* dtt_table,
                                      QuantTable* dqt_table, HuffmanTableSet* dht_table,
                                      const uint8_t** cbufptr, const uint8_t* ebufptr);

}  // namespace wsq
