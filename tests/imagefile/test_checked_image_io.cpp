// The checked read and write: exact output names, the reader's and writer's own codes, settings
// passed in and found settings handed back instead of kept, and failed writes that leave the file
// that was there as it was.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <filesystem>
#include <string>
#include <vector>

#include "imagefile/checked_image_io.h"
#include "imagefile/image_file_io.h"
#include "imagefile/save_settings.h"
#include "support/image_metrics.h"
#include "support/scratch_dir.h"
#include "support/write_limit.h"

namespace imagefile {
namespace {

namespace fs = std::filesystem;
using testsupport::ReadWholeFile;
using testsupport::ScratchDir;

// Planes of a smooth w x h colour picture whose pixel (x, y) is (12x, 20y, 6(x + y)).
std::vector<uint8_t> PatternPlanes(int w, int h) {
    const size_t n = static_cast<size_t>(w) * h;
    std::vector<uint8_t> planes(3 * n);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const size_t i = static_cast<size_t>(y) * w + x;
            planes[i] = static_cast<uint8_t>(12 * x);
            planes[n + i] = static_cast<uint8_t>(20 * y);
            planes[2 * n + i] = static_cast<uint8_t>(6 * (x + y));
        }
    }
    return planes;
}

// A grey picture in all three planes, big enough for the WSQ encoder.
std::vector<uint8_t> PrintPlanes(int w, int h) {
    const std::vector<uint8_t> grey = testsupport::synthetic_print(w, h, 7);
    std::vector<uint8_t> planes;
    for (int i = 0; i < 3; ++i) planes.insert(planes.end(), grey.begin(), grey.end());
    return planes;
}

// Puts the library's settings into a state no read or write in these tests produces.
void SetMarkedSettings() {
    SetWsqBitRate(2.25);
    SetWsqPpi(123);
    SetWsqComment("marked");
    GlobalTiffSaveInfo() = TiffSaveInfo{7, 3, 1, 5};
}

void ExpectMarkedSettings() {
    EXPECT_EQ(GetWsqBitRate(), 2.25);
    EXPECT_EQ(GetWsqPpi(), 123);
    ASSERT_NE(GetWsqComment(), nullptr);
    EXPECT_STREQ(GetWsqComment(), "marked");
    const TiffSaveInfo& tiff = GlobalTiffSaveInfo();
    EXPECT_EQ(tiff.compression, 7u);
    EXPECT_EQ(tiff.photometric, 3u);
    EXPECT_EQ(tiff.bottomUp, 1u);
    EXPECT_EQ(tiff.predictor, 5);
}

void ResetSettings() {
    GlobalWsqSaveSettings() = WsqSaveSettings{};
    GlobalTiffSaveInfo() = TiffSaveInfo{};
}

TEST(CheckedWrite, WritesExactlyTheNameAskedForAndReadsBackByFormat) {
    ScratchDir dir;
    const int w = 13, h = 7;
    const auto planes = PatternPlanes(w, h);
    const struct {
        const char* name;
        ImageFormat format;
    } cases[] = {
        {"x.jpeg", ImageFormat::Jpeg},   {"x.tif.bak", ImageFormat::Tiff},
        {"scan", ImageFormat::Png},      {"s.sgi", ImageFormat::Sgi},
        {"archive.d", ImageFormat::Bmp}, {"t.TGA", ImageFormat::Targa},
        {"p.png", ImageFormat::Tiff},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = dir.file(c.name);
        const CheckedImageWrite written =
            WriteImageFileChecked(name.c_str(), c.format, w, h, planes.data());
        ASSERT_TRUE(written.ok()) << written.message();
        EXPECT_EQ(GetLastImageError(), kNoError);

        const CheckedImageRead read = ReadImageFileChecked(name.c_str(), c.format);
        ASSERT_TRUE(read.ok()) << read.message();
        EXPECT_EQ(read.width, w);
        EXPECT_EQ(read.height, h);
        if (c.format == ImageFormat::Jpeg) {
            EXPECT_GT(testsupport::psnr(planes, read.planes), 30.0);
        } else {
            EXPECT_EQ(read.planes, planes);
        }
    }
    // Nothing but the names asked for.
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.path())) ++files;
    EXPECT_EQ(files, std::size(cases));
}

