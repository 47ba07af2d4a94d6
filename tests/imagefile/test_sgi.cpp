// SGI image reader and writer: hand-built files, refusals, round trips and peer tools.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imagefile/bitmap_image.h"
#include "imagefile/formats.h"
#include "imagefile/image_error.h"
#include "support/peer_tools.h"
#include "support/record_pixels.h"
#include "support/write_limit.h"

using namespace imagefile;
using testsupport::PeerPixels;

namespace {

using Bytes = std::vector<uint8_t>;

struct SgiFields {
    uint16_t magic = 474;
    uint8_t storage = 0;
    uint8_t bytesPerChannel = 1;
    uint16_t dimension = 3;
    uint16_t width = 1;
    uint16_t height = 1;
    uint16_t channels = 3;
    uint32_t colourMap = 0;
};

void Put16(Bytes& b, size_t at, uint32_t v) {
    b[at] = uint8_t(v >> 8);
    b[at + 1] = uint8_t(v);
}
void Put32(Bytes& b, size_t at, uint32_t v) {
    Put16(b, at, v >> 16);
    Put16(b, at + 2, v);
}

Bytes SgiHeader(const SgiFields& f) {
    Bytes h(512, 0);
    Put16(h, 0, f.magic);
    h[2] = f.storage;
    h[3] = f.bytesPerChannel;
    Put16(h, 4, f.dimension);
    Put16(h, 6, f.width);
    Put16(h, 8, f.height);
    Put16(h, 10, f.channels);
    Put32(h, 16, 255);
    Put32(h, 104, f.colourMap);
    return h;
}

// A run-length file from encoded rows, given channel by channel, bottom row first.
Bytes SgiRunLength(SgiFields f, const std::vector<Bytes>& rows) {
    f.storage = 1;
    Bytes file = SgiHeader(f);
    const size_t tables = rows.size() * 8;
    file.resize(512 + tables);
    uint32_t offset = static_cast<uint32_t>(512 + tables);
    for (size_t i = 0; i < rows.size(); ++i) {
        Put32(file, 512 + i * 4, offset);
        Put32(file, 512 + rows.size() * 4 + i * 4, static_cast<uint32_t>(rows[i].size()));
        offset += static_cast<uint32_t>(rows[i].size());
    }
    for (const Bytes& row : rows) file.insert(file.end(), row.begin(), row.end());
    return file;
}

Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::string Temp(const std::string& name) {
    static const std::string dir = testsupport::PeerScratchDirectory();
    return dir + "/" + name;
}

uint32_t ReadBytes(const Bytes& bytes, BitmapImage* image) {
    const std::string path = Temp("in.rgb");
    EXPECT_TRUE(testsupport::WritePeerFileBytes(path, bytes));
    return ReadSgiFile(path.c_str(), image);
}

Bytes Row(const BitmapImage& image, uint32_t y) {
    const uint8_t* p = image.bits.data() + size_t{y} * image.scanWidth;
    return Bytes(p, p + (image.bitsPerPixel * image.width + 7) / 8);
}

}  // namespace

