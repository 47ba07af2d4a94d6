// Grey bytes, the form in which the WSQ codec takes and gives pictures, and the viewer's 32-bit
// pictures.
#pragma once

#include <cstdint>
#include <vector>

#include <QImage>

namespace wsqgrey {

// An opaque 32-bit grey picture of width x height grey bytes, top row first.
QImage greyImage(const uint8_t* pixels, int width, int height);

// The grey bytes of a picture, row-major, top row first: (red + green + blue) / 3, truncated.
std::vector<uint8_t> greyBytes(const QImage& image);

}  // namespace wsqgrey
