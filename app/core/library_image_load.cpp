// The raster-library branch of the main window's load: the library reads the file into three
// colour planes, which become an opaque 32-bit picture.
#include "library_image_load.h"

#include <QCoreApplication>
#include <QFile>

#include <vector>

#include "imagefile/checked_image_io.h"
#include "imagefile/image_file_io.h"
#include "wsq_grey.h"

QImage imageFromPlanes(int width, int height, const uint8_t* planes) {
    if (width <= 0 || height <= 0 || planes == nullptr) return QImage();
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) return image;
    wsqgrey::setStandardResolution(&image);
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

ImageLoadResult loadLibraryImage(const QString& fileName) {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> planes;
    // A picture that could not be read comes back 0 x 0 and is shown as an empty view.
    imagefile::ReadImageFile(QFile::encodeName(fileName).constData(), &width, &height, &planes);
    if (planes.size() < 3 * static_cast<size_t>(width) * static_cast<size_t>(height)) {
        width = height = 0;
    }

    ImageLoadResult result;
    result.image = imageFromPlanes(width, height, planes.data());
    result.statusLine = QCoreApplication::translate("wsqimageviewer", "Image info: width = ") +
                        QString::number(result.image.width()) +
                        QCoreApplication::translate("wsqimageviewer", ", height =  ") +
                        QString::number(result.image.height());
    return result;
}

LibraryImageRead readLibraryImage(const QString& fileName) {
    imagefile::CheckedImageRead read =
        imagefile::ReadImageFileChecked(QFile::encodeName(fileName).constData());
    LibraryImageRead result;
    result.tiff = read.tiff;
    if (!read.ok()) {
        result.failure = QString::fromLatin1(read.message());
        return result;
    }
    result.image = imageFromPlanes(read.width, read.height, read.planes.data());
    return result;
}
