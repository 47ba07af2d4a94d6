// Windows bitmap reader and writer: hand-built files, header versions, refusals, round trips and
// peer tools.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "imagefile/bitmap_image.h"
#include "imagefile/formats.h"
#include "imagefile/image_error.h"
#include "support/peer_tools.h"
#include "support/record_pixels.h"
#include "support/write_limit.h"

// The file builders below name only the fields that matter for each case.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

using namespace imagefile;
using testsupport::PeerPixels;

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, size_t at, uint32_t v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}
void Put32(Bytes& b, size_t at, uint32_t v) {
    Put16(b, at, v);
    Put16(b, at + 2, v >> 16);
}

struct BmpFields {
    int32_t width = 1;
    int32_t height = 1;
    uint16_t bitsPerPixel = 24;
    uint32_t compression = 0;
    uint32_t coloursUsed = 0;
    uint32_t headerSize = 40;
    Bytes palette;       // file bytes of the palette (and masks after a 40-byte header)
    Bytes masks;         // inside a longer header, from byte 40 of it
    uint32_t gap = 0;    // bytes between the palette and the pixels
    int64_t pixelOffset = -1;  // -1: computed
};

Bytes Bmp(const BmpFields& f, const Bytes& pixels) {
    Bytes file(14 + std::max<uint32_t>(f.headerSize, 40), 0);
    file[0] = 'B';
    file[1] = 'M';
    const size_t info = 14;
    Put32(file, info, f.headerSize);
    if (f.headerSize == 12) {
        Put16(file, info + 4, uint32_t(f.width));
        Put16(file, info + 6, uint32_t(f.height));
        Put16(file, info + 8, 1);
        Put16(file, info + 10, f.bitsPerPixel);
    } else {
        Put32(file, info + 4, uint32_t(f.width));
        Put32(file, info + 8, uint32_t(f.height));
        Put16(file, info + 12, 1);
        Put16(file, info + 14, f.bitsPerPixel);
        Put32(file, info + 16, f.compression);
        Put32(file, info + 32, f.coloursUsed);
        std::copy(f.masks.begin(), f.masks.end(), file.begin() + info + 40);
    }
    file.resize(14 + f.headerSize);
    file.insert(file.end(), f.palette.begin(), f.palette.end());
    file.insert(file.end(), f.gap, 0xEE);
    Put32(file, 10, f.pixelOffset >= 0 ? uint32_t(f.pixelOffset) : uint32_t(file.size()));
    file.insert(file.end(), pixels.begin(), pixels.end());
    Put32(file, 2, uint32_t(file.size()));
    return file;
}

Bytes Masks(std::initializer_list<uint32_t> masks) {
    Bytes b(masks.size() * 4);
    size_t i = 0;
    for (uint32_t m : masks) Put32(b, 4 * i++, m);
    return b;
}

std::string Temp(const std::string& name) {
    static const std::string dir = testsupport::PeerScratchDirectory();
    return dir + "/" + name;
}

uint32_t ReadBytes(const Bytes& bytes, BitmapImage* image) {
    const std::string path = Temp("in.bmp");
    EXPECT_TRUE(testsupport::WritePeerFileBytes(path, bytes));
    return ReadBmpFile(path.c_str(), image);
}

Bytes Row(const BitmapImage& image, uint32_t y) {
    const uint8_t* p = image.bits.data() + size_t{y} * image.scanWidth;
    return Bytes(p, p + (image.bitsPerPixel * image.width + 7) / 8);
}

}  // namespace

