// The PNG reader and writer: round trips, files of every colour type and bit depth made by
// ImageMagick and Pillow read to the pixels they were made from, transparency, and failures.
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "imagefile/formats.h"
#include "imagefile/image_error.h"
#include "support/bitmap_pixels.h"
#include "support/file_size_limit.h"
#include "support/peak_memory.h"
#include "support/raster_peer_tools.h"

namespace {

using imagefile::BitmapImage;
using testsupport::PixelAt;
using testsupport::Rgba;

constexpr uint32_t kWidth = 11;
constexpr uint32_t kHeight = 6;

uint32_t Noise(uint32_t x, uint32_t y, uint32_t c) { return x * 5171 + y * 12347 + c * 30011 + x * y * 7; }

void ExpectSamePicture(const BitmapImage& expected, const BitmapImage& actual) {
    ASSERT_EQ(actual.width, expected.width);
    ASSERT_EQ(actual.height, expected.height);
    for (uint32_t y = 0; y < expected.height; ++y) {
        for (uint32_t x = 0; x < expected.width; ++x) {
            ASSERT_EQ(PixelAt(actual, x, y), PixelAt(expected, x, y)) << "at " << x << "," << y;
        }
    }
}

struct PngHeader {
    int bitDepth = -1;
    int colourType = -1;
    bool hasPalette = false;
    uint32_t paletteBytes = 0;
};

PngHeader HeaderOf(const std::string& path) {
    const std::vector<uint8_t> b = testsupport::ReadPeerFileBytes(path);
    PngHeader h;
    if (b.size() < 33) return h;
    h.bitDepth = b[24];
    h.colourType = b[25];
    for (size_t at = 8; at + 8 <= b.size();) {
        const uint32_t length = uint32_t(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
        if (std::string(b.begin() + at + 4, b.begin() + at + 8) == "PLTE") {
            h.hasPalette = true;
            h.paletteBytes = length;
        }
        at += 12 + size_t{length};
    }
    return h;
}

BitmapImage PatternRecord(uint8_t depth, bool greyRamp) {
    BitmapImage image = testsupport::MakeRecord(kWidth, kHeight, depth);
    for (uint32_t y = 0; y < kHeight; ++y) {
        for (uint32_t x = 0; x < kWidth; ++x) {
            if (depth <= 8) {
                testsupport::SetIndex(image, x, y, Noise(x, y, 0) % image.paletteSize);
            } else {
                testsupport::SetPixel(image, x, y, Rgba{uint8_t(Noise(x, y, 0)), uint8_t(Noise(x, y, 1)),
                                                        uint8_t(Noise(x, y, 2)), uint8_t(Noise(x, y, 3))});
            }
        }
    }
    for (uint32_t i = 0; i < image.paletteSize; ++i) {
        const uint8_t g = uint8_t(i * 255 / (image.paletteSize - 1));
        testsupport::SetPaletteEntry(image, i, greyRamp ? Rgba{g, g, g, 255}
                                                         : Rgba{uint8_t(i * 9), uint8_t(200 - i), uint8_t(i * 5 + 3), 255});
    }
    return image;
}

TEST(PngFile, RoundTripsEveryDepthWithTheColourTypeItImplies) {
    testsupport::ScratchDir scratch;
    const std::string path = scratch.file("round.png");
    struct Case {
        uint8_t depth;
        bool greyRamp;
        int colourType;
        int bitDepth;
    };
    const Case cases[] = {
        {1, true, 0, 1}, {4, true, 0, 4}, {8, true, 0, 8}, {1, false, 3, 1}, {4, false, 3, 4},
        {8, false, 3, 8}, {16, false, 2, 8}, {24, false, 2, 8}, {32, false, 6, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("depth " + std::to_string(c.depth) + (c.greyRamp ? " grey" : " colour"));
        const BitmapImage source = PatternRecord(c.depth, c.greyRamp);
        ASSERT_EQ(imagefile::WritePngFile(path.c_str(), source), 0u);
        const PngHeader header = HeaderOf(path);
        EXPECT_EQ(header.colourType, c.colourType);
        EXPECT_EQ(header.bitDepth, c.bitDepth);
        EXPECT_EQ(header.hasPalette, c.colourType == 3);
        if (c.colourType == 3) {
            EXPECT_EQ(header.paletteBytes, 3u << c.depth);
        }
        BitmapImage back;
        ASSERT_EQ(imagefile::ReadPngFile(path.c_str(), &back), 0u);
        ExpectSamePicture(source, back);
    }

    // A grey palette that is not the ramp of its depth is written as a palette, so the picture
    // survives (stored as grey levels, its indices would be a different picture).
    BitmapImage odd = PatternRecord(4, true);
    for (uint32_t i = 0; i < 16; ++i) testsupport::SetPaletteEntry(odd, i, Rgba{uint8_t(i), uint8_t(i), uint8_t(i), 255});
    ASSERT_EQ(imagefile::WritePngFile(path.c_str(), odd), 0u);
    EXPECT_EQ(HeaderOf(path).colourType, 3);
    BitmapImage back;
    ASSERT_EQ(imagefile::ReadPngFile(path.c_str(), &back), 0u);
    ExpectSamePicture(odd, back);
}

// Exact source samples, handed to the peers as netpbm files or raw bytes.
struct Source {
    int channels;
    uint32_t maxval;
    std::vector<uint16_t> samples;
    uint16_t At(uint32_t x, uint32_t y, int c) const { return samples[(size_t{y} * kWidth + x) * channels + c]; }
};

Source MakeSource(int channels, uint32_t maxval) {
    Source s{channels, maxval, {}};
    for (uint32_t y = 0; y < kHeight; ++y) {
        for (uint32_t x = 0; x < kWidth; ++x) {
            for (int c = 0; c < channels; ++c) s.samples.push_back(uint16_t(Noise(x, y, c) % (maxval + 1)));
        }
    }
    return s;
}

// What our reader shows for a source pixel: levels scaled to 8 bits (16-bit samples keep their
// high byte), grey repeated, alpha last.
Rgba Expected(const Source& s, uint32_t x, uint32_t y) {
    auto level = [&](int c) {
        const uint32_t v = s.At(x, y, c);
        return uint8_t(s.maxval == 65535 ? v >> 8 : v * 255 / s.maxval);
    };
    switch (s.channels) {
        case 1: return Rgba{level(0), level(0), level(0), 255};
        case 2: return Rgba{level(0), level(0), level(0), level(1)};
        case 3: return Rgba{level(0), level(1), level(2), 255};
        default: return Rgba{level(0), level(1), level(2), level(3)};
    }
}

TEST(PngFile, ReadsEveryColourTypeAndDepthMadeByImageMagick) {
    if (!testsupport::MagickConvertAvailable()) GTEST_SKIP() << "ImageMagick convert missing";
    testsupport::ScratchDir scratch;
    struct Case {
        int channels;
        uint32_t maxval;
        int colourType;
        int bitDepth;
    };
    const Case cases[] = {
        {1, 1, 0, 1},    {1, 3, 0, 2},    {1, 15, 0, 4},   {1, 255, 0, 8},  {1, 65535, 0, 16},
        {3, 255, 2, 8},  {3, 65535, 2, 16}, {4, 255, 6, 8}, {4, 65535, 6, 16}, {2, 255, 4, 8},
        {2, 65535, 4, 16},
    };
    for (const Case& c : cases) {
        for (const bool interlaced : {false, true}) {
            SCOPED_TRACE("colour type " + std::to_string(c.colourType) + " depth " + std::to_string(c.bitDepth) +
                         (interlaced ? " interlaced" : ""));
            const Source s = MakeSource(c.channels, c.maxval);
            const std::string pnm = scratch.file(c.channels % 2 ? "src.pnm" : "src.pam");
            testsupport::WriteNetpbmSamples(pnm, kWidth, kHeight, c.channels, c.maxval, s.samples);
            const std::string png = scratch.file("peer.png");
            ASSERT_TRUE(testsupport::RunMagickConvert(
                "'" + pnm + "' -define png:color-type=" + std::to_string(c.colourType) +
                " -define png:bit-depth=" + std::to_string(c.bitDepth) +
                (interlaced ? " -interlace png" : "") + " 'PNG:" + png + "'"));
            const PngHeader header = HeaderOf(png);
            ASSERT_EQ(header.colourType, c.colourType);
            ASSERT_EQ(header.bitDepth, c.bitDepth);
            BitmapImage image;
            ASSERT_EQ(imagefile::ReadPngFile(png.c_str(), &image), 0u) << imagefile::GetLastImageErrorMessage();
            for (uint32_t y = 0; y < kHeight; ++y) {
                for (uint32_t x = 0; x < kWidth; ++x) {
                    ASSERT_EQ(PixelAt(image, x, y), Expected(s, x, y)) << x << "," << y;
                }
            }
        }
    }
}

TEST(PngFile, ReadsPalettesAndTransparencyMadeByPillow) {
    if (testsupport::PeerPillowPython().empty()) GTEST_SKIP() << "Pillow missing";
    testsupport::ScratchDir scratch;
    const std::string raw = scratch.file("indices.raw");
    std::vector<uint8_t> indices;
    for (uint32_t y = 0; y < kHeight; ++y) {
        for (uint32_t x = 0; x < kWidth; ++x) indices.push_back(uint8_t(Noise(x, y, 0) % 4));
    }
    testsupport::WritePeerFileBytes(raw, indices);
    const Rgba palette[4] = {{10, 20, 30, 255}, {200, 0, 0, 255}, {0, 180, 0, 255}, {5, 5, 250, 255}};
    const std::string script = R"(
from PIL import Image
d = ')" + scratch.path().string() + R"('
idx = open(d + '/indices.raw', 'rb').read()
p = Image.frombytes('P', ()" + std::to_string(kWidth) + ", " + std::to_string(kHeight) + R"(), idx)
p.putpalette([10, 20, 30, 200, 0, 0, 0, 180, 0, 5, 5, 250])
for bits in (1, 2, 4, 8):
    q = p.point(lambda i: i % 2) if bits == 1 else p
    q.save(d + '/p%d.png' % bits, bits=bits)
p.save(d + '/trns-first.png', transparency=0)
p.save(d + '/trns-many.png', transparency=bytes([255, 128, 0, 255]))
g = Image.frombytes('L', p.size, bytes(i * 60 for i in idx))
g.save(d + '/grey-key.png', transparency=120)
rgb = p.convert('RGB')
rgb.save(d + '/rgb-key.png', transparency=(200, 0, 0))
)";
    ASSERT_TRUE(testsupport::RunPeerPython(script));
    auto index = [&](uint32_t x, uint32_t y) { return indices[size_t{y} * kWidth + x]; };
    BitmapImage image;
    for (int bits : {1, 2, 4, 8}) {
        SCOPED_TRACE("palette of " + std::to_string(bits) + " bits");
        const std::string file = scratch.file("p" + std::to_string(bits) + ".png");
        ASSERT_EQ(HeaderOf(file).bitDepth, bits);
        ASSERT_EQ(imagefile::ReadPngFile(file.c_str(), &image), 0u);
        EXPECT_EQ(image.bitsPerPixel, bits == 2 ? 4 : bits);
        for (uint32_t y = 0; y < kHeight; ++y) {
            for (uint32_t x = 0; x < kWidth; ++x) {
                const uint32_t i = bits == 1 ? index(x, y) % 2 : index(x, y);
                ASSERT_EQ(PixelAt(image, x, y), palette[i]) << x << "," << y;
            }
        }
    }
    // One fully transparent entry stays a palette picture with a transparent index.
    ASSERT_EQ(imagefile::ReadPngFile(scratch.file("trns-first.png").c_str(), &image), 0u);
    EXPECT_LE(image.bitsPerPixel, 8);
    EXPECT_EQ(image.transparentIndex, 0);
    EXPECT_EQ(PixelAt(image, 0, 0).a, index(0, 0) == 0 ? 0 : 255);
    // Several entries give an alpha channel.
    ASSERT_EQ(imagefile::ReadPngFile(scratch.file("trns-many.png").c_str(), &image), 0u);
    EXPECT_EQ(image.bitsPerPixel, 32);
    const uint8_t alphas[4] = {255, 128, 0, 255};
    // A colour key marks exactly the pixels of that colour.
    BitmapImage grey;
    BitmapImage rgb;
    ASSERT_EQ(imagefile::ReadPngFile(scratch.file("grey-key.png").c_str(), &grey), 0u);
    ASSERT_EQ(imagefile::ReadPngFile(scratch.file("rgb-key.png").c_str(), &rgb), 0u);
    EXPECT_EQ(grey.transparentIndex, 120);
    EXPECT_EQ(rgb.bitsPerPixel, 32);
    for (uint32_t y = 0; y < kHeight; ++y) {
        for (uint32_t x = 0; x < kWidth; ++x) {
            Rgba want = palette[index(x, y)];
            want.a = alphas[index(x, y)];
            ASSERT_EQ(PixelAt(image, x, y), want);
            const uint8_t g = uint8_t(index(x, y) * 60);
            ASSERT_EQ(PixelAt(grey, x, y), (Rgba{g, g, g, uint8_t(index(x, y) == 2 ? 0 : 255)}));
            want = palette[index(x, y)];
            want.a = index(x, y) == 1 ? 0 : 255;
            ASSERT_EQ(PixelAt(rgb, x, y), want);
        }
    }
}

TEST(PngFile, FailuresLeaveNoRecordAndNoDamagedFile) {
    testsupport::ScratchDir scratch;
    BitmapImage image;
    EXPECT_EQ(imagefile::ReadPngFile(scratch.file("missing.png").c_str(), &image), 7u);
    const std::string path = scratch.file("bad.png");
    testsupport::WritePeerFileBytes(path, {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0});
    EXPECT_EQ(imagefile::ReadPngFile(path.c_str(), &image), 8u);
    EXPECT_EQ(imagefile::ReadPngFile(path.c_str(), nullptr), 9u);

    const BitmapImage source = PatternRecord(24, false);
    ASSERT_EQ(imagefile::WritePngFile(path.c_str(), source), 0u);
    std::vector<uint8_t> bytes = testsupport::ReadPeerFileBytes(path);
    // Every prefix fails cleanly; one that ends inside the image data is a short read.
    for (size_t cut = 8; cut < bytes.size(); cut += 7) {
        testsupport::WritePeerFileBytes(path, std::vector<uint8_t>(bytes.begin(), bytes.begin() + cut));
        const uint32_t code = imagefile::ReadPngFile(path.c_str(), &image);
        ASSERT_TRUE(code == 11 || code == 1) << cut << ": " << code;
        ASSERT_TRUE(image.bits.empty());
    }
    testsupport::WritePeerFileBytes(path, std::vector<uint8_t>(bytes.begin(), bytes.end() - 20));
    EXPECT_EQ(imagefile::ReadPngFile(path.c_str(), &image), 11u);
    // A damaged image chunk is library error 1.
    std::vector<uint8_t> damaged = bytes;
    damaged[50] ^= 0x55;
    testsupport::WritePeerFileBytes(path, damaged);
    EXPECT_EQ(imagefile::ReadPngFile(path.c_str(), &image), 1u);

    // A write that fails half-way leaves the old file as it was, with no temporary file.
    const std::string target = scratch.file("keep.png");
    testsupport::WritePeerFileBytes(target, {'o', 'l', 'd'});
    const BitmapImage big = testsupport::MakeRecord(300, 300, 24);
    BitmapImage noisy = big;
    for (size_t i = 0; i < noisy.bits.size(); ++i) noisy.bits[i] = uint8_t(Noise(uint32_t(i), 1, 2) >> 3);
    EXPECT_EQ(testsupport::RunWithFileSizeLimit(2000, [&] { return int(imagefile::WritePngFile(target.c_str(), noisy)); }), 12);
    EXPECT_EQ(testsupport::ReadPeerFileBytes(target), (std::vector<uint8_t>{'o', 'l', 'd'}));
    std::filesystem::remove(path);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.path().string()), {}), 1);
    EXPECT_EQ(imagefile::WritePngFile(scratch.file("no/dir/x.png").c_str(), source), 7u);
}

