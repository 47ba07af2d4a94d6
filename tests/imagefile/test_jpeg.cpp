// The JPEG reader and writer: round trips of every writable depth, grey, colour and progressive
// files made by ImageMagick and Pillow read to the pixels those tools decode, and failures.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "imagefile/formats.h"
#include "imagefile/image_error.h"
#include "support/bitmap_pixels.h"
#include "support/file_size_limit.h"
#include "support/raster_peer_tools.h"

namespace {

using imagefile::BitmapImage;
using testsupport::PixelAt;
using testsupport::Rgba;

constexpr uint32_t kWidth = 37;
constexpr uint32_t kHeight = 21;

// Smooth pictures, so that quality 100 keeps every sample within a few levels.
uint8_t Smooth(uint32_t x, uint32_t y, uint32_t c) { return uint8_t(20 + x * 3 + y * 2 + c * 30); }

void ExpectClose(Rgba expected, Rgba actual, int tolerance, uint32_t x, uint32_t y) {
    ASSERT_LE(std::abs(int(actual.r) - int(expected.r)), tolerance) << x << "," << y << " " << actual << " vs " << expected;
    ASSERT_LE(std::abs(int(actual.g) - int(expected.g)), tolerance) << x << "," << y << " " << actual << " vs " << expected;
    ASSERT_LE(std::abs(int(actual.b) - int(expected.b)), tolerance) << x << "," << y << " " << actual << " vs " << expected;
}

TEST(JpegFile, RoundTripsEveryWritableDepth) {
    testsupport::ScratchDir scratch;
    const std::string path = scratch.file("round.jpg");
    struct Case {
        const char* name;
        uint8_t depth;
        int palette;  // 0 none, 1 grey ramp, 2 colour, 3 grey but not the ramp
        bool grey;
    };
    const Case cases[] = {
        {"grey ramp", 8, 1, true}, {"colour palette", 8, 2, false}, {"odd greys", 8, 3, true},
        {"16", 16, 0, false},      {"24", 24, 0, false},            {"32", 32, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BitmapImage source = testsupport::MakeRecord(kWidth, kHeight, c.depth);
        for (uint32_t y = 0; y < kHeight; ++y) {
            for (uint32_t x = 0; x < kWidth; ++x) {
                if (c.depth == 8) {
                    testsupport::SetIndex(source, x, y, Smooth(x, y, 0));
                } else {
                    testsupport::SetPixel(source, x, y, Rgba{Smooth(x, y, 0), Smooth(x, y, 1), Smooth(x, y, 2), 77});
                }
            }
        }
        for (uint32_t i = 0; i < source.paletteSize; ++i) {
            const uint8_t v = uint8_t(i);
            const Rgba entry = c.palette == 1 ? Rgba{v, v, v, 255}
                               : c.palette == 2 ? Rgba{v, uint8_t(255 - v), uint8_t(v / 2), 255}
                                                : Rgba{uint8_t(v / 2 + 60), uint8_t(v / 2 + 60), uint8_t(v / 2 + 60), 255};
            testsupport::SetPaletteEntry(source, i, entry);
        }
        ASSERT_EQ(imagefile::WriteJpegFile(path.c_str(), source, 100), 0u);
        BitmapImage back;
        ASSERT_EQ(imagefile::ReadJpegFile(path.c_str(), &back), 0u);
        EXPECT_EQ(back.bitsPerPixel, c.grey ? 8 : 24);
        for (uint32_t y = 0; y < kHeight; ++y) {
            for (uint32_t x = 0; x < kWidth; ++x) {
                Rgba want = PixelAt(source, x, y);
                // 5-5-5 pictures are stairs of 8 levels, which JPEG rounds a little more.
                ExpectClose(want, PixelAt(back, x, y), c.depth == 16 ? 8 : 4, x, y);
            }
        }
    }
    // Below 8 bits there is nothing to write, and no file appears.
    for (uint8_t depth : {uint8_t(1), uint8_t(4)}) {
        EXPECT_EQ(imagefile::WriteJpegFile(scratch.file("low.jpg").c_str(), testsupport::MakeRecord(8, 8, depth), 90), 2u);
        EXPECT_FALSE(std::filesystem::exists(scratch.file("low.jpg")));
    }
}

TEST(JpegFile, ReadsPeerFilesToThePixelsThePeerDecodes) {
    if (!testsupport::MagickConvertAvailable()) GTEST_SKIP() << "ImageMagick convert missing";
    testsupport::ScratchDir scratch;
    std::vector<uint16_t> rgb;
    std::vector<uint16_t> grey;
    for (uint32_t y = 0; y < kHeight; ++y) {
        for (uint32_t x = 0; x < kWidth; ++x) {
            grey.push_back(uint16_t((x * 13 + y * 29) & 0xFF));
            for (uint32_t c = 0; c < 3; ++c) rgb.push_back(uint16_t((x * 17 + y * 31 + c * 80 + x * y) & 0xFF));
        }
    }
    testsupport::WriteNetpbmSamples(scratch.file("rgb.ppm"), kWidth, kHeight, 3, 255, rgb);
    testsupport::WriteNetpbmSamples(scratch.file("grey.pgm"), kWidth, kHeight, 1, 255, grey);
    struct Case {
        const char* name;
        std::string make;
        bool grey;
    };
    const std::string d = scratch.path().string();
    std::vector<Case> cases = {
        {"colour", "convert '" + d + "/rgb.ppm' -quality 85 '" + d + "/peer.jpg'", false},
        {"grey", "convert '" + d + "/grey.pgm' -quality 85 '" + d + "/peer.jpg'", true},
        {"progressive", "convert '" + d + "/rgb.ppm' -interlace jpeg -quality 70 '" + d + "/peer.jpg'", false},
        {"subsampled 4:2:0", "convert '" + d + "/rgb.ppm' -sampling-factor 2x2 '" + d + "/peer.jpg'", false},
    };
    if (!testsupport::PeerPillowPython().empty()) {
        const std::string pil = testsupport::PeerPillowPython() + " -c \"from PIL import Image; Image.open('" + d +
                                "/rgb.ppm').save('" + d + "/peer.jpg', ";
        cases.push_back({"Pillow progressive", pil + "progressive=True, quality=50)\"", false});
        cases.push_back({"Pillow optimised", pil + "optimize=True, quality=95, subsampling=0)\"", false});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(testsupport::RunPeerCommand(c.make));
        ASSERT_TRUE(testsupport::RunMagickConvert("'" + d + "/peer.jpg' -depth 8 '" + d +
                                                  (c.grey ? "/decoded.pgm'" : "/decoded.ppm'")));
        testsupport::PeerPixels decoded;
        ASSERT_TRUE(testsupport::ReadPeerNetpbm(d + (c.grey ? "/decoded.pgm" : "/decoded.ppm"), &decoded));
        BitmapImage image;
        ASSERT_EQ(imagefile::ReadJpegFile((d + "/peer.jpg").c_str(), &image), 0u) << imagefile::GetLastImageErrorMessage();
        ASSERT_EQ(image.bitsPerPixel, c.grey ? 8 : 24);
        ASSERT_EQ(decoded.width, image.width);
        for (uint32_t y = 0; y < kHeight; ++y) {
            for (uint32_t x = 0; x < kWidth; ++x) {
                const uint8_t* s = &decoded.data[(size_t{y} * kWidth + x) * decoded.channels];
                const Rgba want = c.grey ? Rgba{s[0], s[0], s[0], 255} : Rgba{s[0], s[1], s[2], 255};
                ExpectClose(want, PixelAt(image, x, y), 1, x, y);
            }
        }
    }
}

TEST(JpegFile, FailuresLeaveNoRecordAndNoDamagedFile) {
    testsupport::ScratchDir scratch;
    BitmapImage image;
    EXPECT_EQ(imagefile::ReadJpegFile(scratch.file("missing.jpg").c_str(), &image), 7u);
    EXPECT_EQ(imagefile::ReadJpegFile(scratch.file("missing.jpg").c_str(), nullptr), 9u);
    const std::string path = scratch.file("x.jpg");
    testsupport::WritePeerFileBytes(path, {'n', 'o', 't', ' ', 'j', 'p', 'e', 'g'});
    EXPECT_EQ(imagefile::ReadJpegFile(path.c_str(), &image), 1u);

    if (testsupport::MagickConvertAvailable()) {
        testsupport::WriteNetpbmSamples(scratch.file("rgb.ppm"), 16, 16, 3, 255, std::vector<uint16_t>(16 * 16 * 3, 90));
        ASSERT_TRUE(testsupport::RunMagickConvert("'" + scratch.file("rgb.ppm") + "' -colorspace cmyk '" + path + "'"));
        EXPECT_EQ(imagefile::ReadJpegFile(path.c_str(), &image), 8u);
        EXPECT_TRUE(image.bits.empty());
    }

    BitmapImage source = testsupport::MakeRecord(64, 48, 24);
    for (size_t i = 0; i < source.bits.size(); ++i) source.bits[i] = uint8_t(i * 7 + i / 192);
    ASSERT_EQ(imagefile::WriteJpegFile(path.c_str(), source, 90), 0u);
    const std::vector<uint8_t> bytes = testsupport::ReadPeerFileBytes(path);
    // A file cut inside its image data is a failed read, not a picture padded with grey.
    testsupport::WritePeerFileBytes(path, std::vector<uint8_t>(bytes.begin(), bytes.begin() + long(bytes.size() * 2 / 3)));
    EXPECT_EQ(imagefile::ReadJpegFile(path.c_str(), &image), 11u);
    EXPECT_TRUE(image.bits.empty());

    // A write that fails half-way (the file is closed, the old one kept, no temporary left).
    const std::string target = scratch.file("keep.jpg");
    testsupport::WritePeerFileBytes(target, {'o', 'l', 'd'});
    BitmapImage big = testsupport::MakeRecord(400, 300, 24);
    for (size_t i = 0; i < big.bits.size(); ++i) big.bits[i] = uint8_t((i * 2654435761u) >> 13);
    EXPECT_EQ(testsupport::RunWithFileSizeLimit(3000, [&] { return int(imagefile::WriteJpegFile(target.c_str(), big, 100)); }), 12);
    EXPECT_EQ(testsupport::ReadPeerFileBytes(target), (std::vector<uint8_t>{'o', 'l', 'd'}));
    std::filesystem::remove(path);
    std::filesystem::remove(scratch.file("rgb.ppm"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.path().string()), {}), 1);
    EXPECT_EQ(imagefile::WriteJpegFile(scratch.file("no/dir/x.jpg").c_str(), source, 90), 7u);
}

}  // namespace
