#include "grey_histogram.h"

namespace document {

GreyHistogram greyHistogram(const QImage& image) {
    GreyHistogram counts{};
    if (image.isNull()) return counts;
    if (image.format() == QImage::Format_Grayscale8) {
        for (int y = 0; y < image.height(); ++y) {
            const uchar* row = image.constScanLine(y);
            for (int x = 0; x < image.width(); ++x) ++counts[row[x]];
        }
        return counts;
    }
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) ++counts[size_t(qGray(row[x]))];
    }
    return counts;
}

}  // namespace document
