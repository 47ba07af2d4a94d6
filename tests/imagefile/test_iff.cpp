// The IFF ILBM reader: chunk walking (pads, skipped chunks, order), interleaved ByteRun1
// bitplane bodies, transparency, hostile sizes, and files written by netpbm's ppmtoilbm.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imagefile/checked_image_io.h"
#include "imagefile/formats.h"
#include "imagefile/image_error.h"
#include "support/peer_image_tools.h"
#include "support/scratch_dir.h"

using namespace imagefile;
using testsupport::RgbPicture;

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}
void Put32(Bytes& out, uint32_t v) {
    Put16(out, v >> 16);
    Put16(out, v & 0xFFFF);
}

Bytes Chunk(const char* id, const Bytes& data) {
    Bytes out(id, id + 4);
    Put32(out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() % 2 == 1) out.push_back(0);
    return out;
}

Bytes Form(const std::vector<Bytes>& chunks, const char* type = "ILBM") {
    Bytes body(type, type + 4);
    for (const Bytes& c : chunks) body.insert(body.end(), c.begin(), c.end());
    return Chunk("FORM", body);
}

Bytes Bmhd(uint16_t width, uint16_t height, uint8_t planes = 8, uint8_t masking = 0,
           uint8_t compression = 1, uint16_t transparent = 0) {
    Bytes b;
    Put16(b, width);
    Put16(b, height);
    Put32(b, 0);
    b.push_back(planes);
    b.push_back(masking);
    b.push_back(compression);
    b.push_back(0);
    Put16(b, transparent);
    b.push_back(10);
    b.push_back(11);
    Put16(b, width);
    Put16(b, height);
    return Chunk("BMHD", b);
}

// Entry i: red i, green 255 - i, blue 3i.
Bytes Cmap(uint32_t entries) {
    Bytes b;
    for (uint32_t i = 0; i < entries; ++i) {
        b.push_back(static_cast<uint8_t>(i));
        b.push_back(static_cast<uint8_t>(255 - i));
        b.push_back(static_cast<uint8_t>(3 * i));
    }
    return Chunk("CMAP", b);
}

// ByteRun1: repeats of 3 or more equal bytes, literals for the rest.
void PackRow(const Bytes& row, Bytes& out) {
    size_t i = 0;
    while (i < row.size()) {
        size_t run = 1;
        while (i + run < row.size() && run < 128 && row[i + run] == row[i]) ++run;
        if (run >= 3) {
            out.push_back(static_cast<uint8_t>(257 - run));
            out.push_back(row[i]);
            i += run;
            continue;
        }
        size_t start = i;
        while (i < row.size() && i - start < 128 &&
               !(i + 2 < row.size() && row[i] == row[i + 1] && row[i] == row[i + 2]))
            ++i;
        out.push_back(static_cast<uint8_t>(i - start - 1));
        out.insert(out.end(), row.begin() + static_cast<ptrdiff_t>(start),
                   row.begin() + static_cast<ptrdiff_t>(i));
    }
}

// The interleaved body of a picture of indices (rows top first), with an optional mask plane.
Bytes Body(const std::vector<Bytes>& rows, uint32_t width, bool maskPlane = false) {
    const size_t rowBytes = (width + 15) / 16 * 2;
    Bytes body;
    for (const Bytes& indices : rows) {
        for (int p = 0; p < (maskPlane ? 9 : 8); ++p) {
            Bytes plane(rowBytes, 0);
            for (uint32_t x = 0; x < width; ++x) {
                const bool bit = p == 8 ? true : (indices[x] >> p & 1);
                if (bit) plane[x / 8] = static_cast<uint8_t>(plane[x / 8] | 0x80 >> (x % 8));
            }
            PackRow(plane, body);
        }
    }
    return Chunk("BODY", body);
}

Bytes StoredRow(const BitmapImage& image, uint32_t fileRow) {
    const uint8_t* row = image.bits.data() + size_t{image.height - 1 - fileRow} * image.scanWidth;
    return Bytes(row, row + image.width);
}

