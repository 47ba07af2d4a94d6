#include "wsq_grey.h"

#include <cstring>

namespace wsqgrey {

void setStandardResolution(QImage* image) {
    // 96 dpi, in dots per metre, rounded as Qt rounds it.
    image->setDotsPerMeterX(3780);
    image->setDotsPerMeterY(3780);
}

QImage greyImage(const uint8_t* pixels, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) return image;
    setStandardResolution(&image);
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

QImage grey8Image(const uint8_t* pixels, int width, int height) {
    QImage image(width, height, QImage::Format_Grayscale8);
    if (image.isNull()) return image;
    setStandardResolution(&image);
    for (int y = 0; y < height; ++y)
        std::memcpy(image.scanLine(y), pixels + static_cast<size_t>(y) * static_cast<size_t>(width),
                    static_cast<size_t>(width));
    return image;
}

void keepGrey(QImage* image) {
    if (image->isNull() || image->format() == QImage::Format_Grayscale8) return;
    if (image->hasAlphaChannel() || !image->isGrayscale()) return;
    *image = image->convertToFormat(QImage::Format_Grayscale8);
}

QImage greyPaletteImage(const QImage& grey8) {
    QImage image(grey8.width(), grey8.height(), QImage::Format_Indexed8);
    if (image.isNull()) return image;
    QList<QRgb> ramp(256);
    for (int i = 0; i < 256; ++i) ramp[i] = qRgb(i, i, i);
    image.setColorTable(ramp);
    image.setDotsPerMeterX(grey8.dotsPerMeterX());
    image.setDotsPerMeterY(grey8.dotsPerMeterY());
    // Rows are padded to 32 bits, and Qt's BMP writer writes the padding as it finds it: it
    // must be zeros, not what the allocator left there.
    const auto width = static_cast<size_t>(grey8.width());
    const auto stride = static_cast<size_t>(image.bytesPerLine());
    for (int y = 0; y < grey8.height(); ++y) {
        uchar* row = image.scanLine(y);
        std::memcpy(row, grey8.constScanLine(y), width);
        std::memset(row + width, 0, stride - width);
    }
    return image;
}

std::vector<uint8_t> greyBytes(const QImage& image) {
    const int width = image.width();
    if (image.format() == QImage::Format_Grayscale8) {
        std::vector<uint8_t> grey(static_cast<size_t>(width) * static_cast<size_t>(image.height()));
        for (int y = 0; y < image.height(); ++y)
            std::memcpy(grey.data() + static_cast<size_t>(y) * static_cast<size_t>(width),
                        image.constScanLine(y), static_cast<size_t>(width));
        return grey;
    }
    // Any depth the pixmap has comes out as 32-bit values here.
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

std::span<const uint8_t> encoderInput(const QImage& image, std::vector<uint8_t>* storage) {
    if (image.format() == QImage::Format_Grayscale8 && image.bytesPerLine() == image.width())
        return std::span<const uint8_t>(image.constBits(),
                                        static_cast<size_t>(image.sizeInBytes()));
    *storage = greyBytes(image);
    return *storage;
}

}  // namespace wsqgrey
