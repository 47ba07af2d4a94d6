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
    const int ppi = int(std::lround(x * 0.0254));
    return ppi >= 1 ? ppi : -1;  // fewer than 20 per metre is no resolution a scan has
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

// The ZSoft header: manufacturer 10 at 0, then the horizontal and vertical dots per inch as
// 16-bit little-endian numbers at 12 and 14.
int pcxResolution(QFile& file) {
    const QByteArray b = file.read(16);
    if (b.size() < 16 || uchar(b[0]) != 10) return -1;
    const int x = uchar(b[12]) | uchar(b[13]) << 8;
    const int y = uchar(b[14]) | uchar(b[15]) << 8;
    return x > 0 && x == y ? x : -1;
}

// Reads `count` bytes at `at`, or gives an empty array when the file ends before.
QByteArray readAt(QFile& file, qint64 at, qint64 count) {
    if (at < 0 || !file.seek(at)) return QByteArray();
    const QByteArray b = file.read(count);
    return b.size() == count ? b : QByteArray();
}

// A Photoshop file: the 26-byte header, the colour mode data and the image resources, each of
// the two sections behind a 32-bit length. The ResolutionInfo resource (1005) holds the
// resolution across and down as 16.16 fixed-point pixels per inch, whatever unit it is shown
// in. Resources are walked one by one with bounded reads, at most kMaxPsdResources of them; a
// section that runs past the end of the file is damaged and states nothing.
constexpr int kMaxPsdResources = 4096;

int psdResolution(QFile& file) {
    const QByteArray header = readAt(file, 0, 30);
    if (header.isEmpty() || !header.startsWith("8BPS")) return -1;
    const qint64 resourcesAt = 26 + 4 + qint64(be32(header, 26));
    const QByteArray length = readAt(file, resourcesAt, 4);
    if (length.isEmpty()) return -1;
    qint64 at = resourcesAt + 4;
    const qint64 end = at + qint64(be32(length, 0));
    if (end > file.size()) return -1;
    for (int n = 0; n < kMaxPsdResources && at + 8 <= end; ++n) {
        // Signature, 16-bit id, a Pascal name padded to an even length, 32-bit size, data
        // padded to an even length.
        const QByteArray head = readAt(file, at, 7);
        if (head.isEmpty()) return -1;
        const quint32 id = be16(head, 4);
        const qint64 nameLength = (1 + qint64(uchar(head[6])) + 1) & ~qint64(1);
        const QByteArray size = readAt(file, at + 6 + nameLength, 4);
        if (size.isEmpty()) return -1;
        const qint64 dataAt = at + 6 + nameLength + 4;
        const qint64 dataSize = be32(size, 0);
        if (head.startsWith("8BIM") && id == 1005) {
            if (dataSize < 16 || dataAt + 16 > end) return -1;
            const QByteArray info = readAt(file, dataAt, 16);
            if (info.isEmpty()) return -1;
            const quint32 x = be32(info, 0), y = be32(info, 8);
            if (x == 0 || x != y) return -1;
            const int ppi = int(std::lround(x / 65536.0));
            return ppi >= 1 ? ppi : -1;
        }
        at = dataAt + ((dataSize + 1) & ~qint64(1));
    }
    return -1;
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

int storedResolution(const QString& fileName, imagefile::ImageFormat format) {
    if (format != imagefile::ImageFormat::Pcx && format != imagefile::ImageFormat::Psd) return -1;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return -1;
    return format == imagefile::ImageFormat::Pcx ? pcxResolution(file) : psdResolution(file);
}

int pageResolution(const Document& doc, size_t page) {
    if (page >= doc.pages.size()) return -1;
    if (doc.pages[page].facts.ppi > 0) return doc.pages[page].facts.ppi;
    if (!doc.type) return -1;
    if (doc.type->reader == Reader::Toolkit) return storedResolution(doc.fileName);
    if (doc.type->reader == Reader::RasterLibrary)
        return storedResolution(doc.fileName, doc.type->libraryFormat);
    return -1;
}

}  // namespace document
