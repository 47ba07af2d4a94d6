#include "picture_io.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "file_types.h"
#include "imagefile/extension_key.h"
#include "imagefile/formats.h"
#include "imagefile/image_error.h"
#include "imagefile/image_file_io.h"
#include "library_image_load.h"
#include "library_image_save.h"
#include "load_dispatch.h"
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

// The library's reason for a read that gave no picture. The front door clears its last error
// once the picture is converted, so the format's reader is asked again, on this failure path
// only.
QString libraryReadFailure(const QByteArray& name) {
    imagefile::BitmapImage record;
    record.dibLayout = 1;
    uint32_t code = 0;
    if (imagefile::ExtensionKey(name.constData()) == "TIF") {
        imagefile::TiffSaveInfo info;
        code = imagefile::ReadTiffFile(name.constData(), &record, &info);
    } else {
        code = imagefile::ReadBitmapFile(name.constData(), &record);
    }
    if (code != imagefile::kNoError)
        return QStringLiteral("cannot decode: %1")
            .arg(QString::fromLatin1(imagefile::ImageErrorMessage(code)));
    return QStringLiteral("cannot decode: the file holds no picture the viewer can show");
}

LoadedPicture loadWithLibrary(const QString& fileName) {
    LoadedPicture result;
    result.image = loadLibraryImage(fileName).image;
    if (result.image.isNull()) result.error = libraryReadFailure(QFile::encodeName(fileName));
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

// The library appends its own extension to a name whose key is not the type's (x.jpeg saved
// as JPEG would become x.jpeg.jpg); such a name is written under a temporary name the library
// keeps, in the same directory, and renamed to the name asked for.
QString saveWithLibrary(const QImage& image, const QString& outputName, int saveType) {
    static constexpr const char* kTypeExtension[] = {"", "", "", "tif", "png", "jpg", "rgb",
                                                     "tga"};
    static constexpr const char* kTypeKey[] = {"", "", "", "TIF", "PNG", "JPG", "RGB", "TGA"};
    const QByteArray target = QFile::encodeName(outputName);
    const bool keyMatches = imagefile::ExtensionKey(target.constData()) == kTypeKey[saveType];

    QByteArray writeName = target;
    QString temporaryName;
    if (!keyMatches) {
        QTemporaryFile temporary(QFileInfo(outputName).absolutePath() +
                                 QStringLiteral("/.wsqconvert-XXXXXX.") +
                                 QLatin1String(kTypeExtension[saveType]));
        temporary.setAutoRemove(false);
        if (!temporary.open())
            return QStringLiteral("Error opening file for writing: %1").arg(temporary.errorString());
        temporaryName = temporary.fileName();
        // Only the unique name is wanted: the library's writer creates the file itself, with
        // the permissions a new file gets.
        temporary.close();
        temporary.remove();
        writeName = QFile::encodeName(temporaryName);
    }

    QString error;
    if (!saveLibraryImage(image, QFile::decodeName(writeName), saveType, &error)) {
        // The library's text names the file it wrote; the line names the output already.
        const qsizetype colon = error.lastIndexOf(QStringLiteral(": "));
        if (colon >= 0) error = error.mid(colon + 2);
    } else if (keyMatches) {
        return QString();
    } else {
        // Like the library's own writes, a file replaced keeps its permissions.
        const bool replacing = QFileInfo::exists(outputName);
        const QFileDevice::Permissions permissions = QFile::permissions(outputName);
        if (std::rename(writeName.constData(), target.constData()) == 0) {
            if (replacing) QFile::setPermissions(outputName, permissions);
            return QString();
        }
        error = QStringLiteral("Error writing output file: %1")
                    .arg(QString::fromLocal8Bit(std::strerror(errno)));
    }
    if (!temporaryName.isEmpty()) QFile::remove(temporaryName);
    return error;
}

}  // namespace

LoadedPicture loadPicture(const QString& fileName) {
    const QString extension = completeExtension(fileName);
    const LoadBranch branch = loadBranchForFileName(fileName);
    if (branch == LoadBranch::None) {
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
    switch (branch) {
        case LoadBranch::Wsq:
            return loadWsq(fileName);
        case LoadBranch::Toolkit:
            return loadWithToolkit(fileName);
        default:
            return loadWithLibrary(fileName);
    }
}

QString savePicture(const QImage& image, const QString& outputName, int saveType,
                    const WsqSaveParameters& wsq) {
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
            return saveWithLibrary(image, outputName, saveType);
        default:
            return QStringLiteral("unknown output type %1").arg(saveType);
    }
}

}  // namespace wsqconvert
