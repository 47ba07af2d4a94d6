// Reading the entropy-coded blocks of a WSQ codestream back into quantized coefficients.
#pragma once

#include <array>
#include <cstdint>

#include "wsq/huffman_codes.h"
#include "wsq/records.h"

namespace wsq {

// The bit reader over the coded data of the blocks. Inside the codec it is passed along
// explicitly; getc_nextbits_wsq, decode_symbol and decode_symbol_fast keep `byte` in the calling
// thread's codec state between calls instead.
struct BitReader {
    const uint8_t* cur = nullptr;
    const uint8_t* end = nullptr;
    int bit_count = 0;    // bits of `byte` not yet consumed, 0 to 8
    uint8_t byte = 0;     // the byte being consumed
    uint16_t marker = 0;  // the marker that ended a block, 0 while none
};

// getc_nextbits_wsq, decode_symbol and decode_symbol_fast on an explicit reader.
int read_bits(BitReader& in, uint16_t* obits, int bits_req);
int read_symbol(BitReader& in, const DecodeTables& tables, const uint8_t* huffvalues, int* osymbol);

// The picture whose coefficients the blocks carry: the frame's width and height and the subband
// tree built from them (Q_TREELEN nodes).
struct BlockLayout {
    int width = 0;
    int height = 0;
    const QuantTreeNode* q_tree = nullptr;
};

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
int read_symbol_fast(BitReader& in, const PeekTable& peek, const DecodeTables& tables,
                     const uint8_t* huffvalues, int* osymbol);
// decode_symbol with the same results, returns and reader state, one look-up per short code.
int decode_symbol_fast(int* osymbol, const PeekTable& peek, const DecodeTables& tables,
                       const uint8_t* huffvalues, const uint8_t** cbufptr, const uint8_t* ebufptr,
                       int* bit_count, uint16_t* marker);
// Decodes every block into ip (layout.width x layout.height values), starting just after the
// frame header.
int huffman_decode_blocks(int16_t* ip, const BlockLayout& layout, TransformTable* dtt_table,
                          QuantTable* dqt_table, HuffmanTableSet* dht_table,
                          const uint8_t** cbufptr, const uint8_t* ebufptr);
// The same for the frame header and subband tree in the calling thread's codec state.
int huffman_decode_data_mem(int16_t* ip, TransformTable* dtt_table, QuantTable* dqt_table,
                            HuffmanTableSet* dht_table, const uint8_t** cbufptr,
                            const uint8_t* ebufptr);
// The same with decode_symbol for every symbol: the reference the fast path is tested against.
int huffman_decode_data_mem_reference(int16_t* ip, TransformTable* dtt_table, QuantTable* dqt_table,
                                      HuffmanTableSet* dht_table, const uint8_t** cbufptr,
                                      const uint8_t* ebufptr);

}  // namespace wsq