TEST(BmpReader, RefusesBadFilesWithTheirCodes) {
    struct Case {
        const char* what;
        Bytes file;
        uint32_t code;
    } cases[] = {
        {"short file header", Bytes{'B', 'M', 0, 0}, kErrorReadingFile},
        {"not BM", [] { Bytes b = Bmp({}, Bytes(4)); b[1] = 'A'; return b; }(), kUnsupportedOption},
        {"short information header", [] { Bytes b = Bmp({}, Bytes(4)); b.resize(40); return b; }(), kErrorReadingFile},
        {"compression 1 (run-length)", Bmp({.bitsPerPixel = 8, .compression = 1}, Bytes(4)), kUnsupportedOption},
        {"bit fields 5-6-5", Bmp({.bitsPerPixel = 16, .compression = 3, .palette = Masks({0xF800, 0x07E0, 0x1F})}, Bytes(4)),
         kUnsupportedOption},
        {"header of 20 bytes", Bmp({.headerSize = 20}, Bytes(4)), kUnsupportedOption},
        {"depth 2", Bmp({.bitsPerPixel = 2, .palette = Bytes(16)}, Bytes(4)), kInvalidBitsPerPixel},
        {"width 0", Bmp({.width = 0}, Bytes(4)), kInvalidImageSize},
        {"negative width", Bmp({.width = -3}, Bytes(4)), kInvalidImageSize},
        {"height INT_MIN", Bmp({.height = INT32_MIN}, Bytes(4)), kErrorReadingFile},
        {"rows missing", Bmp({.width = 2, .height = 2}, Bytes(15)), kErrorReadingFile},
        // 70 bytes that claim 4 Gpixel: refused for the missing data, nothing allocated.
        {"huge without data", Bmp({.width = 65535, .height = 65535}, Bytes(16)), kErrorReadingFile},
        {"too large", Bmp({.width = 70000, .height = 1}, Bytes(210000)), kInvalidImageSize},
        {"pixel offset past the end", Bmp({.pixelOffset = 1000}, Bytes(4)), kErrorReadingFile},
        {"index beyond colours used",
         Bmp({.width = 3, .bitsPerPixel = 8, .coloursUsed = 2, .palette = Bytes(8)}, Bytes{0, 1, 2, 0}), kCorruptedFile},
        {"1-bit index beyond a 1-colour palette",
         Bmp({.width = 9, .bitsPerPixel = 1, .coloursUsed = 1, .palette = Bytes(4)}, Bytes{0, 0x80, 0, 0}),
         kCorruptedFile},
        {"no room for any palette entry", Bmp({.bitsPerPixel = 8, .pixelOffset = 54}, Bytes(4)), kCorruptedFile},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BitmapImage image;
        EXPECT_EQ(ReadBytes(c.file, &image), c.code);
        EXPECT_EQ(GetLastImageError(), c.code);
        EXPECT_TRUE(image.bits.empty());
    }
    BitmapImage image;
    EXPECT_EQ(ReadBmpFile(Temp("missing.bmp").c_str(), &image), kUnableToOpenFile);
    EXPECT_EQ(ReadBmpFile(Temp("in.bmp").c_str(), nullptr), kInvalidBitmapPointer);
}

