// The oracle every raster-reader fuzzer applies to a record a reader returned: buffers as large
// as the fields say, and every palette index inside the palette. A failed read must leave the
// record empty. Any breach aborts, so that the fuzzer reports it.
#pragma once

#include <cstdint>
#include <cstdlib>

#include "imagefile/bitmap_image.h"
#include "wsq/image_limits.h"

inline void CheckReaderResult(uint32_t code, const imagefile::BitmapImage& image) {
    if (code != 0) {
        if (!image.bits.empty() || !image.palette.empty()) std::abort();
        return;
    }
    if (!wsq::image_size_acceptable(image.width, image.height)) std::abort();
    const uint64_t packed = (uint64_t{image.bitsPerPixel} * image.width + 7) / 8;
    if (image.scanWidth < packed) std::abort();
    if (image.bits.size() < uint64_t{image.scanWidth} * image.height) std::abort();
    if (image.bitsPerPixel > 8) return;
    if (image.paletteSize == 0 || image.paletteEntrySize < 3 ||
        image.palette.size() < uint64_t{image.paletteSize} * image.paletteEntrySize) {
        std::abort();
    }
    // With a full palette every index fits; otherwise a few million pixels are looked at (rows
    // spread over the picture), so that a large picture cannot stall the fuzzer.
    if (image.paletteSize >= (1u << image.bitsPerPixel)) return;
    const uint32_t rowStep = 1 + uint32_t(uint64_t{image.width} * image.height / (uint64_t{1} << 22));
    for (uint32_t y = 0; y < image.height; y += rowStep) {
        const uint8_t* row = image.bits.data() + uint64_t{y} * image.scanWidth;
        for (uint32_t x = 0; x < image.width; ++x) {
            uint32_t index = 0;
            switch (image.bitsPerPixel) {
                case 1: index = (row[x >> 3] >> (7 - (x & 7))) & 1; break;
                case 4: index = (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4; break;
                default: index = row[x]; break;
            }
            if (index >= image.paletteSize) std::abort();
        }
    }
}
