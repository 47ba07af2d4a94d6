// Reading the colour of one pixel of a bitmap record, whatever its depth, for tests that
// compare a decoded picture with the pixels it was made from.
#pragma once

#include <cstdint>
#include <ostream>

#include "imagefile/bitmap_image.h"

namespace testsupport {

struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 255;
    bool operator==(const Rgba&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Rgba& c);

// The colour at column x of picture row y (0 = top; the record is bottom-up). Palette pictures
// give alpha 0 at the transparent index and 255 elsewhere; indices outside the palette give
// magenta with alpha 1, so that a test sees them.
Rgba PixelAt(const imagefile::BitmapImage& image, uint32_t x, uint32_t y);
// The palette index at (x, y) of a record of 8 bits or less.
uint32_t IndexAt(const imagefile::BitmapImage& image, uint32_t x, uint32_t y);

// An allocated, zeroed record (palette of 2^depth entries for palette depths).
imagefile::BitmapImage MakeRecord(uint32_t width, uint32_t height, uint8_t bitsPerPixel,
                                  int32_t dibLayout = 1);
void SetIndex(imagefile::BitmapImage& image, uint32_t x, uint32_t y, uint32_t index);
void SetPaletteEntry(imagefile::BitmapImage& image, uint32_t index, Rgba colour);
// Sets a pixel of a 16-, 24- or 32-bit record (16 bits keep the top five bits of each channel).
void SetPixel(imagefile::BitmapImage& image, uint32_t x, uint32_t y, Rgba colour);

}  // namespace testsupport
