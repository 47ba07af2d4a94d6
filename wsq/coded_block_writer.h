// The bit writer of one entropy-coded block: codes are packed most significant bit first, a full
// 0xFF byte is followed by a stuffed 0x00, and the last byte is filled with 1 bits.
#pragma once

#include <cstdint>

namespace wsq {

struct CodedBlockWriter {
    uint8_t* outbuf = nullptr;
    int outalloc = 0;
    // Bytes written so far, stuffing bytes included.
    int count = 0;
    // The byte being assembled and the position of its next free bit (7 down to 0).
    uint8_t byte = 0;
    int bit_pos = 7;
};

// Appends the low `size` bits of `code` (size 0 to 32). Fails with the byte writer's overflow
// code when the area is full.
int emit_code_bits(CodedBlockWriter* writer, uint32_t code, int size);
// Writes out a partly filled byte with its free bits set to 1; an empty byte writes nothing.
int finish_coded_block(CodedBlockWriter* writer);

}  // namespace wsq
