// Draws the viewer's embedded pictures (tool-bar icons, window icon, about-box logo, hand
// cursors) into PNG files. The PNGs are committed; run this only to change a picture:
//   cmake --build build/release --target draw_images
//   QT_QPA_PLATFORM=offscreen build/release/resources/draw_images resources/images
// The 16-colour pictures are drawn in full colour and then mapped onto one fixed 16-entry
// palette, so every one of them is an 8-bit indexed PNG with 16 palette colours and no alpha.
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

// Greys, two blues, a green, the yellow of the folder and the red of the pupil ring.
const QList<QRgb> kPalette16 = {
    qRgb(255, 255, 255), qRgb(0, 0, 0),       qRgb(64, 64, 64),    qRgb(128, 128, 128),
    qRgb(192, 192, 192), qRgb(224, 224, 224), qRgb(20, 60, 140),   qRgb(70, 130, 210),
    qRgb(160, 200, 240), qRgb(30, 120, 60),   qRgb(110, 190, 120), qRgb(230, 190, 40),
    qRgb(250, 230, 150), qRgb(180, 40, 40),   qRgb(240, 150, 120), qRgb(96, 48, 16),
};

QImage canvas(int w, int h, QColor background) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(background);
    return image;
}

bool saveIndexed16(const QImage& image, const QString& path) {
    const QImage indexed = image.convertToFormat(QImage::Format_Indexed8, kPalette16,
                                                 Qt::ThresholdDither | Qt::AvoidDither);
    return indexed.save(path, "PNG");
}

// A magnifying glass with a plus or minus inside its lens.
QImage magnifier(bool plus) {
    QImage image = canvas(16, 16, Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(64, 64, 64), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10.5, 10.5), QPointF(14.5, 14.5));
    p.setPen(QPen(QColor(20, 60, 140), 1.5));
    p.setBrush(QColor(160, 200, 240));
    p.drawEllipse(QPointF(6.5, 6.5), 5.2, 5.2);
    p.setPen(QPen(QColor(0, 0, 0), 1.6));
    p.drawLine(QPointF(4.0, 6.5), QPointF(9.0, 6.5));
    if (plus) p.drawLine(QPointF(6.5, 4.0), QPointF(6.5, 9.0));
    return image;
}

// A frame with four arrows pointing into its corners.
QImage fitView() {
    QImage image = canvas(16, 16, Qt::white);
    QPainter p(&image);
    p.setPen(QPen(QColor(128, 128, 128), 1));
    p.setBrush(QColor(224, 224, 224));
    p.drawRect(1, 1, 13, 13);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(20, 60, 140), 1.5));
    const QPointF c(8, 8);
    for (const QPointF corner : {QPointF(3, 3), QPointF(13, 3), QPointF(3, 13), QPointF(13, 13)}) {
        const QPointF start = c + (corner - c) * 0.3;
        p.drawLine(start, corner);
        const QPointF along = (corner - c) / 5.0;
        p.drawLine(corner, corner - QPointF(along.x() * 1.6, 0));
        p.drawLine(corner, corner - QPointF(0, along.y() * 1.6));
    }
    return image;
}

// "1:1" in a small box.
QImage originalSize() {
    QImage image = canvas(16, 16, Qt::white);
    QPainter p(&image);
    p.setPen(QPen(QColor(128, 128, 128), 1));
    p.setBrush(QColor(224, 224, 224));
    p.drawRect(0, 2, 15, 11);
    p.setPen(QColor(20, 60, 140));
    p.fillRect(3, 4, 2, 8, QColor(20, 60, 140));
    p.fillRect(2, 5, 1, 1, QColor(20, 60, 140));
    p.fillRect(7, 6, 2, 2, QColor(0, 0, 0));
    p.fillRect(7, 10, 2, 2, QColor(0, 0, 0));
    p.fillRect(11, 4, 2, 8, QColor(20, 60, 140));
    p.fillRect(10, 5, 1, 1, QColor(20, 60, 140));
    return image;
}

// An almond-shaped eye with a blue iris: the window icon.
QImage eye() {
    QImage image = canvas(32, 32, QColor(224, 224, 224));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath almond;
    almond.moveTo(2, 16);
    almond.quadTo(16, 2, 30, 16);
    almond.quadTo(16, 30, 2, 16);
    p.setPen(QPen(QColor(0, 0, 0), 1.5));
    p.setBrush(Qt::white);
    p.drawPath(almond);
    p.setClipPath(almond);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 130, 210));
    p.drawEllipse(QPointF(16, 16), 7, 7);
    p.setBrush(QColor(20, 60, 140));
    p.drawEllipse(QPointF(16, 16), 4.5, 4.5);
    p.setBrush(Qt::black);
    p.drawEllipse(QPointF(16, 16), 2.5, 2.5);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(14, 14), 1.2, 1.2);
    return image;
}