TEST(CheckedWrite, RefusesWhatItCannotWriteWithoutCreatingAFile) {
    ScratchDir dir;
    const auto planes = PatternPlanes(4, 4);
    const std::string name = dir.file("out.gif");
    const struct {
        const char* what;
        ImageFormat format;
        int w, h;
        const uint8_t* planes;
        uint32_t code;
    } cases[] = {
        {"a read-only format", ImageFormat::Gif, 4, 4, planes.data(), kUnsupportedExtension},
        {"no width", ImageFormat::Png, 0, 4, planes.data(), kInvalidImageSize},
        {"a negative height", ImageFormat::Targa, 4, -2, planes.data(), kInvalidImageSize},
        {"no planes", ImageFormat::Bmp, 4, 4, nullptr, kInvalidBitmapPointer},
        {"a WSQ picture below the encoder's size", ImageFormat::Wsq, 4, 4, planes.data(),
         kInvalidImageSize},
        // The size must never become a buffer length before it is checked.
        {"a WSQ picture of negative width", ImageFormat::Wsq, -1, 200, planes.data(),
         kInvalidImageSize},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testing::internal::CaptureStderr();
        const CheckedImageWrite written =
            WriteImageFileChecked(name.c_str(), c.format, c.w, c.h, c.planes);
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(written.code, c.code);
        EXPECT_STREQ(written.message(), ImageErrorMessage(c.code));
        EXPECT_EQ(GetLastImageError(), c.code);
        if (c.format == ImageFormat::Wsq) {
            EXPECT_LT(written.wsqCode, 0);
        }
        EXPECT_FALSE(fs::exists(name));
    }
    EXPECT_EQ(WriteImageFileChecked(nullptr, ImageFormat::Png, 4, 4, planes.data()).code,
              kUnableToOpenFile);
}

TEST(CheckedWrite, UsesTheSettingsItIsGivenAndLeavesTheLibrarysAlone) {
    ScratchDir dir;
    SetMarkedSettings();

    SaveSettings settings;
    settings.wsq.ppi = 1000;
    settings.wsq.comment = "given comment";
    settings.tiff.compression = 9;  // PackBits
    const int w = 96, h = 96;
    const auto print = PrintPlanes(w, h);
    const std::string wsqName = dir.file("print.wsq");
    ASSERT_TRUE(
        WriteImageFileChecked(wsqName.c_str(), ImageFormat::Wsq, w, h, print.data(), settings)
            .ok());
    const std::string tiffName = dir.file("print.tif");
    ASSERT_TRUE(
        WriteImageFileChecked(tiffName.c_str(), ImageFormat::Tiff, w, h, print.data(), settings)
            .ok());
    ExpectMarkedSettings();

    const CheckedImageRead wsq = ReadImageFileChecked(wsqName.c_str());
    ASSERT_TRUE(wsq.ok()) << wsq.message();
    ASSERT_TRUE(wsq.wsq.has_value());
    EXPECT_EQ(wsq.wsq->ppi, 1000);
    EXPECT_EQ(wsq.wsq->comment, std::optional<std::string>("given comment"));
    EXPECT_FALSE(wsq.tiff.has_value());
    EXPECT_EQ(wsq.depth, 8);
    EXPECT_GT(testsupport::psnr(print, wsq.planes), 18.0);

    const CheckedImageRead tiff = ReadImageFileChecked(tiffName.c_str());
    ASSERT_TRUE(tiff.ok()) << tiff.message();
    ASSERT_TRUE(tiff.tiff.has_value());
    EXPECT_EQ(tiff.tiff->compression, 9u);
    EXPECT_FALSE(tiff.wsq.has_value());
    EXPECT_EQ(tiff.planes, print);

    // A checked read hands what it found back and changes nothing.
    ExpectMarkedSettings();

    // The designed read keeps what it found, as it always did.
    int rw = 0, rh = 0;
    std::vector<uint8_t> planes;
    ASSERT_EQ(ReadImageFile(tiffName.c_str(), &rw, &rh, &planes), 1);
    EXPECT_EQ(GlobalTiffSaveInfo().compression, 9u);
    EXPECT_EQ(GlobalTiffSaveInfo().bottomUp, 0u);
    ASSERT_EQ(ReadImageFile(wsqName.c_str(), &rw, &rh, &planes), 1);
    EXPECT_EQ(GetWsqPpi(), 1000);
    ASSERT_NE(GetWsqComment(), nullptr);
    EXPECT_STREQ(GetWsqComment(), "given comment");
    EXPECT_EQ(planes, wsq.planes);
    ResetSettings();
}

