// The raster library's in-memory picture: rows bottom-up, pixels blue-green-red(-alpha),
// optional palette. The record owns its buffers; an empty vector stands for a null pointer.
#pragma once

#include <cstdint>
#include <vector>

namespace imagefile {

struct BitmapImage {
    uint32_t width = 0;
    uint32_t height = 0;
    uint8_t bitsPerPixel = 0;
    std::vector<uint8_t> bits;
    uint16_t paletteSize = 0;
    uint8_t paletteEntrySize = 0;
    std::vector<uint8_t> palette;
    uint32_t scanWidth = 0;
    int32_t dibLayout = 0;
    int16_t transparentIndex = -1;
};

void InitBitmapImage(BitmapImage* image);
void FreeBitmapImage(BitmapImage* image);
uint32_t AllocateBitmapImage(BitmapImage* image);
uint32_t CopyBitmapImage(uint32_t width, uint32_t height, uint8_t bitsPerPixel, const uint8_t* bits,
                         uint16_t paletteSize, uint8_t paletteEntrySize, const uint8_t* palette,
                         uint32_t scanWidth, int32_t dibLayout, BitmapImage* destination);

}  // namespace imagefile
