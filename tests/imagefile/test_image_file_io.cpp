#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "imagefile/bitmap_image.h"
#include "imagefile/formats.h"
#include "imagefile/image_error.h"
#include "imagefile/image_file_io.h"
#include "imagefile/rgba_image.h"
#include "imagefile/save_settings.h"
#include "support/image_metrics.h"
#include "support/scratch_dir.h"
#include "wsq/decoder.h"
#include "wsq/encoder.h"
#include "wsq/raw_file.h"

namespace imagefile {
namespace {

using testsupport::ReadWholeFile;
using testsupport::ScratchDir;

// Planes of a w x h picture whose pixel (x, y) is (x * 37 + y, y * 11, x ^ y) in red, green, blue.
std::vector<uint8_t> PatternPlanes(int w, int h) {
    const size_t n = static_cast<size_t>(w) * h;
    std::vector<uint8_t> planes(3 * n);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const size_t i = static_cast<size_t>(y) * w + x;
            planes[i] = static_cast<uint8_t>(x * 37 + y);
            planes[n + i] = static_cast<uint8_t>(y * 11);
            planes[2 * n + i] = static_cast<uint8_t>(x ^ y);
        }
    }
    return planes;
}

std::vector<uint8_t> FlatPlanes(int w, int h, uint8_t r, uint8_t g, uint8_t b) {
    const size_t n = static_cast<size_t>(w) * h;
    std::vector<uint8_t> planes(3 * n);
    std::fill(planes.begin(), planes.begin() + n, r);
    std::fill(planes.begin() + n, planes.begin() + 2 * n, g);
    std::fill(planes.begin() + 2 * n, planes.end(), b);
    return planes;
}

TEST(ReadImageFile, NameWithoutDotIsRefusedAndOutputsLeftAlone) {
    int w = 7, h = 9;
    std::vector<uint8_t> planes = {1, 2, 3};
    EXPECT_EQ(ReadImageFile("picture", &w, &h, &planes), 8);
    EXPECT_EQ(w, 7);
    EXPECT_EQ(h, 9);
    EXPECT_EQ(planes.size(), 3u);
}

TEST(ReadImageFile, UnreadableFileGivesAnEmptyPictureAndResultOne) {
    ScratchDir dir;
    const std::string name = dir.write("broken.tga", {1, 2, 3});
    int w = 5, h = 5;
    std::vector<uint8_t> planes(10);
    testing::internal::CaptureStderr();
    EXPECT_EQ(ReadImageFile(name.c_str(), &w, &h, &planes), 1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("ERROR: image depth = 0 not 8 or 24"),
              std::string::npos);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
    EXPECT_TRUE(planes.empty());
}

TEST(ReadBitmapFile, UnknownExtensionIsErrorTen) {
    BitmapImage image;
    EXPECT_EQ(ReadBitmapFile("x.xyz", &image), kUnsupportedExtension);
    EXPECT_EQ(GetLastImageError(), kUnsupportedExtension);
    EXPECT_EQ(ReadBitmapFile("noextension", &image), kUnsupportedOption);
    EXPECT_EQ(GetLastImageError(), kNoError);
}

TEST(WriteImageFile, AppendsTheTypeExtensionUnlessTheKeyMatches) {
    ScratchDir dir;
    const auto planes = PatternPlanes(4, 3);
    std::filesystem::create_directory(dir.path() / "archive.d");
    struct Case {
        std::string name;
        int type;
        std::string written;
    } cases[] = {
        {"archive.d/picture", kPngFileType, "archive.d/picture.png"},
        {"x.Tif", kTiffFileType, "x.Tif"},
        {"y.TIFF", kTiffFileType, "y.TIFF"},
        {"scan", kTiffFileType, "scan.tif"},
        {"scan.jpeg", kJpegFileType, "scan.jpeg.jpg"},
        {"s.bmp", kBmpFileType, "s.bmp"},
        {"s.sgi", kSgiFileType, "s.sgi.rgb"},
        {"t", kTargaFileType, "t.tga"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WriteImageFile(dir.file(c.name).c_str(), c.type, 4, 3, planes.data()), 1)
            << c.name;
        EXPECT_EQ(GetLastImageError(), kNoError) << c.name;
        EXPECT_TRUE(std::filesystem::exists(dir.file(c.written))) << c.written;
    }
    EXPECT_EQ(WriteImageFile(dir.file("none").c_str(), 8, 4, 3, planes.data()), 0);
    EXPECT_EQ(WriteImageFile(dir.file("none").c_str(), 0, 4, 3, planes.data()), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.file("none")));
}

