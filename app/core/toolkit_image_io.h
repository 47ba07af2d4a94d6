// The formats Qt itself reads (PNG, BMP, XBM, XPM, PNM, JPEG, GIF, MNG) and writes (BMP, XBM,
// XPM) for the viewer.
#pragma once

#include <QImage>
#include <QString>

struct ToolkitRead {
    // The picture in the form the window's pixmap holds it: 32-bit, opaque unless the file has
    // alpha. Null when Qt cannot decode it; `error` then says why.
    QImage image;
    QString error;
    QString format;  // what Qt found in the content ("PNG", "JPEG", ...), upper case
    int depth = 0;   // bits per pixel of the picture as the file stores it; 0 when unknown
    // Set when the picture is only what Qt could read of a damaged file (cut short, broken
    // data): what was wrong, in the reader's words (toolkit_damage.h). Empty for a whole file
    // and when there is no picture.
    QString damage;
};

// Reads a file with Qt, format found from its content.
ToolkitRead readToolkitImage(const QString& fileName);
// The picture of readToolkitImage; *errorText (if given) says why it is null.
QImage loadToolkitImage(const QString& fileName, QString* errorText = nullptr);

// Writes `image` to exactly `outputName` in Qt's `format` ("BMP", "XBM", "XPM") through a
// temporary file, so a failure leaves an existing file as it was. 0 when written, -2 when the
// file cannot be created, -3 when writing it failed.
int saveToolkitImage(const QImage& image, const QString& outputName, const char* format);
