// The pixel under the cursor: which picture pixel a point of the view shows, and the readout
// text of the status bar ("x 12, y 34  grey 128  0.61 mm, 1.73 mm").
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <optional>

namespace document {

// The pixel of a `picture`-sized picture at `point`, when the picture is shown scaled to
// `shown` with its top-left corner at `origin`; nothing outside the shown picture.
std::optional<QPoint> picturePixelAt(QPoint point, QPoint origin, QSize shown, QSize picture);

// "x X, y Y  grey G" (or "RGB R, G, B" for a colour pixel), followed by the position in
// millimetres from the top-left corner when `ppi` is positive. Empty outside the picture.
QString pixelReadoutText(const QImage& picture, QPoint pixel, bool grey, int ppi);

}  // namespace document
