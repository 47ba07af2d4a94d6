// The resolution a raster file states, through the library's checked read and write: what a
// TIFF file's XResolution, YResolution and ResolutionUnit give, the fields the TIFF, PNG and
// JPEG writers fill, a resolution changing nothing but its field, and the values refused.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "imagefile/checked_image_io.h"
#include "imagefile/stated_resolution.h"
#include "support/image_metrics.h"
#include "support/scratch_dir.h"

namespace imagefile {
namespace {

using Bytes = std::vector<uint8_t>;
using testsupport::ReadWholeFile;
using testsupport::ScratchDir;

uint32_t Be32(const Bytes& b, size_t at) {
    return uint32_t{b[at]} << 24 | uint32_t{b[at + 1]} << 16 | uint32_t{b[at + 2]} << 8 | b[at + 3];
}

// Where the PNG chunk `type` starts (its length field), or none.
std::optional<size_t> PngChunk(const Bytes& b, const char* type) {
    for (size_t at = 8; at + 12 <= b.size(); at += 12 + Be32(b, at))
        if (std::memcmp(&b[at + 4], type, 4) == 0) return at;
    return std::nullopt;
}

// Planes of a w x h colour picture, and a grey one.
Bytes ColourPlanes(int w, int h) {
    const size_t n = size_t(w) * size_t(h);
    Bytes planes(3 * n);
    for (size_t i = 0; i < n; ++i) {
        planes[i] = uint8_t(i * 7);
        planes[n + i] = uint8_t(i * 3 + 40);
        planes[2 * n + i] = uint8_t(255 - i);
    }
    return planes;
}

Bytes GreyBytes(int w, int h) {
    Bytes grey(size_t(w) * size_t(h));
    for (size_t i = 0; i < grey.size(); ++i) grey[i] = uint8_t(i * 13);
    return grey;
}

// A 4 x 3 grey TIFF file with exactly the resolution tags given.
struct ResolutionTags {
    std::optional<double> x;
    std::optional<double> y;
    std::optional<uint16_t> unit;
};

std::string WriteTiffWithTags(const ScratchDir& dir, const std::string& name,
                              const ResolutionTags& tags) {
    const std::string path = dir.file(name);
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (tif == nullptr) return path;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 4u);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 3u);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 3u);
    if (tags.x) TIFFSetField(tif, TIFFTAG_XRESOLUTION, *tags.x);
    if (tags.y) TIFFSetField(tif, TIFFTAG_YRESOLUTION, *tags.y);
    if (tags.unit) TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, *tags.unit);
    uint8_t row[4] = {0, 80, 160, 240};
    for (uint32_t y = 0; y < 3; ++y) TIFFWriteScanline(tif, row, y, 0);
    TIFFClose(tif);
    return path;
}