TEST(SgiReader, RefusesBadHeadersWithTheirCodes) {
    struct Case {
        const char* what;
        Bytes file;
        uint32_t code;
    } cases[] = {
        {"short header", Bytes(511, 0), kErrorReadingFile},
        {"bad magic", Cat(SgiHeader({.magic = 475}), Bytes(3)), kUnsupportedOption},
        {"colour map kind 1", Cat(SgiHeader({.colourMap = 1}), Bytes(3)), kUnsupportedOption},
        {"2 bytes a value", Cat(SgiHeader({.bytesPerChannel = 2}), Bytes(6)), kUnsupportedOption},
        {"0 bytes a value", Cat(SgiHeader({.bytesPerChannel = 0}), Bytes(6)), kUnsupportedOption},
        {"storage 2", Cat(SgiHeader({.storage = 2}), Bytes(3)), kUnsupportedOption},
        {"dimension 4", Cat(SgiHeader({.dimension = 4}), Bytes(3)), kUnsupportedOption},
        {"5 channels", Cat(SgiHeader({.channels = 5}), Bytes(5)), kInvalidBitsPerPixel},
        {"0 channels", SgiHeader({.channels = 0}), kInvalidBitsPerPixel},
        {"zero width", SgiHeader({.width = 0}), kInvalidImageSize},
        {"verbatim pixels missing", Cat(SgiHeader({.width = 2}), Bytes(5)), kErrorReadingFile},
        // 512 bytes that claim 16 Gbyte: refused for the missing data, nothing allocated.
        {"65535 x 65535 x 4 without data",
         SgiHeader({.storage = 1, .width = 65535, .height = 65535, .channels = 4}),
         kErrorReadingFile},
        {"row without its end count",
         SgiRunLength({.dimension = 2, .width = 2, .channels = 1}, {{0x02, 7, 1}}),
         kUnsupportedOption},
        {"empty row",
         Cat(SgiRunLength({.dimension = 2, .width = 1, .channels = 1}, {{}}), Bytes(3)),
         kUnsupportedOption},
        // Rows that are not all there: packets that end before the width, a literal that runs
        // past the width or past the row's data, a repeat without its value.
        {"row short of its width",
         SgiRunLength({.dimension = 2, .width = 5, .channels = 1}, {{0x82, 0x0A, 0x0B, 0x00}}),
         kCorruptedFile},
        {"literal past the width",
         SgiRunLength({.dimension = 2, .width = 5, .channels = 1},
                      {{0x86, 1, 2, 3, 4, 5, 6, 0x00}}),
         kCorruptedFile},
        {"literal past the row's data",
         SgiRunLength({.dimension = 2, .width = 5, .channels = 1}, {{0x85, 1, 2, 0x00}}),
         kCorruptedFile},
        {"repeat without its value",
         SgiRunLength({.dimension = 2, .width = 5, .channels = 1}, {{0x82, 1, 2, 0x03, 0x00}}),
         kCorruptedFile},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BitmapImage image;
        EXPECT_EQ(ReadBytes(c.file, &image), c.code);
        EXPECT_EQ(GetLastImageError(), c.code);
        EXPECT_TRUE(image.bits.empty());
    }

    // Tables that point outside the file, or at rows longer than any encoder writes.
    Bytes file = SgiRunLength({.dimension = 2, .width = 2, .channels = 1}, {{0x02, 7, 0}});
    BitmapImage image;
    ASSERT_EQ(ReadBytes(file, &image), 0u);
    EXPECT_EQ(Row(image, 0), (Bytes{7, 7}));
    Bytes beyond = file;
    Put32(beyond, 512, 0xFFFFFFF0u);
    EXPECT_EQ(ReadBytes(beyond, &image), kErrorReadingFile);
    Bytes tooLong = Cat(file, Bytes(100, 0));
    Put32(tooLong, 516, 7);
    EXPECT_EQ(ReadBytes(tooLong, &image), kCorruptedFile);
    EXPECT_EQ(ReadSgiFile(Temp("missing.rgb").c_str(), &image), kUnableToOpenFile);
    EXPECT_EQ(ReadSgiFile(Temp("in.rgb").c_str(), nullptr), kInvalidBitmapPointer);
}

