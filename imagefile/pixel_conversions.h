// Depth conversions and pixel helpers over bitmap records.
#pragma once

#include <cstdint>

#include "imagefile/bitmap_image.h"

namespace imagefile {

uint32_t ConvertToTrueColor(const BitmapImage& source, BitmapImage* destination);
uint32_t Convert16To24(BitmapImage* image);
uint32_t ReducePaletteDepth(BitmapImage* image);
uint32_t ConvertToGrey(BitmapImage* image);
uint32_t ReplaceColourByGrey(BitmapImage* image);
void UnpackOneBit(uint32_t width, uint32_t height, const uint8_t* source, uint32_t sourceScanWidth,
                  uint8_t* destination);
void UnpackFourBit(uint32_t width, uint32_t height, const uint8_t* source,
                   uint32_t sourceScanWidth, uint8_t* destination);
// pixel: blue, green, red.
uint8_t GreyOf(const uint8_t* pixel);
uint8_t BlendChannel(uint8_t foreground, uint8_t alpha, uint8_t background);
uint8_t UnblendChannel(uint8_t value, uint8_t alpha, uint8_t background);

uint32_t SwapBytes32(uint32_t value);
int32_t SwapBytes32(int32_t value);
uint16_t SwapBytes16(uint16_t value);
int16_t SwapBytes16(int16_t value);

}  // namespace imagefile
