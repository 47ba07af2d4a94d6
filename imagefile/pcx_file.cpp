// PCX reader: run-length or unencoded rows of 1, 4 and 8 bits per plane. Every file row holds
// its planes in turn, each `bytes per line` long. Palette pictures of 1 to 4 bits (one plane of
// 1 or 4 bits, or up to four planes of 1 bit, whose bits combine into one palette index) take
// their colours from the header; 8-bit ones from the 256-colour table at the end of version 5
// files; three or four 8-bit planes (red, green, blue, alpha) make 24- and 32-bit pictures.
#include <algorithm>
#include <array>
#include <vector>

#include "imagefile/file_reader.h"
#include "imagefile/formats.h"
#include "imagefile/reader_record.h"
#include "wsq/image_limits.h"

namespace imagefile {

namespace {

enum HeaderField : size_t {
    kManufacturer = 0,   // u8, always 10
    kVersion = 1,        // u8, 5: a 256-colour table follows the rows
    kEncoding = 2,       // u8, 1: run-length, 0: unencoded
    kBitsPerPlane = 3,   // u8
    kXMin = 4,           // u16 little-endian, as are all the 16-bit fields
    kYMin = 6,
    kXMax = 8,
    kYMax = 10,
    kHeaderPalette = 16, // 16 red, green, blue triples
    kPlanes = 65,        // u8
    kBytesPerLine = 66,  // u16, bytes of one plane in one row
    kPaletteInfo = 68,   // u16
    kHeaderSize = 128,
};

constexpr uint64_t kTrailerSize = 769;  // the marker 12 and 256 triples
constexpr uint8_t kTrailerMarker = 12;
constexpr uint8_t kRunFlags = 0xC0;

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// How one plane's bytes become record pixels.
enum class Placement {
    PackedBits,     // one 1-bit plane: the line is the record row
    PlaneBits,      // 1, 2 or 4 bits in each of several planes: the planes' bits make an index
    InterleavedBytes,  // one byte per pixel and plane
};

// Reads the decoded plane lines of the rows, run-length packed or not, through a block buffer.
// Runs stop at the end of the line; the data never reaches into the colour table that follows
// the rows (dataEnd).
class LineDecoder {
public:
    LineDecoder(FileReader& file, uint64_t dataEnd, bool runLength)
        : m_file(file), m_dataEnd(dataEnd), m_runLength(runLength) {}

    void decode(std::vector<uint8_t>& line) {
        const size_t length = line.size();
        size_t x = 0;
        if (!m_runLength) {
            while (x < length) {
                if (m_pos == m_block.size()) refill();
                const size_t n = std::min(length - x, m_block.size() - m_pos);
                std::copy_n(m_block.begin() + static_cast<ptrdiff_t>(m_pos), n, line.begin() + x);
                m_pos += n;
                x += n;
            }
            return;
        }
        while (x < length) {
            const uint8_t byte = next();
            if ((byte & kRunFlags) == kRunFlags) {
                const size_t count = std::min<size_t>(byte & 0x3F, length - x);
                const uint8_t value = next();
                std::fill_n(line.begin() + x, count, value);
                x += count;
            } else {
                line[x++] = byte;
            }
        }
    }

private:
    uint8_t next() {
        if (m_pos == m_block.size()) refill();
        return m_block[m_pos++];
    }

    void refill() {
        const uint64_t left = m_dataEnd - m_file.position();
        if (left == 0) FailImage(kErrorReadingFile);
        m_block.resize(static_cast<size_t>(std::min<uint64_t>(left, 64 * 1024)));
        m_file.read(m_block.data(), m_block.size());
        m_pos = 0;
    }

