// Whether a BMP file holds all the pixel data its header promises. Qt's BMP reader shows a file
// cut short inside its pixel data as a whole picture and says nothing; the header and, for
// run-length files, a walk of the runs tell the difference.
#pragma once

#include <QString>

#include <cstdint>
#include <span>

// What is missing from a BMP file, or an empty text when its pixel data are all there (or when
// the bytes are no BMP file Qt reads; then Qt decides). Uncompressed and bit-field files need
// every row the header gives, padding included; run-length files (RLE8, RLE4) need runs up to
// their end-of-bitmap code or to the end of the last row.
QString bmpDamage(std::span<const uint8_t> bytes);