TEST(SgiReader, VerbatimAndRunLengthLayouts) {
    BitmapImage image;
    // Three planes of 2 x 2: red, green, blue, bottom row first.
    const Bytes planes{1, 2, 3, 4, 11, 12, 13, 14, 21, 22, 23, 24};
    ASSERT_EQ(ReadBytes(Cat(SgiHeader({.width = 2, .height = 2}), planes), &image), 0u);
    EXPECT_EQ(image.bitsPerPixel, 24);
    EXPECT_EQ(Row(image, 0), (Bytes{21, 11, 1, 22, 12, 2}));
    EXPECT_EQ(Row(image, 1), (Bytes{23, 13, 3, 24, 14, 4}));

    // The same picture run-length encoded, with the row data stored in the reverse order of the
    // table (all rows are 4 bytes, so swapping the offsets puts every table entry on its row).
    Bytes rle = SgiRunLength({.width = 2, .height = 2}, {{0x82, 23, 24, 0},
                                                         {0x82, 21, 22, 0},
                                                         {0x82, 13, 14, 0},
                                                         {0x82, 11, 12, 0},
                                                         {0x82, 3, 4, 0},
                                                         {0x82, 1, 2, 0}});
    for (int i = 0; i < 3; ++i) {
        for (int k = 0; k < 4; ++k) std::swap(rle[512 + i * 4 + k], rle[512 + (5 - i) * 4 + k]);
    }
    BitmapImage fromRle;
    image.dibLayout = 1;
    fromRle.dibLayout = 1;
    ASSERT_EQ(ReadBytes(Cat(SgiHeader({.width = 2, .height = 2}), planes), &image), 0u);
    ASSERT_EQ(ReadBytes(rle, &fromRle), 0u);
    EXPECT_EQ(fromRle.bits, image.bits);
    EXPECT_EQ(fromRle.scanWidth, 8u);

    // 0x82 0x0A 0x0B 0x03 0x07 0x00 gives 0A 0B 07 07 07; a longer run is cut at the row's end.
    ASSERT_EQ(ReadBytes(SgiRunLength({.dimension = 2, .width = 5, .channels = 1},
                                     {{0x82, 0x0A, 0x0B, 0x03, 0x07, 0x00}}),
                        &image),
              0u);
    EXPECT_EQ(image.bitsPerPixel, 8);
    EXPECT_EQ(Row(image, 0), (Bytes{0x0A, 0x0B, 0x07, 0x07, 0x07}));
    EXPECT_EQ(image.palette[200 * image.paletteEntrySize + 1], 200);
    ASSERT_EQ(ReadBytes(SgiRunLength({.width = 3, .height = 2, .channels = 4}, {{0x05, 1, 0},
                                                                                {0x05, 2, 0},
                                                                                {0x05, 3, 0},
                                                                                {0x05, 4, 0},
                                                                                {0x05, 5, 0},
                                                                                {0x05, 6, 0},
                                                                                {0x83, 7, 8, 9, 0},
                                                                                {0x7F, 10, 0}}),
                        &image),
              0u);
    EXPECT_EQ(image.bitsPerPixel, 32);
    EXPECT_EQ(Row(image, 0), (Bytes{5, 3, 1, 7, 5, 3, 1, 8, 5, 3, 1, 9}));
    EXPECT_EQ(Row(image, 1), (Bytes{6, 4, 2, 10, 6, 4, 2, 10, 6, 4, 2, 10}));

    // Dimension 1 is a single row whatever the y size says.
    ASSERT_EQ(ReadBytes(Cat(SgiHeader({.dimension = 1, .width = 3, .height = 9, .channels = 7}),
                            Bytes{4, 5, 6}),
                        &image),
              0u);
    EXPECT_EQ(image.height, 1u);
    EXPECT_EQ(Row(image, 0), (Bytes{4, 5, 6}));
}

// Two channels are grey and alpha: they read as a 32-bit record with the grey in all three
// colour bytes, which is how such pictures look in other viewers.
TEST(SgiReader, GreyWithAlphaReadsAsThirtyTwoBits) {
    BitmapImage image;
    ASSERT_EQ(ReadBytes(Cat(SgiHeader({.width = 2, .channels = 2}), Bytes{50, 60, 255, 7}), &image),
              0u);
    EXPECT_EQ(image.bitsPerPixel, 32);
    EXPECT_EQ(Row(image, 0), (Bytes{50, 50, 50, 255, 60, 60, 60, 7}));
    BitmapImage rle;
    ASSERT_EQ(ReadBytes(SgiRunLength({.width = 2, .channels = 2},
                                     {{0x82, 50, 60, 0}, {0x01, 255, 0x01, 7, 0}}),
                        &rle),
              0u);
    EXPECT_EQ(rle.bits, image.bits);
}

