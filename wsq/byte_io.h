// Bounded big-endian byte reader and writer over memory buffers. Readers take a cursor (advanced
// on success) and the end of the buffer; writers take the buffer, its capacity and the count of
// bytes written so far (advanced on success). Each returns 0 or a negative code after printing
// one "ERROR ..." line to standard error; nothing moves on failure.
#pragma once

#include <cstdint>

namespace wsq {

int getc_byte(uint8_t* ochar, const uint8_t** cbufptr, const uint8_t* ebufptr);
int getc_bytes(uint8_t* ochar, int ilen, const uint8_t** cbufptr, const uint8_t* ebufptr);
int getc_u16(uint16_t* oshrt, const uint8_t** cbufptr, const uint8_t* ebufptr);
int getc_u32(uint32_t* olng, const uint8_t** cbufptr, const uint8_t* ebufptr);

int putc_byte(uint8_t ichar, uint8_t* odata, int oalloc, int* olen);
int putc_bytes(const uint8_t* idata, int ilen, uint8_t* odata, int oalloc, int* olen);
int putc_u16(uint16_t ishort, uint8_t* odata, int oalloc, int* olen);
int putc_u32(uint32_t ilong, uint8_t* odata, int oalloc, int* olen);

}  // namespace wsq
