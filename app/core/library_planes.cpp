#include "library_planes.h"

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