TEST(SgiReader, EveryTruncationFailsCleanly) {
    const BitmapImage source =
        testsupport::PeerPixelsToRecord(testsupport::PeerTestPattern(4, 3, 4), 0);
    const std::string path = Temp("full.rgb");
    ASSERT_EQ(WriteSgiFile(path.c_str(), source), 0u);
    const Bytes verbatim = testsupport::ReadPeerFileBytes(path);
    std::vector<Bytes> rows;
    for (size_t i = 0; i < 12; ++i) {
        Bytes row{0x84};
        row.insert(row.end(), verbatim.begin() + 512 + i * 4, verbatim.begin() + 512 + i * 4 + 4);
        row.push_back(0);
        rows.push_back(row);
    }
    const Bytes rle = SgiRunLength({.width = 4, .height = 3, .channels = 4}, rows);
    BitmapImage image;
    ASSERT_EQ(ReadBytes(rle, &image), 0u);
    EXPECT_EQ(image.bits, source.bits);
    for (const Bytes* file : {&verbatim, &rle}) {
        // Every cut inside the header fails the same way; past it every prefix is tried.
        for (size_t n : {size_t{0}, size_t{1}, size_t{100}, size_t{511}}) {
            ASSERT_EQ(ReadBytes(Bytes(file->begin(), file->begin() + n), &image), kErrorReadingFile)
                << n;
        }
        for (size_t n = 512; n < file->size(); ++n) {
            ASSERT_EQ(ReadBytes(Bytes(file->begin(), file->begin() + n), &image), kErrorReadingFile)
                << n;
            ASSERT_TRUE(image.bits.empty());
        }
    }
}

TEST(SgiWriter, ChannelsByPaletteAndRoundTrips) {
    const std::string path = Temp("out.rgb");
    struct Expect {
        uint32_t dimension, channels;
    };
    auto header = [&](const Bytes& file) {
        return Expect{uint32_t(file[4] << 8 | file[5]), uint32_t(file[10] << 8 | file[11])};
    };

    BitmapImage colour = testsupport::PeerPixelsToRecord(testsupport::PeerTestPattern(5, 3, 3), 1);
    ASSERT_EQ(WriteSgiFile(path.c_str(), colour), 0u);
    Bytes file = testsupport::ReadPeerFileBytes(path);
    ASSERT_EQ(file.size(), 512u + 45u);
    EXPECT_EQ(header(file).dimension, 3u);
    EXPECT_EQ(header(file).channels, 3u);
    EXPECT_EQ(file[0] << 8 | file[1], 474);
    EXPECT_EQ(file[19], 255);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(file.data() + 24)), path.substr(0, 79));
    // The red plane begins with the red bytes of the bottom row.
    EXPECT_EQ(file[512], colour.bits[2]);
    EXPECT_EQ(file[513], colour.bits[5]);
    BitmapImage back;
    back.dibLayout = 1;
    ASSERT_EQ(ReadSgiFile(path.c_str(), &back), 0u);
    EXPECT_EQ(back.bits, colour.bits);

    BitmapImage alpha = testsupport::PeerPixelsToRecord(testsupport::PeerTestPattern(3, 4, 4), 0);
    ASSERT_EQ(WriteSgiFile(path.c_str(), alpha), 0u);
    EXPECT_EQ(header(testsupport::ReadPeerFileBytes(path)).channels, 4u);
    back = BitmapImage{};
    ASSERT_EQ(ReadSgiFile(path.c_str(), &back), 0u);
    EXPECT_EQ(back.bits, alpha.bits);

    // A grey ramp is one channel of dimension 2; other palettes are three channels.
    BitmapImage grey = testsupport::PeerPixelsToRecord(testsupport::PeerTestPattern(6, 2, 1), 0);
    ASSERT_EQ(WriteSgiFile(path.c_str(), grey), 0u);
    file = testsupport::ReadPeerFileBytes(path);
    EXPECT_EQ(header(file).dimension, 2u);
    EXPECT_EQ(header(file).channels, 1u);
    EXPECT_EQ(file.size(), 512u + 12u);
    back = BitmapImage{};
    ASSERT_EQ(ReadSgiFile(path.c_str(), &back), 0u);
    EXPECT_EQ(back.bits, grey.bits);

    BitmapImage packed;
    packed.width = 9;
    packed.height = 2;
    packed.bitsPerPixel = 4;
    packed.dibLayout = 1;
    ASSERT_EQ(AllocateBitmapImage(&packed), 0u);
    for (size_t i = 0; i < packed.palette.size(); ++i) packed.palette[i] = uint8_t(i * 7);
    for (size_t i = 0; i < packed.bits.size(); ++i) packed.bits[i] = uint8_t(i * 53);
    ASSERT_EQ(WriteSgiFile(path.c_str(), packed), 0u);
    EXPECT_EQ(header(testsupport::ReadPeerFileBytes(path)).channels, 3u);
    back = BitmapImage{};
    ASSERT_EQ(ReadSgiFile(path.c_str(), &back), 0u);
    EXPECT_EQ(testsupport::RecordToPeerPixels(back), testsupport::RecordToPeerPixels(packed));

    // 16-bit records are written as the colours they stand for.
    BitmapImage sixteen;
    sixteen.width = 2;
    sixteen.height = 1;
    sixteen.bitsPerPixel = 16;
    ASSERT_EQ(AllocateBitmapImage(&sixteen), 0u);
    sixteen.bits = {0x1F, 0x00, 0x00, 0x7C};
    ASSERT_EQ(WriteSgiFile(path.c_str(), sixteen), 0u);
    back = BitmapImage{};
    ASSERT_EQ(ReadSgiFile(path.c_str(), &back), 0u);
    EXPECT_EQ(back.bits, (Bytes{248, 0, 0, 0, 0, 248}));
}