TEST(CheckedRead, ReportsTheReadersOwnCodeAndNeverAnEmptyPicture) {
    ScratchDir dir;
    const auto planes = PatternPlanes(8, 6);
    const std::string bmp = dir.file("good.bmp");
    ASSERT_TRUE(WriteImageFileChecked(bmp.c_str(), ImageFormat::Bmp, 8, 6, planes.data()).ok());
    std::vector<uint8_t> bytes = ReadWholeFile(bmp);
    std::vector<uint8_t> notBm = bytes;
    notBm[1] = 'A';
    bytes.resize(bytes.size() / 2);
    const std::string wsq = dir.file("good.wsq");
    const auto print = PrintPlanes(96, 96);
    ASSERT_TRUE(WriteImageFileChecked(wsq.c_str(), ImageFormat::Wsq, 96, 96, print.data()).ok());
    std::vector<uint8_t> wsqBytes = ReadWholeFile(wsq);
    wsqBytes.resize(wsqBytes.size() / 2);
    const std::string ycbcr = dir.file("ycbcr.tif");
    {
        TIFF* tif = TIFFOpen(ycbcr.c_str(), "w");
        ASSERT_NE(tif, nullptr);
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 4);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 2);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 2);
        std::vector<uint8_t> strip(4 * 2 * 3, 1);
        TIFFWriteEncodedStrip(tif, 0, strip.data(), tmsize_t(strip.size()));
        TIFFClose(tif);
    }

    const struct {
        const char* what;
        std::string name;
        uint32_t code;
    } cases[] = {
        {"a missing BMP", dir.file("missing.bmp"), kUnableToOpenFile},
        {"a missing TIFF", dir.file("missing.tiff"), kUnableToOpenFile},
        {"a missing WSQ", dir.file("missing.wsq"), kUnableToOpenFile},
        {"a directory", dir.file("folder.tga"), kUnableToOpenFile},
        {"a cut BMP", dir.write("cut.bmp", bytes), kErrorReadingFile},
        {"a BMP that is not BM", dir.write("odd.bmp", notBm), kUnsupportedOption},
        {"a YCbCr TIFF", ycbcr, kUnsupportedOption},
        {"a cut WSQ", dir.write("cut.wsq", wsqBytes), kCorruptedFile},
        {"a key no reader has", dir.write("x.jpeg", ReadWholeFile(bmp)), kUnsupportedExtension},
        {"a name without a dot", dir.write("bmpfile", ReadWholeFile(bmp)), kUnsupportedExtension},
    };
    fs::create_directory(dir.file("folder.tga"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testing::internal::CaptureStderr();
        const CheckedImageRead read = ReadImageFileChecked(c.name.c_str());
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(read.code, c.code);
        EXPECT_FALSE(read.ok());
        EXPECT_STREQ(read.message(), ImageErrorMessage(c.code));
        EXPECT_EQ(GetLastImageError(), c.code);
        EXPECT_EQ(read.width, 0);
        EXPECT_EQ(read.height, 0);
        EXPECT_EQ(read.depth, 0);
        EXPECT_TRUE(read.planes.empty());
    }

    // The codec's own code comes along; a WSQ file that was read but did not decode still says
    // what its comments and resolution are.
    testing::internal::CaptureStderr();
    const CheckedImageRead missing = ReadImageFileChecked(dir.file("missing.wsq").c_str());
    const CheckedImageRead cut = ReadImageFileChecked(dir.file("cut.wsq").c_str());
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(missing.wsqCode, -2);
    EXPECT_FALSE(missing.wsq.has_value());
    EXPECT_LT(cut.wsqCode, 0);
    ASSERT_TRUE(cut.wsq.has_value());
    EXPECT_EQ(cut.wsq->ppi, -1);

    // The file named x.jpeg is a BMP: a caller that knows so says so.
    const CheckedImageRead asBmp =
        ReadImageFileChecked(dir.file("x.jpeg").c_str(), ImageFormat::Bmp);
    ASSERT_TRUE(asBmp.ok()) << asBmp.message();
    EXPECT_EQ(asBmp.planes, planes);
}

