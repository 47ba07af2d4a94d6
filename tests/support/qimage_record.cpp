#include "support/qimage_record.h"

namespace testsupport {

imagefile::BitmapImage RecordFromQImage(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    imagefile::BitmapImage record;
    record.width = static_cast<uint32_t>(image.width());
    record.height = static_cast<uint32_t>(image.height());
    record.bitsPerPixel = 24;
    record.dibLayout = 1;
    if (imagefile::AllocateBitmapImage(&record) != 0) return record;
    for (int y = 0; y < image.height(); ++y) {
        uint8_t* row = record.bits.data() + size_t(image.height() - 1 - y) * record.scanWidth;
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            row[3 * x] = static_cast<uint8_t>(qBlue(p));
            row[3 * x + 1] = static_cast<uint8_t>(qGreen(p));
            row[3 * x + 2] = static_cast<uint8_t>(qRed(p));
        }
    }
    return record;
}

}  // namespace testsupport
