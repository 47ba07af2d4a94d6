// Targa reader and writer: hand-built files, refusals, round trips and peer tools.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
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

struct TgaFields {
    uint8_t type = 2;
    uint16_t width = 1;
    uint16_t height = 1;
    uint8_t depth = 24;
    uint8_t descriptor = 0;
    uint8_t mapType = 0;
    uint16_t firstEntry = 0;
    uint16_t mapLength = 0;
    uint8_t entryBits = 0;
    uint8_t idLength = 0;
};

Bytes TgaHeader(const TgaFields& f) {
    return {f.idLength, f.mapType, f.type,
            uint8_t(f.firstEntry), uint8_t(f.firstEntry >> 8),
            uint8_t(f.mapLength), uint8_t(f.mapLength >> 8), f.entryBits,
            0, 0, 0, 0,
            uint8_t(f.width), uint8_t(f.width >> 8), uint8_t(f.height), uint8_t(f.height >> 8),
            f.depth, f.descriptor};
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
    const std::string path = Temp("in.tga");
    EXPECT_TRUE(testsupport::WritePeerFileBytes(path, bytes));
    return ReadTargaFile(path.c_str(), image);
}

// Pixel bytes of stored row y (0 = bottom).
Bytes Row(const BitmapImage& image, uint32_t y) {
    const uint8_t* p = image.bits.data() + size_t{y} * image.scanWidth;
    return Bytes(p, p + (image.bitsPerPixel * image.width + 7) / 8);
}

}  // namespace

TEST(TargaReader, RefusesBadHeadersWithTheirCodes) {
    struct Case {
        const char* what;
        Bytes file;
        uint32_t code;
    } cases[] = {
        {"short header", Bytes(17, 0), kErrorReadingFile},
        {"image type 0", TgaHeader({.type = 0}), kUnsupportedOption},
        {"depth 12", Cat(TgaHeader({.depth = 12}), Bytes(3)), kUnsupportedOption},
        {"image type 4", Cat(TgaHeader({.type = 4}), Bytes(3)), kUnsupportedOption},
        {"colour map of 300 entries",
         Cat(TgaHeader({.type = 1, .depth = 8, .mapType = 1, .mapLength = 300, .entryBits = 24}),
             Bytes(901)),
         kUnsupportedOption},
        {"map beyond index 255",
         Cat(TgaHeader({.type = 1, .depth = 8, .mapType = 1, .firstEntry = 200, .mapLength = 60,
                        .entryBits = 24}),
             Bytes(181)),
         kUnsupportedOption},
        {"map entries of 8 bits",
         Cat(TgaHeader({.type = 1, .depth = 8, .mapType = 1, .mapLength = 2, .entryBits = 8}), Bytes(3)),
         kUnsupportedOption},
        {"colour-mapped 16-bit indices", Cat(TgaHeader({.type = 1, .depth = 16}), Bytes(2)),
         kUnsupportedOption},
        {"true colour of 8 bits", Cat(TgaHeader({.type = 2, .depth = 8}), Bytes(1)), kUnsupportedOption},
        {"zero width", TgaHeader({.width = 0}), kInvalidImageSize},
        // 18 bytes that claim 4 Gpixel: refused for the missing data, nothing allocated.
        {"65535 x 65535 without data", TgaHeader({.width = 65535, .height = 65535}), kErrorReadingFile},
        {"65535 x 65535 run-length without data",
         TgaHeader({.type = 10, .width = 65535, .height = 65535}), kErrorReadingFile},
        {"id field past the end", TgaHeader({.idLength = 5}), kErrorReadingFile},
        {"one pixel missing", Cat(TgaHeader({.width = 2}), Bytes(5)), kErrorReadingFile},
        {"run packet without its pixel", Cat(TgaHeader({.type = 10, .width = 2}), Bytes{0x80, 1, 2, 3, 0x80, 1}),
         kErrorReadingFile},
        {"pixel outside the map",
         Cat(TgaHeader({.type = 1, .depth = 8, .mapType = 1, .mapLength = 2, .entryBits = 24}),
             Bytes{1, 2, 3, 4, 5, 6, 2}),
         kCorruptedFile},
        {"pixel below the first map entry",
         Cat(TgaHeader({.type = 9, .depth = 8, .mapType = 1, .firstEntry = 4, .mapLength = 2,
                        .entryBits = 24}),
             Bytes{1, 2, 3, 4, 5, 6, 0x80, 3}),
         kCorruptedFile},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BitmapImage image;
        EXPECT_EQ(ReadBytes(c.file, &image), c.code);
        EXPECT_EQ(GetLastImageError(), c.code);
        EXPECT_TRUE(image.bits.empty());
        EXPECT_EQ(image.width, 0u);
    }
    BitmapImage image;
    EXPECT_EQ(ReadTargaFile(Temp("missing.tga").c_str(), &image), kUnableToOpenFile);
    EXPECT_EQ(ReadTargaFile(Temp("in.tga").c_str(), nullptr), kInvalidBitmapPointer);
}