// Ridge-like arcs beside the name and a short slogan: the about-box picture.
QImage logo() {
    QImage image = canvas(200, 69, Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(20, 60, 140), 2));
    p.setBrush(Qt::NoBrush);
    const QPointF centre(34, 38);
    for (int r = 4; r <= 28; r += 5) {
        const QRectF box(centre.x() - r, centre.y() - r * 1.15, 2 * r, 2.3 * r);
        p.drawArc(box, 200 * 16, -220 * 16);
    }
    p.setPen(QColor(20, 60, 140));
    QFont name("DejaVu Sans", 20, QFont::Bold);
    name.setPixelSize(26);
    p.setFont(name);
    p.drawText(QRectF(66, 6, 134, 34), Qt::AlignLeft | Qt::AlignVCenter, "Tarvelon");
    QFont slogan("DejaVu Sans", 9);
    slogan.setPixelSize(12);
    slogan.setItalic(true);
    p.setFont(slogan);
    p.setPen(QColor(64, 64, 64));
    p.drawText(QRectF(66, 40, 134, 20), Qt::AlignLeft | Qt::AlignVCenter, "every ridge in view");
    p.setPen(QPen(QColor(70, 130, 210), 2));
    p.drawLine(QPointF(66, 40), QPointF(190, 40));
    return image;
}

// A hand seen from the back, fingers spread (open) or curled into a fist (closed), drawn
// in white with a black outline on a transparent ground; the hot spot is the centre.
QImage hand(bool open) {
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.setFillRule(Qt::WindingFill);
    shape.addRoundedRect(QRectF(8, 14, 16, 13), 4, 4);
    if (open) {
        shape.addRoundedRect(QRectF(8, 5, 3.6, 13), 1.8, 1.8);
        shape.addRoundedRect(QRectF(12.2, 3, 3.6, 14), 1.8, 1.8);
        shape.addRoundedRect(QRectF(16.4, 4, 3.6, 13), 1.8, 1.8);
        shape.addRoundedRect(QRectF(20.4, 7, 3.4, 11), 1.7, 1.7);
        QPainterPath thumb;
        thumb.addRoundedRect(QRectF(-1.8, -6, 3.6, 12), 1.8, 1.8);
        QTransform t;
        t.translate(6.5, 20);
        t.rotate(-40);
        shape.addPath(t.map(thumb));
    } else {
        shape.addRoundedRect(QRectF(8, 10, 3.6, 8), 1.8, 1.8);
        shape.addRoundedRect(QRectF(12.2, 9.5, 3.6, 8), 1.8, 1.8);
        shape.addRoundedRect(QRectF(16.4, 10, 3.6, 8), 1.8, 1.8);
        shape.addRoundedRect(QRectF(20.4, 11, 3.4, 7), 1.7, 1.7);
        shape.addRoundedRect(QRectF(5, 16, 7, 4), 2, 2);
    }
    const QPainterPath outline = shape.simplified();
    p.setPen(QPen(Qt::black, 1.2));
    p.setBrush(Qt::white);
    p.drawPath(outline);
    if (!open) {
        p.setPen(QPen(Qt::black, 0.8));
        for (const qreal x : {12.1, 16.2, 20.3}) p.drawLine(QPointF(x, 12), QPointF(x, 17));
    }
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    bool ok = true;
    ok &= saveIndexed16(magnifier(true), out.filePath("zoom_in_16x16_white.png"));
    ok &= saveIndexed16(magnifier(false), out.filePath("zoom_out_16x16_white.png"));
    ok &= saveIndexed16(fitView(), out.filePath("zoom_fit_view_16x16.png"));
    ok &= saveIndexed16(originalSize(), out.filePath("zoom_original_size_16x16.png"));
    ok &= saveIndexed16(logo(), out.filePath("logo_slogan_0001_200.png"));
    ok &= saveIndexed16(eye(), out.filePath("EYE_symbol_32x32_003.png"));
    ok &= hand(false).save(out.filePath("cursor_hand1.png"), "PNG");
    ok &= hand(true).save(out.filePath("cursor_hand.png"), "PNG");
    if (!ok) std::fputs("draw_images: could not write every picture\n", stderr);
    return ok ? 0 : 1;
}