class IffReader : public ::testing::Test {
protected:
    uint32_t Read(const Bytes& bytes, BitmapImage* image) {
        return ReadIffFile(dir.write("t.iff", bytes).c_str(), image);
    }
    testsupport::ScratchDir dir;
};

TEST_F(IffReader, DecodesInterleavedBitplanes) {
    // 19 pixels (two 16-bit plane words per row), 3 rows, indices that use all 8 planes.
    std::vector<Bytes> rows(3, Bytes(19));
    for (uint32_t y = 0; y < 3; ++y)
        for (uint32_t x = 0; x < 19; ++x) rows[y][x] = static_cast<uint8_t>(x * 13 + y * 101);
    const Bytes file =
        Form({Bmhd(19, 3), Chunk("CAMG", {0, 0, 0x80, 4}), Cmap(300),
              Chunk("ANNO", {'h', 'i', '!'}), Body(rows, 19), Chunk("DPI ", {0, 72, 0, 72})});
    BitmapImage image;
    ASSERT_EQ(Read(file, &image), kNoError);
    EXPECT_EQ(image.width, 19u);
    EXPECT_EQ(image.bitsPerPixel, 8);
    EXPECT_EQ(image.paletteSize, 256);  // 300 entries: those past 255 can never be used
    EXPECT_EQ(image.transparentIndex, -1);
    for (uint32_t y = 0; y < 3; ++y) EXPECT_EQ(StoredRow(image, y), rows[y]) << y;
    // CMAP red, green, blue become palette blue, green, red.
    const uint8_t* entry = &image.palette[size_t{85} * image.paletteEntrySize];
    EXPECT_EQ(Bytes(entry, entry + 3), (Bytes{255, 170, 85}));

    // A mask plane after the eight colour planes is read past; masking 2 names a transparent
    // colour, which must be a palette index to count.
    ASSERT_EQ(Read(Form({Bmhd(19, 3, 8, 1), Cmap(256), Body(rows, 19, true)}), &image), kNoError);
    EXPECT_EQ(StoredRow(image, 2), rows[2]);
    ASSERT_EQ(Read(Form({Bmhd(19, 3, 8, 2, 1, 5), Cmap(256), Body(rows, 19)}), &image), kNoError);
    EXPECT_EQ(image.transparentIndex, 5);
    ASSERT_EQ(Read(Form({Bmhd(19, 3, 8, 2, 1, 40000), Cmap(256), Body(rows, 19)}), &image),
              kNoError);
    EXPECT_EQ(image.transparentIndex, -1);
}

TEST_F(IffReader, ByteRunPacketsWithinPlaneRows) {
    // One row of 5 pixels whose plane 0 row (2 bytes) is 0x02, 0xA0, 0x40... written by hand:
    // plane 0: literal 0x01 (two bytes) 0xF8 0x00; planes 1-7: a repeat 0xFF, 0 cut to 2 bytes,
    // then a no-op (-128) packet before the next plane, as some writers emit.
    Bytes body = {0x01, 0xF8, 0x00};
    for (int p = 1; p < 8; ++p) {
        body.push_back(0x80);
        body.push_back(0xFE);  // repeat three, cut to the row's two bytes
        body.push_back(p == 3 ? 0xFF : 0x00);
    }
    BitmapImage image;
    ASSERT_EQ(Read(Form({Bmhd(5, 1), Cmap(256), Chunk("BODY", body)}), &image), kNoError);
    EXPECT_EQ(StoredRow(image, 0), (Bytes{9, 9, 9, 9, 9}));

    // A literal that runs past the plane row, leftover body bytes, a body that ends early.
    Bytes overrun = body;
    overrun[0] = 0x02;
    overrun.insert(overrun.begin() + 3, 0x00);
    EXPECT_EQ(Read(Form({Bmhd(5, 1), Cmap(256), Chunk("BODY", overrun)}), &image), kCorruptFile);
    Bytes extra = body;
    extra.push_back(0x80);
    EXPECT_EQ(Read(Form({Bmhd(5, 1), Cmap(256), Chunk("BODY", extra)}), &image), kCorruptFile);
    Bytes shortBody(body.begin(), body.end() - 2);
    EXPECT_EQ(Read(Form({Bmhd(5, 1), Cmap(256), Chunk("BODY", shortBody)}), &image), kCorruptFile);
    // Index 9 with a colour map of 3 entries: the map must cover the picture.
    EXPECT_EQ(Read(Form({Bmhd(5, 1), Cmap(3), Chunk("BODY", body)}), &image), kCorruptFile);
    EXPECT_TRUE(image.bits.empty());
}

