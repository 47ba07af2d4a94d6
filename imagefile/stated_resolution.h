// The resolution a raster file states, in pixels per inch, and what the fields that hold it can
// take: PNG's pHYs chunk and the BMP header count pixels per metre in 31 bits, JFIF's density is
// a 16-bit count of dots per inch, and libtiff keeps XResolution and YResolution as floats.
#pragma once

#include <cstdint>

#include "imagefile/image_format.h"

namespace imagefile {

// The largest resolution a file of `format` states exactly; 0 for a format that states none
// (WSQ keeps its resolution in its own comment, apart from this).
int32_t MaxStatedResolution(ImageFormat format);

// True when a file of `format` can state `ppi`: 1 to MaxStatedResolution(format).
bool CanStateResolution(ImageFormat format, int32_t ppi);

// `ppi` pixels per inch as pixels per metre, rounded to the nearest (500 gives 19685). For
// 1 <= ppi <= MaxStatedResolution(ImageFormat::Png).
uint32_t PixelsPerMetre(int32_t ppi);

}  // namespace imagefile
