// The raster library's form of a picture, three colour planes (red, then green, then blue,
// width x height bytes each, rows top to bottom), and the window's 32-bit pictures.
#pragma once

#include <QImage>

#include <cstdint>
#include <vector>

// An opaque 32-bit picture from three colour planes; null for an empty size or no planes.
QImage imageFromPlanes(int width, int height, const uint8_t* planes);
// The red, green and blue planes of a picture.
std::vector<uint8_t> planesFromImage(const QImage& image);
