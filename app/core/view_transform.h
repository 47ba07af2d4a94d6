// The view transforms: quarter turns, mirror images and the negative of a picture, kept as one
// orientation of the eight a picture can have plus an invert flag, whatever the order in which
// the user asked for them. Rotating right four times, or flipping twice, gives the picture back.
#pragma once

#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>

namespace document {

struct ViewTransform {
    // The picture is first mirrored left to right (when mirrored), then turned clockwise by
    // this many quarter turns.
    int quarterTurns = 0;  // 0..3
    bool mirrored = false;
    bool inverted = false;

    bool isIdentity() const { return quarterTurns == 0 && !mirrored && !inverted; }
    bool operator==(const ViewTransform&) const = default;

    void rotateRight();
    void rotateLeft();
    void flipHorizontally();
    void flipVertically();
    void invert();
};

// The picture as the transform shows it.
QImage transformedPicture(const QImage& picture, const ViewTransform& transform);

// The pixel of the untransformed picture that pixel `shown` of the transformed one (of size
// `shownSize`) shows.
QPoint sourcePixel(QPoint shown, QSize shownSize, const ViewTransform& transform);

// How the shown picture differs from the file: "rotated 90° right, inverted"; empty for none.
QString transformDescription(const ViewTransform& transform);

}  // namespace document