TEST(TargaReader, DepthsAlphaAndPalettes) {
    BitmapImage image;
    // 32 bits with 8 alpha bits keep their alpha; without alpha bits they become 24-bit pixels.
    const Bytes pixels32{1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_EQ(ReadBytes(Cat(TgaHeader({.width = 2, .depth = 32, .descriptor = 0x08}), pixels32), &image), 0u);
    EXPECT_EQ(image.bitsPerPixel, 32);
    EXPECT_EQ(Row(image, 0), pixels32);
    ASSERT_EQ(ReadBytes(Cat(TgaHeader({.width = 2, .depth = 32}), pixels32), &image), 0u);
    EXPECT_EQ(image.bitsPerPixel, 24);
    EXPECT_EQ(Row(image, 0), (Bytes{1, 2, 3, 5, 6, 7}));
    // The same as run-length packets of 4-byte file pixels.
    ASSERT_EQ(ReadBytes(Cat(TgaHeader({.type = 10, .width = 3, .depth = 32}),
                            Bytes{0x81, 1, 2, 3, 4, 0x00, 5, 6, 7, 8}),
                        &image),
              0u);
    EXPECT_EQ(Row(image, 0), (Bytes{1, 2, 3, 1, 2, 3, 5, 6, 7}));

    // 15-bit words are kept as 16-bit pixels.
    ASSERT_EQ(ReadBytes(Cat(TgaHeader({.width = 2, .depth = 15}), Bytes{0xFF, 0x7F, 0x34, 0x12}), &image), 0u);
    EXPECT_EQ(image.bitsPerPixel, 16);
    EXPECT_EQ(Row(image, 0), (Bytes{0xFF, 0x7F, 0x34, 0x12}));

    // A grey file without a map gets the ramp.
    ASSERT_EQ(ReadBytes(Cat(TgaHeader({.type = 3, .width = 2, .depth = 8}), Bytes{9, 200}), &image), 0u);
    EXPECT_EQ(image.bitsPerPixel, 8);
    ASSERT_EQ(image.paletteSize, 256);
    for (uint32_t i = 0; i < 256; ++i) {
        ASSERT_EQ(image.palette[i * image.paletteEntrySize], i);
        ASSERT_EQ(image.palette[i * image.paletteEntrySize + 2], i);
    }
    EXPECT_EQ(Row(image, 0), (Bytes{9, 200}));

    // 16-bit map entries expand to 8 bits a channel; the first entry index places the map.
    image = BitmapImage{};
    image.dibLayout = 1;
    ASSERT_EQ(ReadBytes(Cat(TgaHeader({.type = 1, .width = 2, .depth = 8, .mapType = 1, .firstEntry = 3,
                                       .mapLength = 2, .entryBits = 16}),
                            Bytes{0x1F, 0x00, 0x00, 0x7C, 4, 3}),
                        &image),
              0u);
    EXPECT_EQ(image.dibLayout, 1);
    EXPECT_EQ(image.paletteSize, 5);
    EXPECT_EQ(image.paletteEntrySize, 4);
    EXPECT_EQ(Bytes(image.palette.begin() + 12, image.palette.end()), (Bytes{248, 0, 0, 0, 0, 0, 248, 0}));
    EXPECT_EQ(Row(image, 0), (Bytes{4, 3}));
    EXPECT_EQ(testsupport::RecordToPeerPixels(image).data, (Bytes{248, 0, 0, 0, 0, 248}));

    // A colour map in a true-colour file is stepped over, as is the identification field.
    ASSERT_EQ(ReadBytes(Cat(TgaHeader({.type = 2, .depth = 24, .mapType = 1, .mapLength = 2, .entryBits = 24,
                                       .idLength = 3}),
                            Bytes{'i', 'd', '!', 9, 9, 9, 9, 9, 9, 10, 20, 30}),
                        &image),
              0u);
    EXPECT_EQ(Row(image, 0), (Bytes{10, 20, 30}));
}

TEST(TargaReader, RunLengthPacketsAndRowOrders) {
    BitmapImage image;
    // 0x83 repeats the next pixel 4 times; 0x03 brings 4 raw pixels; packets run across rows and
    // a last packet running past the picture is cut.
    ASSERT_EQ(ReadBytes(Cat(TgaHeader({.type = 11, .width = 3, .height = 3, .depth = 8}),
                            Bytes{0x83, 7, 0x03, 1, 2, 3, 4, 0x85, 9}),
                        &image),
              0u);
    EXPECT_EQ(Row(image, 0), (Bytes{7, 7, 7}));
    EXPECT_EQ(Row(image, 1), (Bytes{7, 1, 2}));
    EXPECT_EQ(Row(image, 2), (Bytes{3, 4, 9}));

    // One 2 x 2 picture in the four orders; rows of the record are bottom-up.
    const Bytes bottomLeft{1, 2};  // stored row 0 (bottom): 1 2; row 1: 3 4
    const struct {
        uint8_t descriptor;
        Bytes data;
    } orders[] = {{0x00, {1, 2, 3, 4}}, {0x20, {3, 4, 1, 2}}, {0x10, {2, 1, 4, 3}}, {0x30, {4, 3, 2, 1}}};
    for (const auto& order : orders) {
        SCOPED_TRACE(int(order.descriptor));
        for (uint8_t type : {3, 11}) {
            Bytes data = order.data;
            if (type == 11) data = {0x03, data[0], data[1], data[2], data[3]};
            ASSERT_EQ(ReadBytes(Cat(TgaHeader({.type = type, .width = 2, .height = 2, .depth = 8,
                                               .descriptor = order.descriptor}),
                                    data),
                                &image),
                      0u);
            EXPECT_EQ(Row(image, 0), bottomLeft);
            EXPECT_EQ(Row(image, 1), (Bytes{3, 4}));
        }
    }
}

TEST(TargaReader, EveryTruncationFailsCleanly) {
    BitmapImage source = testsupport::PeerPixelsToRecord(testsupport::PeerTestPattern(5, 4, 3), 0);
    const std::string path = Temp("full.tga");
    ASSERT_EQ(WriteTargaFile(path.c_str(), source), 0u);
    const Bytes full = testsupport::ReadPeerFileBytes(path);
    // A run-length twin built by hand: every row one raw packet.
    Bytes rle = TgaHeader({.type = 10, .width = 5, .height = 4, .depth = 24, .descriptor = 0x20});
    for (int y = 0; y < 4; ++y) {
        rle.push_back(0x04);
        rle.insert(rle.end(), full.begin() + 18 + y * 15, full.begin() + 18 + (y + 1) * 15);
    }
    BitmapImage fromRle;
    ASSERT_EQ(ReadBytes(rle, &fromRle), 0u);
    EXPECT_EQ(fromRle.bits, source.bits);
    for (const Bytes* file : {&full, static_cast<const Bytes*>(&rle)}) {
        for (size_t n = 0; n < file->size(); ++n) {
            BitmapImage image;
            ASSERT_EQ(ReadBytes(Bytes(file->begin(), file->begin() + n), &image), kErrorReadingFile) << n;
            ASSERT_TRUE(image.bits.empty());
        }
    }
}

TEST(TargaWriter, HeadersAndRoundTrips) {
    const std::string path = Temp("out.tga");
    // 24 bits: type 2, depth 24, top-to-bottom.
    BitmapImage colour = testsupport::PeerPixelsToRecord(testsupport::PeerTestPattern(5, 3, 3), 1);
    ASSERT_EQ(WriteTargaFile(path.c_str(), colour), 0u);
    Bytes file = testsupport::ReadPeerFileBytes(path);
    ASSERT_EQ(file.size(), 18u + 45u);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 18),
              TgaHeader({.type = 2, .width = 5, .height = 3, .depth = 24, .descriptor = 0x20}));
    // The first row in the file is the top row: the record's last stored row.
    EXPECT_EQ(Bytes(file.begin() + 18, file.begin() + 33), Row(colour, 2));
    BitmapImage back;
    back.dibLayout = 1;
    ASSERT_EQ(ReadTargaFile(path.c_str(), &back), 0u);
    EXPECT_EQ(back.bits, colour.bits);
    EXPECT_EQ(back.scanWidth, colour.scanWidth);

    // 32 bits keep their alpha (descriptor 0x28); 16-bit words stay as they are.
    for (uint8_t depth : {16, 32}) {
        BitmapImage deep;
        deep.width = 3;
        deep.height = 2;
        deep.bitsPerPixel = depth;
        ASSERT_EQ(AllocateBitmapImage(&deep), 0u);
        for (size_t i = 0; i < deep.bits.size(); ++i) deep.bits[i] = uint8_t(i * 29 + 3);
        if (depth == 16) {
            for (size_t i = 1; i < deep.bits.size(); i += 2) deep.bits[i] &= 0x7F;
        }
        ASSERT_EQ(WriteTargaFile(path.c_str(), deep), 0u);
        file = testsupport::ReadPeerFileBytes(path);
        EXPECT_EQ(file[17], depth == 32 ? 0x28 : 0x20);
        back = BitmapImage{};
        ASSERT_EQ(ReadTargaFile(path.c_str(), &back), 0u);
        EXPECT_EQ(back.bitsPerPixel, depth);
        EXPECT_EQ(back.bits, deep.bits);
    }

    // Palette pictures: a grey palette of more than 16 entries gives a grey file that holds grey
    // levels; small or coloured palettes give a colour map; 1- and 4-bit pixels become bytes.
    BitmapImage grey;
    grey.width = 4;
    grey.height = 2;
    grey.bitsPerPixel = 8;
    grey.paletteSize = 20;
    ASSERT_EQ(AllocateBitmapImage(&grey), 0u);
    for (uint32_t i = 0; i < 20; ++i) std::memset(grey.palette.data() + i * 3, int(255 - i * 10), 3);
    grey.bits = {0, 1, 2, 19, 5, 6, 7, 8};
    ASSERT_EQ(WriteTargaFile(path.c_str(), grey), 0u);
    file = testsupport::ReadPeerFileBytes(path);
    EXPECT_EQ(file[2], 3);
    EXPECT_EQ(file[1], 0);
    EXPECT_EQ(Bytes(file.begin() + 18, file.end()), (Bytes{205, 195, 185, 175, 255, 245, 235, 65}));
    back = BitmapImage{};
    ASSERT_EQ(ReadTargaFile(path.c_str(), &back), 0u);
    EXPECT_EQ(testsupport::RecordToPeerPixels(back), testsupport::RecordToPeerPixels(grey));

    for (uint8_t depth : {1, 4}) {
        BitmapImage packed;
        packed.width = 11;
        packed.height = 3;
        packed.bitsPerPixel = depth;
        packed.dibLayout = 1;
        ASSERT_EQ(AllocateBitmapImage(&packed), 0u);
        for (uint32_t i = 0; i < packed.paletteSize; ++i) {
            packed.palette[i * 4] = uint8_t(i * 16);
            packed.palette[i * 4 + 1] = uint8_t(255 - i);
            packed.palette[i * 4 + 2] = 7;
        }
        for (size_t i = 0; i < packed.bits.size(); ++i) packed.bits[i] = uint8_t(i * 73 + 11);
        ASSERT_EQ(WriteTargaFile(path.c_str(), packed), 0u);
        file = testsupport::ReadPeerFileBytes(path);
        EXPECT_EQ(file[1], 1);
        EXPECT_EQ(file[2], 1);
        EXPECT_EQ(file[7], 24);
        EXPECT_EQ(file[16], 8);
        EXPECT_EQ(file.size(), 18u + packed.paletteSize * 3u + 33u);
        back = BitmapImage{};
        ASSERT_EQ(ReadTargaFile(path.c_str(), &back), 0u);
        EXPECT_EQ(back.bitsPerPixel, 8);
        EXPECT_EQ(testsupport::RecordToPeerPixels(back), testsupport::RecordToPeerPixels(packed));
    }
}

