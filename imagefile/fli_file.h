// The first frame of an FLI or FLC animation, read by the CEL reader.
#pragma once

#include <cstdint>

#include "imagefile/bitmap_image.h"
#include "imagefile/file_reader.h"

namespace imagefile {

// Reads from the start of an open animation file into an empty record; returns 0 or throws
// ImageFailure. The caller's record supplies the layout (dibLayout) and receives the picture.
uint32_t ReadAnimationFirstFrame(FileReader& file, BitmapImage* image);

}  // namespace imagefile
