// Row and buffer arithmetic shared by the record, the conversions and the readers. Everything
// is computed in 64 bits, so that no width or depth can wrap a size around.
#pragma once

#include <cstdint>

#include "imagefile/bitmap_image.h"

namespace imagefile {

inline constexpr bool IsValidBitsPerPixel(uint32_t bitsPerPixel) {
    return bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8 || bitsPerPixel == 16 ||
           bitsPerPixel == 24 || bitsPerPixel == 32;
}

// Bytes of one row of `width` pixels, optionally padded to a multiple of 4 as in a bitmap file.
inline constexpr uint64_t RowBytes(uint32_t bitsPerPixel, uint32_t width, bool padToFour) {
    const uint64_t bytes = (uint64_t{bitsPerPixel} * width + 7) / 8;
    return padToFour ? (bytes + 3) / 4 * 4 : bytes;
}

// True when the record's buffers are as large as its fields say: rows of at least the packed
// row size, height rows of scanWidth bytes, and paletteSize entries of at least 3 bytes for
// palette depths. Procedures that take a record from a caller check this before touching it.
inline bool RecordIsConsistent(const BitmapImage& image) {
    if (!IsValidBitsPerPixel(image.bitsPerPixel) || image.width == 0 || image.height == 0) {
        return false;
    }
    if (image.scanWidth < RowBytes(image.bitsPerPixel, image.width, false)) return false;
    if (image.bits.size() < uint64_t{image.scanWidth} * image.height) return false;
    if (image.bitsPerPixel <= 8) {
        if (image.paletteSize == 0 || image.paletteEntrySize < 3) return false;
        if (image.palette.size() < uint64_t{image.paletteSize} * image.paletteEntrySize) {
            return false;
        }
    }
    return true;
}

}  // namespace imagefile
