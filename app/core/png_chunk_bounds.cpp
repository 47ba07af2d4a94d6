#include "png_chunk_bounds.h"

#include <QFile>

#include <cstdint>
#include <cstring>

namespace {

constexpr unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
// Length, type and CRC around a chunk's data.
constexpr uint64_t kChunkFrame = 12;

uint32_t bigEndian32(const uchar* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}

}  // namespace

bool pngChunkRunsPastEnd(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const qint64 size = file.size();
    if (size < qint64(sizeof kPngSignature)) return false;
    const uchar* bytes = file.map(0, size);
    if (bytes == nullptr) return false;
    bool runsPast = false;
    if (std::memcmp(bytes, kPngSignature, sizeof kPngSignature) == 0) {
        const uint64_t end = uint64_t(size);
        uint64_t at = sizeof kPngSignature;
        // A file that ends on a chunk boundary, in a chunk header or in the end chunk is left
        // to Qt (which shows a picture whose end chunk lacks its CRC).
        while (at + 8 <= end && std::memcmp(bytes + at + 4, "IEND", 4) != 0) {
            const uint64_t length = bigEndian32(bytes + at);
            if (length + kChunkFrame > end - at) {
                runsPast = true;
                break;
            }
            at += length + kChunkFrame;
        }
    }
    file.unmap(const_cast<uchar*>(bytes));
    return runsPast;
}

QString pngChunkRunsPastEndText() {
    return QStringLiteral("A PNG chunk runs past the end of the file");
}
