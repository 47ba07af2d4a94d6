// SGI image files: the reader takes one to four 8-bit channels, verbatim or run-length encoded;
// the writer writes verbatim files of one, three or four channels.
#include <algorithm>
#include <cstring>
#include <numeric>
#include <string>
#include <vector>

#include "imagefile/atomic_output.h"
#include "imagefile/file_reader.h"
#include "imagefile/formats.h"
#include "imagefile/image_layout.h"
#include "imagefile/pixel_conversions.h"

namespace imagefile {

namespace {

// Offsets in the 512-byte header; multi-byte fields are big-endian.
enum SgiHeader : size_t {
    kMagic = 0,            // u16 474
    kStorage = 2,          // 0 verbatim, 1 run-length encoded
    kBytesPerChannel = 3,  // 1 (2 is not supported)
    kDimension = 4,        // u16: 1 one row, 2 one channel, 3 several channels
    kXSize = 6,            // u16 width
    kYSize = 8,            // u16 height
    kZSize = 10,           // u16 channels
    kMinimum = 12,         // u32 smallest pixel value
    kMaximum = 16,         // u32 largest pixel value
    kImageName = 24,       // 80 bytes, zero-terminated
    kColourMap = 104,      // u32, 0 normal
    kHeaderSize = 512,
};

constexpr uint16_t kSgiMagic = 474;

uint32_t BE16(const uint8_t* p) {
    return (uint32_t{p[0]} << 8) | p[1];
}
uint32_t BE32(const uint8_t* p) {
    return (BE16(p) << 16) | BE16(p + 2);
}

// The byte of a record pixel that channel c of an SGI file goes to. Channels are red, green,
// blue, alpha; the record is blue, green, red, alpha. Two channels are grey and alpha, and
// the grey goes to all three colour bytes (see ScatterChannel).
uint32_t RecordByteOf(uint32_t channel, uint32_t channels) {
    if (channels == 4 || channels == 2) return channel == channels - 1 ? 3 : 2 - channel;
    return channels - 1 - channel;
}

// Puts `count` values of one channel into a record row, one per pixel.
void ScatterChannel(const uint8_t* values, uint32_t count, uint8_t* row, uint32_t channel,
                    uint32_t channels, uint32_t pixelBytes) {
    const uint32_t at = RecordByteOf(channel, channels);
    const bool greyOfTwo = channels == 2 && channel == 0;
    for (uint32_t x = 0; x < count; ++x) {
        uint8_t* p = row + size_t{x} * pixelBytes;
        if (greyOfTwo) {
            p[0] = p[1] = p[2] = values[x];
        } else {
            p[at] = values[x];
        }
    }
}

// Decodes one run-length row into `values` (width bytes). The last byte of the data must be the
// 0 count that ends the row. A repeat that runs past the width is cut there; a row whose
// packets give fewer pixels than the width, a literal that runs past the width or past the
// row's data, and a repeat without its value are corrupt: the row is not all there.
void DecodeSgiRow(const uint8_t* data, size_t length, uint8_t* values, uint32_t width) {
    if (length == 0 || data[length - 1] != 0) FailImage(kUnsupportedOption);
    const size_t end = length - 1;
    size_t pos = 0;
    uint32_t x = 0;
    while (pos < end) {
        const uint8_t n = data[pos++];
        const uint32_t count = n & 0x7F;
        if (count == 0) break;
        if (n & 0x80) {
            if (count > end - pos || count > width - x) FailImage(kCorruptedFile);
            std::memcpy(values + x, data + pos, count);
            x += count;
            pos += count;
        } else {
            if (pos >= end) FailImage(kCorruptedFile);
            const uint8_t value = data[pos++];
            const uint32_t take = std::min(count, width - x);
            std::memset(values + x, value, take);
            x += take;
        }
    }
    if (x < width) FailImage(kCorruptedFile);
}

uint32_t ReadSgi(const char* name, BitmapImage* image) {
    FileReader file;
    file.openOrFail(name);
    uint8_t header[kHeaderSize];
    file.read(header, sizeof header);

    if (BE16(header + kMagic) != kSgiMagic || BE32(header + kColourMap) != 0 ||
        header[kBytesPerChannel] != 1 || header[kStorage] > 1) {
        FailImage(kUnsupportedOption);
    }
    const uint32_t dimension = BE16(header + kDimension);
    if (dimension < 1 || dimension > 3) FailImage(kUnsupportedOption);
    const bool runLength = header[kStorage] == 1;
    const uint32_t width = BE16(header + kXSize);
    const uint32_t height = dimension == 1 ? 1 : BE16(header + kYSize);
    const uint32_t channels = dimension == 3 ? BE16(header + kZSize) : 1;
    if (channels == 0 || channels > 4) FailImage(kInvalidBitsPerPixel);
    if (width == 0 || height == 0) FailImage(kInvalidImageSize);

    // The file has to hold what it claims before anything is allocated: every byte of a
    // verbatim file; for a run-length file both tables and at least one packet of two bytes
    // per 127 pixels and the end count for every row of every channel.
    const uint64_t rows = uint64_t{channels} * height;
    const uint64_t leastData =
        runLength ? rows * 8 + rows * (1 + 2 * ((uint64_t{width} + 126) / 127)) : rows * width;
    if (leastData > file.remaining()) FailImage(kErrorReadingFile);

    BitmapImage result;
    result.width = width;
    result.height = height;
    result.bitsPerPixel = static_cast<uint8_t>(channels == 2 ? 32 : 8 * channels);
    result.dibLayout = image->dibLayout;
    if (uint32_t rc = AllocateBitmapImage(&result); rc != kNoError) FailImage(rc);
    const uint32_t pixelBytes = result.bitsPerPixel / 8;

    std::vector<uint8_t> values(width);
    if (runLength) {
        const std::vector<uint8_t> offsets = file.readVector(rows * 4);
        const std::vector<uint8_t> lengths = file.readVector(rows * 4);
        // Rows are visited in the order of their data, so the file is read front to back
        // whatever order the tables give.
        std::vector<uint32_t> order(static_cast<size_t>(rows));
        std::iota(order.begin(), order.end(), 0u);
        std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
            return BE32(offsets.data() + size_t{a} * 4) < BE32(offsets.data() + size_t{b} * 4);
        });
        // No encoder needs more than two bytes a pixel and the end count.
        const uint64_t longestRow = 2 * uint64_t{width} + 2;
        std::vector<uint8_t> data;
        for (uint32_t index : order) {
            const uint64_t offset = BE32(offsets.data() + size_t{index} * 4);
            const uint64_t length = BE32(lengths.data() + size_t{index} * 4);
            if (length > longestRow) FailImage(kCorruptedFile);
            if (offset > file.size() || length > file.size() - offset) FailImage(kErrorReadingFile);
            data.resize(static_cast<size_t>(length));
            file.seek(offset);
            file.read(data.data(), data.size());
            std::fill(values.begin(), values.end(), 0);
            DecodeSgiRow(data.data(), data.size(), values.data(), width);
            const uint32_t channel = index / height;
            const uint32_t row = index % height;
            ScatterChannel(values.data(), width,
                           result.bits.data() + uint64_t{row} * result.scanWidth, channel, channels,
                           pixelBytes);
        }
    } else {
        for (uint32_t channel = 0; channel < channels; ++channel) {
            for (uint32_t row = 0; row < height; ++row) {
                file.read(values.data(), width);
                ScatterChannel(values.data(), width,
                               result.bits.data() + uint64_t{row} * result.scanWidth, channel,
                               channels, pixelBytes);
            }
        }
    }
    if (result.bitsPerPixel == 8) {
        for (uint32_t i = 0; i < 256; ++i) {
            std::memset(result.palette.data() + i * result.paletteEntrySize, static_cast<int>(i),
                        3);
        }
    }
    *image = std::move(result);
    return kNoError;
}

