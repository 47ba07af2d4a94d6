// Photoshop reader: the merged image of flattened version 1 files, 8 bits per channel, in grey,
// duotone (read as grey), indexed and RGB(A) mode, raw or PackBits-packed. Grey, duotone and
// indexed pictures use their first channel; further channels (alpha, spot colours) are passed by.
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "imagefile/file_reader.h"
#include "imagefile/formats.h"
#include "imagefile/reader_record.h"
#include "wsq/image_limits.h"

namespace imagefile {

namespace {

enum ColourMode : uint16_t {
    kBitmapMode = 0,
    kGreyMode = 1,
    kIndexedMode = 2,
    kRgbMode = 3,
    kDuotoneMode = 8,
};

constexpr uint32_t kMaxChannels = 4;
constexpr uint32_t kIndexedTableSize = 768;  // 256 reds, 256 greens, 256 blues

// Unpacks one PackBits row of exactly `width` bytes from `packed`, which must be used up
// exactly; every byte lands at out[x * step]. A repeat that runs past the width is cut there,
// but a literal that does is corrupt: its bytes past the width belong to no pixel, so the row
// and its size in the table disagree. The header byte -128 is a no-op, as PackBits defines it:
// ImageMagick ends its rows with one.
void UnpackRow(const uint8_t* packed, size_t packedSize, uint8_t* out, size_t width, size_t step) {
    constexpr int8_t kNoOp = -128;
    size_t in = 0;
    size_t x = 0;
    while (x < width) {
        if (in >= packedSize) FailImage(kCorruptFile);
        const auto n = static_cast<int8_t>(packed[in++]);
        if (n == kNoOp) continue;
        if (n >= 0) {
            const size_t count = static_cast<size_t>(n) + 1;
            if (count > packedSize - in || count > width - x) FailImage(kCorruptFile);
            for (size_t i = 0; i < count; ++i) out[(x + i) * step] = packed[in + i];
            in += count;
            x += count;
        } else {
            if (in >= packedSize) FailImage(kCorruptFile);
            const uint8_t value = packed[in++];
            const size_t used = std::min<size_t>(1 - n, width - x);
            for (size_t i = 0; i < used; ++i) out[(x + i) * step] = value;
            x += used;
        }
    }
    while (in < packedSize && static_cast<int8_t>(packed[in]) == kNoOp) ++in;
    if (in != packedSize) FailImage(kCorruptFile);
}

uint32_t ReadPsd(const char* name, BitmapImage* image) {
    FileReader file;
    file.openOrFail(name);
    std::array<uint8_t, 26> header{};
    file.read(header.data(), header.size());
    auto be16 = [&](size_t at) { return static_cast<uint16_t>(header[at] << 8 | header[at + 1]); };
    auto be32 = [&](size_t at) { return uint32_t{be16(at)} << 16 | be16(at + 2); };
    if (std::memcmp(header.data(), "8BPS", 4) != 0 || be16(4) != 1) FailImage(kCorruptFile);
    const uint32_t channels = be16(12);
    const uint32_t height = be32(14);
    const uint32_t width = be32(18);
    const uint32_t bitsPerChannel = be16(22);
    const uint16_t mode = be16(24);
    if (channels > kMaxChannels || channels == 0) FailImage(kUnsupportedOption);
    if (bitsPerChannel != 8) FailImage(kUnsupportedOption);
    if (mode != kGreyMode && mode != kIndexedMode && mode != kRgbMode && mode != kDuotoneMode)
        FailImage(kUnsupportedOption);
    // An RGB picture needs its three colour planes, raw or packed.
    if (mode == kRgbMode && channels < 3) FailImage(kUnsupportedOption);
    if (!wsq::image_size_acceptable(width, height)) FailImage(kInvalidImageSize);

    const uint32_t usedChannels = mode == kRgbMode ? channels : 1;
    const auto depth = static_cast<uint8_t>(mode == kRgbMode ? 8 * channels : 8);

    std::vector<uint8_t> colourTable;
    const uint32_t colourDataLength = file.be32();
    if (colourDataLength != 0) {
        if (mode == kIndexedMode) {
            if (colourDataLength < kIndexedTableSize) FailImage(kCorruptFile);
            colourTable = file.readVector(kIndexedTableSize);
            file.skip(colourDataLength - kIndexedTableSize);
        } else if (mode == kDuotoneMode) {
            file.skip(colourDataLength);
        } else {
            FailImage(kUnsupportedOption);
        }
    }
    file.skip(file.be32());  // image resources
    file.skip(file.be32());  // layer and mask information
    const uint16_t compression = file.be16();
    if (compression > 1) FailImage(kUnsupportedOption);

    const uint64_t planeBytes = uint64_t{width} * height;
    std::vector<uint16_t> rowSizes;
    if (compression == 0) {
        // Raw planes: the file must hold every byte of the planes that are read.
        if (planeBytes * usedChannels > file.remaining()) FailImage(kErrorReadingFile);
    } else {
        // One 16-bit packed size per row and channel, channel after channel.
        const uint64_t entries = uint64_t{channels} * height;
        if (2 * entries > file.remaining()) FailImage(kErrorReadingFile);
        rowSizes.resize(static_cast<size_t>(entries));
        uint64_t packedTotal = 0;
        for (auto& size : rowSizes) size = file.be16();
        for (uint64_t i = 0; i < uint64_t{usedChannels} * height; ++i) packedTotal += rowSizes[i];
        // A packed row of n bytes yields at most 128 bytes for every 2 of them.
        if (packedTotal > file.remaining() || packedTotal * 64 < planeBytes * usedChannels)
            FailImage(kErrorReadingFile);
    }

    BitmapImage record =
        AllocateReaderRecord(*image, width, height, depth, mode == kRgbMode ? 0 : 256);
    if (mode == kIndexedMode && !colourTable.empty()) {
        for (uint32_t i = 0; i < 256; ++i)
            SetPaletteEntry(record, i, colourTable[i], colourTable[256 + i], colourTable[512 + i]);
    } else if (mode == kGreyMode || mode == kDuotoneMode) {
        for (uint32_t i = 0; i < 256; ++i) {
            const auto v = static_cast<uint8_t>(i);
            SetPaletteEntry(record, i, v, v, v);
        }
    }

    // Channel c (red, green, blue, alpha in RGB pictures) goes to pixel byte 2, 1, 0, 3.
    const size_t step = usedChannels;
    auto target = [&](uint32_t c) -> size_t { return usedChannels == 1 ? 0 : (c < 3 ? 2 - c : 3); };
    std::vector<uint8_t> buffer(compression == 0 ? width : 0xFFFF);
    for (uint32_t c = 0; c < usedChannels; ++c) {
        for (uint32_t y = 0; y < height; ++y) {
            uint8_t* out = StoredRow(record, y) + target(c);
            if (compression == 0) {
                file.read(buffer.data(), width);
                for (size_t x = 0; x < width; ++x) out[x * step] = buffer[x];
            } else {
                const uint16_t packedSize = rowSizes[size_t{c} * height + y];
                file.read(buffer.data(), packedSize);
                UnpackRow(buffer.data(), packedSize, out, width, step);
            }
        }
    }
    *image = std::move(record);
    return kNoError;
}

}  // namespace

uint32_t ReadPsdFile(const char* name, BitmapImage* image) {
    return RunImageReader(image, [&] { return ReadPsd(name, image); });
}

}  // namespace imagefile
