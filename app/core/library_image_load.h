// The raster-library branch of the main window's load (TIFF, Targa, CEL, SGI, Photoshop,
// IFF and PCX files).
#pragma once

#include <QImage>
#include <QString>

#include <cstdint>
#include <optional>

#include "image_load_result.h"
#include "imagefile/formats.h"

// The main window's load: the library's designed read, which keeps the TIFF settings it finds
// for the next TIFF save and shows a file it cannot read as an empty picture.
ImageLoadResult loadLibraryImage(const QString& fileName);

// One read of `fileName` by the library, chosen by its extension key as the window's load
// chooses, that changes none of the library's settings.
struct LibraryImageRead {
    // Null when the file could not be read; `failure` then holds the library's sentence.
    QImage image;
    QString failure;
    // What a TIFF file says about its compression and orientation, for a save that wants them.
    std::optional<imagefile::TiffSaveInfo> tiff;
};
LibraryImageRead readLibraryImage(const QString& fileName);

// An opaque 32-bit picture from three colour planes (red, green, blue; rows top to bottom).
QImage imageFromPlanes(int width, int height, const uint8_t* planes);
