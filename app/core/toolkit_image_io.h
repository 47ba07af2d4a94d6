// The formats Qt itself reads (PNG, BMP, XBM, XPM, PNM, JPEG, GIF, MNG) and writes (BMP, XBM,
// XPM) for the viewer.
#pragma once

#include <QImage>
#include <QString>

// The picture of a file, format found from its content, in the form the window's pixmap holds
// it: 32-bit, opaque unless the file has alpha. Null when Qt cannot decode it; *errorText (if
// given) then says why.
QImage loadToolkitImage(const QString& fileName, QString* errorText = nullptr);

// Writes `image` to exactly `outputName` in Qt's `format` ("BMP", "XBM", "XPM") through a
// temporary file, so a failure leaves an existing file as it was. 0 when written, -2 when the
// file cannot be created, -3 when writing it failed.
int saveToolkitImage(const QImage& image, const QString& outputName, const char* format);
