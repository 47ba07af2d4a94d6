#include "picture_io.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QSaveFile>
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
#include "wsq/decoder.h"
#include "wsq/encoder.h"
#include "wsq/raw_file.h"

namespace wsqconvert {

namespace {

QString readFailureText(int code) {
    switch (code) {
        case -2:
            return QStringLiteral("Error opening file for reading");
        case -3:
            return QStringLiteral("Error: file stream size = NULL");
        case -4:
            return QStringLiteral("Error reading input file");
        default:
            return QStringLiteral("cannot read the file (error %1)").arg(code);
    }
}

QImage greyImage(const uint8_t* pixels, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) return image;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        const uint8_t* grey = pixels + static_cast<size_t>(y) * static_cast<size_t>(width);
        for (int x = 0; x < width; ++x) {
            const QRgb g = grey[x];
            row[x] = 0xFF000000u | g << 16 | g << 8 | g;
        }
    }
    return image;
}

std::vector<uint8_t> greyBytes(const QImage& image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    const int w = argb.width();
    const int h = argb.height();
    std::vector<uint8_t> grey(static_cast<size_t>(w) * static_cast<size_t>(h));
    for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        uint8_t* out = grey.data() + static_cast<size_t>(y) * static_cast<size_t>(w);
        for (int x = 0; x < w; ++x)
            out[x] = static_cast<uint8_t>((qRed(row[x]) + qGreen(row[x]) + qBlue(row[x])) / 3);
    }
    return grey;
}

QImage imageFromPlanes(int width, int height, const uint8_t* planes) {
    if (width <= 0 || height <= 0 || planes == nullptr) return QImage();
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) return image;
    const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const size_t i = static_cast<size_t>(y) * static_cast<size_t>(width) + x;
            line[x] = 0xFF000000u | (uint32_t{planes[i]} << 16) | (uint32_t{planes[n + i]} << 8) |
                      uint32_t{planes[2 * n + i]};
        }
    }
    return image;
}

std::vector<uint8_t> planesFromImage(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const size_t w = static_cast<size_t>(image.width());
    const size_t h = static_cast<size_t>(image.height());
    const size_t n = w * h;
    std::vector<uint8_t> planes(3 * n);
    for (size_t y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(static_cast<int>(y)));
        for (size_t x = 0; x < w; ++x) {
            const QRgb p = line[x];
            planes[y * w + x] = static_cast<uint8_t>((p >> 16) & 255);
            planes[n + y * w + x] = static_cast<uint8_t>((p >> 8) & 255);
            planes[2 * n + y * w + x] = static_cast<uint8_t>(p & 255);
        }
    }
    return planes;
}

LoadedPicture loadWsq(const QString& fileName) {
    LoadedPicture result;
    std::vector<uint8_t> data;
    int length = 0;
    if (const int ret =
            wsq::read_raw_from_filesize(QFile::encodeName(fileName).constData(), &data, &length)) {
        result.error = readFailureText(ret);
        return result;
    }
    std::vector<uint8_t> pixels;
    int w = 0, h = 0, depth = 8, ppi = -1, lossy = 0, encoder = 0, software = 0;
    const int ret = wsq::wsq_decode_mem(&pixels, &w, &h, &depth, &ppi, &lossy, &encoder,
                                        &software, data.data(), length);
    if (ret != 0) {
        result.error = QStringLiteral("cannot decode (WSQ error %1)").arg(ret);
        return result;
    }
    if (w <= 0 || h <= 0) {
        result.error = QStringLiteral("cannot decode: the file holds no picture");
        return result;
    }
    result.image = greyImage(pixels.data(), w, h);
    result.wsqPpi = ppi;
    return result;
}

// The picture a toolkit read gives, in the form the viewer's pixmap holds it: 32-bit, opaque
// unless the file has alpha.
LoadedPicture loadWithToolkit(const QString& fileName) {
    LoadedPicture result;
    QImageReader reader(fileName);
    QImage image = reader.read();
    if (image.isNull()) {
        result.error = QStringLiteral("cannot decode: %1").arg(reader.errorString());
        return result;
    }
    result.image = image.convertToFormat(image.hasAlphaChannel()
                                             ? QImage::Format_ARGB32_Premultiplied
                                             : QImage::Format_RGB32);
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
    const QByteArray name = QFile::encodeName(fileName);
    int width = 0;
    int height = 0;
    std::vector<uint8_t> planes;
    imagefile::ReadImageFile(name.constData(), &width, &height, &planes);
    if (width <= 0 || height <= 0 ||
        planes.size() < 3 * static_cast<size_t>(width) * static_cast<size_t>(height)) {
        result.error = libraryReadFailure(name);
        return result;
    }
    result.image = imageFromPlanes(width, height, planes.data());
    if (result.image.isNull()) result.error = QStringLiteral("not enough memory for the picture");
    return result;
}

QString saveWsq(const QImage& image, const QString& outputName, const WsqSaveParameters& wsq) {
    const std::vector<uint8_t> grey = greyBytes(image);
    std::vector<uint8_t> encoded;
    int length = 0;
    const int ret = wsq::wsq_encode_1(&encoded, &length, static_cast<float>(wsq.bitrate),
                                      grey.data(), image.width(), image.height(), 8, wsq.ppi,
                                      wsq.comment ? wsq.comment->constData() : nullptr);
    if (ret != 0) return QStringLiteral("cannot encode as WSQ (WSQ error %1)").arg(ret);
    const int written = wsq::write_raw_from_memsize(QFile::encodeName(outputName).constData(),
                                                    encoded.data(), length);
    if (written == -2) return QStringLiteral("Error opening file for writing");
    if (written != 0) return QStringLiteral("Error writing output file");
    return QString();
}

QString saveWithToolkit(const QImage& image, const QString& outputName, const char* format) {
    QSaveFile file(outputName);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("Error opening file for writing: %1").arg(file.errorString());
    if (!image.save(&file, format)) {
        file.cancelWriting();
        return QStringLiteral("Error writing output file");
    }
    if (!file.commit()) return QStringLiteral("Error writing output file: %1").arg(file.errorString());
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

    const std::vector<uint8_t> planes = planesFromImage(image);
    imagefile::SetLastImageError(imagefile::kNoError);
    const int result = imagefile::WriteImageFile(writeName.constData(), saveType, image.width(),
                                                 image.height(), planes.data());
    const uint32_t code = imagefile::GetLastImageError();
    QString error;
    if (result != 1 || code != imagefile::kNoError) {
        error = code != imagefile::kNoError
                    ? QString::fromLatin1(imagefile::ImageErrorMessage(code))
                    : QStringLiteral("the file could not be written");
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
    const QString extension = inputExtension(fileName);
    const InputBranch branch = inputBranchForExtension(extension);
    if (branch == InputBranch::None) {
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
        case InputBranch::Wsq:
            return loadWsq(fileName);
        case InputBranch::Toolkit:
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
