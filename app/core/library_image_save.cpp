#include "library_image_save.h"

#include <QCoreApplication>
#include <QFile>

#include "imagefile/image_error.h"
#include "imagefile/image_file_io.h"

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

bool saveLibraryImage(const QImage& image, const QString& outputName, int file_type,
                      QString* errorText) {
    const std::vector<uint8_t> planes = planesFromImage(image);
    imagefile::SetLastImageError(imagefile::kNoError);
    const int result = imagefile::WriteImageFile(QFile::encodeName(outputName).constData(),
                                                 file_type, image.width(), image.height(),
                                                 planes.data());
    const uint32_t code = imagefile::GetLastImageError();
    if (result == 1 && code == imagefile::kNoError) return true;
    if (errorText) {
        *errorText = QCoreApplication::translate("wsqimageviewer", "Could not write %1: %2")
                         .arg(outputName,
                              QString::fromLatin1(code != imagefile::kNoError
                                                      ? imagefile::ImageErrorMessage(code)
                                                      : "the file could not be written"));
    }
    return false;
}
