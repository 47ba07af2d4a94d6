#include "view_scaling.h"

namespace document {

bool shownEnlarged(QSize picture, QSize shown) {
    return shown.width() > picture.width() || shown.height() > picture.height();
}

QImage scaledForView(const QImage& source, QSize size, bool smooth) {
    const bool crisp = !smooth && shownEnlarged(source.size(), size);
    return source.scaled(size, Qt::IgnoreAspectRatio,
                         crisp ? Qt::FastTransformation : Qt::SmoothTransformation);
}

}  // namespace document
