// Bounded big-endian byte reader and writer over memory buffers.
#include "wsq/byte_io.h"
#include "wsq/diagnostics.h"

#include <cstdio>
#include <cstring>

namespace wsq {

int getc_byte(uint8_t* ochar, const uint8_t** cbufptr, const uint8_t* ebufptr) {
    if (*cbufptr >= ebufptr) {
        report("ERROR : getc_byte : premature End Of Buffer\n");
        return -39;
    }
    *ochar = **cbufptr;
    ++*cbufptr;
    return 0;
}

int getc_bytes(uint8_t* ochar, int ilen, const uint8_t** cbufptr, const uint8_t* ebufptr) {
    if (ilen < 0 || *cbufptr > ebufptr || ebufptr - *cbufptr < ilen) {
        report("ERROR : getc_bytes : premature End Of Buffer\n");
        return -40;
    }
    if (ilen > 0) std::memcpy(ochar, *cbufptr, static_cast<size_t>(ilen));
    *cbufptr += ilen;
    return 0;
}

int getc_u16(uint16_t* oshrt, const uint8_t** cbufptr, const uint8_t* ebufptr) {
    uint8_t b[2];
    if (int ret = getc_bytes(b, 2, cbufptr, ebufptr)) return ret;
    *oshrt = static_cast<uint16_t>((b[0] << 8) | b[1]);
    return 0;
}

int getc_u32(uint32_t* olng, const uint8_t** cbufptr, const uint8_t* ebufptr) {
    uint8_t b[4];
    if (int ret = getc_bytes(b, 4, cbufptr, ebufptr)) return ret;
    *olng = (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3];
    return 0;
}

int putc_byte(uint8_t ichar, uint8_t* odata, int oalloc, int* olen) {
    if (*olen >= oalloc) {
        report("ERROR : putc_byte : buffer overlow : alloc = %d, request = %d\n", oalloc, *olen);
        return -32;
    }
    odata[*olen] = ichar;
    ++*olen;
    return 0;
}

int putc_bytes(const uint8_t* idata, int ilen, uint8_t* odata, int oalloc, int* olen) {
    // Compared in 64 bits: count + n must not wrap before it is checked.
    const long long request = static_cast<long long>(*olen) + ilen;
    if (ilen < 0 || request > oalloc) {
        report("ERROR : putc_bytes : buffer overlow : alloc = %d, request = %lld\n", oalloc,
               request);
        return -33;
    }
    if (ilen > 0) std::memcpy(odata + *olen, idata, static_cast<size_t>(ilen));
    *olen += ilen;
    return 0;
}

int putc_u16(uint16_t ishort, uint8_t* odata, int oalloc, int* olen) {
    const uint8_t b[2] = {static_cast<uint8_t>(ishort >> 8), static_cast<uint8_t>(ishort)};
    return putc_bytes(b, 2, odata, oalloc, olen);
}

int putc_u32(uint32_t ilong, uint8_t* odata, int oalloc, int* olen) {
    const uint8_t b[4] = {static_cast<uint8_t>(ilong >> 24), static_cast<uint8_t>(ilong >> 16),
                          static_cast<uint8_t>(ilong >> 8), static_cast<uint8_t>(ilong)};
    return putc_bytes(b, 4, odata, oalloc, olen);
}

}  // namespace wsq
