// The resolution a picture file states for itself, where the reader does not give it: Qt gives
// every picture a resolution (96 dpi when the file has none), and the raster library's PCX and
// Photoshop readers give none, so the file's own header is asked.
#pragma once

#include <QString>

#include "document.h"
#include "imagefile/image_format.h"

namespace document {

// Pixels per inch from a PNG's pHYs chunk (metre unit), a JPEG's JFIF density (inch or
// centimetre unit) or a Windows bitmap's pixels per metre; -1 when the file states none (or
// states a different one across and down, or a ratio only).
int storedResolution(const QString& fileName);

// Pixels per inch from a file the raster library reads as `format`: a PCX file's dots per inch,
// a Photoshop file's ResolutionInfo resource; -1 when it states none (or a different one across
// and down), and for every other format (a TIFF file's comes with its read).
int storedResolution(const QString& fileName, imagefile::ImageFormat format);

// The resolution of page `page` of a document: the page's own (a WSQ file's, a transaction
// record's, a TIFF file's), or the one the header of a file Qt read, or of a PCX or Photoshop
// file, states; -1 when unknown.
int pageResolution(const Document& doc, size_t page);

}  // namespace document