// A PNG chunk: length, type, data, CRC of type and data. `claimedLength` (when set) is
// written in place of the data's true length.
void AppendChunk(std::vector<uint8_t>& file, const char* type, const std::vector<uint8_t>& data,
                 int64_t claimedLength = -1) {
    const uint32_t length = claimedLength < 0 ? uint32_t(data.size()) : uint32_t(claimedLength);
    for (int shift = 24; shift >= 0; shift -= 8) file.push_back(uint8_t(length >> shift));
    const size_t typeAt = file.size();
    file.insert(file.end(), type, type + 4);
    file.insert(file.end(), data.begin(), data.end());
    const uint32_t crc = uint32_t(crc32(0, file.data() + typeAt, uInt(file.size() - typeAt)));
    for (int shift = 24; shift >= 0; shift -= 8) file.push_back(uint8_t(crc >> shift));
}

// The start of a 7 x 5 one-bit grey PNG, up to its first ancillary chunk.
std::vector<uint8_t> SmallPngHead() {
    std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    AppendChunk(file, "IHDR", {0, 0, 0, 7, 0, 0, 0, 5, 1, 0, 0, 0, 0});
    return file;
}

void AppendSmallPngImage(std::vector<uint8_t>& file) {
    std::vector<uint8_t> rows(5 * 2, 0);  // filter byte 0 and one byte of pixels a row
    for (size_t y = 0; y < 5; ++y) rows[y * 2 + 1] = uint8_t(0xA4 ^ (y * 0x18));
    uLongf packedSize = compressBound(uLong(rows.size()));
    std::vector<uint8_t> packed(packedSize);
    compress(packed.data(), &packedSize, rows.data(), uLong(rows.size()));
    packed.resize(packedSize);
    AppendChunk(file, "IDAT", packed);
    AppendChunk(file, "IEND", {});
}