uint32_t WriteSgi(const char* name, const BitmapImage& original) {
    if (!RecordIsConsistent(original)) FailImage(kInvalidBitmapPointer);
    // 16-bit pixels are written as the 24-bit pixels they stand for.
    BitmapImage widened;
    if (original.bitsPerPixel == 16) {
        if (uint32_t rc = ConvertToTrueColor(original, &widened); rc != kNoError) FailImage(rc);
    }
    const BitmapImage& image = original.bitsPerPixel == 16 ? widened : original;
    if (image.width > 0xFFFF || image.height > 0xFFFF) FailImage(kInvalidImageSize);

    const bool indexed = image.bitsPerPixel <= 8;
    bool grey = indexed;
    for (uint32_t i = 0; grey && i < image.paletteSize; ++i) {
        const uint8_t* e = image.palette.data() + size_t{i} * image.paletteEntrySize;
        grey = e[0] == e[1] && e[1] == e[2];
    }
    const uint32_t channels = grey ? 1 : (indexed || image.bitsPerPixel == 24) ? 3 : 4;

    uint8_t header[kHeaderSize] = {};
    PutBE16(header + kMagic, kSgiMagic);
    header[kStorage] = 0;
    header[kBytesPerChannel] = 1;
    PutBE16(header + kDimension, grey ? 2 : 3);
    PutBE16(header + kXSize, image.width);
    PutBE16(header + kYSize, image.height);
    PutBE16(header + kZSize, channels);
    PutBE32(header + kMinimum, 0);
    PutBE32(header + kMaximum, 255);
    if (name != nullptr) {
        std::memcpy(header + kImageName, name, std::min<size_t>(std::strlen(name), 79));
    }

    AtomicOutput out;
    out.open(name);
    out.write(header, sizeof header);
    std::vector<uint8_t> indices(image.width);
    std::vector<uint8_t> plane(image.width);
    for (uint32_t channel = 0; channel < channels; ++channel) {
        for (uint32_t y = 0; y < image.height; ++y) {
            const uint8_t* row = image.bits.data() + uint64_t{y} * image.scanWidth;
            if (indexed) {
                if (image.bitsPerPixel == 1) {
                    UnpackOneBit(image.width, 1, row, image.scanWidth, indices.data());
                } else if (image.bitsPerPixel == 4) {
                    UnpackFourBit(image.width, 1, row, image.scanWidth, indices.data());
                } else {
                    std::memcpy(indices.data(), row, image.width);
                }
                // Red, green, blue of each pixel's entry; a grey file takes the red byte.
                const uint32_t at = 2 - channel;
                for (uint32_t x = 0; x < image.width; ++x) {
                    if (indices[x] >= image.paletteSize) FailImage(kInvalidBitmapPointer);
                    plane[x] = image.palette[size_t{indices[x]} * image.paletteEntrySize + at];
                }
            } else {
                const uint32_t at = RecordByteOf(channel, channels);
                const uint32_t pixelBytes = image.bitsPerPixel / 8;
                for (uint32_t x = 0; x < image.width; ++x)
                    plane[x] = row[size_t{x} * pixelBytes + at];
            }
            out.write(plane.data(), plane.size());
        }
    }
    out.commit();
    return kNoError;
}

}  // namespace

uint32_t ReadSgiFile(const char* name, BitmapImage* image) {
    return RunImageReader(image, [&] { return ReadSgi(name, image); });
}

uint32_t WriteSgiFile(const char* name, const BitmapImage& image) {
    return RunImageWriter([&] { return WriteSgi(name, image); });
}

}  // namespace imagefile
