// Reading the frame header, block headers and comments.
#include <cstdio>
#include <new>

#include "wsq/byte_io.h"
#include "wsq/codestream.h"
#include "wsq/diagnostics.h"
#include "wsq/scaled_integer.h"

namespace wsq {

int getc_frame_header(FrameHeader* frm_header, const uint8_t** cbufptr, const uint8_t* ebufptr) {
    const uint8_t* cur = *cbufptr;
    FrameHeader header;
    uint16_t length = 0;
    uint8_t scale = 0;
    uint16_t raw = 0;
    if (int ret = getc_u16(&length, &cur, ebufptr)) return ret;
    if (int ret = getc_byte(&header.black, &cur, ebufptr)) return ret;
    if (int ret = getc_byte(&header.white, &cur, ebufptr)) return ret;
    // Height is stored before width.
    if (int ret = getc_u16(&header.height, &cur, ebufptr)) return ret;
    if (int ret = getc_u16(&header.width, &cur, ebufptr)) return ret;
    if (int ret = getc_byte(&scale, &cur, ebufptr)) return ret;
    if (int ret = getc_u16(&raw, &cur, ebufptr)) return ret;
    header.m_shift = scaled_integer_value(scale, raw);
    if (int ret = getc_byte(&scale, &cur, ebufptr)) return ret;
    if (int ret = getc_u16(&raw, &cur, ebufptr)) return ret;
    header.r_scale = scaled_integer_value(scale, raw);
    if (int ret = getc_byte(&header.WSQ_encoder, &cur, ebufptr)) return ret;
    if (int ret = getc_u16(&header.Software, &cur, ebufptr)) return ret;
    *frm_header = header;
    *cbufptr = cur;
    return 0;
}

int getc_block_header(uint8_t* huff_table, const uint8_t** cbufptr, const uint8_t* ebufptr) {
    const uint8_t* cur = *cbufptr;
    uint16_t length = 0;
    uint8_t table = 0;
    if (int ret = getc_u16(&length, &cur, ebufptr)) return ret;
    if (int ret = getc_byte(&table, &cur, ebufptr)) return ret;
    *huff_table = table;
    *cbufptr = cur;
    return 0;
}

int getc_comment(std::string* ocomment, const uint8_t** cbufptr, const uint8_t* ebufptr) {
    const uint8_t* cur = *cbufptr;
    uint16_t length = 0;
    if (int ret = getc_u16(&length, &cur, ebufptr)) return ret;
    // L counts itself; an L below 2 leaves no text (nothing is read for it).
    const int text_len = length >= 2 ? length - 2 : 0;
    std::string text;
    try {
        text.resize(static_cast<size_t>(text_len));
    } catch (const std::bad_alloc&) {
        report("ERROR : getc_comment : malloc : comment\n");
        return -2;
    }
    if (int ret = getc_bytes(reinterpret_cast<uint8_t*>(text.data()), text_len, &cur, ebufptr))
        return ret;
    // The text ends at its first zero byte, as a zero-terminated text would.
    const size_t zero = text.find('\0');
    if (zero != std::string::npos) text.resize(zero);
    *ocomment = std::move(text);
    *cbufptr = cur;
    return 0;
}

}  // namespace wsq