TEST(WriteImageFile, TargaRecordIsBottomUpBlueGreenRed) {
    ScratchDir dir;
    std::vector<uint8_t> planes = FlatPlanes(2, 2, 0, 0, 0);
    planes[0] = 255;  // red at the top left
    ASSERT_EQ(WriteImageFile(dir.file("red.tga").c_str(), kTargaFileType, 2, 2, planes.data()), 1);
    BitmapImage image;
    ASSERT_EQ(ReadTargaFile(dir.file("red.tga").c_str(), &image), kNoError);
    ASSERT_EQ(image.bitsPerPixel, 24);
    const uint8_t* lastRow = image.bits.data() + (image.height - 1) * image.scanWidth;
    EXPECT_EQ(lastRow[0], 0);
    EXPECT_EQ(lastRow[1], 0);
    EXPECT_EQ(lastRow[2], 255);
}

TEST(WriteImageFile, LosslessFormatsReadBackToTheSamePlanes) {
    ScratchDir dir;
    const int w = 13, h = 7;
    const auto planes = PatternPlanes(w, h);
    const struct {
        const char* name;
        int type;
    } formats[] = {{"p.bmp", kBmpFileType},
                   {"p.tif", kTiffFileType},
                   {"p.png", kPngFileType},
                   {"p.rgb", kSgiFileType},
                   {"p.tga", kTargaFileType}};
    for (const auto& f : formats) {
        const std::string name = dir.file(f.name);
        ASSERT_EQ(WriteImageFile(name.c_str(), f.type, w, h, planes.data()), 1) << f.name;
        int rw = 0, rh = 0;
        std::vector<uint8_t> back;
        ASSERT_EQ(ReadImageFile(name.c_str(), &rw, &rh, &back), 1) << f.name;
        EXPECT_EQ(rw, w) << f.name;
        EXPECT_EQ(rh, h) << f.name;
        EXPECT_EQ(back, planes) << f.name;
    }
}

TEST(WriteImageFile, JpegIsWrittenAtQualityHundred) {
    ScratchDir dir;
    const int w = 32, h = 24;
    // A smooth picture: JPEG keeps it closely at quality 100.
    std::vector<uint8_t> planes(3 * w * h);
    for (int i = 0; i < w * h; ++i) {
        planes[i] = static_cast<uint8_t>(4 * (i % w));
        planes[w * h + i] = static_cast<uint8_t>(5 * (i / w));
        planes[2 * w * h + i] = 128;
    }
    ASSERT_EQ(WriteImageFile(dir.file("q.jpg").c_str(), kJpegFileType, w, h, planes.data()), 1);
    int rw = 0, rh = 0;
    std::vector<uint8_t> back;
    ASSERT_EQ(ReadImageFile(dir.file("q.jpg").c_str(), &rw, &rh, &back), 1);
    ASSERT_EQ(back.size(), planes.size());
    EXPECT_GT(testsupport::psnr(planes, back), 40.0);
}

