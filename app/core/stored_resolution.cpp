#include "stored_resolution.h"

#include <QFile>
#include <cmath>

namespace document {

namespace {

constexpr qint64 kHeaderBytes = 1 << 16;

quint32 be32(const QByteArray& b, qsizetype at) {
    return quint32(uchar(b[at])) << 24 | quint32(uchar(b[at + 1])) << 16 |
           quint32(uchar(b[at + 2])) << 8 | quint32(uchar(b[at + 3]));
}
quint32 be16(const QByteArray& b, qsizetype at) {
    return quint32(uchar(b[at])) << 8 | quint32(uchar(b[at + 1]));
}
qint32 le32(const QByteArray& b, qsizetype at) {
    return qint32(quint32(uchar(b[at])) | quint32(uchar(b[at + 1])) << 8 |
                  quint32(uchar(b[at + 2])) << 16 | quint32(uchar(b[at + 3])) << 24);
}

int fromPerMetre(double x, double y) {
    if (x <= 0 || x != y) return -1;
    return int(std::lround(x * 0.0254));
}

int pngResolution(const QByteArray& b) {
    // Chunks: length, type, data, CRC; pHYs comes before the first IDAT.
    qsizetype at = 8;
    while (at + 8 <= b.size()) {
        const quint32 length = be32(b, at);
        const QByteArray type = b.mid(at + 4, 4);
        if (type == "pHYs") {
            if (length != 9 || at + 8 + 9 > b.size()) return -1;
            if (uchar(b[at + 16]) != 1) return -1;  // unit unknown: an aspect ratio only
            return fromPerMetre(be32(b, at + 8), be32(b, at + 12));
        }
        if (type == "IDAT" || type == "IEND" || length > quint32(b.size())) return -1;
        at += 12 + qsizetype(length);
    }
    return -1;
}

int jpegResolution(const QByteArray& b) {
    // A JFIF APP0 segment follows SOI directly.
    if (b.size() < 18 || uchar(b[2]) != 0xFF || uchar(b[3]) != 0xE0) return -1;
    if (b.mid(6, 5) != QByteArray("JFIF\0", 5)) return -1;
    const int units = uchar(b[13]);
    const quint32 x = be16(b, 14), y = be16(b, 16);
    if (x == 0 || x != y) return -1;
    if (units == 1) return int(x);
    if (units == 2) return int(std::lround(x * 2.54));
    return -1;
}

int bmpResolution(const QByteArray& b) {
    // BITMAPINFOHEADER and its successors hold pixels per metre at 38 and 42.
    if (b.size() < 46 || le32(b, 14) < 40) return -1;
    return fromPerMetre(le32(b, 38), le32(b, 42));
}

}  // namespace

int storedResolution(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return -1;
    const QByteArray b = file.read(kHeaderBytes);
    if (b.startsWith("\x89PNG\r\n\x1a\n")) return pngResolution(b);
    if (b.startsWith("\xFF\xD8")) return jpegResolution(b);
    if (b.startsWith("BM")) return bmpResolution(b);
    return -1;
}

int pageResolution(const Document& doc, size_t page) {
    if (page >= doc.pages.size()) return -1;
    if (doc.pages[page].facts.ppi > 0) return doc.pages[page].facts.ppi;
    if (doc.type && doc.type->reader == Reader::Toolkit) return storedResolution(doc.fileName);
    return -1;
}

}  // namespace document
