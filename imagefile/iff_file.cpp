// IFF ILBM reader: 8-plane pictures with a colour map and a ByteRun1-packed body. The body holds
// interleaved bitplanes: for each row, the row of every plane in turn (and of the mask plane when
// the header says so), each padded to a multiple of 16 pixels and packed on its own; bit 7 of a
// plane row's first byte belongs to the leftmost pixel, and plane p gives bit p of its index.
// Chunks other than the header, the colour map and the body are skipped by their size.
#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "imagefile/file_reader.h"
#include "imagefile/formats.h"
#include "imagefile/reader_record.h"
#include "wsq/image_limits.h"

namespace imagefile {

namespace {

constexpr uint32_t kPlanes = 8;
constexpr uint8_t kMaskPlane = 1;          // masking: a mask plane follows the colour planes
constexpr uint8_t kTransparentColour = 2;  // masking: one colour index is transparent
constexpr uint8_t kByteRun1 = 1;
constexpr uint32_t kHeaderChunkSize = 20;

struct BitmapHeader {
    uint16_t width = 0;
    uint16_t height = 0;
    uint8_t planes = 0;
    uint8_t masking = 0;
    uint8_t compression = 0;
    uint16_t transparentColour = 0;
};

bool IsChunk(const std::array<char, 4>& id, const char* name) {
    return std::memcmp(id.data(), name, 4) == 0;
}

// Unpacks one ByteRun1-packed plane row of out.size() bytes from body[at...], advancing `at`.
// A literal run past the end of the row, or a body that ends inside the row, is corrupt; a
// repeat run is cut at the end of the row.
void UnpackPlaneRow(const std::vector<uint8_t>& body, size_t& at, std::vector<uint8_t>& out) {
    size_t x = 0;
    while (x < out.size()) {
        if (at >= body.size()) FailImage(kCorruptFile);
        const auto n = static_cast<int8_t>(body[at++]);
        if (n >= 0) {
            const size_t count = static_cast<size_t>(n) + 1;
            if (count > out.size() - x || count > body.size() - at) FailImage(kCorruptFile);
            std::copy_n(body.begin() + static_cast<ptrdiff_t>(at), count, out.begin() + x);
            at += count;
            x += count;
        } else if (n != -128) {
            if (at >= body.size()) FailImage(kCorruptFile);
            const size_t count = std::min<size_t>(1 - n, out.size() - x);
            std::fill_n(out.begin() + x, count, body[at++]);
            x += count;
        }
    }
}

void DecodeBody(const std::vector<uint8_t>& body, const BitmapHeader& bmhd, BitmapImage& record) {
    const size_t planeRowBytes = (size_t{record.width} + 15) / 16 * 2;
    const uint32_t planeRows = kPlanes + (bmhd.masking == kMaskPlane ? 1 : 0);
    // Every plane row of every row costs at least one packet: 2 bytes for each 128 bytes.
    if (uint64_t{record.height} * planeRows * ((planeRowBytes + 127) / 128 * 2) > body.size())
        FailImage(kCorruptFile);
    // spread[b] holds the 8 pixels of plane byte b, leftmost first, each 0 or 1, as 8 bytes in
    // memory order; one 64-bit OR then adds a plane's bit to 8 pixels at once.
    std::array<uint64_t, 256> spread{};
    for (uint32_t b = 0; b < 256; ++b) {
        std::array<uint8_t, 8> pixels{};
        for (uint32_t k = 0; k < 8; ++k) pixels[k] = static_cast<uint8_t>(b >> (7 - k) & 1);
        std::memcpy(&spread[b], pixels.data(), 8);
    }
    std::vector<uint8_t> planeRow(planeRowBytes);
    std::vector<uint64_t> indices(planeRowBytes);  // 8 pixels per plane byte
    size_t at = 0;
    for (uint32_t y = 0; y < record.height; ++y) {
        std::fill(indices.begin(), indices.end(), 0);
        for (uint32_t p = 0; p < planeRows; ++p) {
            UnpackPlaneRow(body, at, planeRow);
            if (p >= kPlanes) continue;  // the mask plane
            for (size_t i = 0; i < planeRowBytes; ++i) indices[i] |= spread[planeRow[i]] << p;
        }
        uint8_t* row = StoredRow(record, y);
        std::memcpy(row, indices.data(), record.width);
        // The colour map has to cover every index of the picture.
        for (uint32_t x = 0; x < record.width; ++x)
            if (row[x] >= record.paletteSize) FailImage(kCorruptFile);
    }
    if (at != body.size()) FailImage(kCorruptFile);
}

uint32_t ReadIff(const char* name, BitmapImage* image, std::string* damage) {
    FileReader file;
    file.openOrFail(name);
    std::array<char, 4> id{};
    file.read(id.data(), 4);
    if (!IsChunk(id, "FORM")) FailImage(kCorruptFile);
    const uint64_t formSize = file.be32();
    file.read(id.data(), 4);
    if (!IsChunk(id, "ILBM")) FailImage(kCorruptFile);

    BitmapHeader bmhd;
    BitmapImage record;
    bool haveHeader = false;
    bool haveRecord = false;
    bool haveBody = false;
    std::string shortfall;
    for (uint64_t counter = 8; counter < formSize;) {
        file.read(id.data(), 4);
        const uint32_t size = file.be32();
        counter += 8;
        const uint64_t chunkEnd = file.position() + size;
        if (IsChunk(id, "BMHD")) {
            if (haveHeader || size < kHeaderChunkSize) FailImage(kCorruptFile);
            std::array<uint8_t, kHeaderChunkSize> h{};
            file.read(h.data(), h.size());
            file.skip(size - kHeaderChunkSize);
            bmhd.width = static_cast<uint16_t>(h[0] << 8 | h[1]);
            bmhd.height = static_cast<uint16_t>(h[2] << 8 | h[3]);
            bmhd.planes = h[8];
            bmhd.masking = h[9];
            bmhd.compression = h[10];
            bmhd.transparentColour = static_cast<uint16_t>(h[12] << 8 | h[13]);
            if (bmhd.planes != kPlanes || bmhd.compression == 0) FailImage(kUnsupportedOption);
            if (!wsq::image_size_acceptable(bmhd.width, bmhd.height)) FailImage(kInvalidImageSize);
            haveHeader = true;
        } else if (IsChunk(id, "CMAP")) {
            // The record is made here, so the header must have come first, and only one map.
            if (!haveHeader || haveRecord) FailImage(kCorruptFile);
            const uint32_t entries = std::min<uint32_t>(size / 3, 256);
            std::vector<uint8_t> triples = file.readVector(uint64_t{entries} * 3);
            file.skip(chunkEnd - file.position());
            // The body must be able to fill the rows before they are allocated.
            const uint64_t leastBody = uint64_t{bmhd.height} * kPlanes * 2;
            if (leastBody > file.remaining()) FailImage(kErrorReadingFile);
            record = AllocateReaderRecord(*image, bmhd.width, bmhd.height, 8,
                                          static_cast<uint16_t>(entries));
            for (uint32_t i = 0; i < entries; ++i)
                SetPaletteEntry(record, i, triples[3 * i], triples[3 * i + 1], triples[3 * i + 2]);
            if (bmhd.masking == kTransparentColour && bmhd.transparentColour < record.paletteSize)
                record.transparentIndex = static_cast<int16_t>(bmhd.transparentColour);
            haveRecord = true;
        } else if (IsChunk(id, "BODY")) {
            if (!haveRecord || haveBody) FailImage(kCorruptFile);
            if (bmhd.compression != kByteRun1) FailImage(kUnsupportedOption);
            DecodeBody(file.readVector(size), bmhd, record);
            haveBody = true;
        } else {
            file.skip(size);  // CRNG, CAMG, ANNO, DPI, GRAB, DEST and the like
        }
        counter += size;
        if (size % 2 == 1) {
            // A pad byte missing at the very end of the file costs no pixel, so the picture is
            // kept; but when the FORM (which ends 8 + formSize bytes into the file) counts the
            // byte, the file was cut short, and says so.
            if (file.remaining() > 0) {
                file.skip(1);
            } else if (file.position() < 8 + formSize) {
                shortfall =
                    "the file ends one byte short of its FORM chunk (the pad byte of its "
                    "last chunk is missing)";
            }
            counter += 1;
        }
    }
    if (!haveBody) FailImage(kCorruptFile);
    *image = std::move(record);
    if (damage) *damage = std::move(shortfall);
    return kNoError;
}

}  // namespace

uint32_t ReadIffFile(const char* name, BitmapImage* image) {
    return RunImageReader(image, [&] { return ReadIff(name, image, nullptr); });
}

uint32_t ReadIffFileNotingDamage(const char* name, BitmapImage* image, std::string* damage) {
    if (damage) damage->clear();
    return RunImageReader(image, [&] { return ReadIff(name, image, damage); });
}

}  // namespace imagefile