TEST(TargaWriter, FailuresLeaveTheOldFile) {
    const std::string path = Temp("kept.tga");
    const Bytes old{'o', 'l', 'd'};
    ASSERT_TRUE(testsupport::WritePeerFileBytes(path, old));
    BitmapImage big = testsupport::PeerPixelsToRecord(testsupport::PeerTestPattern(64, 64, 3), 0);
    // The file system refuses the file after 1000 bytes.
    EXPECT_EQ(testsupport::RunWithFileSizeLimit(1000, [&] { return WriteTargaFile(path.c_str(), big); }),
              kErrorWritingFile);
    EXPECT_EQ(testsupport::ReadPeerFileBytes(path), old);
    // An inconsistent record is refused before anything is written.
    BitmapImage liar = big;
    liar.height = 65;
    EXPECT_EQ(WriteTargaFile(path.c_str(), liar), kInvalidBitmapPointer);
    EXPECT_EQ(GetLastImageError(), kInvalidBitmapPointer);
    EXPECT_EQ(WriteTargaFile(Temp("no/such/dir.tga").c_str(), big), kUnableToOpenFile);
    EXPECT_EQ(testsupport::ReadPeerFileBytes(path), old);
    // No temporary file is left behind.
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(path).parent_path())) {
        EXPECT_EQ(entry.path().filename().string().find(".wsqtmp"), std::string::npos) << entry.path();
    }
}

