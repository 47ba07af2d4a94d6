// Saving through the raster library (TIFF, PNG, JPEG, SGI image, Targa): the picture goes to
// the library as three colour planes.
#pragma once

#include <QImage>
#include <QString>

#include <cstdint>
#include <vector>

// The red, green and blue planes of a picture, rows top to bottom.
std::vector<uint8_t> planesFromImage(const QImage& image);
// Writes `outputName` (already ending in the type's extension) as save type 3 to 7. False when
// nothing was written, with the reason in *errorText.
bool saveLibraryImage(const QImage& image, const QString& outputName, int file_type,
                      QString* errorText);
