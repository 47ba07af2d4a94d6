#include "picture_io.h"

#include <QFileInfo>

#include <utility>
#include <vector>

#include "format_registry.h"
#include "library_image_load.h"
#include "library_image_save.h"
#include "toolkit_image_io.h"
#include "wsq_image_save.h"
#include "wsqimport.h"

namespace wsqconvert {

QString wsqFailureText(const QString& what, int code, const QString& message) {
    QString text = QStringLiteral("%1 (WSQ error %2)").arg(what).arg(code);
    if (!message.isEmpty()) text += QStringLiteral(": ") + message;
    return text;
}

namespace {

LoadedPicture loadWsq(const QString& fileName) {
    LoadedPicture result;
    const wsqimport::WsqLoad load = wsqimport::loadWsqFile(fileName);
    if (load.decodeResult != 0) {
        // The codec's code and line, and what the window would have said (a missing SOI
        // marker).
        result.error =
            wsqFailureText(QStringLiteral("cannot decode"), load.decodeResult, load.decodeMessage);
        if (!load.failure.isEmpty()) result.error += QStringLiteral(" (%1)").arg(load.failure);
    } else if (!load.failure.isEmpty()) {
        result.error = load.failure;
    } else if (load.image.isNull()) {
        result.error = QStringLiteral("cannot decode: the file holds no picture");
    } else {
        result.image = load.image;
        result.wsqPpi = load.facts.ppi;
    }
    return result;
}

LoadedPicture loadWithToolkit(const QString& fileName) {
    LoadedPicture result;
    QString why;
    result.image = loadToolkitImage(fileName, &why);
    if (result.image.isNull()) result.error = QStringLiteral("cannot decode: %1").arg(why);
    return result;
}

LoadedPicture loadWithLibrary(const QString& fileName) {
    LibraryImageRead read = readLibraryImage(fileName);
    LoadedPicture result;
    result.image = std::move(read.image);
    if (!read.failure.isEmpty())
        result.error = QStringLiteral("cannot decode: %1").arg(read.failure);
    else if (result.image.isNull())
        result.error =
            QStringLiteral("cannot decode: the file holds no picture the viewer can show");
    // A TIFF output of a TIFF input is stored as the input was (compression, orientation).
    if (read.tiff && !result.image.isNull()) result.tiffSave = *read.tiff;
    return result;
}

QString saveWsq(const QImage& image, const QString& outputName, const WsqSaveParameters& wsq) {
    std::vector<uint8_t> encoded;
    QString why;
    const int ret =
        encodeWsqImage(image, wsq.bitrate, wsq.ppi,
                       wsq.comment ? wsq.comment->constData() : nullptr, &encoded, &why);
    if (ret != 0) return wsqFailureText(QStringLiteral("cannot encode as WSQ"), ret, why);
    const int written = writeWsqFile(outputName, encoded);
    if (written == -2) return QStringLiteral("Error opening file for writing");
    if (written != 0) return QStringLiteral("Error writing output file");
    return QString();
}

QString saveWithToolkit(const QImage& image, const QString& outputName, const char* format) {
    const int written = saveToolkitImage(image, outputName, format);
    if (written == -2) return QStringLiteral("Error opening file for writing");
    if (written != 0) return QStringLiteral("Error writing output file");
    return QString();
}

// The library writes exactly the name asked for (x.jpeg stays x.jpeg), with the settings given.
QString saveWithLibrary(const QImage& image, const QString& outputName, int saveType,
                        const imagefile::TiffSaveInfo& tiff) {
    imagefile::SaveSettings settings;
    settings.tiff = tiff;
    return writeLibraryImage(image, outputName, saveType, settings);
}

}  // namespace

LoadedPicture loadPicture(const QString& fileName) {
    const QString extension = document::dispatchExtension(fileName);
    const document::ReadableType* type = document::readableType(extension);
    if (!type) {
        LoadedPicture result;
        result.error = QStringLiteral("cannot read files of type \"%1\"").arg(extension);
        return result;
    }
    const QFileInfo info(fileName);
    if (!info.exists()) {
        LoadedPicture result;
        result.error = QStringLiteral("no such file");
        return result;
    }
    if (info.isDir()) {
        LoadedPicture result;
        result.error = QStringLiteral("is a directory");
        return result;
    }
    switch (type->reader) {
        case document::Reader::Wsq:
            return loadWsq(fileName);
        case document::Reader::Toolkit:
            return loadWithToolkit(fileName);
        default:
            return loadWithLibrary(fileName);
    }
}

QString savePicture(const QImage& image, const QString& outputName, int saveType,
                    const WsqSaveParameters& wsq, const imagefile::TiffSaveInfo& tiff) {
    if (image.isNull()) return QStringLiteral("no picture to write");
    switch (saveType) {
        case 1:
            return saveWsq(image, outputName, wsq);
        case 2:
            return saveWithToolkit(image, outputName, "BMP");
        case 8:
            return saveWithToolkit(image, outputName, "XBM");
        case 9:
            return saveWithToolkit(image, outputName, "XPM");
        case 3:
        case 4:
        case 5:
        case 6:
        case 7:
            return saveWithLibrary(image, outputName, saveType, tiff);
        default:
            return QStringLiteral("unknown output type %1").arg(saveType);
    }
}

}  // namespace wsqconvert