TEST(CheckedRead, AFailedTiffReadHandsBackTheDefaultSettings) {
    // ReadImageFile has always put the TIFF settings of a failed read, the defaults, into the
    // library's; the checked read hands them back instead, and the designed read goes on
    // keeping them.
    ScratchDir dir;
    const std::string name = dir.file("two-bit.tif");
    TIFF* tif = TIFFOpen(name.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 8);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 3);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 2);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_BOTLEFT);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_PACKBITS);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 3);
    std::vector<uint8_t> strip(2 * 3, 0x1B);
    TIFFWriteEncodedStrip(tif, 0, strip.data(), tmsize_t(strip.size()));
    TIFFClose(tif);

    SetMarkedSettings();
    const CheckedImageRead read = ReadImageFileChecked(name.c_str());
    EXPECT_EQ(read.code, kInvalidBitsPerPixel);
    EXPECT_TRUE(read.planes.empty());
    ASSERT_TRUE(read.tiff.has_value());
    EXPECT_EQ(read.tiff->compression, 0u);
    EXPECT_EQ(read.tiff->bottomUp, 0u);
    EXPECT_EQ(read.tiff->predictor, 2);
    ExpectMarkedSettings();

    int w = 5, h = 5;
    std::vector<uint8_t> planes(3);
    testing::internal::CaptureStderr();
    EXPECT_EQ(ReadImageFile(name.c_str(), &w, &h, &planes), 1);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
    EXPECT_TRUE(planes.empty());
    EXPECT_EQ(GetLastImageError(), kNoError);
    EXPECT_EQ(GlobalTiffSaveInfo().compression, 0u);
    EXPECT_EQ(GlobalTiffSaveInfo().photometric, 0u);
    EXPECT_EQ(GlobalTiffSaveInfo().bottomUp, 0u);
    EXPECT_EQ(GlobalTiffSaveInfo().predictor, 2);
    EXPECT_STREQ(GetWsqComment(), "marked");
    ResetSettings();
}

TEST(CheckedWrite, AFailedWriteLeavesTheFileThatWasThereByteForByte) {
    ScratchDir dir;
    const std::vector<uint8_t> old = {'o', 'l', 'd', 0, 1, 2, 0xff, '\n'};
    const int w = 128, h = 128;
    const auto print = PrintPlanes(w, h);

    // Refused before anything is written: a picture too small to encode, or of no size.
    const std::string tiff = dir.write("keep.tif", old);
    EXPECT_EQ(WriteImageFileChecked(tiff.c_str(), ImageFormat::Tiff, w, 0, print.data()).code,
              kInvalidImageSize);
    EXPECT_EQ(ReadWholeFile(tiff), old);
    const std::string small = dir.write("keep.wsq", old);
    testing::internal::CaptureStderr();
    EXPECT_EQ(WriteImageFileChecked(small.c_str(), ImageFormat::Wsq, 40, 40, print.data()).code,
              kInvalidImageSize);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(ReadWholeFile(small), old);

    // Stopped part-way by the file size limit: the writer's code is "Error writing to the
    // output file", and the old file is still there.
    for (const ImageFormat format : {ImageFormat::Wsq, ImageFormat::Tiff, ImageFormat::Png,
                                     ImageFormat::Jpeg, ImageFormat::Targa}) {
        const std::string name = dir.write("keep.out", old);
        SCOPED_TRACE(static_cast<int>(format));
        testing::internal::CaptureStderr();
        const uint32_t code = testsupport::RunWithFileSizeLimit(500, [&] {
            return WriteImageFileChecked(name.c_str(), format, w, h, print.data()).code;
        });
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(code, kErrorWritingFile);
        EXPECT_EQ(ReadWholeFile(name), old);
        size_t files = 0;
        for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.path())) ++files;
        EXPECT_EQ(files, 3u);  // keep.tif, keep.wsq, keep.out: no temporary file left behind
    }
}

}  // namespace
}  // namespace imagefile
