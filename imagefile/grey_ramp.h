// Grey-ramp palettes: the palette a grey file is read with, and the test a writer makes before
// it stores palette indices as grey levels.
#pragma once

#include <cstdint>

#include "imagefile/bitmap_image.h"

namespace imagefile {

enum class GreyRamp { kNone, kRising, kFalling };

// The grey level of entry `index` of a rising ramp over `entries` entries: 0 to 255 in equal
// integer steps (255 / (entries - 1)), the last entry always 255.
uint8_t GreyRampLevel(uint32_t index, uint32_t entries);

// Fills the record's palette with a ramp over all its entries, rising from black or (falling)
// from white. The palette must already be allocated.
void FillGreyRamp(BitmapImage* image, bool rising);

// Whether the palette of a record of 8 bits or less is exactly the ramp a reader of a grey file
// of that depth makes (2^bitsPerPixel levels, possibly fewer entries), so that its indices can be
// stored as grey levels without changing the picture. An empty palette counts as rising.
GreyRamp PaletteGreyRamp(const BitmapImage& image);

}  // namespace imagefile
