// Saving a picture or a document under exactly the name given, with the settings given: nothing
// here reads or changes a setting a earlier load or save left behind.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <optional>

#include "document.h"
#include "format_registry.h"
#include "imagefile/formats.h"

namespace document {

struct SaveSettings {
    double wsqBitRate = 0.75;
    int wsqPpi = 500;
    // The WSQ comment as the encoder takes it (Latin-1); none writes no comment of its own.
    std::optional<QByteArray> wsqComment;
    // How a TIFF is stored: compression, orientation and predictor (default: none, top-left).
    imagefile::TiffSaveInfo tiff;
    // An 8-bit grey picture (QImage::Format_Grayscale8) is written as a grey file where the
    // format has one: PNG, TIFF, JPEG and BMP (8 bits with a grey palette); same pixels as the
    // window's 24-bit files. Off, every picture is written as the window writes it.
    bool keepGrey = false;
    // The resolution a PNG (pHYs), TIFF (XResolution, YResolution, ResolutionUnit), JPEG (JFIF
    // density) or BMP (pixels per metre) file states, in pixels per inch. Unset, those files
    // are written as the window writes them. A value the format cannot hold (below 1; above
    // 65535 for JPEG) is refused: WriterFailed with code 8, and no file is written. The other
    // types ignore it; WSQ states wsqPpi.
    std::optional<int> resolution;
};

enum class SaveFailure {
    None,
    NoPicture,     // nothing to write
    EncodeFailed,  // the WSQ encoder refused the picture
    CannotCreate,  // the file could not be created
    WriteFailed,   // writing it failed part way (an existing file stays as it was)
    WriterFailed,  // the raster library's writer failed, or a setting the format cannot hold
                   // was refused; `code` is the library's code
};

struct SaveResult {
    SaveFailure failure = SaveFailure::None;
    int code = 0;      // the encoder's or the file write's negative code, or the library's code
    QString error;     // the writer's own sentence, when it has one
    qint64 bytes = 0;  // the size of the file written

    bool ok() const { return failure == SaveFailure::None; }
};

// Writes `image` as `type` to exactly `outputName` (no extension is appended): WSQ as the grey
// (red + green + blue) / 3 of the picture, BMP, XBM and XPM through Qt, the other types through
// the raster library. A failed write leaves no file behind and an existing one untouched.
SaveResult savePicture(const QImage& image, const QString& outputName, SaveType type,
                       const SaveSettings& settings);

// Writes `image` to exactly `outputName` as a binary PGM (8-bit grey): a grey picture as it is,
// any other as (red + green + blue) / 3. A failed write leaves an existing file untouched.
SaveResult savePgm(const QImage& image, const QString& outputName);

// Whether files of this save type can state SaveSettings::resolution (PNG, TIFF, JPEG, BMP).
bool statesResolution(SaveType type);

// The settings that keep what a source says of itself: the resolution of its page `page` (a WSQ
// file's, a transaction record's; 500 when it gives none), a TIFF file's storage. The rest are
// the defaults.
SaveSettings settingsKeeping(const Document& source, size_t page = 0);

// Writes the document's picture (its first page) as savePicture does.
SaveResult saveDocument(const Document& source, const QString& outputName, SaveType type,
                        const SaveSettings& settings);

}  // namespace document
