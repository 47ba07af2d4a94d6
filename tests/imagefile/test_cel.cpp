// The CEL reader: single cel pictures and the first frame of FLI/FLC animations (palettes of
// both levels, byte-run, uncompressed and black frames, skipped chunks, frames that deliver
// nothing), hostile chunk sizes, and our frames checked against Pillow's FLI decoder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imagefile/formats.h"
#include "imagefile/image_error.h"
#include "support/peer_image_tools.h"
#include "support/scratch_dir.h"

using namespace imagefile;
using testsupport::RgbPicture;

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(Bytes& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
Bytes Join(const std::vector<Bytes>& parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes Cel(uint16_t width, uint16_t height, const Bytes& palette, const Bytes& pixels,
          uint8_t bits = 8, uint8_t compression = 0) {
    Bytes out;
    Put16(out, 0x9119);
    Put16(out, width);
    Put16(out, height);
    Put16(out, 0);
    Put16(out, 0);
    out.push_back(bits);
    out.push_back(compression);
    out.resize(32);
    out.insert(out.end(), palette.begin(), palette.end());
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

Bytes SubChunk(uint16_t type, const Bytes& data) {
    Bytes out;
    Put32(out, static_cast<uint32_t>(data.size() + 6));
    Put16(out, type);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

Bytes Frame(const std::vector<Bytes>& subChunks, uint16_t type = 0xF1FA) {
    Bytes body = Join(subChunks);
    Bytes out;
    Put32(out, static_cast<uint32_t>(body.size() + 16));
    Put16(out, type);
    Put16(out, static_cast<uint32_t>(subChunks.size()));
    out.resize(16);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

Bytes Animation(uint16_t width, uint16_t height, const std::vector<Bytes>& chunks,
                uint16_t magic = 0xAF12, uint16_t depth = 8) {
    Bytes body = Join(chunks);
    Bytes out;
    Put32(out, static_cast<uint32_t>(128 + body.size()));
    Put16(out, magic);
    Put16(out, 1);
    Put16(out, width);
    Put16(out, height);
    Put16(out, depth);
    Put16(out, 3);   // flags
    Put32(out, 70);  // speed
    out.resize(128);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// A palette sub-chunk body: one packet copying `count` (0 = 256) triples of i, 2i, 3i.
Bytes PalettePackets(uint8_t skip, uint8_t count, uint32_t scaleDown = 1) {
    Bytes out;
    Put16(out, 1);
    out.push_back(skip);
    out.push_back(count);
    for (uint32_t i = 0; i < (count == 0 ? 256u : count); ++i) {
        out.push_back(static_cast<uint8_t>(i / scaleDown));
        out.push_back(static_cast<uint8_t>(2 * i / scaleDown));
        out.push_back(static_cast<uint8_t>(3 * i / scaleDown));
    }
    return out;
}

Bytes StoredRow(const BitmapImage& image, uint32_t fileRow) {
    const uint8_t* row = image.bits.data() + size_t{image.height - 1 - fileRow} * image.scanWidth;
    return Bytes(row, row + image.width);
}
Bytes Entry(const BitmapImage& image, uint32_t index) {
    const uint8_t* e = &image.palette[size_t{index} * image.paletteEntrySize];
    return Bytes(e, e + 3);
}

class CelReader : public ::testing::Test {
protected:
    uint32_t Read(const Bytes& bytes, BitmapImage* image) {
        return ReadCelFile(dir.write("t.cel", bytes).c_str(), image);
    }
    testsupport::ScratchDir dir;
};

TEST_F(CelReader, ReadsCelFiles) {
    Bytes palette(768, 0);
    palette[3] = 63;  // entry 1: red 63
    palette[6 + 2] = 10;
    const Bytes pixels = {1, 2, 3, 4, 5, 6};
    BitmapImage image;
    ASSERT_EQ(Read(Cel(3, 2, palette, pixels), &image), kNoError);
    EXPECT_EQ(image.bitsPerPixel, 8);
    EXPECT_EQ(image.paletteSize, 256);
    EXPECT_EQ(Entry(image, 1), (Bytes{0, 0, 252}));
    EXPECT_EQ(Entry(image, 2), (Bytes{40, 0, 0}));
    EXPECT_EQ(StoredRow(image, 0), (Bytes{1, 2, 3}));
    EXPECT_EQ(StoredRow(image, 1), (Bytes{4, 5, 6}));

    EXPECT_EQ(Read(Cel(3, 2, palette, {1, 2, 3, 4, 5}), &image), kErrorReadingFile);
    EXPECT_EQ(Read(Cel(3, 2, palette, pixels, 4), &image), kUnsupportedOption);
    EXPECT_EQ(Read(Cel(3, 2, palette, pixels, 8, 1), &image), kUnsupportedOption);
    EXPECT_EQ(Read(Cel(0, 2, palette, pixels), &image), kInvalidImageSize);
    EXPECT_EQ(Read(Cel(60000, 60000, palette, pixels), &image), kInvalidImageSize);
    // 9000 x 7000 claimed by an 806-byte file: refused before the rows are allocated.
    EXPECT_EQ(Read(Cel(9000, 7000, palette, pixels), &image), kErrorReadingFile);
    EXPECT_TRUE(image.bits.empty());
    EXPECT_EQ(Read(Bytes{0x19}, &image), kErrorReadingFile);
    EXPECT_EQ(Read(Bytes{0x19, 0x92, 0, 0, 0x11, 0xAE, 0}, &image), kUnsupportedOption);
    EXPECT_EQ(ReadCelFile(dir.file("none.cel").c_str(), &image), kUnableToOpenFile);
    EXPECT_EQ(ReadCelFile(dir.file("none.cel").c_str(), nullptr), kInvalidBitmapPointer);
}

TEST_F(CelReader, ReadsTheFirstFrameOfAnimations) {
    // Prefix chunk, then a frame with a 256-level palette and a byte-run picture of 4 x 2:
    // row 0 is (count) 0x03 x 7, then -1: one literal 9; row 1 one run of 5 cut to 4.
    const Bytes brun = {0x01, 0x03, 0x07, 0xFF, 0x09, 0x01, 0x05, 0x02};
    Bytes palette256 = PalettePackets(0, 0);
    palette256[2 + 2 + 3 * 200] = 255;  // entry 200: red 255
    BitmapImage image;
    const Bytes file = Animation(4, 2,
                                 {Frame({SubChunk(1, {1, 2, 3, 4})}, 0xF100),
                                  Frame({SubChunk(4, palette256), SubChunk(15, brun)}),
                                  Frame({SubChunk(16, Bytes(8, 0xEE))})});
    ASSERT_EQ(Read(file, &image), kNoError);
    EXPECT_EQ(StoredRow(image, 0), (Bytes{7, 7, 7, 9}));
    EXPECT_EQ(StoredRow(image, 1), (Bytes{2, 2, 2, 2}));
    EXPECT_EQ(Entry(image, 200), (Bytes{88, 144, 255}));
    EXPECT_EQ(Entry(image, 3), (Bytes{9, 6, 3}));

    // FLI: 64-level palette (values times 4) with a skip, an uncompressed picture; the delta
    // and postage-stamp chunks are passed by.
    const Bytes pixels = {1, 2, 3, 4, 5, 6, 7, 8};
    Bytes palette64 = PalettePackets(10, 2);
    palette64[4] = 63;
    palette64[5] = 63;
    palette64[6] = 63;
    ASSERT_EQ(Read(Animation(4, 2,
                             {Frame({SubChunk(18, {9, 9}), SubChunk(11, palette64),
                                     SubChunk(12, {0, 0}), SubChunk(16, pixels)})},
                             0xAF11),
                   &image),
              kNoError);
    EXPECT_EQ(Entry(image, 10), (Bytes{252, 252, 252}));
    EXPECT_EQ(Entry(image, 11), (Bytes{12, 8, 4}));
    EXPECT_EQ(Entry(image, 0), (Bytes{0, 0, 0}));
    EXPECT_EQ(StoredRow(image, 0), (Bytes{1, 2, 3, 4}));

    // A frame whose only sub-chunk is a black frame: an all-zero picture, zero palette.
    ASSERT_EQ(Read(Animation(4, 2, {Frame({SubChunk(13, {})}), Frame({SubChunk(4, palette256)})}),
                   &image),
              kNoError);
    EXPECT_EQ(StoredRow(image, 1), (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(Entry(image, 200), (Bytes{0, 0, 0}));

    // A first frame of deltas only (and an empty frame) delivers nothing: the next frame
    // that has a palette or a picture gives the picture.
    ASSERT_EQ(
        Read(Animation(4, 2,
                       {Frame({}), Frame({SubChunk(7, {0, 0, 0})}), Frame({SubChunk(16, pixels)})}),
             &image),
        kNoError);
    EXPECT_EQ(StoredRow(image, 1), (Bytes{5, 6, 7, 8}));
    // No frame ever delivers: nothing to show.
    EXPECT_EQ(Read(Animation(4, 2, {Frame({SubChunk(7, {0, 0})}), Frame({})}), &image),
              kCorruptFile);
    EXPECT_TRUE(image.bits.empty());
}

TEST_F(CelReader, RefusesBrokenAnimations) {
    const Bytes pixels(8, 1);
    struct Case {
        const char* what;
        Bytes file;
        uint32_t expected;
    } cases[] = {
        {"depth 16", Animation(4, 2, {Frame({SubChunk(16, pixels)})}, 0xAF12, 16),
         kUnsupportedOption},
        {"sub-chunk type 5", Animation(4, 2, {Frame({SubChunk(5, {})})}), kUnsupportedOption},
        {"sub-chunk type 19", Animation(4, 2, {Frame({SubChunk(19, {})})}), kUnsupportedOption},
        {"copy of the wrong size", Animation(4, 2, {Frame({SubChunk(16, Bytes(7, 1))})}),
         kCorruptFile},
        {"palette with a spare byte", Animation(4, 2, {Frame({SubChunk(4, {0, 0, 0})})}),
         kCorruptFile},
        {"palette packet cut short", Animation(4, 2, {Frame({SubChunk(4, {1, 0, 0, 2, 1, 2})})}),
         kCorruptFile},
        {"byte run short of its rows", Animation(4, 2, {Frame({SubChunk(15, {0, 4, 1, 0, 4})})}),
         kCorruptFile},
        {"byte run whose copy runs past its row",
         Animation(4, 2, {Frame({SubChunk(15, {0, 0xFB, 1, 2, 3, 4, 5, 0, 4, 2})})}), kCorruptFile},
        {"byte run with bytes left",
         Animation(4, 2, {Frame({SubChunk(15, {0, 4, 1, 0, 4, 2, 0, 0})})}), kCorruptFile},
        {"byte run that cannot fill a huge picture",
         Animation(60000, 1000, {Frame({SubChunk(15, {0, 4, 1})})}), kCorruptFile},
        {"sub-chunk past its frame",
         [] {
             Bytes f = Animation(4, 2, {Frame({SubChunk(16, Bytes(8, 1))})});
             f[128 + 16] = 40;
             return f;
         }(),
         kCorruptFile},
        {"frame past the end of the file",
         [] {
             Bytes f = Animation(4, 2, {Frame({SubChunk(16, Bytes(8, 1))})});
             f[128 + 1] = 1;
             return f;
         }(),
         kErrorReadingFile},
        {"chunk of size 0 (would not move on)",
         [] {
             Bytes f = Animation(4, 2, {Frame({SubChunk(16, Bytes(8, 1))})});
             f[128] = 0;
             return f;
         }(),
         kCorruptFile},
        {"no chunks", Animation(4, 2, {}), kCorruptFile},
        {"header cut short",
         [] {
             Bytes f = Animation(4, 2, {});
             f.resize(60);
             return f;
         }(),
         kErrorReadingFile},
    };
    for (const Case& c : cases) {
        BitmapImage image;
        EXPECT_EQ(Read(c.file, &image), c.expected) << c.what;
        EXPECT_TRUE(image.bits.empty() && image.palette.empty()) << c.what;
    }
}

// Pillow decodes FLI/FLC: our first frame must be its first frame.
TEST_F(CelReader, FirstFrameAgreesWithPillow) {
    if (!testsupport::PillowAvailable()) GTEST_SKIP() << "Pillow not installed";
    const uint16_t width = 23, height = 9;
    Bytes brun;
    Bytes pixels;
    for (uint32_t y = 0; y < height; ++y) {
        brun.push_back(3);
        brun.push_back(5);  // 5 x (y + 1)
        brun.push_back(static_cast<uint8_t>(y + 1));
        brun.push_back(static_cast<uint8_t>(-10));  // 10 literal bytes
        for (uint32_t i = 0; i < 10; ++i) brun.push_back(static_cast<uint8_t>(40 + i * y));
        brun.push_back(8);  // 8 x 200
        brun.push_back(200);
        for (uint32_t i = 0; i < 5; ++i) pixels.push_back(static_cast<uint8_t>(y + 1));
        for (uint32_t i = 0; i < 10; ++i) pixels.push_back(static_cast<uint8_t>(40 + i * y));
        for (uint32_t i = 0; i < 8; ++i) pixels.push_back(200);
    }
    const std::string script =
        "import sys\nfrom PIL import Image\n"
        "im = Image.open(sys.argv[1]).convert('RGB')\n"
        "with open(sys.argv[2], 'wb') as f:\n"
        "    f.write(b'P6\\n%d %d\\n255\\n' % im.size + im.tobytes())\n";
    dir.write("r.py", Bytes(script.begin(), script.end()));
    for (uint16_t magic : {0xAF11, 0xAF12}) {
        const int level = magic == 0xAF11 ? 11 : 4;
        const Bytes palette = PalettePackets(0, 0, level == 11 ? 4 : 1);
        const std::vector<Bytes> chunks = {
            Frame({SubChunk(static_cast<uint16_t>(level), palette), SubChunk(15, brun)}),
            Frame({SubChunk(16, Bytes(size_t{width} * height, 3))})};
        const std::string fli = dir.write("a.fli", Animation(width, height, chunks, magic));
        const std::string ppm = dir.file("a.ppm");
        ASSERT_TRUE(testsupport::RunCommand(testsupport::PillowPython() + " " + dir.file("r.py") +
                                            " " + fli + " " + ppm));
        RgbPicture peer;
        ASSERT_TRUE(testsupport::ReadPnm(ppm, &peer));
        BitmapImage image;
        ASSERT_EQ(ReadCelFile(fli.c_str(), &image), kNoError);
        for (uint32_t y = 0; y < height; ++y)
            EXPECT_EQ(StoredRow(image, y),
                      Bytes(pixels.begin() + y * width, pixels.begin() + (y + 1) * width));
        EXPECT_TRUE(testsupport::RgbFromRecord(image) == peer) << std::hex << magic;
    }
}

}  // namespace
