// The record a raster reader builds: allocated in the layout the caller's record asks for
// (its dibLayout, and 4-byte palette entries when it asked for them), addressed by file row
// (0 = top) although rows are stored bottom-up, and given palette entries from red, green, blue.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imagefile/bitmap_image.h"
#include "imagefile/image_failure.h"

namespace imagefile {

// Allocates a record of the given size and depth; any allocation error is thrown as a failure.
inline BitmapImage AllocateReaderRecord(const BitmapImage& caller, uint32_t width, uint32_t height,
                                        uint8_t bitsPerPixel, uint16_t paletteSize) {
    BitmapImage record;
    record.dibLayout = caller.dibLayout;
    record.paletteEntrySize = caller.paletteEntrySize >= 4 ? 4 : 0;
    record.width = width;
    record.height = height;
    record.bitsPerPixel = bitsPerPixel;
    record.paletteSize = bitsPerPixel <= 8 ? paletteSize : 0;
    if (uint32_t code = AllocateBitmapImage(&record); code != kNoError) FailImage(code);
    return record;
}

// The stored row that holds file row y (0 = top row of the picture).
inline uint8_t* StoredRow(BitmapImage& record, uint32_t fileRow) {
    return record.bits.data() + size_t{record.height - 1 - fileRow} * record.scanWidth;
}

// Palette entries are blue, green, red (and a reserved 0 in 4-byte entries).
inline void SetPaletteEntry(BitmapImage& record, uint32_t index, uint8_t red, uint8_t green,
                            uint8_t blue) {
    if (index >= record.paletteSize) return;
    uint8_t* entry = record.palette.data() + size_t{index} * record.paletteEntrySize;
    entry[0] = blue;
    entry[1] = green;
    entry[2] = red;
}

}  // namespace imagefile