TEST(BmpReader, HeaderVersionsOffsetsAndOrders) {
    // One 3 x 2 8-bit picture with a 3-colour palette in every header version, with and without
    // a gap before the pixels; a top-down twin reads to the same record.
    const Bytes palette{10, 20, 30, 0, 40, 50, 60, 0, 70, 80, 90, 0};
    const Bytes pixels{0, 1, 2, 0, 2, 1, 0, 0};  // bottom row first, rows padded to 4
    const Bytes topDown{2, 1, 0, 0, 0, 1, 2, 0};
    BitmapImage reference;
    ASSERT_EQ(ReadBytes(Bmp({.width = 3, .height = 2, .bitsPerPixel = 8, .coloursUsed = 3, .palette = palette}, pixels),
                        &reference),
              0u);
    EXPECT_EQ(reference.paletteSize, 3);
    EXPECT_EQ(reference.paletteEntrySize, 4);
    EXPECT_EQ(Row(reference, 0), (Bytes{0, 1, 2}));
    EXPECT_EQ(Row(reference, 1), (Bytes{2, 1, 0}));
    EXPECT_EQ(Bytes(reference.palette.begin(), reference.palette.end()), palette);
    for (uint32_t headerSize : {40u, 52u, 56u, 64u, 108u, 124u}) {
        for (uint32_t gap : {0u, 7u}) {
            for (bool flipped : {false, true}) {
                SCOPED_TRACE(testing::Message() << headerSize << " gap " << gap << " top-down " << flipped);
                BitmapImage image;
                ASSERT_EQ(ReadBytes(Bmp({.width = 3, .height = flipped ? -2 : 2, .bitsPerPixel = 8, .coloursUsed = 3,
                                         .headerSize = headerSize, .palette = palette, .gap = gap},
                                        flipped ? topDown : pixels),
                                    &image),
                          0u);
                EXPECT_EQ(image.bits, reference.bits);
                EXPECT_EQ(image.palette, reference.palette);
            }
        }
    }
    // The OS/2 header: 16-bit sizes and 3-byte palette entries.
    BitmapImage os2;
    ASSERT_EQ(ReadBytes(Bmp({.width = 3, .height = 2, .bitsPerPixel = 8, .headerSize = 12,
                             .palette = [] {
                                 Bytes p;
                                 for (int i = 0; i < 256; ++i) p.insert(p.end(), {uint8_t(i), 1, 2});
                                 return p;
                             }()},
                            pixels),
                        &os2),
              0u);
    EXPECT_EQ(os2.paletteSize, 256);
    EXPECT_EQ(os2.bits, reference.bits);
    EXPECT_EQ(Bytes(os2.palette.begin() + 8, os2.palette.begin() + 12), (Bytes{2, 1, 2, 0}));

    // A colours-used count larger than the room before the pixels is cut to that room.
    BitmapImage cut;
    ASSERT_EQ(ReadBytes(Bmp({.width = 3, .height = 2, .bitsPerPixel = 8, .coloursUsed = 0, .palette = palette}, pixels),
                        &cut),
              0u);
    EXPECT_EQ(cut.paletteSize, 3);
    // A record of dibLayout 0 keeps packed rows.
    BitmapImage packed;
    packed.dibLayout = 0;
    ASSERT_EQ(ReadBytes(Bmp({.width = 3, .height = 2, .bitsPerPixel = 8, .coloursUsed = 3, .palette = palette}, pixels),
                        &packed),
              0u);
    EXPECT_EQ(packed.scanWidth, 3u);
    EXPECT_EQ(packed.bits, (Bytes{0, 1, 2, 2, 1, 0}));
}

TEST(BmpReader, DeepPixelsAndBitFields) {
    BitmapImage image;
    const Bytes bgra{1, 2, 3, 0, 4, 5, 6, 0};
    // 32-bit pixels whose fourth byte is 0 everywhere are opaque; real alpha is kept.
    ASSERT_EQ(ReadBytes(Bmp({.width = 2, .bitsPerPixel = 32}, bgra), &image), 0u);
    EXPECT_EQ(Row(image, 0), (Bytes{1, 2, 3, 255, 4, 5, 6, 255}));
    ASSERT_EQ(ReadBytes(Bmp({.width = 2, .bitsPerPixel = 32}, Bytes{1, 2, 3, 0, 4, 5, 6, 9}), &image), 0u);
    EXPECT_EQ(Row(image, 0), (Bytes{1, 2, 3, 0, 4, 5, 6, 9}));
    // Bit fields in the record's own layout, after a 40-byte header or inside a 124-byte one.
    ASSERT_EQ(ReadBytes(Bmp({.width = 2, .bitsPerPixel = 32, .compression = 3,
                             .palette = Masks({0xFF0000, 0xFF00, 0xFF})},
                            bgra),
                        &image),
              0u);
    EXPECT_EQ(Row(image, 0), (Bytes{1, 2, 3, 255, 4, 5, 6, 255}));
    ASSERT_EQ(ReadBytes(Bmp({.width = 2, .bitsPerPixel = 32, .compression = 3, .headerSize = 124,
                             .masks = Masks({0xFF0000, 0xFF00, 0xFF, 0xFF000000})},
                            Bytes{1, 2, 3, 128, 4, 5, 6, 255}),
                        &image),
              0u);
    EXPECT_EQ(Row(image, 0), (Bytes{1, 2, 3, 128, 4, 5, 6, 255}));
    ASSERT_EQ(ReadBytes(Bmp({.width = 1, .bitsPerPixel = 16, .compression = 3, .headerSize = 108,
                             .masks = Masks({0x7C00, 0x3E0, 0x1F, 0})},
                            Bytes{0x34, 0x12, 0, 0}),
                        &image),
              0u);
    EXPECT_EQ(image.bitsPerPixel, 16);
    EXPECT_EQ(Row(image, 0), (Bytes{0x34, 0x12}));
    // 1- and 4-bit rows.
    ASSERT_EQ(ReadBytes(Bmp({.width = 3, .bitsPerPixel = 4, .palette = Bytes(64)}, Bytes{0x12, 0x30, 0, 0}), &image),
              0u);
    EXPECT_EQ(image.paletteSize, 16);
    EXPECT_EQ(Row(image, 0), (Bytes{0x12, 0x30}));
}

