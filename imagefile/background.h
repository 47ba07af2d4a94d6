// The library's background picture and background colour: a place where a caller can keep the
// picture (and the colour) that transparent pixels are to be shown over. No reader or writer
// uses them. Both are kept per thread, like the last error.
#pragma once

#include <cstdint>

#include "imagefile/bitmap_image.h"

namespace imagefile {

// Blue, green, red and a reserved byte, in the order of a palette entry.
struct BackgroundColour {
    uint8_t blue = 255;
    uint8_t green = 255;
    uint8_t red = 255;
    uint8_t reserved = 0;
};

// The background record (empty until set) and the colour (white until set).
const BitmapImage& GetBackgroundImage();
BackgroundColour GetBackgroundColour();

// Empties the background record and makes the colour white again.
void ResetBackground();
// The colour from a 32-bit value laid out as a little-endian palette entry: blue in bits 0-7,
// green in bits 8-15, red in bits 16-23, the reserved byte in bits 24-31.
void SetBackgroundColour(uint32_t value);
// Converts `image` to true colour (ConvertToTrueColor) into the background record. Returns 0 or
// the conversion's code; on failure the background record is empty.
uint32_t SetBackgroundImage(const BitmapImage& image);

}  // namespace imagefile
