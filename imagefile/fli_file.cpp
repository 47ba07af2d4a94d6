// The first frame of FLI and FLC animations. After the 128-byte header come chunks: a prefix
// chunk (skipped), then frame chunks whose sub-chunks carry palettes and pictures. Chunks are
// read until a frame has delivered its palette or its picture; delta chunks are passed by, so a
// frame made only of deltas does not count and the next frame is read.
#include "imagefile/fli_file.h"

#include <algorithm>
#include <array>
#include <vector>

#include "imagefile/reader_record.h"
#include "wsq/image_limits.h"

namespace imagefile {

namespace {

constexpr uint16_t kFliMagic = 0xAF11;
constexpr uint16_t kFlcMagic = 0xAF12;
constexpr size_t kHeaderSize = 128;
constexpr uint32_t kChunkHeaderSize = 16;
constexpr uint32_t kSubChunkHeaderSize = 6;
constexpr uint16_t kFrameChunk = 0xF1FA;

enum SubChunk : uint16_t {
    kPalette256 = 4,  // colour values 0..255
    kDeltaFlc = 7,
    kPalette64 = 11,  // colour values 0..63
    kDeltaFli = 12,
    kBlack = 13,
    kByteRun = 15,
    kUncompressed = 16,
    kPostageStamp = 18,
};

// Packets of (skip count, copy count with 0 meaning 256, that many red, green, blue triples).
void ReadPalette(const std::vector<uint8_t>& data, int scale, BitmapImage& record) {
    size_t at = 0;
    auto next = [&]() -> uint8_t {
        if (at >= data.size()) FailImage(kCorruptFile);
        return data[at++];
    };
    uint32_t packets = next();
    packets |= uint32_t{next()} << 8;
    uint32_t index = 0;
    for (uint32_t p = 0; p < packets; ++p) {
        index += next();
        uint32_t copies = next();
        if (copies == 0) copies = 256;
        for (uint32_t i = 0; i < copies; ++i, ++index) {
            const uint8_t red = next();
            const uint8_t green = next();
            const uint8_t blue = next();
            if (index < 256)
                SetPaletteEntry(record, index, static_cast<uint8_t>(red * scale),
                                static_cast<uint8_t>(green * scale),
                                static_cast<uint8_t>(blue * scale));
        }
    }
    if (at != data.size()) FailImage(kCorruptFile);
}

// Rows top first, each a packet count byte (not used) and packets until the row is full:
// t > 0 repeats the next byte t times, t <= 0 copies -t bytes. A repeat is cut at the row's
// end; a copy that runs past it is corrupt, since its bytes past the end belong to no pixel.
void ReadByteRun(const std::vector<uint8_t>& data, BitmapImage& record) {
    size_t at = 0;
    auto next = [&]() -> uint8_t {
        if (at >= data.size()) FailImage(kCorruptFile);
        return data[at++];
    };
    const uint32_t width = record.width;
    for (uint32_t y = 0; y < record.height; ++y) {
        uint8_t* row = StoredRow(record, y);
        next();
        uint32_t x = 0;
        while (x < width) {
            const auto t = static_cast<int8_t>(next());
            if (t > 0) {
                const uint8_t value = next();
                const uint32_t count = std::min<uint32_t>(t, width - x);
                std::fill_n(row + x, count, value);
                x += count;
            } else {
                const uint32_t count = static_cast<uint32_t>(-t);
                if (count > data.size() - at || count > width - x) FailImage(kCorruptFile);
                std::copy_n(data.begin() + static_cast<ptrdiff_t>(at), count, row + x);
                at += count;
                x += count;
            }
        }
    }
    if (at != data.size() && at + 1 != data.size()) FailImage(kCorruptFile);
}

}  // namespace

uint32_t ReadAnimationFirstFrame(FileReader& file, BitmapImage* image) {
    std::array<uint8_t, kHeaderSize> header{};
    file.read(header.data(), header.size());
    auto le16 = [&](size_t at) { return static_cast<uint16_t>(header[at] | header[at + 1] << 8); };
    const uint16_t magic = le16(4);
    if ((magic != kFliMagic && magic != kFlcMagic) || le16(12) != 8) FailImage(kUnsupportedOption);
    const uint32_t width = le16(8);
    const uint32_t height = le16(10);
    if (!wsq::image_size_acceptable(width, height)) FailImage(kInvalidImageSize);

    // The record is made when the first palette or picture arrives, once the file has shown it
    // holds one.
    BitmapImage record;
    bool allocated = false;
    auto ensureRecord = [&] {
        if (!allocated) record = AllocateReaderRecord(*image, width, height, 8, 256);
        allocated = true;
    };

    bool paletteDone = false;
    bool pictureDone = false;
    while (!paletteDone && !pictureDone) {
        // Frames that deliver nothing up to the end of the file leave no picture to give.
        if (file.remaining() == 0) FailImage(kCorruptFile);
        const uint64_t chunkStart = file.position();
        const uint32_t chunkSize = file.le32();
        const uint16_t chunkType = file.le16();
        const uint16_t subChunks = file.le16();
        file.skip(8);
        // Every chunk moves the reading on by at least its header.
        if (chunkSize < kChunkHeaderSize) FailImage(kCorruptFile);
        if (chunkSize > file.size() - chunkStart) FailImage(kErrorReadingFile);
        const uint64_t chunkEnd = chunkStart + chunkSize;
        if (chunkType == kFrameChunk) {
            for (uint32_t s = 0; s < subChunks && !(paletteDone && pictureDone); ++s) {
                const uint64_t subStart = file.position();
                if (chunkEnd - subStart < kSubChunkHeaderSize) FailImage(kCorruptFile);
                const uint32_t subSize = file.le32();
                const uint16_t subType = file.le16();
                if (subSize < kSubChunkHeaderSize || subSize > chunkEnd - subStart)
                    FailImage(kCorruptFile);
                const uint32_t dataSize = subSize - kSubChunkHeaderSize;
                switch (subType) {
                    case kPalette256:
                    case kPalette64:
                        ensureRecord();
                        ReadPalette(file.readVector(dataSize), subType == kPalette64 ? 4 : 1,
                                    record);
                        paletteDone = true;
                        break;
                    case kDeltaFlc:
                    case kDeltaFli:
                    case kPostageStamp:
                        break;
                    case kBlack:
                        ensureRecord();
                        std::fill(record.bits.begin(), record.bits.end(), 0);
                        pictureDone = true;
                        break;
                    case kByteRun: {
                        // At least a count byte and one 2-byte run per 127 pixels in every row.
                        const uint64_t least = uint64_t{height} * (1 + 2 * ((width + 126) / 127));
                        if (uint64_t{dataSize} + 1 < least) FailImage(kCorruptFile);
                        ensureRecord();
                        ReadByteRun(file.readVector(dataSize), record);
                        pictureDone = true;
                        break;
                    }
                    case kUncompressed:
                        if (dataSize != uint64_t{width} * height) FailImage(kCorruptFile);
                        ensureRecord();
                        for (uint32_t y = 0; y < height; ++y)
                            file.read(StoredRow(record, y), width);
                        pictureDone = true;
                        break;
                    default:
                        FailImage(kUnsupportedOption);
                }
                file.seek(subStart + subSize);
            }
        }
        file.seek(chunkEnd);
    }
    *image = std::move(record);
    return kNoError;
}

}  // namespace imagefile