TEST(BmpWriter, LayoutAndRoundTrips) {
    const std::string path = Temp("out.bmp");
    // A 24-bit record of width 5: rows of 16 bytes, pixel offset 54.
    BitmapImage colour = testsupport::PeerPixelsToRecord(testsupport::PeerTestPattern(5, 3, 3), 0);
    ASSERT_EQ(WriteBmpFile(path.c_str(), colour), 0u);
    Bytes file = testsupport::ReadPeerFileBytes(path);
    ASSERT_EQ(file.size(), 54u + 16u * 3u);
    EXPECT_EQ(file[10], 54);
    EXPECT_EQ(file[2] | file[3] << 8, 54 + 48);
    EXPECT_EQ(file[14], 40);
    EXPECT_EQ(file[28], 24);
    EXPECT_EQ(Bytes(file.begin() + 54, file.begin() + 69), Row(colour, 0));
    BitmapImage back;
    back.dibLayout = 0;
    ASSERT_EQ(ReadBmpFile(path.c_str(), &back), 0u);
    EXPECT_EQ(back.bits, colour.bits);

    // 8 bits with 256 entries: pixel offset 1078, 3-byte entries get a 0 fourth byte.
    BitmapImage grey = testsupport::PeerPixelsToRecord(testsupport::PeerTestPattern(6, 2, 1), 0);
    ASSERT_EQ(WriteBmpFile(path.c_str(), grey), 0u);
    file = testsupport::ReadPeerFileBytes(path);
    EXPECT_EQ(file[10] | file[11] << 8, 1078);
    EXPECT_EQ(file[46] | file[47] << 8, 256);
    EXPECT_EQ(Bytes(file.begin() + 54 + 4 * 200, file.begin() + 58 + 4 * 200), (Bytes{200, 200, 200, 0}));
    back = BitmapImage{};
    ASSERT_EQ(ReadBmpFile(path.c_str(), &back), 0u);
    EXPECT_EQ(testsupport::RecordToPeerPixels(back), testsupport::RecordToPeerPixels(grey));

    // 32 bits are written as 24.
    BitmapImage alpha = testsupport::PeerPixelsToRecord(testsupport::PeerTestPattern(3, 2, 4), 1);
    ASSERT_EQ(WriteBmpFile(path.c_str(), alpha), 0u);
    file = testsupport::ReadPeerFileBytes(path);
    EXPECT_EQ(file[28], 24);
    back = BitmapImage{};
    ASSERT_EQ(ReadBmpFile(path.c_str(), &back), 0u);
    EXPECT_EQ(testsupport::RecordToPeerPixels(back),
              testsupport::PeerWithoutAlpha(testsupport::RecordToPeerPixels(alpha)));

    // 1-, 4- and 16-bit records keep their depth.
    for (uint8_t depth : {1, 4, 16}) {
        SCOPED_TRACE(int(depth));
        BitmapImage packed;
        packed.width = 13;
        packed.height = 3;
        packed.bitsPerPixel = depth;
        packed.dibLayout = 1;
        ASSERT_EQ(AllocateBitmapImage(&packed), 0u);
        for (size_t i = 0; i < packed.palette.size(); ++i) packed.palette[i] = i % 4 == 3 ? 0 : uint8_t(i * 9);
        for (size_t i = 0; i < packed.bits.size(); ++i) packed.bits[i] = uint8_t(i * 41 + 5);
        if (depth == 16) {
            for (size_t i = 1; i < packed.bits.size(); i += 2) packed.bits[i] &= 0x7F;
        }
        ASSERT_EQ(WriteBmpFile(path.c_str(), packed), 0u);
        back = BitmapImage{};
        back.dibLayout = 1;
        ASSERT_EQ(ReadBmpFile(path.c_str(), &back), 0u);
        EXPECT_EQ(back.bitsPerPixel, depth);
        EXPECT_EQ(testsupport::RecordToPeerPixels(back), testsupport::RecordToPeerPixels(packed));
    }
}

