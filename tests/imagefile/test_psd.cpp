// The Photoshop reader: header refusals, palettes, raw and PackBits planes, the channel counts
// the steps leave open, hostile sizes, and files written by ImageMagick.
#include <gtest/gtest.h>

#include <vector>

#include "imagefile/formats.h"
#include "imagefile/image_error.h"
#include "support/peer_image_tools.h"
#include "support/scratch_dir.h"

using namespace imagefile;
using testsupport::RgbPicture;

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v >> 16);
    Put16(out, v & 0xFFFF);
}

struct Psd {
    uint16_t channels = 3;
    uint32_t width = 2, height = 2;
    uint16_t bits = 8;
    uint16_t mode = 3;
    std::vector<uint8_t> colourData;
    std::vector<uint8_t> resources;
    uint16_t compression = 0;
    std::vector<uint8_t> data;

    std::vector<uint8_t> bytes() const {
        std::vector<uint8_t> out = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0};
        Put16(out, channels);
        Put32(out, height);
        Put32(out, width);
        Put16(out, bits);
        Put16(out, mode);
        Put32(out, static_cast<uint32_t>(colourData.size()));
        out.insert(out.end(), colourData.begin(), colourData.end());
        Put32(out, static_cast<uint32_t>(resources.size()));
        out.insert(out.end(), resources.begin(), resources.end());
        Put32(out, 0);  // no layers
        Put16(out, compression);
        out.insert(out.end(), data.begin(), data.end());
        return out;
    }
};

// PackBits data: the row size table (16-bit sizes) and then the packed rows.
std::vector<uint8_t> Packed(const std::vector<std::vector<uint8_t>>& rows) {
    std::vector<uint8_t> out;
    for (const auto& row : rows) Put16(out, static_cast<uint32_t>(row.size()));
    for (const auto& row : rows) out.insert(out.end(), row.begin(), row.end());
    return out;
}

std::vector<uint8_t> Pixel(const BitmapImage& image, uint32_t storedRow, uint32_t x) {
    const size_t bytes = image.bitsPerPixel / 8;
    const uint8_t* p = image.bits.data() + size_t{storedRow} * image.scanWidth + x * bytes;
    return std::vector<uint8_t>(p, p + bytes);
}

class PsdReader : public ::testing::Test {
protected:
    uint32_t Read(const Psd& psd, BitmapImage* image) { return Read(psd.bytes(), image); }
    uint32_t Read(const std::vector<uint8_t>& bytes, BitmapImage* image) {
        return ReadPsdFile(dir.write("t.psd", bytes).c_str(), image);
    }
    testsupport::ScratchDir dir;
};

TEST_F(PsdReader, RefusesWhatItDoesNotRead) {
    BitmapImage image;
    Psd psd;
    psd.data.assign(12, 1);
    std::vector<uint8_t> bytes = psd.bytes();
    bytes[3] = 'X';
    EXPECT_EQ(Read(bytes, &image), kCorruptFile);
    bytes = psd.bytes();
    bytes[5] = 2;  // version 2 (large document format)
    EXPECT_EQ(Read(bytes, &image), kCorruptFile);
    EXPECT_EQ(Read(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 25), &image),
              kErrorReadingFile);

    struct Case {
        uint16_t channels, bits, mode;
        uint32_t expected;
    } cases[] = {
        {3, 16, 3, kUnsupportedOption}, {4, 8, 4, kUnsupportedOption},  // 16-bit RGB, CMYK
        {1, 1, 0, kUnsupportedOption},  {5, 8, 3, kUnsupportedOption},  // bitmap, 5 channels
        {3, 8, 9, kUnsupportedOption},  {0, 8, 1, kUnsupportedOption},  // Lab, no channels
        {2, 8, 3, kUnsupportedOption},  {3, 8, 3, kNoError},            // RGB needs 3 planes
    };
    for (const Case& c : cases) {
        Psd p;
        p.channels = c.channels;
        p.bits = c.bits;
        p.mode = c.mode;
        p.data.assign(size_t{4} * c.channels * (c.bits / 8 + 1), 0);
        BitmapImage out;
        EXPECT_EQ(Read(p, &out), c.expected) << c.channels << " " << c.bits << " " << c.mode;
    }
    // Colour mode data is for indexed and duotone pictures only.
    psd.colourData.assign(4, 0);
    EXPECT_EQ(Read(psd, &image), kUnsupportedOption);
    // Sizes over the pixel cap, and sections longer than the file.
    psd = Psd{};
    psd.width = 70000;
    EXPECT_EQ(Read(psd, &image), kInvalidImageSize);
    psd = Psd{};
    bytes = psd.bytes();
    bytes[30] = 0x7F;  // the image resources claim about 2 GB
    EXPECT_EQ(Read(bytes, &image), kErrorReadingFile);
    EXPECT_EQ(ReadPsdFile(dir.file("none.psd").c_str(), &image), kUnableToOpenFile);
}

