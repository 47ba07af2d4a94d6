#include "view_transform.h"

#include <QStringList>
#include <QTransform>

namespace document {

// With R a clockwise quarter turn and H a left-right mirror, the shown picture is
// R^quarterTurns H^mirrored of the file's. H R^r = R^-r H, and a vertical flip is R^2 H.
void ViewTransform::rotateRight() {
    quarterTurns = (quarterTurns + 1) % 4;
}

void ViewTransform::rotateLeft() {
    quarterTurns = (quarterTurns + 3) % 4;
}

void ViewTransform::flipHorizontally() {
    quarterTurns = (4 - quarterTurns) % 4;
    mirrored = !mirrored;
}

void ViewTransform::flipVertically() {
    quarterTurns = (6 - quarterTurns) % 4;
    mirrored = !mirrored;
}

void ViewTransform::invert() {
    inverted = !inverted;
}

QImage transformedPicture(const QImage& picture, const ViewTransform& transform) {
    QImage shown = picture;
    if (transform.mirrored) shown = shown.mirrored(true, false);
    if (transform.quarterTurns != 0)
        shown = shown.transformed(QTransform().rotate(90.0 * transform.quarterTurns));
    if (transform.inverted) shown.invertPixels(QImage::InvertRgb);
    return shown;
}

QPoint sourcePixel(QPoint shown, QSize shownSize, const ViewTransform& transform) {
    // Undo the quarter turns (a clockwise turn takes (x, y) of a w x h picture to
    // (h - 1 - y, x)), then the mirror.
    QPoint p = shown;
    QSize size = shownSize;
    for (int i = 0; i < transform.quarterTurns; ++i) {
        p = QPoint(p.y(), size.width() - 1 - p.x());
        size.transpose();
    }
    if (transform.mirrored) p.setX(size.width() - 1 - p.x());
    return p;
}

QString transformDescription(const ViewTransform& transform) {
    QStringList parts;
    if (!transform.mirrored) {
        static const char* const turns[] = {nullptr, "rotated 90\u00B0 right", "rotated 180\u00B0",
                                            "rotated 90\u00B0 left"};
        if (turns[transform.quarterTurns])
            parts << QString::fromUtf8(turns[transform.quarterTurns]);
    } else {
        static const char* const mirrors[] = {
            "flipped horizontally", "flipped horizontally, rotated 90\u00B0 right",
            "flipped vertically", "flipped horizontally, rotated 90\u00B0 left"};
        parts << QString::fromUtf8(mirrors[transform.quarterTurns]);
    }
    if (transform.inverted) parts << QStringLiteral("inverted");
    return parts.join(QStringLiteral(", "));
}

}  // namespace document
