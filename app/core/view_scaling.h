// How the view scales a picture to the size it is shown at: smoothly, as designed, or, when
// smooth scaling is off and the picture is shown larger than its own size, by repeating
// pixels (nearest neighbour), so that ridge detail stays crisp.
#pragma once

#include <QImage>
#include <QSize>

namespace document {

// True when a picture of `picture` size shown at `shown` is enlarged along either side.
bool shownEnlarged(QSize picture, QSize shown);

// `source` scaled to exactly `size`: nearest neighbour when `smooth` is false and the result
// is larger than `source`, smooth otherwise.
QImage scaledForView(const QImage& source, QSize size, bool smooth);

}  // namespace document