// A text chunk claiming 1.6 GB in a 69-byte file (found by fuzzing) once made the reader take
// and touch all of it before failing. Blocks are now held to what the file can account for,
// while text chunks as long as the file, or inflating far past it, still read.
TEST(PngFile, ChunkClaimingMoreThanTheFileFailsWithoutTakingItsLength) {
    testsupport::ScratchDir scratch;
    const std::string path = scratch.file("claims.png");
    std::vector<uint8_t> file = SmallPngHead();
    AppendChunk(file, "tIME", {0x07, 0xea, 0x0c, 0x08, 0x09, 0x1a, 0x1e});
    const std::vector<uint8_t> tail = {'t', 'E', 'X', 't', 'd', 'I', 'E', 'N', 'D', 0xae, 'B', '`', 0x82};
    for (const uint32_t claimed : {0x63d80025u, 0x7fffffffu, 0x00900000u}) {
        std::vector<uint8_t> bytes = file;
        for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(uint8_t(claimed >> shift));
        bytes.insert(bytes.end(), tail.begin(), tail.end());
        testsupport::WritePeerFileBytes(path, bytes);
        uint32_t code = 0;
        const int64_t growth = testsupport::PeakResidentGrowthKib([&] {
            BitmapImage image;
            code = imagefile::ReadPngFile(path.c_str(), &image);
        });
        ASSERT_GE(growth, 0);
        EXPECT_LT(growth, 64 * 1024) << "claimed " << claimed;
        BitmapImage image;
        code = imagefile::ReadPngFile(path.c_str(), &image);
        EXPECT_TRUE(code == 1 || code == 11) << code;
        EXPECT_TRUE(image.bits.empty());
    }

    // A stored text of 9 MB (past the inflate limit) and a compressed one of 6 MB of zeros
    // (about 6 KB in the file) do not stop the picture.
    std::vector<uint8_t> stored = SmallPngHead();
    std::vector<uint8_t> text = {'C', 'o', 'm', 'm', 'e', 'n', 't', 0};
    text.resize(text.size() + 9'000'000, 'x');
    AppendChunk(stored, "tEXt", text);
    AppendSmallPngImage(stored);
    std::vector<uint8_t> packedText = SmallPngHead();
    std::vector<uint8_t> zeros(6'000'000, '0');
    uLongf packedSize = compressBound(uLong(zeros.size()));
    std::vector<uint8_t> ztxt = {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 0};
    ztxt.resize(ztxt.size() + packedSize);
    compress2(ztxt.data() + 9, &packedSize, zeros.data(), uLong(zeros.size()), 9);
    ztxt.resize(9 + packedSize);
    AppendChunk(packedText, "zTXt", ztxt);
    AppendSmallPngImage(packedText);
    for (const std::vector<uint8_t>* bytes : {&stored, &packedText}) {
        testsupport::WritePeerFileBytes(path, *bytes);
        BitmapImage image;
        ASSERT_EQ(imagefile::ReadPngFile(path.c_str(), &image), 0u) << bytes->size();
        EXPECT_EQ(image.width, 7u);
        EXPECT_EQ(image.height, 5u);
        EXPECT_EQ(image.bitsPerPixel, 1);
        EXPECT_EQ(image.bits[size_t(4) * image.scanWidth], 0xA4);  // the first row, stored last
    }
}

}  // namespace
