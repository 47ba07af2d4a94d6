// Shared oracle of the raster reader fuzzers: runs a reader on the input through a memory file
// and aborts when a success leaves a record that breaks the record's invariants (buffer sizes,
// row size, palette indices within the palette) or a failure leaves anything behind.
#pragma once

#include <cstdint>
#include <cstdlib>

#include "fuzz_input_file.h"
#include "imagefile/bitmap_image.h"
#include "imagefile/image_error.h"
#include "imagefile/image_layout.h"

namespace rasterfuzz {

inline void Require(bool condition) {
    if (!condition) std::abort();
}

inline void CheckIndices(const imagefile::BitmapImage& image) {
    // With a full palette every index the depth can hold is valid; the per-pixel walk over a
    // picture of many megapixels would otherwise dominate the run.
    if (image.bitsPerPixel > 8 || image.paletteSize >= (1u << image.bitsPerPixel)) return;
    for (uint32_t y = 0; y < image.height; ++y) {
        const uint8_t* row = image.bits.data() + size_t{y} * image.scanWidth;
        for (uint32_t x = 0; x < image.width; ++x) {
            uint32_t index = 0;
            if (image.bitsPerPixel == 8) index = row[x];
            else if (image.bitsPerPixel == 4) index = row[x / 2] >> (x % 2 == 0 ? 4 : 0) & 15;
            else index = row[x / 8] >> (7 - x % 8) & 1;
            Require(index < image.paletteSize);
        }
    }
}

template <typename Reader>
int RunReader(const uint8_t* data, size_t size, Reader reader) {
    FuzzInputFile file(data, size);
    if (!file.ok()) return 0;
    imagefile::BitmapImage image;
    // Both row layouts the library's callers ask for.
    image.dibLayout = static_cast<int32_t>(size & 1);
    const int32_t layout = image.dibLayout;
    const uint32_t code = reader(file.path(), &image);
    Require(code == imagefile::GetLastImageError());
    if (code != 0) {
        Require(image.bits.empty() && image.palette.empty() && image.width == 0);
        return 0;
    }
    Require(imagefile::RecordIsConsistent(image));
    Require(image.dibLayout == layout);
    Require(image.scanWidth == imagefile::RowBytes(image.bitsPerPixel, image.width, layout != 0));
    Require(image.bits.size() == uint64_t{image.scanWidth} * image.height);
    if (image.bitsPerPixel <= 8) {
        Require(image.palette.size() == size_t{image.paletteSize} * image.paletteEntrySize);
        Require(image.transparentIndex < static_cast<int32_t>(image.paletteSize));
    } else {
        Require(image.palette.empty() && image.paletteSize == 0);
    }
    CheckIndices(image);
    return 0;
}

}  // namespace rasterfuzz
