// One whole conversion, INPUT to OUTPUT, on the calling thread, and what it found out.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

#include "format_registry.h"

namespace wsqconvert {

// The types wsqconvert reads: the window's and the Netpbm names pgm and ppm.
inline constexpr document::TypeScope kScope = document::TypeScope::Wsqconvert;

// wsqconvert's output beside the window's save types: binary PGM, 8-bit grey.
inline constexpr char kPgmExtension[] = "pgm";

// Whether wsqconvert writes files with this output extension (lower case, without the dot).
bool writableOutput(const QString& extension);
// The output extensions for the help text: the save types' and pgm.
QString outputExtensionList();

// The WSQ resolution of an output whose input states none.
inline constexpr int kAssumedPpi = 500;

struct ConversionSettings {
    double bitrate = 0.75;
    // Unset: the input's resolution (WSQ outputs: 500 when it states none).
    std::optional<int> ppi;
    std::optional<QByteArray> comment;
    // WSQ outputs: the largest stream allowed; the bit rate is then the largest up to `bitrate`
    // whose stream fits.
    std::optional<qint64> maxBytes;
    // Convert what a damaged input holds instead of failing.
    bool acceptDamaged = false;
    // Read the input as this type (an extension), whatever its name; empty: by its name.
    QString inputType;
};

// What one conversion did.
struct ConversionReport {
    // Empty on success; otherwise "FILE: reason", naming the input for a read failure and the
    // output for a write failure.
    QString error;
    // Said on success too: "no resolution in INPUT; 500 ppi assumed".
    QString warning;
    // The damage of an input converted with acceptDamaged, in the reader's words.
    QString damage;
    int width = 0;
    int height = 0;
    int inputPpi = -1;   // the resolution the input states; -1: none
    int outputPpi = -1;  // the resolution the output carries; -1: none
    qint64 inputBytes = -1;
    qint64 outputBytes = -1;
    bool wsqOutput = false;
    double bitrate = 0;  // WSQ outputs: the bit rate asked of the encoder
    int encodes = 0;     // WSQ outputs: the encodes it took (more than one for a size budget)

    bool ok() const { return error.isEmpty(); }
};

// Converts `input` to `output`. A grey picture (every WSQ file, grey PNG, TIFF, BMP, JPEG and
// PNM files, grey transaction pictures) is written grey where the output format has a grey form
// (PNG, TIFF, JPEG, BMP with a grey palette, PGM); its pixels are those the window's 24-bit file
// has. A TIFF written depends on this file alone: it is stored as a TIFF input was, otherwise
// with the library's defaults, whatever was read before. The input's resolution (or the settings')
// goes into every output that can state one. `record` picks a picture of a transaction (its
// record number, Type-1 being 1); without it a transaction must hold exactly one picture.
ConversionReport convert(const QString& input, const QString& output,
                         const ConversionSettings& settings,
                         std::optional<int> record = std::nullopt);

// convert()'s error alone.
QString convertFile(const QString& input, const QString& output, const ConversionSettings& settings,
                    std::optional<int> record = std::nullopt);

}  // namespace wsqconvert
