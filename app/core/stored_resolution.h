// The resolution a picture file states for itself, for the formats Qt reads: Qt gives every
// picture a resolution (96 dpi when the file has none), so the file's own header is asked.
#pragma once

#include <QString>

#include "document.h"

namespace document {

// Pixels per inch from a PNG's pHYs chunk (metre unit), a JPEG's JFIF density (inch or
// centimetre unit) or a Windows bitmap's pixels per metre; -1 when the file states none (or
// states a different one across and down, or a ratio only).
int storedResolution(const QString& fileName);

// The resolution of page `page` of a document: the page's own, or for a file Qt read, the one
// its header states; -1 when unknown.
int pageResolution(const Document& doc, size_t page);

}  // namespace document