TEST(SgiWriter, FailuresLeaveTheOldFile) {
    const std::string path = Temp("kept.rgb");
    const Bytes old{'o', 'l', 'd'};
    ASSERT_TRUE(testsupport::WritePeerFileBytes(path, old));
    const BitmapImage big =
        testsupport::PeerPixelsToRecord(testsupport::PeerTestPattern(64, 64, 3), 0);
    EXPECT_EQ(
        testsupport::RunWithFileSizeLimit(2000, [&] { return WriteSgiFile(path.c_str(), big); }),
        kErrorWritingFile);
    EXPECT_EQ(testsupport::ReadPeerFileBytes(path), old);
    BitmapImage badIndex =
        testsupport::PeerPixelsToRecord(testsupport::PeerTestPattern(4, 4, 1), 0);
    badIndex.paletteSize = 16;  // pixels above 15 have no entry
    EXPECT_EQ(WriteSgiFile(path.c_str(), badIndex), kInvalidBitmapPointer);
    EXPECT_EQ(testsupport::ReadPeerFileBytes(path), old);
}

TEST(SgiPeers, ImageMagick) {
    SKIP_WITHOUT_PEER_PROGRAM("convert");
    for (uint32_t channels : {1u, 3u, 4u}) {
        for (const char* compress : {"None", "RLE"}) {
            SCOPED_TRACE(testing::Message() << channels << " channels, " << compress);
            const PeerPixels pattern = testsupport::PeerTestPattern(131, 5, channels);
            const std::string in = Temp("im.pam"), sgi = Temp("im.sgi"), out = Temp("im-out.pam");
            ASSERT_TRUE(testsupport::WritePeerNetpbm(in, pattern));
            ASSERT_TRUE(testsupport::RunPeerCommand("convert " + in + " -compress " + compress +
                                                    " " + sgi));
            BitmapImage image;
            ASSERT_EQ(ReadSgiFile(sgi.c_str(), &image), 0u);
            EXPECT_EQ(testsupport::RecordToPeerPixels(image), testsupport::PeerAsColour(pattern));

            ASSERT_EQ(WriteSgiFile(sgi.c_str(), image), 0u);
            ASSERT_TRUE(testsupport::RunPeerCommand("convert " + sgi + " " + out));
            PeerPixels back;
            ASSERT_TRUE(testsupport::ReadPeerNetpbm(out, &back));
            EXPECT_EQ(testsupport::PeerAsColour(back), testsupport::PeerAsColour(pattern));
        }
    }
}