TEST_F(PsdReader, ReadsRawPlanesBottomUp) {
    Psd psd;  // 2 x 2 RGB: red plane 1..4, green 11..14, blue 21..24
    psd.data = {1, 2, 3, 4, 11, 12, 13, 14, 21, 22, 23, 24};
    BitmapImage image;
    ASSERT_EQ(Read(psd, &image), kNoError);
    EXPECT_EQ(image.bitsPerPixel, 24);
    EXPECT_EQ(image.paletteSize, 0);
    // The first file row is the record's last stored row; bytes blue, green, red.
    EXPECT_EQ(Pixel(image, 1, 0), (std::vector<uint8_t>{21, 11, 1}));
    EXPECT_EQ(Pixel(image, 1, 1), (std::vector<uint8_t>{22, 12, 2}));
    EXPECT_EQ(Pixel(image, 0, 0), (std::vector<uint8_t>{23, 13, 3}));
    psd.data.pop_back();
    EXPECT_EQ(Read(psd, &image), kErrorReadingFile);
    EXPECT_TRUE(image.bits.empty());

    // Four channels: the fourth is alpha.
    psd.channels = 4;
    psd.data = {1, 2, 3, 4, 11, 12, 13, 14, 21, 22, 23, 24, 0, 85, 170, 255};
    ASSERT_EQ(Read(psd, &image), kNoError);
    EXPECT_EQ(image.bitsPerPixel, 32);
    EXPECT_EQ(Pixel(image, 0, 1), (std::vector<uint8_t>{24, 14, 4, 255}));

    // Indexed: 256 reds, 256 greens, 256 blues; index 1 is pure red.
    Psd indexed;
    indexed.mode = 2;
    indexed.channels = 1;
    indexed.colourData.assign(768, 0);
    indexed.colourData[1] = 255;
    indexed.colourData[512 + 2] = 200;
    indexed.data = {1, 2, 0, 1};
    ASSERT_EQ(Read(indexed, &image), kNoError);
    EXPECT_EQ(image.bitsPerPixel, 8);
    EXPECT_EQ(image.paletteSize, 256);
    const uint8_t* entry = &image.palette[image.paletteEntrySize];
    EXPECT_EQ(std::vector<uint8_t>(entry, entry + 3), (std::vector<uint8_t>{0, 0, 255}));
    EXPECT_EQ(image.palette[2u * image.paletteEntrySize], 200);
    EXPECT_EQ(Pixel(image, 1, 0)[0], 1);
    indexed.colourData.resize(700);
    EXPECT_EQ(Read(indexed, &image), kCorruptFile);

    // Grey and duotone get the grey ramp; a second channel (alpha) is passed by.
    Psd grey;
    grey.mode = 8;
    grey.channels = 2;
    grey.colourData.assign(30, 9);
    grey.data = {5, 6, 7, 8, 0, 0, 0, 0};
    ASSERT_EQ(Read(grey, &image), kNoError);
    EXPECT_EQ(image.bitsPerPixel, 8);
    EXPECT_EQ(image.palette[size_t{77} * image.paletteEntrySize + 1], 77);
    EXPECT_EQ(Pixel(image, 0, 1)[0], 8);
}