TEST(StatedResolution, TiffGivesInchesOrCentimetresAndNothingElse) {
    ScratchDir dir;
    const struct {
        const char* what;
        ResolutionTags tags;
        int32_t ppi;
    } cases[] = {
        {"inches", {500, 500, RESUNIT_INCH}, 500},
        {"inches, 1000", {1000, 1000, RESUNIT_INCH}, 1000},
        {"centimetres", {196.85, 196.85, RESUNIT_CENTIMETER}, 500},
        {"centimetres, 1000", {393.7, 393.7, RESUNIT_CENTIMETER}, 1000},
        // The unit's default is inch.
        {"no unit", {500, 500, std::nullopt}, 500},
        {"unit none: an aspect ratio", {500, 500, RESUNIT_NONE}, -1},
        {"no resolution", {std::nullopt, std::nullopt, RESUNIT_INCH}, -1},
        {"across only", {500, std::nullopt, RESUNIT_INCH}, -1},
        {"different across and down", {500, 300, RESUNIT_INCH}, -1},
        {"zero", {0, 0, RESUNIT_INCH}, -1},
        {"below half a pixel per inch", {0.4, 0.4, RESUNIT_INCH}, -1},
        {"beyond any int", {3e38, 3e38, RESUNIT_CENTIMETER}, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = WriteTiffWithTags(dir, "t.tif", c.tags);
        const CheckedImageRead read = ReadImageFileChecked(path.c_str(), ImageFormat::Tiff);
        ASSERT_TRUE(read.ok()) << read.message();
        EXPECT_EQ(read.ppi, c.ppi);
    }

    // A file that does not read states nothing, whatever its directory says.
    const std::string whole =
        WriteTiffWithTags(dir, "whole.tif", {500, 500, uint16_t{RESUNIT_INCH}});
    Bytes bytes = ReadWholeFile(whole);
    bytes.resize(bytes.size() / 2);
    const std::string cut = dir.write("cut.tif", bytes);
    const CheckedImageRead read = ReadImageFileChecked(cut.c_str(), ImageFormat::Tiff);
    EXPECT_FALSE(read.ok());
    EXPECT_EQ(read.ppi, -1);
}

TEST(StatedResolution, TiffPngAndJpegWritersFillTheirOwnFields) {
    ScratchDir dir;
    const int w = 9, h = 5;
    const Bytes colour = ColourPlanes(w, h);
    const Bytes grey = GreyBytes(w, h);
    // Pixels per metre, rounded to the nearest.
    const struct {
        int32_t ppi;
        uint32_t perMetre;
    } resolutions[] = {{500, 19685}, {1000, 39370}, {333, 13110}};
    for (const auto& r : resolutions) {
        for (const bool isGrey : {false, true}) {
            SCOPED_TRACE(testing::Message() << r.ppi << " ppi, " << (isGrey ? "grey" : "colour"));
            SaveSettings settings;
            settings.resolution = r.ppi;
            auto write = [&](const std::string& name, ImageFormat format) {
                const std::string path = dir.file(name);
                const CheckedImageWrite written =
                    isGrey ? WriteGreyImageFileChecked(path.c_str(), format, w, h, grey.data(),
                                                       settings)
                           : WriteImageFileChecked(path.c_str(), format, w, h, colour.data(),
                                                   settings);
                EXPECT_TRUE(written.ok()) << name << ": " << written.message();
                return path;
            };

            const std::string tiff = write("r.tif", ImageFormat::Tiff);
            EXPECT_EQ(ReadImageFileChecked(tiff.c_str(), ImageFormat::Tiff).ppi, r.ppi);
            TIFF* tif = TIFFOpen(tiff.c_str(), "r");
            ASSERT_NE(tif, nullptr);
            float x = 0, y = 0;
            uint16_t unit = 0;
            EXPECT_EQ(TIFFGetField(tif, TIFFTAG_XRESOLUTION, &x), 1);
            EXPECT_EQ(TIFFGetField(tif, TIFFTAG_YRESOLUTION, &y), 1);
            EXPECT_EQ(TIFFGetField(tif, TIFFTAG_RESOLUTIONUNIT, &unit), 1);
            TIFFClose(tif);
            EXPECT_EQ(x, float(r.ppi));
            EXPECT_EQ(y, float(r.ppi));
            EXPECT_EQ(unit, RESUNIT_INCH);

            const Bytes png = ReadWholeFile(write("r.png", ImageFormat::Png));
            const std::optional<size_t> phys = PngChunk(png, "pHYs");
            ASSERT_TRUE(phys.has_value());
            EXPECT_EQ(Be32(png, *phys), 9u);
            EXPECT_EQ(Be32(png, *phys + 8), r.perMetre);
            EXPECT_EQ(Be32(png, *phys + 12), r.perMetre);
            EXPECT_EQ(png[*phys + 16], 1);  // metre
            EXPECT_LT(*phys, *PngChunk(png, "IDAT"));

            // JFIF follows SOI: "JFIF\0", version, unit (1: dots per inch), X and Y density.
            const Bytes jpeg = ReadWholeFile(write("r.jpg", ImageFormat::Jpeg));
            ASSERT_GT(jpeg.size(), 18u);
            EXPECT_EQ(Bytes(jpeg.begin() + 2, jpeg.begin() + 4), (Bytes{0xFF, 0xE0}));
            EXPECT_EQ(std::string(jpeg.begin() + 6, jpeg.begin() + 11), std::string("JFIF\0", 5));
            EXPECT_EQ(jpeg[13], 1);
            EXPECT_EQ(jpeg[14] << 8 | jpeg[15], r.ppi);
            EXPECT_EQ(jpeg[16] << 8 | jpeg[17], r.ppi);
        }
    }
}

TEST(StatedResolution, AResolutionChangesNothingButItsField) {
    ScratchDir dir;
    const int w = 11, h = 6;
    const Bytes colour = ColourPlanes(w, h);
    SaveSettings stating;
    stating.resolution = 500;
    auto written = [&](const char* name, ImageFormat format, const SaveSettings& settings) {
        const std::string path = dir.file(name);
        EXPECT_TRUE(
            WriteImageFileChecked(path.c_str(), format, w, h, colour.data(), settings).ok());
        return path;
    };

    // PNG: the same file with a pHYs chunk (4 + 4 + 9 + 4 bytes) more.
    const Bytes plainPng = ReadWholeFile(written("plain.png", ImageFormat::Png, {}));
    Bytes png = ReadWholeFile(written("stated.png", ImageFormat::Png, stating));
    EXPECT_FALSE(PngChunk(plainPng, "pHYs"));
    const size_t phys = PngChunk(png, "pHYs").value_or(0);
    ASSERT_GT(phys, 0u);
    png.erase(png.begin() + long(phys), png.begin() + long(phys) + 21);
    EXPECT_EQ(png, plainPng);

    // JPEG: the same file with the density that was 1:1 without a unit.
    const Bytes plainJpeg = ReadWholeFile(written("plain.jpg", ImageFormat::Jpeg, {}));
    Bytes jpeg = ReadWholeFile(written("stated.jpg", ImageFormat::Jpeg, stating));
    ASSERT_EQ(jpeg.size(), plainJpeg.size());
    EXPECT_EQ(Bytes(plainJpeg.begin() + 13, plainJpeg.begin() + 18), (Bytes{0, 0, 1, 0, 1}));
    std::copy(plainJpeg.begin() + 13, plainJpeg.begin() + 18, jpeg.begin() + 13);
    EXPECT_EQ(jpeg, plainJpeg);

    // TIFF: the same pixels, and no resolution without the setting.
    const std::string plainTiff = written("plain.tif", ImageFormat::Tiff, {});
    const std::string tiff = written("stated.tif", ImageFormat::Tiff, stating);
    const CheckedImageRead plainRead = ReadImageFileChecked(plainTiff.c_str(), ImageFormat::Tiff);
    const CheckedImageRead read = ReadImageFileChecked(tiff.c_str(), ImageFormat::Tiff);
    EXPECT_EQ(plainRead.ppi, -1);
    EXPECT_EQ(read.ppi, 500);
    EXPECT_EQ(read.planes, plainRead.planes);
    EXPECT_EQ(read.planes, colour);

    // SGI and Targa have no field for it: the same bytes.
    for (const auto& [name, format] :
         {std::pair{"same.rgb", ImageFormat::Sgi}, std::pair{"same.tga", ImageFormat::Targa}}) {
        SCOPED_TRACE(name);
        const Bytes plain = ReadWholeFile(written(name, format, {}));
        EXPECT_EQ(ReadWholeFile(written(name, format, stating)), plain);
    }
}

TEST(StatedResolution, AResolutionAFormatCannotHoldIsRefusedAndNoFileIsMade) {
    ScratchDir dir;
    const int w = 4, h = 4;
    const Bytes colour = ColourPlanes(w, h);
    const Bytes grey = GreyBytes(w, h);
    const struct {
        ImageFormat format;
        int32_t ppi;
    } refused[] = {
        {ImageFormat::Png, 0},
        {ImageFormat::Tiff, -500},
        {ImageFormat::Jpeg, 65536},  // JFIF's density is 16-bit
        {ImageFormat::Tiff, MaxStatedResolution(ImageFormat::Tiff) + 1},
        {ImageFormat::Png, MaxStatedResolution(ImageFormat::Png) + 1},
        // The library's BMP writer states no resolution: it refuses one rather than drop it.
        {ImageFormat::Bmp, 500},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(testing::Message() << int(c.format) << " at " << c.ppi << " ppi");
        SaveSettings settings;
        settings.resolution = c.ppi;
        const std::string path = dir.file("refused");
        EXPECT_EQ(WriteImageFileChecked(path.c_str(), c.format, w, h, colour.data(), settings).code,
                  kUnsupportedOption);
        EXPECT_EQ(
            WriteGreyImageFileChecked(path.c_str(), c.format, w, h, grey.data(), settings).code,
            kUnsupportedOption);
        EXPECT_FALSE(std::filesystem::exists(path));
    }

    // The largest each format holds is written and read back.
    const std::string jpeg = dir.file("max.jpg");
    SaveSettings settings;
    settings.resolution = 65535;
    ASSERT_TRUE(
        WriteImageFileChecked(jpeg.c_str(), ImageFormat::Jpeg, w, h, colour.data(), settings).ok());
    EXPECT_EQ(ReadWholeFile(jpeg)[14], 0xFF);
    const std::string tiff = dir.file("max.tif");
    settings.resolution = MaxStatedResolution(ImageFormat::Tiff);
    ASSERT_TRUE(
        WriteImageFileChecked(tiff.c_str(), ImageFormat::Tiff, w, h, colour.data(), settings).ok());
    EXPECT_EQ(ReadImageFileChecked(tiff.c_str(), ImageFormat::Tiff).ppi, 1 << 24);
}

TEST(StatedResolution, WsqReadGivesItsNistcomResolution) {
    ScratchDir dir;
    const int w = 96, h = 96;
    const Bytes print = testsupport::synthetic_print(w, h, 3);
    Bytes planes;
    for (int i = 0; i < 3; ++i) planes.insert(planes.end(), print.begin(), print.end());
    SaveSettings settings;
    settings.wsq.ppi = 1000;
    const std::string path = dir.file("p.wsq");
    ASSERT_TRUE(
        WriteImageFileChecked(path.c_str(), ImageFormat::Wsq, w, h, planes.data(), settings).ok());
    const CheckedImageRead read = ReadImageFileChecked(path.c_str(), ImageFormat::Wsq);
    ASSERT_TRUE(read.ok()) << read.message();
    EXPECT_EQ(read.ppi, 1000);
}

}  // namespace
}  // namespace imagefile
