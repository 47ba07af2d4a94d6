// Saving through the raster library (TIFF, PNG, JPEG, SGI image, Targa): the picture goes to
// the library as three colour planes.
#pragma once

#include <QImage>
#include <QString>

#include <cstdint>
#include <vector>

#include "imagefile/save_settings.h"

// The red, green and blue planes of a picture, rows top to bottom.
std::vector<uint8_t> planesFromImage(const QImage& image);
// Writes `outputName` (already ending in the type's extension) as save type 3 to 7, with the
// library's current settings (a TIFF is written as the last TIFF read was stored). False when
// nothing was written, with the reason in *errorText.
bool saveLibraryImage(const QImage& image, const QString& outputName, int file_type,
                      QString* errorText);
// Writes exactly `outputName` as library type 1 to 7 with `settings`; an existing file is replaced
// only by a whole new one. Empty on success, otherwise the library's sentence for the writer's
// code.
QString writeLibraryImage(const QImage& image, const QString& outputName, int file_type,
                          const imagefile::SaveSettings& settings);
