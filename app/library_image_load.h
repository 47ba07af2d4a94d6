// The raster-library branch of the main window's load (TIFF, Targa, CEL, SGI, Photoshop,
// IFF and PCX files).
#pragma once

#include <QString>

#include "image_load_result.h"

ImageLoadResult loadLibraryImage(const QString& fileName);
