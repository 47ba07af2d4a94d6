// The oracle every raster reader fuzzer applies: the input goes to the reader through a memory
// file, with either row layout the library's callers ask for, and the run aborts when a failure
// leaves anything in the record or a different last error, or when a success leaves a record
// that breaks its invariants: an acceptable size, the row size of its layout, buffers exactly as
// large as the fields say, palette fields only for palette depths, every pixel index inside the
// palette (so that the true-colour conversion succeeds, which is run on pictures of up to
// 4 Mpixel).
#pragma once

#include <cstdint>
#include <cstdlib>

#include "fuzz/fuzz_input_file.h"
#include "imagefile/bitmap_image.h"
#include "imagefile/image_error.h"
#include "imagefile/image_layout.h"
#include "imagefile/pixel_conversions.h"
#include "wsq/image_limits.h"

namespace rasterfuzz {

inline void Require(bool condition) {
    if (!condition) std::abort();
}

inline void RequireIndicesInPalette(const imagefile::BitmapImage& image) {
    // With a full palette every index the depth can hold is valid.
    if (image.paletteSize >= (1u << image.bitsPerPixel)) return;
    // Otherwise a few million pixels are looked at (rows spread over the picture), so that a
    // large picture cannot stall the fuzzer.
    const uint32_t rowStep =
        1 + static_cast<uint32_t>(uint64_t{image.width} * image.height / (uint64_t{1} << 22));
    for (uint32_t y = 0; y < image.height; y += rowStep) {
        const uint8_t* row = image.bits.data() + uint64_t{y} * image.scanWidth;
        for (uint32_t x = 0; x < image.width; ++x) {
            uint32_t index = 0;
            switch (image.bitsPerPixel) {
                case 1:
                    index = (row[x >> 3] >> (7 - (x & 7))) & 1;
                    break;
                case 4:
                    index = (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
                    break;
                default:
                    index = row[x];
                    break;
            }
            Require(index < image.paletteSize);
        }
    }
}

// Runs reader(path, &record) on the input and checks what it left. Returns the reader's code.
template <typename Reader>
uint32_t RunReader(const uint8_t* data, size_t size, Reader reader) {
    FuzzInputFile file(data, size);
    if (!file.ok()) return 0;
    imagefile::BitmapImage image;
    const int32_t layout = static_cast<int32_t>(size & 1);
    image.dibLayout = layout;
    const uint32_t code = reader(file.path(), &image);
    Require(code == imagefile::GetLastImageError());
    if (code != 0) {
        Require(image.bits.empty() && image.palette.empty() && image.width == 0 &&
                image.height == 0);
        return code;
    }
    Require(wsq::image_size_acceptable(image.width, image.height));
    Require(imagefile::RecordIsConsistent(image));
    Require(image.dibLayout == layout);
    Require(image.scanWidth == imagefile::RowBytes(image.bitsPerPixel, image.width, layout != 0));
    Require(image.bits.size() == uint64_t{image.scanWidth} * image.height);
    if (image.bitsPerPixel <= 8) {
        Require(image.palette.size() == size_t{image.paletteSize} * image.paletteEntrySize);
        Require(image.paletteEntrySize >= 3);
        if (layout != 0) Require(image.paletteEntrySize == 4);
        Require(image.transparentIndex < static_cast<int32_t>(image.paletteSize));
        RequireIndicesInPalette(image);
    } else {
        Require(image.palette.empty() && image.paletteSize == 0 && image.paletteEntrySize == 0);
    }
    // The conversion is run on pictures of up to 4 Mpixel: on a screen of 30 Mpixel it alone
    // took a second an input in this build, and the fuzzer then ran a handful of inputs.
    if (uint64_t{image.width} * image.height <= (uint64_t{1} << 22)) {
        imagefile::BitmapImage colour;
        Require(imagefile::ConvertToTrueColor(image, &colour) == 0);
    }
    return code;
}

}  // namespace rasterfuzz
