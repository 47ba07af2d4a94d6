// The raster-library branch of the main window's load (TIFF, Targa, CEL, SGI, Photoshop,
// IFF and PCX files).
#pragma once

#include <QImage>
#include <QString>

#include <cstdint>

#include "image_load_result.h"

ImageLoadResult loadLibraryImage(const QString& fileName);
// An opaque 32-bit picture from three colour planes (red, green, blue; rows top to bottom).
QImage imageFromPlanes(int width, int height, const uint8_t* planes);
