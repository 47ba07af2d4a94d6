// wsqconvert --thumbnail: a file's picture made to fit a square, written as PNG, for file
// managers (the desktop's thumbnailer entry runs it).
#pragma once

#include <QImage>
#include <QString>

namespace wsqconvert {

// The largest side a thumbnail may ask for; file managers ask for 128 to 1024.
constexpr int kMaxThumbnailSize = 4096;

// `picture` scaled once, smoothly and keeping its proportions, so that both sides are at most
// `size`; a picture that fits already is kept at its own size.
QImage thumbnailPicture(const QImage& picture, int size);

// Reads `input` (by its name, or as WSQ when its name gives no readable type but its content
// starts like a WSQ stream; a transaction gives its first picture), decodes it once (grey
// pictures as 8-bit grey), scales it once and writes the result as PNG to `output` whatever its
// name, never destroying an existing `output` on failure. Empty on success, otherwise
// "FILE: reason".
QString writeThumbnail(const QString& input, const QString& output, int size);

}  // namespace wsqconvert
