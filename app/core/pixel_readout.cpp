#include "pixel_readout.h"

namespace document {

std::optional<QPoint> picturePixelAt(QPoint point, QPoint origin, QSize shown, QSize picture) {
    if (shown.isEmpty() || picture.isEmpty()) return std::nullopt;
    const qint64 dx = qint64(point.x()) - origin.x();
    const qint64 dy = qint64(point.y()) - origin.y();
    if (dx < 0 || dy < 0 || dx >= shown.width() || dy >= shown.height()) return std::nullopt;
    // Each shown pixel belongs to the picture pixel its left or top edge falls in.
    return QPoint(int(dx * picture.width() / shown.width()),
                  int(dy * picture.height() / shown.height()));
}

QString pixelReadoutText(const QImage& picture, QPoint pixel, bool grey, int ppi) {
    if (!picture.valid(pixel)) return {};
    const QRgb value = picture.pixel(pixel);
    QString text = QStringLiteral("x %1, y %2  ").arg(pixel.x()).arg(pixel.y());
    if (grey)
        text += QStringLiteral("grey %1").arg(qGray(value));
    else
        text +=
            QStringLiteral("RGB %1, %2, %3").arg(qRed(value)).arg(qGreen(value)).arg(qBlue(value));
    if (ppi > 0) {
        text += QStringLiteral("  %1 mm, %2 mm")
                    .arg(pixel.x() * 25.4 / ppi, 0, 'f', 2)
                    .arg(pixel.y() * 25.4 / ppi, 0, 'f', 2);
    }
    return text;
}

}  // namespace document
