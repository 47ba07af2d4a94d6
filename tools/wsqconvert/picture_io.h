// One picture in, one picture out: the viewer's load branches and save types as wsqconvert
// reaches them, with every failure turned into a reason instead of a message box.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <optional>

#include "imagefile/formats.h"

namespace wsqconvert {

struct LoadedPicture {
    // Null when the file could not be read or decoded; `error` then says why.
    QImage image;
    QString error;
    // The resolution a WSQ input carries in its NISTCOM list; -1 when unknown or not WSQ.
    int wsqPpi = -1;
    // How a TIFF input was stored (compression, orientation), for a TIFF output; the library's
    // defaults for any other input.
    imagefile::TiffSaveInfo tiffSave;
};

// Reads a file by its extension, as the viewer's load dispatches it.
// "<what> (WSQ error <code>)", then ": " and the codec's line for the failure when it printed
// one.
QString wsqFailureText(const QString& what, int code, const QString& message);

// Reads a file by its complete extension, as the viewer's load dispatches it.
LoadedPicture loadPicture(const QString& fileName);

struct WsqSaveParameters {
    double bitrate = 0.75;
    int ppi = 500;
    std::optional<QByteArray> comment;  // none: no user comment
};

// Writes `image` to exactly `outputName` as the viewer's save type 1 to 9, a TIFF with `tiff`'s
// compression and orientation. Empty on success, otherwise the reason; a failed write leaves no
// file behind and an existing one untouched.
QString savePicture(const QImage& image, const QString& outputName, int saveType,
                    const WsqSaveParameters& wsq, const imagefile::TiffSaveInfo& tiff);

}  // namespace wsqconvert
