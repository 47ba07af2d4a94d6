// One whole conversion, INPUT to OUTPUT, on the calling thread.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace wsqconvert {

struct ConversionSettings {
    double bitrate = 0.75;
    std::optional<int> ppi;  // unset: the input's WSQ resolution, else 500
    std::optional<QByteArray> comment;
};

// Empty on success; otherwise the failure as "FILE: reason", naming the input for a read
// failure and the output for a write failure. The codec's and the library's records are the
// calling thread's; the TIFF save settings are reset first, so that a TIFF written depends on
// this file alone (the settings of a TIFF input, if it is one), not on what the thread read
// before.
QString convertFile(const QString& input, const QString& output, const ConversionSettings& settings);

}  // namespace wsqconvert