TEST_F(IffReader, RefusesWrongFilesWithTheirCodes) {
    const std::vector<Bytes> rows(2, Bytes(4, 1));
    const Bytes good = Form({Bmhd(4, 2), Cmap(3), Body(rows, 4)});
    BitmapImage image;
    ASSERT_EQ(Read(good, &image), kNoError);  // a 9-byte CMAP and its pad byte
    EXPECT_EQ(image.paletteSize, 3);
    EXPECT_EQ(image.palette[2 * image.paletteEntrySize + 2], 2);

    EXPECT_EQ(Read(Form({Bmhd(4, 2), Cmap(3), Body(rows, 4)}, "PBM "), &image), kCorruptFile);
    Bytes notForm = good;
    notForm[0] = 'C';
    EXPECT_EQ(Read(notForm, &image), kCorruptFile);
    EXPECT_EQ(Read(Form({Bmhd(4, 2, 4), Cmap(3), Body(rows, 4)}), &image), kUnsupportedOption);
    EXPECT_EQ(Read(Form({Bmhd(4, 2, 8, 0, 0), Cmap(3), Body(rows, 4)}), &image),
              kUnsupportedOption);
    EXPECT_EQ(Read(Form({Bmhd(4, 2, 8, 0, 2), Cmap(3), Body(rows, 4)}), &image),
              kUnsupportedOption);
    EXPECT_EQ(Read(Form({Bmhd(0, 2), Cmap(3), Body(rows, 4)}), &image), kInvalidImageSize);
    // Out of order: a body with no record yet, a colour map with no size yet, no body at all.
    EXPECT_EQ(Read(Form({Bmhd(4, 2), Body(rows, 4), Cmap(3)}), &image), kCorruptFile);
    EXPECT_EQ(Read(Form({Cmap(3), Bmhd(4, 2), Body(rows, 4)}), &image), kCorruptFile);
    EXPECT_EQ(Read(Form({Bmhd(4, 2), Cmap(3), Chunk("ANNO", Bytes(40, 'x'))}), &image),
              kCorruptFile);
    EXPECT_EQ(Read(Form({Bmhd(4, 2), Cmap(3)}), &image), kErrorReadingFile);
    EXPECT_EQ(Read(Form({Bmhd(4, 2), Cmap(3), Body(rows, 4), Body(rows, 4)}), &image),
              kCorruptFile);
    // Sizes the file cannot back: a chunk past the end, a huge picture with a tiny body.
    Bytes longChunk = Form({Bmhd(4, 2), Chunk("ANNO", {1, 2}), Cmap(3), Body(rows, 4)});
    longChunk[12 + 28 + 4] = 0x40;
    EXPECT_EQ(Read(longChunk, &image), kErrorReadingFile);
    EXPECT_EQ(Read(Form({Bmhd(8000, 8000), Cmap(256), Chunk("BODY", {0x81, 0})}), &image),
              kErrorReadingFile);
    EXPECT_EQ(ReadIffFile(dir.file("none.iff").c_str(), &image), kUnableToOpenFile);
    EXPECT_EQ(ReadIffFile(dir.file("none.iff").c_str(), nullptr), kInvalidBitmapPointer);

    for (size_t size = 0; size < good.size(); ++size) {
        BitmapImage cut;
        EXPECT_NE(Read(Bytes(good.begin(), good.begin() + static_cast<ptrdiff_t>(size)), &cut),
                  kNoError)
            << size;
        EXPECT_TRUE(cut.bits.empty()) << size;
    }
}