// Files written by the peers read to the peers' pixels, and ours read back by them.
// This ImageMagick keeps a Targa file's row order as an orientation tag instead of turning the
// rows, so it is asked to apply the tag (-auto-orient). Its writer puts the top row first under
// a bottom-up descriptor, so its files come out upside down in every reader, its own included:
// the pixels to match are the ones it reads back from its file, not the ones it was given.
TEST(TargaPeers, ImageMagick) {
    SKIP_WITHOUT_PEER_PROGRAM("convert");
    for (uint32_t channels : {1u, 3u, 4u}) {
        for (const char* compress : {"None", "RLE"}) {
            SCOPED_TRACE(testing::Message() << channels << " channels, " << compress);
            const PeerPixels pattern = testsupport::PeerTestPattern(7, 5, channels);
            const std::string in = Temp("im.pam"), tga = Temp("im.tga"), out = Temp("im-out.pam");
            ASSERT_TRUE(testsupport::WritePeerNetpbm(in, pattern));
            ASSERT_TRUE(testsupport::RunPeerCommand("convert " + in + " -compress " + compress + " " + tga));
            ASSERT_TRUE(testsupport::RunPeerCommand("convert " + tga + " -auto-orient " + out));
            PeerPixels expected;
            ASSERT_TRUE(testsupport::ReadPeerNetpbm(out, &expected));
            BitmapImage image;
            ASSERT_EQ(ReadTargaFile(tga.c_str(), &image), 0u);
            EXPECT_EQ(testsupport::RecordToPeerPixels(image), testsupport::PeerAsColour(expected));

            image = testsupport::PeerPixelsToRecord(pattern, 0);
            ASSERT_EQ(WriteTargaFile(tga.c_str(), image), 0u);
            ASSERT_TRUE(testsupport::RunPeerCommand("convert " + tga + " -auto-orient " + out));
            PeerPixels back;
            ASSERT_TRUE(testsupport::ReadPeerNetpbm(out, &back));
            EXPECT_EQ(testsupport::PeerAsColour(back), testsupport::PeerAsColour(pattern));
        }
    }
}