TEST(BmpWriter, RefusalsAndFailuresLeaveTheOldFile) {
    const std::string path = Temp("kept.bmp");
    const Bytes old{'o', 'l', 'd'};
    ASSERT_TRUE(testsupport::WritePeerFileBytes(path, old));
    const BitmapImage big = testsupport::PeerPixelsToRecord(testsupport::PeerTestPattern(64, 64, 3), 1);
    EXPECT_EQ(testsupport::RunWithFileSizeLimit(3000, [&] { return WriteBmpFile(path.c_str(), big); }),
              kErrorWritingFile);
    EXPECT_EQ(testsupport::ReadPeerFileBytes(path), old);
    BitmapImage noPixels = big;
    noPixels.bits.clear();
    EXPECT_EQ(WriteBmpFile(path.c_str(), noPixels), kInvalidBitmapPointer);
    BitmapImage shortEntries = testsupport::PeerPixelsToRecord(testsupport::PeerTestPattern(4, 4, 1), 0);
    shortEntries.paletteEntrySize = 2;
    EXPECT_EQ(WriteBmpFile(path.c_str(), shortEntries), kInvalidBitmapPointer);
    EXPECT_EQ(GetLastImageError(), kInvalidBitmapPointer);
    EXPECT_EQ(testsupport::ReadPeerFileBytes(path), old);
}

// Peers write the header versions they like (ImageMagick 124 bytes with bit fields for alpha,
// netpbm 40 or the OS/2 12, Pillow 40); all read to the peers' pixels, and ours read back.
TEST(BmpPeers, ImageMagick) {
    SKIP_WITHOUT_PEER_PROGRAM("convert");
    for (uint32_t channels : {1u, 3u, 4u}) {
        for (const char* format : {"BMP", "BMP3"}) {
            SCOPED_TRACE(testing::Message() << channels << " channels, " << format);
            const PeerPixels pattern = testsupport::PeerTestPattern(7, 5, channels);
            const std::string in = Temp("im.pam"), bmp = Temp("im.bmp"), out = Temp("im-out.pam");
            ASSERT_TRUE(testsupport::WritePeerNetpbm(in, pattern));
            ASSERT_TRUE(testsupport::RunPeerCommand("convert " + in + " " + format + ":" + bmp));
            BitmapImage image;
            ASSERT_EQ(ReadBmpFile(bmp.c_str(), &image), 0u);
            // The old format has no alpha.
            const PeerPixels expected = std::string(format) == "BMP3"
                                            ? testsupport::PeerWithoutAlpha(testsupport::PeerAsColour(pattern))
                                            : testsupport::PeerAsColour(pattern);
            EXPECT_EQ(testsupport::RecordToPeerPixels(image), expected);

            ASSERT_EQ(WriteBmpFile(bmp.c_str(), image), 0u);
            ASSERT_TRUE(testsupport::RunPeerCommand("convert " + bmp + " " + out));
            PeerPixels back;
            ASSERT_TRUE(testsupport::ReadPeerNetpbm(out, &back));
            EXPECT_EQ(testsupport::PeerAsColour(back), testsupport::PeerWithoutAlpha(expected));
        }
    }
}