TEST_F(IffReader, KeepsAPictureWhoseLastPadByteIsMissingAndSaysSo) {
    // A 17-byte body (a no-op packet, then each plane row as a repeat of two bytes) is the last
    // chunk; its pad byte is the file's last byte. Plane 0 is 0xAA: indices 1 0 1 0 1.
    Bytes body = {0x80, 0xFF, 0xAA};
    for (int p = 1; p < 8; ++p) body.insert(body.end(), {0xFF, 0x00});
    ASSERT_EQ(body.size() % 2, 1u);
    const Bytes whole = Form({Bmhd(5, 1), Cmap(2), Chunk("BODY", body)});
    const Bytes cut(whole.begin(), whole.end() - 1);
    // A writer that never wrote the pad byte and did not count it in the FORM either.
    Bytes uncounted = cut;
    uncounted[7] = static_cast<uint8_t>(uncounted[7] - 1);

    struct Case {
        const char* what;
        const Bytes* file;
        bool damaged;
    } cases[] = {{"whole", &whole, false},
                 {"pad byte cut off", &cut, true},
                 {"pad byte never counted", &uncounted, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.write("pad.iff", *c.file);
        BitmapImage image;
        std::string damage = "left over";
        ASSERT_EQ(ReadIffFileNotingDamage(path.c_str(), &image, &damage), kNoError);
        EXPECT_EQ(StoredRow(image, 0), (Bytes{1, 0, 1, 0, 1}));
        EXPECT_EQ(damage.empty(), !c.damaged) << damage;
        // The designed read takes the picture either way; the checked read hands the note on.
        BitmapImage designed;
        EXPECT_EQ(ReadIffFile(path.c_str(), &designed), kNoError);
        const CheckedImageRead checked = ReadImageFileChecked(path.c_str());
        ASSERT_TRUE(checked.ok());
        EXPECT_EQ(checked.damage, damage);
        EXPECT_EQ(checked.width, 5);
    }

    // A failed read leaves no note behind.
    std::string damage = "left over";
    BitmapImage image;
    const Bytes truncated(cut.begin(), cut.end() - 1);
    EXPECT_NE(ReadIffFileNotingDamage(dir.write("short.iff", truncated).c_str(), &image, &damage),
              kNoError);
    EXPECT_TRUE(damage.empty());
    EXPECT_TRUE(ReadImageFileChecked(dir.file("short.iff").c_str()).damage.empty());
}

// netpbm's ppmtoilbm writes 8-plane ILBM files of our pictures; we read its pixels back.
TEST_F(IffReader, ReadsFilesWrittenByPpmtoilbm) {
    if (!testsupport::ProgramAvailable("ppmtoilbm")) GTEST_SKIP() << "netpbm not installed";
    struct Case {
        uint32_t width, height, colours;
        std::string options;
    } cases[] = {{21, 5, 20, ""}, {64, 9, 256, ""}, {1, 1, 1, ""}, {37, 12, 90, "-nocompress"}};
    for (const Case& c : cases) {
        const RgbPicture picture = testsupport::PalettePattern(c.width, c.height, c.colours);
        const std::string ppm = dir.file("in.ppm"), iff = dir.file("out.iff");
        ASSERT_TRUE(testsupport::WritePpm(ppm, picture));
        ASSERT_TRUE(testsupport::RunCommand("ppmtoilbm -fixplanes 8 " + c.options + " " + ppm +
                                            " > " + iff));
        BitmapImage image;
        const uint32_t code = ReadIffFile(iff.c_str(), &image);
        if (!c.options.empty()) {
            EXPECT_EQ(code, kUnsupportedOption);  // unpacked bodies are not read
            continue;
        }
        ASSERT_EQ(code, kNoError) << c.width;
        EXPECT_TRUE(testsupport::RgbFromRecord(image) == picture) << c.width;
    }
}

}  // namespace
