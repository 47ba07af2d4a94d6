// Qt's PNG reader (over libpng) takes a buffer for an ancillary chunk at the length the chunk
// claims before it reads a byte of it: a 70-byte file with a text chunk of 1.6 GB makes it
// touch 1.6 GB. A file whose chunk runs past its end fails in Qt in any case, so such a file
// is refused here, from its chunk headers alone, before Qt sees it.
#pragma once

#include <QString>

// True when `fileName` starts with the PNG signature and one of its chunks, before the end
// chunk, claims more bytes than the file has left. False for any other file, or one that
// cannot be mapped (Qt then decides).
bool pngChunkRunsPastEnd(const QString& fileName);

// The text shown for such a file.
QString pngChunkRunsPastEndText();
