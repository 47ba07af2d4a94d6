// Targa files: the reader takes colour-mapped, true-colour and grey pictures, plain or run-length
// encoded, in any of the four row and pixel orders; the writer writes plain top-to-bottom files.
#include <algorithm>
#include <cstring>
#include <vector>

#include "imagefile/atomic_output.h"
#include "imagefile/file_reader.h"
#include "imagefile/formats.h"
#include "imagefile/image_layout.h"
#include "imagefile/pixel_conversions.h"

namespace imagefile {

namespace {

// Offsets in the 18-byte file header; multi-byte fields are little-endian.
enum TargaHeader : size_t {
    kIdLength = 0,        // bytes of the identification field after the header
    kColourMapType = 1,   // 1: a colour map follows the identification field
    kImageType = 2,       // 1, 2, 3 plain; 9, 10, 11 run-length encoded
    kFirstEntry = 3,      // u16 index of the first colour map entry
    kMapLength = 5,       // u16 colour map entries
    kMapEntryBits = 7,    // 15, 16, 24 or 32
    kWidth = 12,          // u16
    kHeight = 14,         // u16
    kPixelDepth = 16,     // 8, 15, 16, 24 or 32
    kDescriptor = 17,     // bits 0-3 alpha bits, bit 4 right-to-left, bit 5 top-to-bottom
    kHeaderSize = 18,
};

constexpr uint8_t kRightToLeft = 0x10;
constexpr uint8_t kTopToBottom = 0x20;

uint32_t LE16(const uint8_t* p) { return p[0] | (uint32_t{p[1]} << 8); }

// Run-length packets may run on from one row into the next, so the packet in progress is kept
// between rows.
class TargaRunDecoder {
public:
    TargaRunDecoder(FileReader& file, uint32_t pixelBytes) : m_file(file), m_pixelBytes(pixelBytes) {}

