// One whole conversion, INPUT to OUTPUT, on the calling thread.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace wsqconvert {

struct ConversionSettings {
    double bitrate = 0.75;
    std::optional<int> ppi;  // unset: the input's resolution (WSQ, transaction record), else 500
    std::optional<QByteArray> comment;
};

// Empty on success; otherwise the failure as "FILE: reason", naming the input for a read
// failure and the output for a write failure. A TIFF written depends on this file alone: it is
// stored as a TIFF input was, otherwise with the library's defaults, whatever was read before.
// `record` picks a picture of a transaction (its record number, Type-1 being 1); without it a
// transaction must hold exactly one picture.
QString convertFile(const QString& input, const QString& output, const ConversionSettings& settings,
                    std::optional<int> record = std::nullopt);

}  // namespace wsqconvert
