// Windows bitmap files: the reader takes uncompressed files with any of the information header
// versions (the 12-byte OS/2 header, 40 bytes, and the 52- to 124-byte versions that common tools
// write), including bit-field files whose masks are the record's own layout; the writer writes
// uncompressed files with the 40-byte header.
#include <algorithm>
#include <cstring>
#include <vector>

#include "imagefile/atomic_output.h"
#include "imagefile/file_reader.h"
#include "imagefile/formats.h"
#include "imagefile/image_layout.h"

namespace imagefile {

namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;  // OS/2: 16-bit width and height, 3-byte palette entries
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kOs2InfoHeaderSize = 64;  // OS/2 2.x: its compression codes mean other things

constexpr uint32_t kCompressionNone = 0;
constexpr uint32_t kCompressionBitFields = 3;

uint32_t LE32(const uint8_t* p) {
    return p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

struct BmpInfo {
    int64_t width = 0;
    int64_t height = 0;  // negative: rows top-down
    uint32_t bitsPerPixel = 0;
    uint32_t compression = kCompressionNone;
    uint32_t coloursUsed = 0;
    uint32_t paletteEntryBytes = 4;
    uint32_t masks[4] = {};  // red, green, blue, alpha (bit-field files)
    bool haveMasks = false;
};

// Reads the information header (and bit-field masks that follow a 40-byte one); the file is
// left at the first palette entry.
BmpInfo ReadInfoHeader(FileReader& file) {
    BmpInfo info;
    const uint32_t size = file.le32();
    if (size == kCoreHeaderSize) {
        info.width = file.le16();
        info.height = file.le16();
        file.le16();  // planes
        info.bitsPerPixel = file.le16();
        info.paletteEntryBytes = 3;
        return info;
    }
    if (size < kInfoHeaderSize) FailImage(kUnsupportedOption);
    uint8_t h[kInfoHeaderSize - 4];
    file.read(h, sizeof h);
    info.width = static_cast<int32_t>(LE32(h));
    info.height = static_cast<int32_t>(LE32(h + 4));
    info.bitsPerPixel = h[10] | (uint32_t{h[11]} << 8);
    info.compression = LE32(h + 12);
    info.coloursUsed = LE32(h + 28);
    if (size == kOs2InfoHeaderSize && info.compression != kCompressionNone) FailImage(kUnsupportedOption);
    uint32_t consumed = kInfoHeaderSize;
    if (info.compression == kCompressionBitFields && size != kOs2InfoHeaderSize) {
        // The masks are the first fields after the 40 bytes, inside longer headers or after a
        // 40-byte one; the alpha mask exists from the 56-byte version on.
        const uint32_t count = size == kInfoHeaderSize ? 3 : size >= 56 ? 4 : 3;
        if (size != kInfoHeaderSize && size < kInfoHeaderSize + 4 * count) FailImage(kUnsupportedOption);
        for (uint32_t i = 0; i < count; ++i) info.masks[i] = file.le32();
        info.haveMasks = true;
        if (size != kInfoHeaderSize) consumed += 4 * count;
    }
    file.skip(size - consumed);
    return info;
}

uint32_t ReadBmp(const char* name, BitmapImage* image) {
    FileReader file;
    file.openOrFail(name);
    uint8_t fileHeader[kFileHeaderSize];
    file.read(fileHeader, sizeof fileHeader);
    if (fileHeader[0] != 'B' || fileHeader[1] != 'M') FailImage(kUnsupportedOption);
    const uint32_t pixelOffset = LE32(fileHeader + 10);
    const BmpInfo info = ReadInfoHeader(file);

    bool opaqueUnlessAlpha = info.bitsPerPixel == 32;
    if (info.compression == kCompressionBitFields) {
        // Bit fields are read when they are the record's own layout: 5-5-5 words or bytes of
        // blue, green, red (and alpha).
        const uint32_t* m = info.masks;
        const bool rgb555 = info.bitsPerPixel == 16 && m[0] == 0x7C00 && m[1] == 0x03E0 && m[2] == 0x001F;
        const bool bgra = info.bitsPerPixel == 32 && m[0] == 0x00FF0000 && m[1] == 0x0000FF00 &&
                          m[2] == 0x000000FF && (m[3] == 0 || m[3] == 0xFF000000);
        if (!rgb555 && !bgra) FailImage(kUnsupportedOption);
    } else if (info.compression != kCompressionNone) {
        FailImage(kUnsupportedOption);
    }
    if (info.width <= 0 || info.height == 0) FailImage(kInvalidImageSize);
    // Taken in 64 bits, the height of INT_MIN is an ordinary (too large) number.
    const uint64_t height = static_cast<uint64_t>(info.height < 0 ? -info.height : info.height);
    if (!IsValidBitsPerPixel(info.bitsPerPixel)) FailImage(kInvalidBitsPerPixel);

    BitmapImage result;
    result.width = static_cast<uint32_t>(info.width);
    result.height = static_cast<uint32_t>(height);
    result.bitsPerPixel = static_cast<uint8_t>(info.bitsPerPixel);
    result.dibLayout = image->dibLayout;

    // The palette runs from here to the pixel data; a colours-used count beyond what the
    // depth can index, or beyond the room before the pixels, is cut to fit.
    uint32_t paletteSize = 0;
    const uint64_t paletteStart = file.position();
    if (info.bitsPerPixel <= 8) {
        const uint32_t full = 1u << info.bitsPerPixel;
        paletteSize = info.coloursUsed == 0 ? full : std::min(info.coloursUsed, full);
        if (pixelOffset != 0 && pixelOffset < paletteStart + uint64_t{paletteSize} * info.paletteEntryBytes) {
            const uint64_t room = pixelOffset > paletteStart ? (pixelOffset - paletteStart) / info.paletteEntryBytes : 0;
            if (room == 0) FailImage(kCorruptedFile);
            paletteSize = static_cast<uint32_t>(room);
        }
        result.paletteSize = static_cast<uint16_t>(paletteSize);
        result.paletteEntrySize = 4;
    }
    const uint64_t dataStart =
        pixelOffset != 0 ? pixelOffset : paletteStart + uint64_t{paletteSize} * info.paletteEntryBytes;
    const uint64_t rowBytes = RowBytes(result.bitsPerPixel, result.width, true);
    // The file has to hold every row it claims before anything is allocated for them.
    if (dataStart > file.size() || rowBytes * height > file.size() - dataStart) FailImage(kErrorReadingFile);
    if (uint32_t rc = AllocateBitmapImage(&result); rc != kNoError) FailImage(rc);

    if (paletteSize != 0) {
        std::vector<uint8_t> entries = file.readVector(uint64_t{paletteSize} * info.paletteEntryBytes);
        for (uint32_t i = 0; i < paletteSize; ++i) {
            std::memcpy(result.palette.data() + i * result.paletteEntrySize,
                        entries.data() + size_t{i} * info.paletteEntryBytes, 3);
        }
    }
    file.seek(dataStart);
    std::vector<uint8_t> row(static_cast<size_t>(rowBytes));
    const size_t keep = std::min<size_t>(row.size(), result.scanWidth);
    bool anyAlpha = false;
    for (uint32_t i = 0; i < result.height; ++i) {
        file.read(row.data(), row.size());
        const uint32_t stored = info.height < 0 ? result.height - 1 - i : i;
        uint8_t* out = result.bits.data() + uint64_t{stored} * result.scanWidth;
        std::memcpy(out, row.data(), keep);
        if (paletteSize != 0 && paletteSize < (1u << result.bitsPerPixel)) {
            // Pixels that name a colour the palette does not have are bad data.
            for (uint32_t x = 0; x < result.width; ++x) {
                uint32_t index = row[x * result.bitsPerPixel / 8];
                if (result.bitsPerPixel == 4) index = (x & 1) ? index & 0x0F : index >> 4;
                if (result.bitsPerPixel == 1) index = (index >> (7 - (x & 7))) & 1;
                if (index >= paletteSize) FailImage(kCorruptedFile);
            }
        }
        if (opaqueUnlessAlpha) {
            for (uint32_t x = 0; x < result.width && !anyAlpha; ++x) anyAlpha = out[x * 4 + 3] != 0;
        }
    }
    // The fourth byte of 32-bit pixels is often left 0 by writers that do not mean alpha; a
    // picture whose alpha is 0 everywhere is taken as opaque rather than invisible.
    if (opaqueUnlessAlpha && !anyAlpha) {
        for (uint32_t y = 0; y < result.height; ++y) {
            uint8_t* out = result.bits.data() + uint64_t{y} * result.scanWidth;
            for (uint32_t x = 0; x < result.width; ++x) out[x * 4 + 3] = 255;
        }
    }
    *image = std::move(result);
    return kNoError;
}

uint32_t WriteBmp(const char* name, const BitmapImage& image) {
    if (image.bits.empty()) FailImage(kInvalidBitmapPointer);
    if (image.bitsPerPixel <= 8 && image.paletteEntrySize < 3) FailImage(kInvalidBitmapPointer);
    if (!RecordIsConsistent(image)) FailImage(kInvalidBitmapPointer);

    const uint32_t depth = image.bitsPerPixel == 32 ? 24 : image.bitsPerPixel;
    const uint64_t rowBytes = RowBytes(depth, image.width, true);
    const uint64_t imageSize = rowBytes * image.height;
    // Pixels can name only 2^depth colours; more entries would only confuse readers.
    const uint32_t entries = depth <= 8 ? std::min<uint32_t>(image.paletteSize, 1u << depth) : 0;
    const uint64_t pixelOffset = kFileHeaderSize + kInfoHeaderSize + 4 * uint64_t{entries};
    const uint64_t fileSize = pixelOffset + imageSize;
    if (fileSize > 0xFFFFFFFFu) FailImage(kInvalidImageSize);

    uint8_t header[kFileHeaderSize + kInfoHeaderSize] = {'B', 'M'};
    PutLE32(header + 2, static_cast<uint32_t>(fileSize));
    PutLE32(header + 10, static_cast<uint32_t>(pixelOffset));
    uint8_t* info = header + kFileHeaderSize;
    PutLE32(info, kInfoHeaderSize);
    PutLE32(info + 4, image.width);
    PutLE32(info + 8, image.height);
    PutLE16(info + 12, 1);
    PutLE16(info + 14, depth);
    PutLE32(info + 16, kCompressionNone);
    PutLE32(info + 20, static_cast<uint32_t>(imageSize));
    PutLE32(info + 32, entries);
    PutLE32(info + 36, entries);

    std::vector<uint8_t> palette(size_t{entries} * 4);
    for (uint32_t i = 0; i < entries; ++i) {
        std::memcpy(palette.data() + i * 4, image.palette.data() + size_t{i} * image.paletteEntrySize, 3);
    }

    AtomicOutput out;
    out.open(name);
    out.write(header, sizeof header);
    out.write(palette.data(), palette.size());
    std::vector<uint8_t> row(static_cast<size_t>(rowBytes));
    for (uint32_t y = 0; y < image.height; ++y) {
        const uint8_t* in = image.bits.data() + uint64_t{y} * image.scanWidth;
        if (image.bitsPerPixel == 32) {
            for (uint32_t x = 0; x < image.width; ++x) std::memcpy(row.data() + x * 3, in + size_t{x} * 4, 3);
        } else {
            std::memcpy(row.data(), in, std::min<size_t>(row.size(), image.scanWidth));
        }
        out.write(row.data(), row.size());
    }
    out.commit();
    return kNoError;
}

}  // namespace

uint32_t ReadBmpFile(const char* name, BitmapImage* image) {
    return RunImageReader(image, [&] { return ReadBmp(name, image); });
}

uint32_t WriteBmpFile(const char* name, const BitmapImage& image) {
    return RunImageWriter([&] { return WriteBmp(name, image); });
}

}  // namespace imagefile