    FileReader& m_file;
    uint64_t m_dataEnd;
    bool m_runLength;
    std::vector<uint8_t> m_block;
    size_t m_pos = 0;
};

uint32_t ReadPcx(const char* name, BitmapImage* image) {
    FileReader file;
    file.openOrFail(name);
    std::array<uint8_t, kHeaderSize> header{};
    file.read(header.data(), header.size());
    if (header[kManufacturer] != 10) FailImage(kUnsupportedOption);

    const uint32_t bitsPerPlane = header[kBitsPerPlane];
    const uint32_t planes = header[kPlanes];
    const uint32_t bytesPerLine = Le16(&header[kBytesPerLine]);
    const int64_t width = int64_t{Le16(&header[kXMax])} + 1 - Le16(&header[kXMin]);
    const int64_t height = int64_t{Le16(&header[kYMax])} + 1 - Le16(&header[kYMin]);
    if (width <= 0 || height <= 0 ||
        !wsq::image_size_acceptable(static_cast<uint64_t>(width), static_cast<uint64_t>(height)))
        FailImage(kInvalidImageSize);

    uint8_t depth = 0;
    Placement placement = Placement::InterleavedBytes;
    if (bitsPerPlane == 8 && (planes == 1 || planes == 3 || planes == 4)) {
        depth = static_cast<uint8_t>(8 * planes);
    } else if (bitsPerPlane == 1 && planes == 1) {
        depth = 1;
        placement = Placement::PackedBits;
    } else if ((bitsPerPlane == 1 || bitsPerPlane == 2 || bitsPerPlane == 4) && planes >= 1 &&
               bitsPerPlane * planes <= 4) {
        depth = 4;
        placement = Placement::PlaneBits;
    } else {
        FailImage(kInvalidBitsPerPixel);
    }
    if (header[kEncoding] > 1) FailImage(kUnsupportedOption);
    const bool runLength = header[kEncoding] == 1;
    // A line shorter than the picture's row would leave pixels without data.
    if (bytesPerLine < (static_cast<uint64_t>(width) * bitsPerPlane + 7) / 8)
        FailImage(kCorruptedFile);

    // The rows end where the 256-colour table of version 5 files begins.
    const bool trailerPalette = depth == 8 && header[kVersion] == 5;
    uint64_t dataEnd = file.size();
    std::array<uint8_t, 768> trailer{};
    if (trailerPalette) {
        if (file.size() < kHeaderSize + kTrailerSize) FailImage(kErrorReadingFile);
        dataEnd = file.size() - kTrailerSize;
        file.seek(dataEnd);
        if (file.u8() != kTrailerMarker) FailImage(kUnsupportedOption);
        file.read(trailer.data(), trailer.size());
        file.seek(kHeaderSize);
    }

    // The file must hold the rows before they are allocated: unencoded, every byte; run-length,
    // at least two bytes for every 63 bytes of a line.
    const uint64_t lines = static_cast<uint64_t>(height) * planes;
    const uint64_t leastPerLine = runLength ? (2 * uint64_t{bytesPerLine} + 62) / 63 : bytesPerLine;
    if (lines * leastPerLine > dataEnd - kHeaderSize) FailImage(kErrorReadingFile);

    BitmapImage record = AllocateReaderRecord(*image, static_cast<uint32_t>(width),
                                              static_cast<uint32_t>(height), depth, 0);
    if (trailerPalette) {
        for (uint32_t i = 0; i < 256; ++i)
            SetPaletteEntry(record, i, trailer[3 * i], trailer[3 * i + 1], trailer[3 * i + 2]);
    } else if (depth == 1 && (Le16(&header[kPaletteInfo]) == 0 ||
                              std::equal(&header[kHeaderPalette], &header[kHeaderPalette + 3],
                                         &header[kHeaderPalette + 3]))) {
        // Black and white when the header says nothing, or gives both entries one colour (as
        // writers that leave the header palette blank do).
        SetPaletteEntry(record, 1, 255, 255, 255);
    } else if (depth < 8) {
        for (uint32_t i = 0; i < 16; ++i) {
            const uint8_t* triple = &header[kHeaderPalette + 3 * i];
            SetPaletteEntry(record, i, triple[0], triple[1], triple[2]);
        }
    }

    LineDecoder decoder(file, dataEnd, runLength);
    std::vector<uint8_t> line(bytesPerLine);
    std::vector<uint8_t> indices(placement == Placement::PlaneBits ? record.width : 0);
    const size_t rowBytes = (size_t{record.width} * depth + 7) / 8;
    const uint32_t planeMask = (1u << bitsPerPlane) - 1;
    for (uint32_t y = 0; y < record.height; ++y) {
        uint8_t* row = StoredRow(record, y);
        std::fill(indices.begin(), indices.end(), 0);
        for (uint32_t p = 0; p < planes; ++p) {
            decoder.decode(line);
            switch (placement) {
            case Placement::PackedBits:
                std::copy_n(line.begin(), rowBytes, row);
                break;
            case Placement::PlaneBits:
                for (uint32_t x = 0; x < record.width; ++x) {
                    uint32_t bit = x * bitsPerPlane;
                    uint32_t value = line[bit / 8] >> (8 - bitsPerPlane - bit % 8) & planeMask;
                    indices[x] = static_cast<uint8_t>(indices[x] | value << (p * bitsPerPlane));
                }
                break;
            case Placement::InterleavedBytes: {
                // Red, green, blue, alpha planes go to pixel bytes 2, 1, 0, 3.
                const uint32_t target = planes == 1 ? 0 : (p < 3 ? 2 - p : 3);
                for (uint32_t x = 0; x < record.width; ++x) row[size_t{x} * planes + target] = line[x];
                break;
            }
            }
        }
        if (placement == Placement::PlaneBits) {
            for (uint32_t x = 0; x < record.width; ++x)
                row[x / 2] = static_cast<uint8_t>(row[x / 2] | indices[x] << (x % 2 == 0 ? 4 : 0));
        }
    }
    *image = std::move(record);
    return kNoError;
}

}  // namespace

uint32_t ReadPcxFile(const char* name, BitmapImage* image) {
    return RunImageReader(image, [&] { return ReadPcx(name, image); });
}

}  // namespace imagefile
