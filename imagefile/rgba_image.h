// Any picture the library reads, as 4 bytes a pixel (rows in the record's order).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "imagefile/bitmap_image.h"

namespace imagefile {

// A nonzero byte order keeps blue-green-red-alpha; 0 gives red-green-blue-alpha.
uint32_t BitmapToRgba(const BitmapImage& image, uint32_t* width, uint32_t* height,
                      std::vector<uint8_t>* buffer, int byteOrder);
uint32_t ReadRgbaFile(const char* name, uint32_t* width, uint32_t* height,
                      std::vector<uint8_t>* buffer, int byteOrder);

}  // namespace imagefile