TEST_F(PsdReader, UnpacksPackBitsRows) {
    // One grey channel, 3 x 2: row 0 is a repeat (0xFE, 7: three 7s), row 1 a literal
    // (0x01, 10, 11) and a repeat of 12 that the width cuts from two bytes to one.
    Psd psd;
    psd.mode = 1;
    psd.channels = 1;
    psd.width = 3;
    psd.compression = 1;
    psd.data = Packed({{0xFE, 7}, {0x01, 10, 11, 0xFF, 12}});
    BitmapImage image;
    ASSERT_EQ(Read(psd, &image), kNoError);
    EXPECT_EQ(std::vector<uint8_t>(image.bits.begin() + image.scanWidth,
                                   image.bits.begin() + image.scanWidth + 3),
              (std::vector<uint8_t>{7, 7, 7}));
    EXPECT_EQ(std::vector<uint8_t>(image.bits.begin(), image.bits.begin() + 3),
              (std::vector<uint8_t>{10, 11, 12}));

    // A row that needs more bytes than its count, or leaves some of them unused: 16.
    psd.data = Packed({{0xFE, 7}, {0x01, 10, 11}});
    EXPECT_EQ(Read(psd, &image), kCorruptFile);
    psd.data = Packed({{0xFE, 7, 0}, {0x02, 10, 11, 12}});
    EXPECT_EQ(Read(psd, &image), kCorruptFile);
    psd.data = Packed({{0x05, 7}, {0x02, 10, 11, 12}});
    EXPECT_EQ(Read(psd, &image), kCorruptFile);
    // A literal that runs past the width, whole or after a first packet: its bytes past the
    // row belong to no pixel, so the row is not what the file says it is.
    psd.data = Packed({{0xFE, 7}, {0x03, 10, 11, 12, 13}});
    EXPECT_EQ(Read(psd, &image), kCorruptFile);
    psd.data = Packed({{0xFE, 7}, {0x00, 10, 0x01, 11, 12, 0x80}, {0xFE, 7}});
    EXPECT_EQ(Read(psd, &image), kCorruptFile);

    // RGB with alpha: channels red, green, blue, alpha each with its own rows.
    Psd rgba;
    rgba.channels = 4;
    rgba.width = 2;
    rgba.height = 1;
    rgba.compression = 1;
    rgba.data = Packed({{0xFF, 1}, {0x01, 2, 3}, {0xFF, 4}, {0xFF, 5}});
    ASSERT_EQ(Read(rgba, &image), kNoError);
    EXPECT_EQ(Pixel(image, 0, 0), (std::vector<uint8_t>{4, 2, 1, 5}));
    EXPECT_EQ(Pixel(image, 0, 1), (std::vector<uint8_t>{4, 3, 1, 5}));

    // Grey with an extra channel: its rows are in the size table but only the first channel
    // makes the picture.
    psd.channels = 2;
    psd.data = Packed({{0xFE, 7}, {0x02, 10, 11, 12}, {0xFE, 0}, {0xFE, 0}});
    ASSERT_EQ(Read(psd, &image), kNoError);
    EXPECT_EQ(image.bitsPerPixel, 8);
    EXPECT_EQ(image.bits[2], 12);

    // A size table that the file cannot hold is refused before it is allocated.
    Psd huge;
    huge.mode = 1;
    huge.channels = 4;
    huge.width = 8000;
    huge.height = 8000;
    huge.compression = 1;
    huge.data.assign(64, 0);
    EXPECT_EQ(Read(huge, &image), kErrorReadingFile);
    // PackBits data too short for the picture: at most 128 pixels per two bytes.
    huge.channels = 1;
    huge.data = Packed(std::vector<std::vector<uint8_t>>(8000, {0x81, 1}));
    EXPECT_EQ(Read(huge, &image), kErrorReadingFile);
}

