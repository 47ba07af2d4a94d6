#include "imagefile/grey_ramp.h"

#include <cstddef>

namespace imagefile {

uint8_t GreyRampLevel(uint32_t index, uint32_t entries) {
    if (entries < 2) return 0;
    if (index + 1 >= entries) return 255;
    return static_cast<uint8_t>(index * (255 / (entries - 1)));
}

void FillGreyRamp(BitmapImage* image, bool rising) {
    const uint32_t entries = image->paletteSize;
    const uint32_t entrySize = image->paletteEntrySize;
    if (entrySize < 3 || image->palette.size() < size_t{entries} * entrySize) return;
    for (uint32_t i = 0; i < entries; ++i) {
        const uint8_t level = rising ? GreyRampLevel(i, entries) : 255 - GreyRampLevel(i, entries);
        uint8_t* entry = &image->palette[size_t{i} * entrySize];
        entry[0] = entry[1] = entry[2] = level;
    }
}

GreyRamp PaletteGreyRamp(const BitmapImage& image) {
    if (image.bitsPerPixel > 8 || image.bitsPerPixel == 0) return GreyRamp::kNone;
    const uint32_t levels = 1u << image.bitsPerPixel;
    const uint32_t entries = image.paletteSize;
    const uint32_t entrySize = image.paletteEntrySize;
    if (entries == 0) return GreyRamp::kRising;
    if (entries > levels || entrySize < 3 || image.palette.size() < size_t{entries} * entrySize) {
        return GreyRamp::kNone;
    }
    bool rising = true;
    bool falling = true;
    for (uint32_t i = 0; i < entries; ++i) {
        const uint8_t* entry = &image.palette[size_t{i} * entrySize];
        if (entry[0] != entry[1] || entry[0] != entry[2]) return GreyRamp::kNone;
        const uint8_t level = GreyRampLevel(i, levels);
        rising = rising && entry[0] == level;
        falling = falling && entry[0] == 255 - level;
    }
    // A single entry is both; black-is-zero is the common reading.
    if (rising) return GreyRamp::kRising;
    if (falling) return GreyRamp::kFalling;
    return GreyRamp::kNone;
}

}  // namespace imagefile
