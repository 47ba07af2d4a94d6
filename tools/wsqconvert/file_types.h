// Which files wsqconvert reads and writes: the viewer's load dispatch (load_dispatch.h) for
// inputs, the viewer's save types for outputs.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

#include "load_dispatch.h"

namespace wsqconvert {

// Every complete extension the viewer's load reads, in the order of its Open dialog.
const QStringList& readableExtensions();
bool isReadableExtension(const QString& lowerCaseExtension);

// The viewer's save type (1 WSQ, 2 BMP, 3 TIFF, 4 PNG, 5 JPEG, 6 SGI, 7 Targa, 8 XBM, 9 XPM)
// for an output extension in lower case (wsq bmp tif tiff png jpg jpeg rgb tga xbm xpm).
std::optional<int> outputSaveType(const QString& lowerCaseExtension);
// The output extension of a file name: its last suffix, lower-cased.
QString outputExtension(const QString& fileName);

}  // namespace wsqconvert