// ImageMagick writes Photoshop files of our pictures, raw and packed; we read its pixels back.
TEST_F(PsdReader, ReadsFilesWrittenByImageMagick) {
    if (!testsupport::ProgramAvailable("convert")) GTEST_SKIP() << "ImageMagick not installed";
    const RgbPicture truecolour = testsupport::TestPattern(45, 17);
    const RgbPicture paletted = testsupport::PalettePattern(23, 11, 100);
    const std::string ppm = dir.file("in.ppm"), ppm8 = dir.file("in8.ppm");
    ASSERT_TRUE(testsupport::WritePpm(ppm, truecolour));
    ASSERT_TRUE(testsupport::WritePpm(ppm8, paletted));
    struct Case {
        std::string input, options, name;
        const RgbPicture* expected;
        int depth;
    } cases[] = {
        {ppm, "", "rle.psd", &truecolour, 24},
        {ppm, "-compress none", "raw.psd", &truecolour, 24},
        {ppm, "-alpha set", "alpha.psd", &truecolour, 32},
        {ppm8, "-type Palette", "indexed.psd", &paletted, 8},
    };
    for (const Case& c : cases) {
        const std::string out = dir.file(c.name);
        ASSERT_TRUE(testsupport::RunCommand("convert " + c.input + " " + c.options + " " + out));
        BitmapImage image;
        ASSERT_EQ(ReadPsdFile(out.c_str(), &image), kNoError) << c.name;
        EXPECT_EQ(image.bitsPerPixel, c.depth) << c.name;
        EXPECT_TRUE(testsupport::RgbFromRecord(image) == *c.expected) << c.name;
    }
    // Pictures of even rows, which ImageMagick packs as one run a row followed by the no-op
    // header -128: grey, RGB and RGBA.
    for (const char* kind : {"gray", "rgb", "rgba"}) {
        SCOPED_TRACE(kind);
        const std::string source = dir.file(std::string("ramp-") + kind + ".ppm");
        const std::string psd = dir.file(std::string("ramp-") + kind + ".psd");
        ASSERT_TRUE(
            testsupport::RunCommand("convert -size 97x33 gradient:red-blue -depth 8 " + source));
        const std::string extra = std::string(kind) == "gray"   ? " -colorspace Gray"
                                  : std::string(kind) == "rgba" ? " -alpha set"
                                                                : "";
        ASSERT_TRUE(testsupport::RunCommand("convert " + source + extra + " -depth 8 " + psd));
        const std::string back = dir.file(std::string("ramp-") + kind + ".back.ppm");
        ASSERT_TRUE(testsupport::RunCommand("convert " + psd + "[0] -alpha off -depth 8 " + back));
        RgbPicture expected;
        ASSERT_TRUE(testsupport::ReadPnm(back, &expected));
        BitmapImage image;
        ASSERT_EQ(ReadPsdFile(psd.c_str(), &image), kNoError) << "refused as damaged";
        EXPECT_TRUE(testsupport::RgbFromRecord(image) == expected);
    }
    // A no-op inside a row is skipped too; a row with other bytes left over stays corrupt.
    {
        Psd psd;
        psd.mode = 1;
        psd.channels = 1;
        psd.width = 4;
        psd.height = 1;
        psd.compression = 1;
        psd.data = Packed({{0x80, 0x01, 7, 8, 0x80, 0xFF, 9, 0x80, 0x80}});
        BitmapImage image;
        ASSERT_EQ(Read(psd, &image), kNoError);
        EXPECT_EQ(std::vector<uint8_t>(image.bits.begin(), image.bits.begin() + 4),
                  (std::vector<uint8_t>{7, 8, 9, 9}));
        psd.data = Packed({{0x03, 1, 2, 3, 4, 0x80, 0x00}});
        EXPECT_EQ(Read(psd, &image), kCorruptFile);
    }
    // Grey: compared with ImageMagick's own grey conversion.
    const std::string pgm = dir.file("grey.pgm"), greyPsd = dir.file("grey.psd");
    ASSERT_TRUE(testsupport::RunCommand("convert " + ppm + " -colorspace Gray " + pgm));
    ASSERT_TRUE(testsupport::RunCommand("convert " + pgm + " " + greyPsd));
    RgbPicture grey;
    ASSERT_TRUE(testsupport::ReadPnm(pgm, &grey));
    BitmapImage image;
    ASSERT_EQ(ReadPsdFile(greyPsd.c_str(), &image), kNoError);
    EXPECT_EQ(image.bitsPerPixel, 8);
    EXPECT_TRUE(testsupport::RgbFromRecord(image) == grey);
}

}  // namespace
