// The check every writer makes of the record it is handed before it opens any file.
#pragma once

#include <cstdint>

#include "imagefile/bitmap_image.h"
#include "imagefile/image_error.h"
#include "imagefile/image_layout.h"

namespace imagefile {

// 4 for an empty picture, 2 for a depth no record has, 9 when the buffers are smaller than the
// fields say; 0 otherwise. A palette depth without palette entries is allowed (it is grey).
inline uint32_t CheckWriterInput(const BitmapImage& image) {
    if (image.width == 0 || image.height == 0) return kInvalidImageSize;
    if (!IsValidBitsPerPixel(image.bitsPerPixel)) return kInvalidBitsPerPixel;
    if (image.scanWidth < RowBytes(image.bitsPerPixel, image.width, false)) {
        return kInvalidBitmapPointer;
    }
    if (image.bits.size() < uint64_t{image.scanWidth} * image.height) return kInvalidBitmapPointer;
    if (image.bitsPerPixel <= 8 && image.paletteSize != 0 &&
        (image.paletteEntrySize < 3 ||
         image.palette.size() < uint64_t{image.paletteSize} * image.paletteEntrySize)) {
        return kInvalidBitmapPointer;
    }
    return kNoError;
}

}  // namespace imagefile
