// The PCX reader: header rules, run-length and unencoded rows, plane placement (including the
// 16-colour files of four 1-bit planes), palettes, hostile headers, and files written by peers.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "imagefile/formats.h"
#include "imagefile/image_error.h"
#include "imagefile/image_layout.h"
#include "support/peer_image_tools.h"
#include "support/scratch_dir.h"

using namespace imagefile;
using testsupport::RgbPicture;

namespace {

struct PcxHeader {
    uint8_t manufacturer = 10;
    uint8_t version = 5;
    uint8_t encoding = 1;
    uint8_t bitsPerPlane = 8;
    uint16_t xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    std::array<uint8_t, 48> palette{};
    uint8_t planes = 1;
    uint16_t bytesPerLine = 0;
    uint16_t paletteInfo = 1;

    std::vector<uint8_t> bytes() const {
        std::vector<uint8_t> h(128);
        auto put16 = [&](size_t at, uint16_t v) {
            h[at] = static_cast<uint8_t>(v);
            h[at + 1] = static_cast<uint8_t>(v >> 8);
        };
        h[0] = manufacturer;
        h[1] = version;
        h[2] = encoding;
        h[3] = bitsPerPlane;
        put16(4, xMin);
        put16(6, yMin);
        put16(8, xMax);
        put16(10, yMax);
        std::copy(palette.begin(), palette.end(), h.begin() + 16);
        h[65] = planes;
        put16(66, bytesPerLine);
        put16(68, paletteInfo);
        return h;
    }
};

PcxHeader Header(uint16_t width, uint16_t height, uint8_t bits, uint8_t planes, uint16_t bpl) {
    PcxHeader h;
    h.xMax = static_cast<uint16_t>(width - 1);
    h.yMax = static_cast<uint16_t>(height - 1);
    h.bitsPerPlane = bits;
    h.planes = planes;
    h.bytesPerLine = bpl;
    return h;
}

std::vector<uint8_t> Concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The 256-colour table of version 5 files: marker, then entry i = (i, 255 - i, i / 2).
std::vector<uint8_t> Trailer(uint8_t marker = 12) {
    std::vector<uint8_t> t{marker};
    for (int i = 0; i < 256; ++i) {
        t.push_back(static_cast<uint8_t>(i));
        t.push_back(static_cast<uint8_t>(255 - i));
        t.push_back(static_cast<uint8_t>(i / 2));
    }
    return t;
}

class PcxReader : public ::testing::Test {
protected:
    uint32_t Read(const std::vector<uint8_t>& bytes, BitmapImage* image) {
        return ReadPcxFile(dir.write("t.pcx", bytes).c_str(), image);
    }
    testsupport::ScratchDir dir;
};

TEST_F(PcxReader, RefusesBadHeadersWithTheirCodes) {
    BitmapImage image;
    PcxHeader h = Header(4, 1, 8, 1, 4);
    h.version = 0;
    h.manufacturer = 11;
    EXPECT_EQ(Read(Concat(h.bytes(), {1, 2, 3, 4}), &image), kUnsupportedOption);
    EXPECT_EQ(GetLastImageError(), kUnsupportedOption);

    h = Header(4, 1, 8, 1, 4);
    h.xMin = 5;  // x maximum 3 below x minimum 5: no width, not 65534 columns
    EXPECT_EQ(Read(Concat(h.bytes(), {1, 2, 3, 4}), &image), kInvalidImageSize);
    h = Header(4, 1, 8, 1, 3);  // lines one byte shorter than the rows
    EXPECT_EQ(Read(Concat(h.bytes(), {1, 2, 3, 4}), &image), kCorruptedFile);
    h = Header(4, 1, 8, 2, 4);  // two 8-bit planes
    EXPECT_EQ(Read(Concat(h.bytes(), {1, 2, 3, 4, 5, 6, 7, 8}), &image), kInvalidBitsPerPixel);
    h = Header(4, 1, 8, 1, 4);
    h.version = 0;
    h.encoding = 2;
    EXPECT_EQ(Read(Concat(h.bytes(), {1, 2, 3, 4}), &image), kUnsupportedOption);
    // 65535 x 65535 claimed by a 140-byte file: refused before anything is allocated.
    h = Header(65535, 65535, 8, 1, 65535);
    EXPECT_EQ(Read(Concat(h.bytes(), std::vector<uint8_t>(12, 0xC1)), &image), kInvalidImageSize);
    h = Header(4000, 4000, 8, 1, 4000);
    h.version = 0;
    EXPECT_EQ(Read(Concat(h.bytes(), std::vector<uint8_t>(12, 0xFF)), &image), kErrorReadingFile);
    EXPECT_TRUE(image.bits.empty());
    EXPECT_EQ(Read(std::vector<uint8_t>(100, 10), &image), kErrorReadingFile);
    EXPECT_EQ(ReadPcxFile(dir.file("missing.pcx").c_str(), &image), kUnableToOpenFile);
    EXPECT_EQ(ReadPcxFile(dir.write("n.pcx", {}).c_str(), nullptr), kInvalidBitmapPointer);
}

TEST_F(PcxReader, ReadsRunsLiteralsAndTheTrailingPalette) {
    // Width 10 from x minimum 10 and x maximum 19; two rows. The first row is a run of three 0x55,
    // the literal 0x3F and a run of 0xC9 (9 x 0x07) that the line's end cuts to six; the second
    // row a literal 0xC1-escaped 0xC8 and a 9-run of 2.
    PcxHeader h = Header(10, 2, 8, 1, 10);
    h.xMin = 10;
    h.xMax = 19;
    std::vector<uint8_t> rows = {0xC3, 0x55, 0x3F, 0xC9, 0x07, 0xC1, 0xC8, 0xC9, 0x02};
    BitmapImage image;
    ASSERT_EQ(Read(Concat(Concat(h.bytes(), rows), Trailer()), &image), kNoError);
    ASSERT_EQ(image.width, 10u);
    ASSERT_EQ(image.height, 2u);
    EXPECT_EQ(image.bitsPerPixel, 8);
    EXPECT_EQ(image.paletteSize, 256);
    // The first file row ends up in the last stored row.
    const uint8_t* top = image.bits.data() + image.scanWidth;
    EXPECT_EQ(std::vector<uint8_t>(top, top + 10),
              (std::vector<uint8_t>{0x55, 0x55, 0x55, 0x3F, 7, 7, 7, 7, 7, 7}));
    EXPECT_EQ(image.bits[0], 0xC8);
    EXPECT_EQ(image.bits[1], 2);
    EXPECT_EQ(image.bits[9], 2);
    const uint8_t* entry = &image.palette[size_t{200} * image.paletteEntrySize];
    EXPECT_EQ(entry[0], 100);  // blue
    EXPECT_EQ(entry[1], 55);   // green
    EXPECT_EQ(entry[2], 200);  // red

    EXPECT_EQ(Read(Concat(Concat(h.bytes(), rows), Trailer(13)), &image), kUnsupportedOption);
    // Rows that would need bytes of the colour table are a file that ended early.
    EXPECT_EQ(Read(Concat(Concat(h.bytes(), {0xC3, 0x55}), Trailer()), &image), kErrorReadingFile);
    // A version 5 file too short to hold its colour table never seeks before its start.
    EXPECT_EQ(Read(Concat(h.bytes(), rows), &image), kErrorReadingFile);
}

TEST_F(PcxReader, PlacesPlanesAsChannels) {
    // Two rows of 2 pixels, three planes red, green, blue, unencoded, lines padded to 4 bytes.
    PcxHeader h = Header(2, 2, 8, 3, 4);
    h.encoding = 0;
    std::vector<uint8_t> rows = {10, 11, 0, 0, 20, 21, 0, 0, 30, 31, 0, 0,
                                 40, 41, 0, 0, 50, 51, 0, 0, 60, 61, 0, 0};
    BitmapImage image;
    image.dibLayout = 1;  // the caller's layout is honoured
    ASSERT_EQ(Read(Concat(h.bytes(), rows), &image), kNoError);
    EXPECT_EQ(image.bitsPerPixel, 24);
    EXPECT_EQ(image.scanWidth, 8u);
    EXPECT_TRUE(RecordIsConsistent(image) || image.bitsPerPixel > 8);
    const uint8_t* top = image.bits.data() + image.scanWidth;
    EXPECT_EQ(std::vector<uint8_t>(top, top + 6), (std::vector<uint8_t>{30, 20, 10, 31, 21, 11}));
    EXPECT_EQ(std::vector<uint8_t>(image.bits.begin(), image.bits.begin() + 6),
              (std::vector<uint8_t>{60, 50, 40, 61, 51, 41}));

    // Four 8-bit planes are red, green, blue, alpha.
    h = Header(1, 1, 8, 4, 1);
    image = BitmapImage{};
    ASSERT_EQ(Read(Concat(h.bytes(), {1, 2, 3, 4}), &image), kNoError);
    EXPECT_EQ(image.bitsPerPixel, 32);
    EXPECT_EQ(std::vector<uint8_t>(image.bits.begin(), image.bits.begin() + 4),
              (std::vector<uint8_t>{3, 2, 1, 4}));
}

TEST_F(PcxReader, CombinesOneBitPlanesIntoPaletteIndices) {
    // 16-colour file: 10 pixels, four 1-bit planes of 2 bytes, one row. Pixel x has index x + 3
    // (pixel 9: 12), so plane p holds bit p of every index.
    PcxHeader h = Header(10, 1, 1, 4, 2);
    for (int i = 0; i < 16; ++i) {
        h.palette[3 * i] = static_cast<uint8_t>(i * 16);
        h.palette[3 * i + 1] = static_cast<uint8_t>(i);
        h.palette[3 * i + 2] = static_cast<uint8_t>(255 - i);
    }
    std::vector<uint8_t> planes;
    for (int p = 0; p < 4; ++p) {
        uint16_t bits = 0;
        for (int x = 0; x < 10; ++x)
            if ((x + 3) >> p & 1) bits = static_cast<uint16_t>(bits | 0x8000 >> x);
        // Written as literals; the values below 0xC0 need no escape, the rest get a 1-run.
        for (uint8_t byte : {static_cast<uint8_t>(bits >> 8), static_cast<uint8_t>(bits)}) {
            if (byte >= 0xC0) planes.push_back(0xC1);
            planes.push_back(byte);
        }
    }
    BitmapImage image;
    ASSERT_EQ(Read(Concat(h.bytes(), planes), &image), kNoError);
    ASSERT_EQ(image.bitsPerPixel, 4);
    EXPECT_EQ(image.paletteSize, 16);
    for (uint32_t x = 0; x < 10; ++x) {
        const uint32_t index = image.bits[x / 2] >> (x % 2 == 0 ? 4 : 0) & 15;
        EXPECT_EQ(index, x + 3) << "pixel " << x;
    }
    const uint8_t* entry = &image.palette[size_t{5} * image.paletteEntrySize];
    EXPECT_EQ(entry[0], 250);
    EXPECT_EQ(entry[1], 5);
    EXPECT_EQ(entry[2], 80);

    // One 1-bit plane with palette information 0 is black and white, whatever the header says.
    h = Header(9, 1, 1, 1, 2);
    h.paletteInfo = 0;
    h.palette.fill(77);
    ASSERT_EQ(Read(Concat(h.bytes(), {0xA5, 0x80}), &image), kNoError);
    EXPECT_EQ(image.bitsPerPixel, 1);
    EXPECT_EQ(image.bits[0], 0xA5);
    EXPECT_EQ(image.bits[1] & 0x80, 0x80);
    EXPECT_EQ(std::vector<uint8_t>(image.palette.begin(), image.palette.begin() + 6),
              (std::vector<uint8_t>{0, 0, 0, 255, 255, 255}));
    // With palette information 1 the header's first two entries count, unless they are one
    // colour (Pillow leaves them black): then black and white again.
    h.paletteInfo = 1;
    h.palette = {10, 20, 30, 40, 50, 60};
    ASSERT_EQ(Read(Concat(h.bytes(), {0xA5, 0x80}), &image), kNoError);
    EXPECT_EQ(std::vector<uint8_t>(image.palette.begin(), image.palette.begin() + 6),
              (std::vector<uint8_t>{30, 20, 10, 60, 50, 40}));
    h.palette.fill(0);
    ASSERT_EQ(Read(Concat(h.bytes(), {0xA5, 0x80}), &image), kNoError);
    EXPECT_EQ(std::vector<uint8_t>(image.palette.begin(), image.palette.begin() + 6),
              (std::vector<uint8_t>{0, 0, 0, 255, 255, 255}));
}

TEST_F(PcxReader, EveryTruncationFailsCleanly) {
    PcxHeader h = Header(5, 3, 8, 1, 6);
    std::vector<uint8_t> file =
        Concat(Concat(h.bytes(), {0xC6, 1, 0xC6, 2, 3, 4, 5, 6, 7, 8}), Trailer());
    BitmapImage image;
    ASSERT_EQ(Read(file, &image), kNoError);
    for (size_t size = 0; size < file.size(); size += size < 160 ? 1 : 53) {
        std::vector<uint8_t> prefix(file.begin(), file.begin() + static_cast<ptrdiff_t>(size));
        BitmapImage cut;
        EXPECT_NE(Read(prefix, &cut), kNoError) << size;
        EXPECT_TRUE(cut.bits.empty() && cut.palette.empty() && cut.width == 0) << size;
    }
}

// ImageMagick and Pillow write PCX files from our pictures; we read back the peer's pixels.
TEST_F(PcxReader, ReadsFilesWrittenByPeers) {
    const RgbPicture truecolour = testsupport::TestPattern(37, 21);
    const RgbPicture paletted = testsupport::PalettePattern(29, 13, 200);
    const RgbPicture sixteen = testsupport::PalettePattern(19, 7, 16);
    const std::string ppm = dir.file("in.ppm"), ppm8 = dir.file("in8.ppm");
    const std::string ppm4 = dir.file("in4.ppm");
    ASSERT_TRUE(testsupport::WritePpm(ppm, truecolour));
    ASSERT_TRUE(testsupport::WritePpm(ppm8, paletted));
    ASSERT_TRUE(testsupport::WritePpm(ppm4, sixteen));
    bool ranAPeer = false;

    auto expectReads = [&](const std::string& pcx, const RgbPicture& expected, int depth) {
        BitmapImage image;
        ASSERT_EQ(ReadPcxFile(pcx.c_str(), &image), kNoError) << pcx;
        if (depth != 0) {
            EXPECT_EQ(image.bitsPerPixel, depth) << pcx;
        }
        EXPECT_TRUE(testsupport::RgbFromRecord(image) == expected) << pcx;
    };
    if (testsupport::ProgramAvailable("convert")) {
        ranAPeer = true;
        const std::string out24 = dir.file("im24.pcx"), out8 = dir.file("im8.pcx");
        ASSERT_TRUE(testsupport::RunCommand("convert " + ppm + " -type TrueColor " + out24));
        ASSERT_TRUE(testsupport::RunCommand("convert " + ppm8 + " -type Palette " + out8));
        expectReads(out24, truecolour, 24);
        expectReads(out8, paletted, 8);
    }
    if (testsupport::PillowAvailable()) {
        ranAPeer = true;
        const std::string script = dir.file("w.py");
        std::vector<uint8_t> text;
        const std::string body =
            "import sys\nfrom PIL import Image\n"
            "src, dst, mode = sys.argv[1:4]\n"
            "im = Image.open(src)\n"
            "im = im.convert(mode) if mode != 'P' else im.quantize(256)\n"
            "im.save(dst)\n";
        text.assign(body.begin(), body.end());
        dir.write("w.py", text);
        const std::string py = testsupport::PillowPython() + " " + script + " ";
        const std::string rgb = dir.file("pil24.pcx"), pal = dir.file("pil8.pcx");
        const std::string grey = dir.file("pilgrey.pcx"), grey8 = dir.file("grey.pgm");
        ASSERT_TRUE(testsupport::RunCommand(py + ppm + " " + rgb + " RGB"));
        ASSERT_TRUE(testsupport::RunCommand(py + ppm8 + " " + pal + " P"));
        ASSERT_TRUE(testsupport::RunCommand(py + ppm + " " + grey + " L"));
        ASSERT_TRUE(testsupport::RunCommand(py + ppm + " " + grey8 + " L"));
        expectReads(rgb, truecolour, 24);
        expectReads(pal, paletted, 8);
        RgbPicture greyPicture;
        ASSERT_TRUE(testsupport::ReadPnm(grey8, &greyPicture));
        expectReads(grey, greyPicture, 8);
        // Black and white: one 1-bit plane.
        RgbPicture bw = testsupport::TestPattern(35, 6);
        for (size_t i = 0; i < bw.rgb.size(); i += 3)
            bw.rgb[i] = bw.rgb[i + 1] = bw.rgb[i + 2] = bw.rgb[i + 2] > 100 ? 255 : 0;
        const std::string ppmBw = dir.file("bw.ppm"), mono = dir.file("pil1.pcx");
        ASSERT_TRUE(testsupport::WritePpm(ppmBw, bw));
        ASSERT_TRUE(testsupport::RunCommand(py + ppmBw + " " + mono + " 1"));
        expectReads(mono, bw, 1);
    }
    if (testsupport::ProgramAvailable("ppmtopcx")) {
        ranAPeer = true;
        // netpbm writes 16-colour pictures as four 1-bit planes, with -packed as one plane of
        // 4 bits, and 8-colour ones as three 1-bit planes; all read as 4-bit records.
        const RgbPicture eight = testsupport::PalettePattern(21, 5, 8);
        const RgbPicture two = testsupport::PalettePattern(21, 5, 2);
        const std::string ppm3 = dir.file("in3.ppm"), ppm1 = dir.file("in1.ppm");
        ASSERT_TRUE(testsupport::WritePpm(ppm3, eight));
        ASSERT_TRUE(testsupport::WritePpm(ppm1, two));
        const std::string out4 = dir.file("pbm4.pcx"), packed = dir.file("pbmpacked.pcx");
        const std::string out3 = dir.file("pbm3.pcx"), out1 = dir.file("pbm1.pcx");
        ASSERT_TRUE(testsupport::RunCommand("ppmtopcx " + ppm4 + " > " + out4));
        ASSERT_TRUE(testsupport::RunCommand("ppmtopcx -packed " + ppm4 + " > " + packed));
        ASSERT_TRUE(testsupport::RunCommand("ppmtopcx " + ppm3 + " > " + out3));
        ASSERT_TRUE(testsupport::RunCommand("ppmtopcx " + ppm1 + " > " + out1));
        expectReads(out4, sixteen, 4);
        expectReads(packed, sixteen, 4);
        expectReads(out3, eight, 4);
        expectReads(out1, two, 1);
        const std::string out24 = dir.file("pbm24.pcx");
        ASSERT_TRUE(testsupport::RunCommand("ppmtopcx -24bit " + ppm + " > " + out24));
        expectReads(out24, truecolour, 24);
    }
    if (!ranAPeer) GTEST_SKIP() << "no PCX peer tool installed";
}

}  // namespace
