// One whole conversion, INPUT to OUTPUT, on the calling thread.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace wsqconvert {

// wsqconvert's output beside the window's save types: binary PGM, 8-bit grey.
inline constexpr char kPgmExtension[] = "pgm";

// Whether wsqconvert writes files with this output extension (lower case, without the dot).
bool writableOutput(const QString& extension);
// The output extensions for the help text: the save types' and pgm.
QString outputExtensionList();

struct ConversionSettings {
    double bitrate = 0.75;
    std::optional<int> ppi;  // unset: the input's resolution (WSQ, transaction record), else 500
    std::optional<QByteArray> comment;
};

// Empty on success; otherwise the failure as "FILE: reason", naming the input for a read
// failure and the output for a write failure. A grey picture (every WSQ file, grey PNG, TIFF,
// BMP, JPEG and PNM files, grey transaction pictures) is written grey where the output format
// has a grey form (PNG, TIFF, JPEG, BMP with a grey palette, PGM); its pixels are those the
// window's 24-bit file has. A TIFF written depends on this file alone: it is
// stored as a TIFF input was, otherwise with the library's defaults, whatever was read before.
// `record` picks a picture of a transaction (its record number, Type-1 being 1); without it a
// transaction must hold exactly one picture.
QString convertFile(const QString& input, const QString& output, const ConversionSettings& settings,
                    std::optional<int> record = std::nullopt);

}  // namespace wsqconvert