TEST(TargaPeers, Netpbm) {
    SKIP_WITHOUT_PEER_PROGRAM("ppmtotga");
    SKIP_WITHOUT_PEER_PROGRAM("tgatoppm");
    const PeerPixels pattern = testsupport::PeerTestPattern(9, 4, 3);
    const std::string in = Temp("np.ppm"), tga = Temp("np.tga"), out = Temp("np-out.ppm");
    ASSERT_TRUE(testsupport::WritePeerNetpbm(in, pattern));
    for (const char* option : {"-rgb -norle", "-rgb"}) {
        SCOPED_TRACE(option);
        ASSERT_TRUE(testsupport::RunPeerCommand(std::string("ppmtotga ") + option + " " + in + " > " + tga));
        BitmapImage image;
        ASSERT_EQ(ReadTargaFile(tga.c_str(), &image), 0u);
        EXPECT_EQ(testsupport::RecordToPeerPixels(image), pattern);
    }
    // Colour-mapped files of a few colours.
    PeerPixels few = pattern;
    for (size_t i = 0; i < few.data.size(); ++i) few.data[i] = uint8_t((few.data[i] & 0xC0) | 0x20);
    ASSERT_TRUE(testsupport::WritePeerNetpbm(in, few));
    for (const char* option : {"-cmap -norle", "-cmap"}) {
        SCOPED_TRACE(option);
        ASSERT_TRUE(testsupport::RunPeerCommand(std::string("ppmtotga ") + option + " " + in + " > " + tga));
        BitmapImage image;
        ASSERT_EQ(ReadTargaFile(tga.c_str(), &image), 0u);
        EXPECT_EQ(image.bitsPerPixel, 8);
        EXPECT_EQ(testsupport::RecordToPeerPixels(image), few);
        ASSERT_EQ(WriteTargaFile(tga.c_str(), image), 0u);
        ASSERT_TRUE(testsupport::RunPeerCommand("tgatoppm " + tga + " > " + out));
        PeerPixels back;
        ASSERT_TRUE(testsupport::ReadPeerNetpbm(out, &back));
        EXPECT_EQ(back, few);
    }
}

