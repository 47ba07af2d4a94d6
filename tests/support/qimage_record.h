// A Qt picture as the raster library's 24-bit record (bottom-up, blue-green-red, row layout 1),
// for tests that write library files from toolkit pictures.
#pragma once

#include <QImage>

#include "imagefile/bitmap_image.h"

namespace testsupport {

imagefile::BitmapImage RecordFromQImage(const QImage& image);

}  // namespace testsupport
