#include "bmp_damage.h"

#include <cstdlib>
#include <limits>

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;     // OS/2 1.x: 16-bit sides, no compression
constexpr uint32_t kOs2InfoHeaderSize = 64;  // OS/2 2.x: its compression codes mean other things

enum Compression : uint32_t {
    kRgb = 0,
    kRle8 = 1,
    kRle4 = 2,
    kBitFields = 3,
    kAlphaBitFields = 6,
};

uint32_t littleEndian16(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8;
}

uint32_t littleEndian32(const uint8_t* p) {
    return littleEndian16(p) | littleEndian16(p + 2) << 16;
}

// a * b + c, or the largest value when that does not fit.
uint64_t saturatedMultiplyAdd(uint64_t a, uint64_t b, uint64_t c) {
    constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
    if (b != 0 && a > (kMax - c) / b) return kMax;
    return a * b + c;
}

// Walks the runs of an RLE8 or RLE4 bitmap: whole when they reach the end-of-bitmap code, or
// when they have covered every row.
QString runLengthDamage(std::span<const uint8_t> data, uint64_t width, uint64_t height,
                        bool fourBit) {
    uint64_t x = 0;
    uint64_t y = 0;
    size_t at = 0;
    auto complete = [&] { return y >= height || (y + 1 == height && x >= width); };
    while (!complete()) {
        if (data.size() - at < 2) {
            return QStringLiteral("the run-length pixel data end in row %1 of %2")
                .arg(y + 1)
                .arg(height);
        }
        const uint8_t count = data[at];
        const uint8_t value = data[at + 1];
        at += 2;
        if (count > 0) {
            x += count;
            continue;
        }
        switch (value) {
            case 0:  // end of line
                x = 0;
                ++y;
                break;
            case 1:  // end of bitmap: the pixels not reached keep the background
                return QString();
            case 2:  // delta: right and up
                if (data.size() - at < 2) {
                    return QStringLiteral("the run-length pixel data end in row %1 of %2")
                        .arg(y + 1)
                        .arg(height);
                }
                x += data[at];
                y += data[at + 1];
                at += 2;
                break;
            default: {  // a literal of `value` pixels, padded to an even number of bytes
                const size_t bytes = fourBit ? (size_t{value} + 1) / 2 : value;
                const size_t padded = bytes + (bytes & 1);
                if (data.size() - at < padded) {
                    return QStringLiteral("the run-length pixel data end in row %1 of %2")
                        .arg(y + 1)
                        .arg(height);
                }
                at += padded;
                x += value;
                break;
            }
        }
    }
    return QString();
}

}  // namespace

QString bmpDamage(std::span<const uint8_t> bytes) {
    if (bytes.size() < kFileHeaderSize + 4 || bytes[0] != 'B' || bytes[1] != 'M') return QString();
    const uint64_t pixelOffset = littleEndian32(&bytes[10]);
    const uint32_t headerSize = littleEndian32(&bytes[14]);
    int64_t width = 0;
    int64_t height = 0;
    uint32_t bitsPerPixel = 0;
    uint32_t compression = kRgb;
    if (headerSize == kCoreHeaderSize) {
        if (bytes.size() < kFileHeaderSize + kCoreHeaderSize) return QString();
        width = littleEndian16(&bytes[18]);
        height = littleEndian16(&bytes[20]);
        bitsPerPixel = littleEndian16(&bytes[24]);
    } else {
        // Width, height, planes, bits per pixel and (from 20 bytes on) the compression.
        if (headerSize < 16 || bytes.size() < kFileHeaderSize + 16) return QString();
        width = static_cast<int32_t>(littleEndian32(&bytes[18]));
        height = static_cast<int32_t>(littleEndian32(&bytes[22]));
        bitsPerPixel = littleEndian16(&bytes[28]);
        if (headerSize >= 20) {
            if (bytes.size() < kFileHeaderSize + 20) return QString();
            compression = littleEndian32(&bytes[30]);
        }
        if (headerSize == kOs2InfoHeaderSize && compression != kRgb) return QString();
    }
    if (width <= 0 || height == 0 || bitsPerPixel == 0 || bitsPerPixel > 32) return QString();
    const uint64_t rows = static_cast<uint64_t>(std::llabs(height));
    if (pixelOffset < kFileHeaderSize + headerSize) return QString();
    if (pixelOffset > bytes.size()) return QStringLiteral("the file ends before its pixel data");
    const std::span<const uint8_t> data = bytes.subspan(static_cast<size_t>(pixelOffset));

    switch (compression) {
        case kRgb:
        case kBitFields:
        case kAlphaBitFields: {
            // Qt reads every row whole, the padding of the last one included: a row it cannot
            // read whole is left blank.
            const uint64_t rowBytes = (uint64_t(width) * bitsPerPixel + 31) / 32 * 4;
            const uint64_t needed = saturatedMultiplyAdd(rowBytes, rows, 0);
            if (data.size() >= needed) return QString();
            return QStringLiteral("the pixel data hold %1 of the %2 bytes the header gives")
                .arg(data.size())
                .arg(needed);
        }
        case kRle8:
        case kRle4:
            return runLengthDamage(data, uint64_t(width), rows, compression == kRle4);
        default:
            return QString();
    }
}