TEST(TargaPeers, Pillow) {
    SKIP_WITHOUT_PILLOW();
    const char* modes[] = {"L", "RGB", "RGBA", "P"};
    // One run of the peer writes every variant and its pixels, another reads ours back.
    std::string write = "from PIL import Image\n"
                        "im = Image.new('RGBA', (6, 5))\n"
                        "im.putdata([((x * 40) % 256, (y * 50) % 256, (x * y * 9) % 256, 255 - x * 20)"
                        " for y in range(5) for x in range(6)])\n";
    std::string read = "from PIL import Image\n";
    for (const char* mode : modes) {
        for (int rle = 0; rle < 2; ++rle) {
            const std::string stem = Temp(std::string("pil-") + mode + std::to_string(rle));
            write += "v = im.convert('" + std::string(mode) + "')\n" + "v.save('" + stem + ".tga', rle=" +
                     (rle ? "True" : "False") + ")\n" + testsupport::PeerPillowSavePam("v", stem + ".pam");
            read += "v = Image.open('" + stem + "-ours.tga')\n" +
                    testsupport::PeerPillowSavePam("v", stem + "-ours.pam");
        }
    }
    ASSERT_TRUE(testsupport::RunPeerPython(write));
    for (const char* mode : modes) {
        for (int rle = 0; rle < 2; ++rle) {
            SCOPED_TRACE(testing::Message() << mode << " rle " << rle);
            const std::string stem = Temp(std::string("pil-") + mode + std::to_string(rle));
            PeerPixels expected;
            ASSERT_TRUE(testsupport::ReadPeerNetpbm(stem + ".pam", &expected));
            BitmapImage image;
            ASSERT_EQ(ReadTargaFile((stem + ".tga").c_str(), &image), 0u);
            EXPECT_EQ(testsupport::RecordToPeerPixels(image), expected);
            ASSERT_EQ(WriteTargaFile((stem + "-ours.tga").c_str(), image), 0u);
        }
    }
    // A 4-bit record with 4-byte palette entries, as bitmap files have them.
    BitmapImage packed;
    packed.width = 5;
    packed.height = 3;
    packed.bitsPerPixel = 4;
    packed.dibLayout = 1;
    ASSERT_EQ(AllocateBitmapImage(&packed), 0u);
    for (size_t i = 0; i < packed.palette.size(); ++i) packed.palette[i] = uint8_t(i % 4 == 3 ? 0 : i * 5);
    for (size_t i = 0; i < packed.bits.size(); ++i) packed.bits[i] = uint8_t(i * 37);
    const std::string packedStem = Temp("pil-packed");
    ASSERT_EQ(WriteTargaFile((packedStem + ".tga").c_str(), packed), 0u);
    read += "v = Image.open('" + packedStem + ".tga')\n" + testsupport::PeerPillowSavePam("v", packedStem + ".pam");
    ASSERT_TRUE(testsupport::RunPeerPython(read));
    PeerPixels packedBack;
    ASSERT_TRUE(testsupport::ReadPeerNetpbm(packedStem + ".pam", &packedBack));
    EXPECT_EQ(packedBack, testsupport::RecordToPeerPixels(packed));
    for (const char* mode : modes) {
        for (int rle = 0; rle < 2; ++rle) {
            SCOPED_TRACE(testing::Message() << mode << " rle " << rle);
            const std::string stem = Temp(std::string("pil-") + mode + std::to_string(rle));
            PeerPixels expected, back;
            ASSERT_TRUE(testsupport::ReadPeerNetpbm(stem + ".pam", &expected));
            ASSERT_TRUE(testsupport::ReadPeerNetpbm(stem + "-ours.pam", &back));
            EXPECT_EQ(back, expected);
        }
    }
}
