#include "library_image_save.h"

#include <QCoreApplication>
#include <QFile>

#include <optional>

#include "imagefile/checked_image_io.h"
#include "imagefile/image_error.h"
#include "imagefile/image_format.h"

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

QString writeLibraryImage(const QImage& image, const QString& outputName, int file_type,
                          const imagefile::SaveSettings& settings) {
    const std::optional<imagefile::ImageFormat> format = imagefile::FormatForFileType(file_type);
    if (!format)
        return QString::fromLatin1(imagefile::ImageErrorMessage(imagefile::kUnsupportedExtension));
    const std::vector<uint8_t> planes = planesFromImage(image);
    const imagefile::CheckedImageWrite written =
        imagefile::WriteImageFileChecked(QFile::encodeName(outputName).constData(), *format,
                                         image.width(), image.height(), planes.data(), settings);
    if (written.ok()) return QString();
    return QString::fromLatin1(written.message());
}

bool saveLibraryImage(const QImage& image, const QString& outputName, int file_type,
                      QString* errorText) {
    const QString failure =
        writeLibraryImage(image, outputName, file_type, imagefile::CurrentSaveSettings());
    if (failure.isEmpty()) return true;
    if (errorText) {
        *errorText = QCoreApplication::translate("wsqimageviewer", "Could not write %1: %2")
                         .arg(outputName, failure);
    }
    return false;
}