TEST(SgiPeers, Netpbm) {
    SKIP_WITHOUT_PEER_PROGRAM("pnmtosgi");
    SKIP_WITHOUT_PEER_PROGRAM("sgitopnm");
    for (uint32_t channels : {1u, 3u}) {
        const PeerPixels pattern = testsupport::PeerTestPattern(300, 3, channels);
        const std::string in = Temp("np.pnm"), sgi = Temp("np.sgi"), out = Temp("np-out.pnm");
        ASSERT_TRUE(testsupport::WritePeerNetpbm(in, pattern));
        for (const char* option : {"-verbatim", "-rle"}) {
            SCOPED_TRACE(testing::Message() << channels << " channels " << option);
            ASSERT_TRUE(testsupport::RunPeerCommand(std::string("pnmtosgi ") + option + " " + in +
                                                    " > " + sgi));
            BitmapImage image;
            ASSERT_EQ(ReadSgiFile(sgi.c_str(), &image), 0u);
            EXPECT_EQ(testsupport::RecordToPeerPixels(image), testsupport::PeerAsColour(pattern));
            ASSERT_EQ(WriteSgiFile(sgi.c_str(), image), 0u);
            ASSERT_TRUE(testsupport::RunPeerCommand("sgitopnm " + sgi + " > " + out));
            PeerPixels back;
            ASSERT_TRUE(testsupport::ReadPeerNetpbm(out, &back));
            EXPECT_EQ(back, pattern);
        }
    }
}

TEST(SgiPeers, Pillow) {
    SKIP_WITHOUT_PILLOW();
    const char* modes[] = {"L", "RGB", "RGBA"};
    std::string write =
        "from PIL import Image\n"
        "im = Image.new('RGBA', (6, 5))\n"
        "im.putdata([((x * 40) % 256, (y * 50) % 256, (x * y * 9) % 256, 255 - x * 20)"
        " for y in range(5) for x in range(6)])\n";
    std::string read = "from PIL import Image\n";
    for (const char* mode : modes) {
        const std::string stem = Temp(std::string("pil-") + mode);
        write += "v = im.convert('" + std::string(mode) + "')\nv.save('" + stem + ".sgi')\n" +
                 testsupport::PeerPillowSavePam("v", stem + ".pam");
        read += "v = Image.open('" + stem + "-ours.sgi')\n" +
                testsupport::PeerPillowSavePam("v", stem + "-ours.pam");
    }
    ASSERT_TRUE(testsupport::RunPeerPython(write));
    for (const char* mode : modes) {
        SCOPED_TRACE(mode);
        const std::string stem = Temp(std::string("pil-") + mode);
        PeerPixels expected;
        ASSERT_TRUE(testsupport::ReadPeerNetpbm(stem + ".pam", &expected));
        BitmapImage image;
        ASSERT_EQ(ReadSgiFile((stem + ".sgi").c_str(), &image), 0u);
        EXPECT_EQ(testsupport::RecordToPeerPixels(image), expected);
        ASSERT_EQ(WriteSgiFile((stem + "-ours.sgi").c_str(), image), 0u);
    }
    ASSERT_TRUE(testsupport::RunPeerPython(read));
    for (const char* mode : modes) {
        SCOPED_TRACE(mode);
        const std::string stem = Temp(std::string("pil-") + mode);
        PeerPixels expected, back;
        ASSERT_TRUE(testsupport::ReadPeerNetpbm(stem + ".pam", &expected));
        ASSERT_TRUE(testsupport::ReadPeerNetpbm(stem + "-ours.pam", &back));
        EXPECT_EQ(back, expected);
    }
}
