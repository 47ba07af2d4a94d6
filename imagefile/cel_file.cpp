// Autodesk files with the extension key "CEL": single cel pictures (magic 0x9119) are read here;
// FLI and FLC animations (magic 0xAF11, 0xAF12 at offset 4) go to the animation reader, which
// gives their first frame. Both are 8-bit palette pictures; all fields are little-endian.
#include <array>
#include <vector>

#include "imagefile/fli_file.h"
#include "imagefile/file_reader.h"
#include "imagefile/formats.h"
#include "imagefile/reader_record.h"
#include "wsq/image_limits.h"

namespace imagefile {

namespace {

constexpr uint16_t kCelMagic = 0x9119;
constexpr uint16_t kFliMagic = 0xAF11;
constexpr uint16_t kFlcMagic = 0xAF12;
constexpr size_t kCelHeaderSize = 32;
constexpr size_t kCelPaletteSize = 768;  // 256 triples of 6-bit values

uint32_t ReadCel(FileReader& file, BitmapImage* image) {
    std::array<uint8_t, kCelHeaderSize> header{};
    file.read(header.data(), header.size());
    auto le16 = [&](size_t at) { return static_cast<uint16_t>(header[at] | header[at + 1] << 8); };
    if (le16(0) != kCelMagic || header[10] != 8 || header[11] != 0) FailImage(kUnsupportedOption);
    const uint32_t width = le16(2);
    const uint32_t height = le16(4);
    if (!wsq::image_size_acceptable(width, height)) FailImage(kInvalidImageSize);
    if (kCelPaletteSize + uint64_t{width} * height > file.remaining()) FailImage(kErrorReadingFile);

    BitmapImage record = AllocateReaderRecord(*image, width, height, 8, 256);
    std::array<uint8_t, kCelPaletteSize> palette{};
    file.read(palette.data(), palette.size());
    for (uint32_t i = 0; i < 256; ++i) {
        SetPaletteEntry(record, i, static_cast<uint8_t>(palette[3 * i] * 4),
                        static_cast<uint8_t>(palette[3 * i + 1] * 4),
                        static_cast<uint8_t>(palette[3 * i + 2] * 4));
    }
    for (uint32_t y = 0; y < height; ++y) file.read(StoredRow(record, y), width);
    *image = std::move(record);
    return kNoError;
}

}  // namespace

uint32_t ReadCelFile(const char* name, BitmapImage* image) {
    return RunImageReader(image, [&]() -> uint32_t {
        FileReader file;
        file.openOrFail(name);
        const uint16_t first = file.le16();
        if (first == kCelMagic) {
            file.seek(0);
            return ReadCel(file, image);
        }
        file.le16();
        const uint16_t magic = file.le16();
        if (magic != kFliMagic && magic != kFlcMagic) FailImage(kUnsupportedOption);
        file.seek(0);
        return ReadAnimationFirstFrame(file, image);
    });
}

}  // namespace imagefile