    void readRow(uint8_t* row, uint32_t width) {
        uint32_t x = 0;
        while (x < width) {
            if (m_left == 0) {
                const uint8_t count = m_file.u8();
                m_left = (count & 0x7F) + 1u;
                m_repeat = (count & 0x80) != 0;
                if (m_repeat) m_file.read(m_pixel, m_pixelBytes);
            }
            const uint32_t take = std::min(m_left, width - x);
            uint8_t* out = row + size_t{x} * m_pixelBytes;
            if (m_repeat) {
                for (uint32_t i = 0; i < take; ++i) std::memcpy(out + i * m_pixelBytes, m_pixel, m_pixelBytes);
            } else {
                m_file.read(out, size_t{take} * m_pixelBytes);
            }
            m_left -= take;
            x += take;
        }
    }

private:
    FileReader& m_file;
    uint32_t m_pixelBytes;
    uint32_t m_left = 0;
    bool m_repeat = false;
    uint8_t m_pixel[4] = {};
};

uint32_t ReadTarga(const char* name, BitmapImage* image) {
    FileReader file;
    file.openOrFail(name);
    uint8_t header[kHeaderSize];
    file.read(header, sizeof header);

    const uint32_t type = header[kImageType];
    const uint32_t depth = header[kPixelDepth];
    const uint8_t descriptor = header[kDescriptor];
    const uint32_t firstEntry = LE16(header + kFirstEntry);
    const uint32_t mapLength = LE16(header + kMapLength);
    const uint32_t mapEntryBits = header[kMapEntryBits];
    const uint32_t width = LE16(header + kWidth);
    const uint32_t height = LE16(header + kHeight);

    if (type == 0) FailImage(kUnsupportedOption);
    if (depth != 8 && depth != 15 && depth != 16 && depth != 24 && depth != 32) {
        FailImage(kUnsupportedOption);
    }
    if (type != 1 && type != 2 && type != 3 && type != 9 && type != 10 && type != 11) {
        FailImage(kUnsupportedOption);
    }
    const bool runLength = type >= 9;
    const bool trueColour = (type & 7) == 2;
    const bool hasMap = header[kColourMapType] == 1 && mapLength > 0;
    const uint32_t mapEntryBytes = (mapEntryBits + 7) / 8;
    // Indices are 8 bits: pixel values are absolute indices, so the map ends at entry 255.
    if (trueColour ? depth == 8 : depth != 8) FailImage(kUnsupportedOption);
    if (!trueColour && hasMap) {
        if (mapLength > 256 || firstEntry + mapLength > 256) FailImage(kUnsupportedOption);
        if (mapEntryBits != 15 && mapEntryBits != 16 && mapEntryBits != 24 && mapEntryBits != 32) {
            FailImage(kUnsupportedOption);
        }
    }

    const bool alpha = depth == 32 && (descriptor & 0x08) != 0;
    const uint32_t fileBytes = (depth + 7) / 8;
    const uint8_t recordDepth = static_cast<uint8_t>(depth == 15 ? 16 : (depth == 32 && !alpha) ? 24 : depth);

    file.skip(header[kIdLength]);
    std::vector<uint8_t> map;
    if (hasMap) {
        // A colour map in a true-colour file is not used, but the pixels follow it.
        if (trueColour) {
            file.skip(uint64_t{mapLength} * mapEntryBytes);
        } else {
            map = file.readVector(uint64_t{mapLength} * mapEntryBytes);
        }
    }

    if (width == 0 || height == 0) FailImage(kInvalidImageSize);
    // The file has to hold the pixels it claims before anything is allocated for them: all of
    // them when plain, at least one count byte and one pixel per 128 pixels when run-length.
    const uint64_t pixels = uint64_t{width} * height;
    const uint64_t leastData = runLength ? (pixels + 127) / 128 * (1 + fileBytes) : pixels * fileBytes;
    if (leastData > file.remaining()) FailImage(kErrorReadingFile);

    BitmapImage result;
    result.width = width;
    result.height = height;
    result.bitsPerPixel = recordDepth;
    result.dibLayout = image->dibLayout;
    if (!trueColour && hasMap) result.paletteSize = static_cast<uint16_t>(firstEntry + mapLength);
    if (uint32_t rc = AllocateBitmapImage(&result); rc != kNoError) FailImage(rc);

    if (!trueColour) {
        const uint32_t entrySize = result.paletteEntrySize;
        if (!hasMap) {
            for (uint32_t i = 0; i < result.paletteSize; ++i) {
                std::memset(result.palette.data() + i * entrySize, static_cast<int>(i * (256 / result.paletteSize)), 3);
            }
        } else {
            for (uint32_t i = 0; i < mapLength; ++i) {
                const uint8_t* in = map.data() + size_t{i} * mapEntryBytes;
                uint8_t* out = result.palette.data() + size_t{firstEntry + i} * entrySize;
                if (mapEntryBytes == 2) {
                    const uint32_t w = LE16(in);
                    out[0] = static_cast<uint8_t>((w & 0x1F) * 8);
                    out[1] = static_cast<uint8_t>((w & 0x3E0) / 4);
                    out[2] = static_cast<uint8_t>((w & 0x7C00) / 128);
                } else {
                    out[0] = in[0];
                    out[1] = in[1];
                    out[2] = in[2];
                    if (mapEntryBytes == 4 && entrySize == 4) out[3] = in[3];
                }
            }
        }
    }

    std::vector<uint8_t> row(size_t{width} * fileBytes);
    TargaRunDecoder decoder(file, fileBytes);
    const uint32_t recordBytes = recordDepth / 8;
    for (uint32_t y = 0; y < height; ++y) {
        if (runLength) {
            decoder.readRow(row.data(), width);
        } else {
            file.read(row.data(), row.size());
        }
        if (!trueColour && hasMap) {
            for (uint32_t x = 0; x < width; ++x) {
                if (row[x] < firstEntry || row[x] >= firstEntry + mapLength) FailImage(kCorruptedFile);
            }
        }
        const uint32_t stored = (descriptor & kTopToBottom) ? height - 1 - y : y;
        uint8_t* out = result.bits.data() + uint64_t{stored} * result.scanWidth;
        const bool mirrored = (descriptor & kRightToLeft) != 0;
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t to = mirrored ? width - 1 - x : x;
            std::memcpy(out + size_t{to} * recordBytes, row.data() + size_t{x} * fileBytes, recordBytes);
        }
    }
    *image = std::move(result);
    return kNoError;
}

bool PaletteIsGrey(const BitmapImage& image) {
    for (uint32_t i = 0; i < image.paletteSize; ++i) {
        const uint8_t* e = image.palette.data() + size_t{i} * image.paletteEntrySize;
        if (e[0] != e[1] || e[1] != e[2]) return false;
    }
    return true;
}

uint32_t WriteTarga(const char* name, const BitmapImage& image) {
    if (!RecordIsConsistent(image)) FailImage(kInvalidBitmapPointer);
    const bool indexed = image.bitsPerPixel <= 8;
    const bool grey = indexed && image.paletteSize > 16 && PaletteIsGrey(image);
    const uint32_t entryBytes = image.paletteEntrySize;

    uint8_t header[kHeaderSize] = {};
    if (!indexed) {
        header[kImageType] = 2;
    } else if (grey) {
        header[kImageType] = 3;
    } else {
        header[kColourMapType] = 1;
        header[kImageType] = 1;
        PutLE16(header + kMapLength, image.paletteSize);
        // Always 24-bit entries: the fourth byte of a 4-byte record entry is reserved (0), and
        // in a 32-bit map it would be alpha, making the picture transparent to other readers.
        header[kMapEntryBits] = 24;
    }
    PutLE16(header + kWidth, image.width);
    PutLE16(header + kHeight, image.height);
    header[kPixelDepth] = indexed ? 8 : image.bitsPerPixel;
    header[kDescriptor] = image.bitsPerPixel == 32 ? 0x28 : 0x20;
    if (image.width > 0xFFFF || image.height > 0xFFFF) FailImage(kInvalidImageSize);

    AtomicOutput out;
    out.open(name);
    out.write(header, sizeof header);
    if (header[kColourMapType] == 1) {
        std::vector<uint8_t> map(size_t{image.paletteSize} * 3);
        for (size_t i = 0; i < image.paletteSize; ++i) {
            std::memcpy(map.data() + i * 3, image.palette.data() + i * entryBytes, 3);
        }
        out.write(map.data(), map.size());
    }
    const size_t rowBytes = indexed ? image.width : size_t{image.bitsPerPixel} * image.width / 8;
    std::vector<uint8_t> row(rowBytes);
    for (uint32_t y = image.height; y-- > 0;) {
        const uint8_t* in = image.bits.data() + uint64_t{y} * image.scanWidth;
        const uint8_t* data = in;
        if (image.bitsPerPixel == 1) {
            UnpackOneBit(image.width, 1, in, image.scanWidth, row.data());
            data = row.data();
        } else if (image.bitsPerPixel == 4) {
            UnpackFourBit(image.width, 1, in, image.scanWidth, row.data());
            data = row.data();
        }
        if (grey) {
            // A grey file holds grey levels, not indices: each pixel becomes its entry's level,
            // so a palette that is not the identity ramp keeps its picture.
            if (data != row.data()) std::memcpy(row.data(), in, rowBytes);
            for (uint8_t& v : row) {
                if (v >= image.paletteSize) FailImage(kInvalidBitmapPointer);
                v = image.palette[size_t{v} * entryBytes + 2];
            }
            data = row.data();
        }
        out.write(data, rowBytes);
    }
    out.commit();
    return kNoError;
}

}  // namespace

uint32_t ReadTargaFile(const char* name, BitmapImage* image) {
    return RunImageReader(image, [&] { return ReadTarga(name, image); });
}

uint32_t WriteTargaFile(const char* name, const BitmapImage& image) {
    return RunImageWriter([&] { return WriteTarga(name, image); });
}

}  // namespace imagefile