TEST(WriteImageFile, WsqIsWrittenAsTheAverageGreyWithTheLibrarySettings) {
    ScratchDir dir;
    const int w = 96, h = 96;
    SetWsqComment("library comment");
    auto planes = FlatPlanes(w, h, 255, 255, 254);
    ASSERT_EQ(WriteImageFile(dir.file("flat").c_str(), kWsqFileType, w, h, planes.data()), 1);
    SetWsqComment(nullptr);

    int rw = 0, rh = 0;
    std::vector<uint8_t> back;
    ASSERT_EQ(ReadImageFile(dir.file("flat.wsq").c_str(), &rw, &rh, &back), 1);
    ASSERT_EQ(rw, w);
    ASSERT_EQ(rh, h);
    for (uint8_t v : back) ASSERT_EQ(v, 254);
    // Reading a WSQ file takes over its resolution and its last comment.
    EXPECT_EQ(GetWsqPpi(), 500);
    ASSERT_NE(GetWsqComment(), nullptr);
    EXPECT_STREQ(GetWsqComment(), "library comment");
    SetWsqComment(nullptr);

    planes = FlatPlanes(w, h, 1, 1, 0);
    ASSERT_EQ(WriteImageFile(dir.file("dark.wsq").c_str(), kWsqFileType, w, h, planes.data()), 1);
    ASSERT_EQ(ReadImageFile(dir.file("dark.wsq").c_str(), &rw, &rh, &back), 1);
    for (uint8_t v : back) ASSERT_EQ(v, 0);
}

TEST(WriteImageFile, WsqEncoderFailureWritesNothingAndFails) {
    ScratchDir dir;
    const auto planes = FlatPlanes(80, 80, 10, 20, 30);
    testing::internal::CaptureStderr();
    EXPECT_LT(WriteImageFile(dir.file("small.wsq").c_str(), kWsqFileType, 80, 80, planes.data()),
              0);
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(std::filesystem::exists(dir.file("small.wsq")));
}

TEST(WriteImageFile, NegativeSizesAreRefusedWithoutACrash) {
    // A negative width once became a buffer length for the WSQ grey plane and aborted the
    // process; every type now refuses such a size and writes nothing.
    ScratchDir dir;
    const auto planes = FlatPlanes(4, 200, 1, 2, 3);
    for (int type = kWsqFileType; type <= kTargaFileType; ++type) {
        SCOPED_TRACE(type);
        const std::string name = dir.file("negative");
        testing::internal::CaptureStderr();
        const int result = WriteImageFile(name.c_str(), type, -1, 200, planes.data());
        testing::internal::GetCapturedStderr();
        if (type == kWsqFileType) {
            EXPECT_LT(result, 0);
        } else {
            EXPECT_EQ(result, 1);
            EXPECT_EQ(GetLastImageError(), kInvalidImageSize);
        }
        EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    }
}

TEST(WriteImageFile, NameTooLongForTheOutputBufferIsRefused) {
    ScratchDir dir;
    const auto planes = FlatPlanes(4, 4, 1, 2, 3);
    const std::string longName = dir.file(std::string(kOutputPathBufferSize, 'a'));
    testing::internal::CaptureStderr();
    EXPECT_EQ(WriteImageFile(longName.c_str(), kPngFileType, 4, 4, planes.data()), -2);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(GetLastImageError(), kUnableToOpenFile);
}

TEST(ReadImageFile, WsqFileReadFailureIsReturned) {
    int w = 3, h = 3;
    std::vector<uint8_t> planes(5);
    testing::internal::CaptureStderr();
    EXPECT_LT(ReadImageFile("/nonexistent/dir/x.wsq", &w, &h, &planes), 0);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
    EXPECT_TRUE(planes.empty());
}

