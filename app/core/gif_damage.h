// Whether a GIF file holds the whole of its first picture. Qt's GIF reader shows what it
// decoded of a file cut short, or of LZW data it cannot decode, as if it were the whole picture
// and says nothing; this walk of the file's blocks and its LZW codes tells the difference.
#pragma once

#include <QString>

#include <cstdint>
#include <span>

// What is wrong with the first picture of a GIF file, or an empty text when its image data
// give every pixel of its frame (or when the bytes are no GIF file; then Qt decides): an LZW
// minimum code size above 11, image data that end before the frame is complete (at the end
// of the file, at its end code or block terminator), or a code the table does not hold yet.
QString gifDamage(std::span<const uint8_t> bytes);