TEST(BmpPeers, Netpbm) {
    SKIP_WITHOUT_PEER_PROGRAM("ppmtobmp");
    SKIP_WITHOUT_PEER_PROGRAM("bmptopnm");
    const PeerPixels pattern = testsupport::PeerTestPattern(11, 4, 3);
    PeerPixels few = pattern;
    for (uint8_t& v : few.data) v = uint8_t((v & 0x80) | 0x11);
    const std::string in = Temp("np.ppm"), bmp = Temp("np.bmp"), out = Temp("np-out.ppm");
    for (const PeerPixels* picture : {&pattern, static_cast<const PeerPixels*>(&few)}) {
        ASSERT_TRUE(testsupport::WritePeerNetpbm(in, *picture));
        for (const char* option : {"-windows", "-os2"}) {
            SCOPED_TRACE(testing::Message() << option << (picture == &few ? " few colours" : ""));
            ASSERT_TRUE(testsupport::RunPeerCommand(std::string("ppmtobmp ") + option + " " + in + " > " + bmp));
            BitmapImage image;
            ASSERT_EQ(ReadBmpFile(bmp.c_str(), &image), 0u);
            EXPECT_EQ(testsupport::RecordToPeerPixels(image), *picture);
            ASSERT_EQ(WriteBmpFile(bmp.c_str(), image), 0u);
            ASSERT_TRUE(testsupport::RunPeerCommand("bmptopnm " + bmp + " > " + out));
            PeerPixels back;
            ASSERT_TRUE(testsupport::ReadPeerNetpbm(out, &back));
            EXPECT_EQ(testsupport::PeerAsColour(back), *picture);
        }
    }
}

TEST(BmpPeers, Pillow) {
    SKIP_WITHOUT_PILLOW();
    const char* modes[] = {"1", "L", "P", "RGB"};
    std::string write = "from PIL import Image\n"
                        "im = Image.new('RGB', (9, 5))\n"
                        "im.putdata([((x * 40) % 256, (y * 50) % 256, (x * y * 9) % 256)"
                        " for y in range(5) for x in range(9)])\n";
    std::string read = "from PIL import Image\n";
    for (const char* mode : modes) {
        const std::string stem = Temp(std::string("pil-") + mode);
        write += "v = im.convert('" + std::string(mode) + "')\nv.save('" + stem + ".bmp')\n" +
                 testsupport::PeerPillowSavePam("v", stem + ".pam");
        read += "v = Image.open('" + stem + "-ours.bmp')\n" + testsupport::PeerPillowSavePam("v", stem + "-ours.pam");
    }
    ASSERT_TRUE(testsupport::RunPeerPython(write));
    for (const char* mode : modes) {
        SCOPED_TRACE(mode);
        const std::string stem = Temp(std::string("pil-") + mode);
        PeerPixels expected;
        ASSERT_TRUE(testsupport::ReadPeerNetpbm(stem + ".pam", &expected));
        BitmapImage image;
        ASSERT_EQ(ReadBmpFile((stem + ".bmp").c_str(), &image), 0u);
        EXPECT_EQ(testsupport::RecordToPeerPixels(image), expected);
        ASSERT_EQ(WriteBmpFile((stem + "-ours.bmp").c_str(), image), 0u);
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