TEST(ReadImageFile, ThirtyTwoBitPicturesKeepTheirColours) {
    // A palette picture with a transparent index converts to 32 bits; its rows are walked with
    // their real four-byte layout.
    ScratchDir dir;
    const int w = 5, h = 3;
    BitmapImage image;
    image.width = w;
    image.height = h;
    image.bitsPerPixel = 32;
    image.dibLayout = 1;
    ASSERT_EQ(AllocateBitmapImage(&image), kNoError);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t* p = image.bits.data() + y * image.scanWidth + 4 * x;
            p[0] = static_cast<uint8_t>(10 * x);       // blue
            p[1] = static_cast<uint8_t>(50 + y);       // green
            p[2] = static_cast<uint8_t>(200 - x - y);  // red
            p[3] = static_cast<uint8_t>(x == 0 ? 0 : 255);
        }
    }
    const std::string name = dir.file("alpha.tga");
    ASSERT_EQ(WriteTargaFile(name.c_str(), image), kNoError);
    int rw = 0, rh = 0;
    std::vector<uint8_t> planes;
    testing::internal::CaptureStderr();
    ASSERT_EQ(ReadImageFile(name.c_str(), &rw, &rh, &planes), 1);
    testing::internal::GetCapturedStderr();
    ASSERT_EQ(rw, w);
    ASSERT_EQ(rh, h);
    const size_t n = static_cast<size_t>(w) * h;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const size_t i = static_cast<size_t>(y) * w + x;
            const int storedRow = h - 1 - y;
            EXPECT_EQ(planes[i], 200 - x - storedRow);
            EXPECT_EQ(planes[n + i], 50 + storedRow);
            EXPECT_EQ(planes[2 * n + i], 10 * x);
        }
    }
}

TEST(WriteBitmapFile, StoresRowsAsGivenAndSwapsRedAndBlueUnlessAskedNotTo) {
    ScratchDir dir;
    const std::vector<uint8_t> rgb = {255, 0, 0, 0, 255, 0, /* row 2 */ 0, 0, 255, 9, 8, 7};
    ASSERT_EQ(WriteBitmapFile(dir.file("a.tga").c_str(), 3, 2, 2, rgb.data(), 0), kNoError);
    BitmapImage image;
    ASSERT_EQ(ReadTargaFile(dir.file("a.tga").c_str(), &image), kNoError);
    EXPECT_EQ(image.bits[0], 0);  // blue of the first stored pixel
    EXPECT_EQ(image.bits[2], 255);
    FreeBitmapImage(&image);
    ASSERT_EQ(WriteBitmapFile(dir.file("b.tga").c_str(), 3, 2, 2, rgb.data(), 1), kNoError);
    ASSERT_EQ(ReadTargaFile(dir.file("b.tga").c_str(), &image), kNoError);
    EXPECT_EQ(image.bits[0], 255);
    EXPECT_EQ(WriteBitmapFile(dir.file("c.xyz").c_str(), 3, 2, 2, rgb.data(), 1),
              kUnsupportedExtension);
    EXPECT_EQ(WriteBitmapFile(dir.file("nodot").c_str(), 3, 2, 2, rgb.data(), 1),
              kUnsupportedExtension);
}

TEST(BitmapToRgba, PaletteTransparencyAndByteOrder) {
    BitmapImage image;
    image.width = 3;
    image.height = 1;
    image.bitsPerPixel = 8;
    image.paletteSize = 4;
    image.dibLayout = 1;
    ASSERT_EQ(AllocateBitmapImage(&image), kNoError);
    image.transparentIndex = 2;
    const uint8_t entry1[] = {10, 20, 30, 0};
    std::copy(entry1, entry1 + 4, image.palette.begin() + 4);
    image.bits[0] = 1;
    image.bits[1] = 2;
    image.bits[2] = 200;  // outside the palette: black, never a read past it
    uint32_t w = 0, h = 0;
    std::vector<uint8_t> rgba;
    ASSERT_EQ(BitmapToRgba(image, &w, &h, &rgba, 0), kNoError);
    ASSERT_EQ(rgba.size(), 12u);
    EXPECT_EQ(rgba[0], 30);  // red first
    EXPECT_EQ(rgba[2], 10);
    EXPECT_EQ(rgba[3], 255);
    EXPECT_EQ(rgba[7], 0);  // the transparent index
    EXPECT_EQ(rgba[8], 0);
    ASSERT_EQ(BitmapToRgba(image, &w, &h, &rgba, 1), kNoError);
    EXPECT_EQ(rgba[0], 10);  // blue first
    BitmapImage empty;
    EXPECT_EQ(BitmapToRgba(empty, &w, &h, &rgba, 0), kInvalidBitmapPointer);
}

}  // namespace
}  // namespace imagefile
