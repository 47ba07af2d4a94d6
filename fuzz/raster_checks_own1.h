// The oracle of the Targa, SGI and bitmap reader fuzzers: the input goes to the reader through a
// memory file, and the run aborts when a failure leaves anything in the record or a different
// last error, or a success leaves a record that breaks its invariants: the row size of its
// layout, buffers exactly as large as the fields say, palette fields only for palette depths,
// every pixel index inside the palette (so the true-colour conversion must succeed).
#pragma once

#include <cstdint>
#include <cstdlib>

#include "fuzz_input_file.h"
#include "imagefile/bitmap_image.h"
#include "imagefile/image_error.h"
#include "imagefile/image_layout.h"
#include "imagefile/pixel_conversions.h"
#include "wsq/image_limits.h"

namespace own1fuzz {

inline void Require(bool condition) {
    if (!condition) std::abort();
}

inline void RequireIndicesInPalette(const imagefile::BitmapImage& image) {
    for (uint32_t y = 0; y < image.height; ++y) {
        const uint8_t* row = image.bits.data() + uint64_t{y} * image.scanWidth;
        for (uint32_t x = 0; x < image.width; ++x) {
            uint32_t index = row[x * image.bitsPerPixel / 8];
            if (image.bitsPerPixel == 4) index = (x & 1) ? index & 0x0F : index >> 4;
            if (image.bitsPerPixel == 1) index = (index >> (7 - (x & 7))) & 1;
            Require(index < image.paletteSize);
        }
    }
}

template <typename Reader>
int RunReader(const uint8_t* data, size_t size, Reader reader) {
    FuzzInputFile file(data, size);
    if (!file.ok()) return 0;
    imagefile::BitmapImage image;
    // Both row layouts callers ask for.
    const int32_t layout = static_cast<int32_t>(size & 1);
    image.dibLayout = layout;
    const uint32_t code = reader(file.path(), &image);
    Require(code == imagefile::GetLastImageError());
    if (code != 0) {
        Require(image.bits.empty() && image.palette.empty() && image.width == 0 && image.height == 0);
        return 0;
    }
    Require(wsq::image_size_acceptable(image.width, image.height));
    Require(imagefile::RecordIsConsistent(image));
    Require(image.dibLayout == layout);
    Require(image.scanWidth == imagefile::RowBytes(image.bitsPerPixel, image.width, layout != 0));
    Require(image.bits.size() == uint64_t{image.scanWidth} * image.height);
    if (image.bitsPerPixel <= 8) {
        Require(image.palette.size() == size_t{image.paletteSize} * image.paletteEntrySize);
        if (layout != 0) Require(image.paletteEntrySize == 4);
        RequireIndicesInPalette(image);
    } else {
        Require(image.palette.empty() && image.paletteSize == 0 && image.paletteEntrySize == 0);
    }
    imagefile::BitmapImage colour;
    Require(imagefile::ConvertToTrueColor(image, &colour) == 0);
    return 0;
}

}  // namespace own1fuzz
