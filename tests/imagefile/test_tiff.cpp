// The TIFF reader and writer: round trips through both, files made by libtiff's tiffcp and
// ImageMagick read to the pixels they were made from, and the refusals and repairs of hostile or
// unusual files.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "imagefile/formats.h"
#include "imagefile/image_error.h"
#include "support/bitmap_pixels.h"
#include "support/file_size_limit.h"
#include "support/raster_peer_tools.h"

namespace {

using imagefile::BitmapImage;
using imagefile::TiffSaveInfo;
using testsupport::PixelAt;
using testsupport::Rgba;

uint8_t Level(uint32_t x, uint32_t y, uint32_t c) { return uint8_t((x * 37 + y * 59 + c * 91) & 0xFF); }

void ExpectSamePicture(const BitmapImage& expected, const BitmapImage& actual) {
    ASSERT_EQ(actual.width, expected.width);
    ASSERT_EQ(actual.height, expected.height);
    for (uint32_t y = 0; y < expected.height; ++y) {
        for (uint32_t x = 0; x < expected.width; ++x) {
            ASSERT_EQ(PixelAt(actual, x, y), PixelAt(expected, x, y)) << "at " << x << "," << y;
        }
    }
}

// The picture libtiff itself shows for a file (top row first), as RGBA.
std::vector<Rgba> LibtiffPicture(const std::string& path, uint32_t* width, uint32_t* height) {
    std::vector<Rgba> out;
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (tif == nullptr) return out;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, height);
    std::vector<uint32_t> raster(size_t{*width} * *height);
    if (TIFFReadRGBAImageOriented(tif, *width, *height, raster.data(), ORIENTATION_TOPLEFT, 0)) {
        for (uint32_t p : raster) {
            out.push_back(Rgba{uint8_t(TIFFGetR(p)), uint8_t(TIFFGetG(p)), uint8_t(TIFFGetB(p)),
                               uint8_t(TIFFGetA(p))});
        }
    }
    TIFFClose(tif);
    return out;
}

uint16_t TagOf(const std::string& path, uint32_t tag) {
    uint16_t value = 0;
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (tif == nullptr) return 0xFFFF;
    TIFFGetFieldDefaulted(tif, tag, &value);
    TIFFClose(tif);
    return value;
}

// A record of the given depth filled with a pattern; palette pictures get a palette of their own.
BitmapImage PatternRecord(uint8_t depth, bool greyPalette, uint32_t width = 13, uint32_t height = 7) {
    BitmapImage image = testsupport::MakeRecord(width, height, depth);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            if (depth <= 8) {
                testsupport::SetIndex(image, x, y, Level(x, y, 0) % image.paletteSize);
            } else {
                testsupport::SetPixel(image, x, y,
                                      Rgba{Level(x, y, 0), Level(x, y, 1), Level(x, y, 2),
                                           depth == 32 ? Level(x, y, 3) : uint8_t(255)});
            }
        }
    }
    for (uint32_t i = 0; i < image.paletteSize; ++i) {
        const uint8_t grey = uint8_t(i * 255 / (image.paletteSize - 1));
        testsupport::SetPaletteEntry(image, i, greyPalette ? Rgba{grey, grey, grey, 255}
                                                            : Rgba{uint8_t(i * 7), uint8_t(255 - i), uint8_t(i * 3 + 1), 255});
    }
    return image;
}

TEST(TiffFile, RoundTripsEveryDepthCompressionAndOrientation) {
    testsupport::ScratchDir scratch;
    struct Case {
        uint8_t depth;
        bool grey;
        uint32_t selector;
        uint32_t bottomUp;
        uint16_t storedCompression;
    };
    const Case cases[] = {
        {1, true, 0, 0, COMPRESSION_PACKBITS},  // 1-bit pictures are always PackBits
        {4, false, 0, 1, COMPRESSION_NONE},
        {8, true, 4, 0, COMPRESSION_LZW},       // a remembered LZW read is written as LZW
        {8, false, 9, 1, COMPRESSION_PACKBITS},
        {16, false, 13, 0, COMPRESSION_DEFLATE},
        {24, false, 4, 1, COMPRESSION_LZW},
        {24, false, 10, 0, COMPRESSION_NONE},   // ThunderScan cannot be written: none instead
        {32, false, 13, 1, COMPRESSION_DEFLATE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("depth " + std::to_string(c.depth) + " selector " + std::to_string(c.selector) +
                     " bottom-up " + std::to_string(c.bottomUp));
        const BitmapImage source = PatternRecord(c.depth, c.grey);
        const std::string path = scratch.file("round.tif");
        TiffSaveInfo info;
        info.compression = c.selector;
        info.bottomUp = c.bottomUp;
        ASSERT_EQ(imagefile::WriteTiffFile(path.c_str(), source, &info), 0u);
        EXPECT_EQ(TagOf(path, TIFFTAG_COMPRESSION), c.storedCompression);
        EXPECT_EQ(TagOf(path, TIFFTAG_ORIENTATION), c.bottomUp ? ORIENTATION_BOTLEFT : ORIENTATION_TOPLEFT);

        BitmapImage back;
        TiffSaveInfo found;
        ASSERT_EQ(imagefile::ReadTiffFile(path.c_str(), &back, &found), 0u);
        ExpectSamePicture(source, back);
        EXPECT_EQ(found.bottomUp, c.bottomUp);
        if (c.storedCompression == COMPRESSION_LZW) {
            EXPECT_EQ(found.compression, 4u);
        } else if (c.storedCompression == COMPRESSION_PACKBITS) {
            EXPECT_EQ(found.compression, 9u);
        }

        // libtiff shows the same picture (straight alpha is premultiplied in its RGBA raster).
        uint32_t w = 0, h = 0;
        const std::vector<Rgba> peer = LibtiffPicture(path, &w, &h);
        ASSERT_EQ(peer.size(), size_t{source.width} * source.height);
        for (uint32_t y = 0; y < h; ++y) {
            for (uint32_t x = 0; x < w; ++x) {
                Rgba expected = PixelAt(source, x, y);
                if (c.depth == 32) {
                    expected.r = uint8_t((expected.r * expected.a + 127) / 255);
                    expected.g = uint8_t((expected.g * expected.a + 127) / 255);
                    expected.b = uint8_t((expected.b * expected.a + 127) / 255);
                }
                const Rgba got = peer[size_t{y} * w + x];
                ASSERT_NEAR(got.r, expected.r, 1) << x << "," << y;
                ASSERT_NEAR(got.g, expected.g, 1) << x << "," << y;
                ASSERT_NEAR(got.b, expected.b, 1) << x << "," << y;
                ASSERT_EQ(got.a, expected.a);
            }
        }
    }
}

TEST(TiffFile, PhotometricFollowsThePalette) {
    testsupport::ScratchDir scratch;
    const std::string path = scratch.file("palette.tif");
    BitmapImage ramp = PatternRecord(8, true);
    ASSERT_EQ(imagefile::WriteTiffFile(path.c_str(), ramp, nullptr), 0u);
    EXPECT_EQ(TagOf(path, TIFFTAG_PHOTOMETRIC), PHOTOMETRIC_MINISBLACK);

    BitmapImage reversed = PatternRecord(4, true);
    for (uint32_t i = 0; i < 16; ++i) {
        testsupport::SetPaletteEntry(reversed, i, Rgba{uint8_t(255 - i * 17), uint8_t(255 - i * 17), uint8_t(255 - i * 17), 255});
    }
    ASSERT_EQ(imagefile::WriteTiffFile(path.c_str(), reversed, nullptr), 0u);
    EXPECT_EQ(TagOf(path, TIFFTAG_PHOTOMETRIC), PHOTOMETRIC_MINISWHITE);
    BitmapImage back;
    ASSERT_EQ(imagefile::ReadTiffFile(path.c_str(), &back, nullptr), 0u);
    ExpectSamePicture(reversed, back);

    // Greys that are not the ramp are kept as a colour map, so the picture survives.
    BitmapImage odd = PatternRecord(8, true);
    for (uint32_t i = 0; i < 256; ++i) {
        testsupport::SetPaletteEntry(odd, i, Rgba{uint8_t(i / 2), uint8_t(i / 2), uint8_t(i / 2), 255});
    }
    ASSERT_EQ(imagefile::WriteTiffFile(path.c_str(), odd, nullptr), 0u);
    EXPECT_EQ(TagOf(path, TIFFTAG_PHOTOMETRIC), PHOTOMETRIC_PALETTE);
    ASSERT_EQ(imagefile::ReadTiffFile(path.c_str(), &back, nullptr), 0u);
    ExpectSamePicture(odd, back);

    // Full-intensity palette entries survive a round trip (8-bit levels scale by 257).
    BitmapImage colour = PatternRecord(8, false);
    testsupport::SetPaletteEntry(colour, 0, Rgba{255, 255, 255, 255});
    ASSERT_EQ(imagefile::WriteTiffFile(path.c_str(), colour, nullptr), 0u);
    ASSERT_EQ(imagefile::ReadTiffFile(path.c_str(), &back, nullptr), 0u);
    ExpectSamePicture(colour, back);
}

// Pixels of a peer-made file, as the peer was given them.
struct PeerSource {
    uint32_t width = 11, height = 6;
    int channels;
    uint32_t maxval;
    std::vector<uint16_t> samples;
    uint16_t At(uint32_t x, uint32_t y, int c) const { return samples[(size_t{y} * width + x) * channels + c]; }
};

PeerSource MakePeerSource(int channels, uint32_t maxval, bool bilevel = false, int colours = 0) {
    PeerSource s;
    s.channels = channels;
    s.maxval = maxval;
    for (uint32_t y = 0; y < s.height; ++y) {
        for (uint32_t x = 0; x < s.width; ++x) {
            for (int c = 0; c < channels; ++c) {
                uint32_t v = (x * 5171 + y * 12347 + uint32_t(c) * 30011) % (maxval + 1);
                if (bilevel) v = ((x + y) % 3 == 0) ? maxval : 0;
                if (colours > 0) v = ((x / 2 + y) % colours) * (maxval / (colours - 1)) * (c + 1) % (maxval + 1);
                if (channels % 2 == 0 && c == channels - 1) v = (x * 23 + y * 40) % 256 * maxval / 255;
                s.samples.push_back(uint16_t(v));
            }
        }
    }
    return s;
}

// What our reader should show for a source pixel.
Rgba ExpectedOf(const PeerSource& s, uint32_t x, uint32_t y) {
    auto byte = [&](int c) { return uint8_t(s.maxval > 255 ? s.At(x, y, c) >> 8 : s.At(x, y, c)); };
    switch (s.channels) {
        case 1: return Rgba{byte(0), byte(0), byte(0), 255};
        case 2: return Rgba{byte(0), byte(0), byte(0), byte(1)};
        case 3: return Rgba{byte(0), byte(1), byte(2), 255};
        default: return Rgba{byte(0), byte(1), byte(2), byte(3)};
    }
}

void ExpectPeerPicture(const PeerSource& s, const BitmapImage& image, bool flipped) {
    ASSERT_EQ(image.width, s.width);
    ASSERT_EQ(image.height, s.height);
    for (uint32_t y = 0; y < s.height; ++y) {
        for (uint32_t x = 0; x < s.width; ++x) {
            ASSERT_EQ(PixelAt(image, x, y), ExpectedOf(s, x, flipped ? s.height - 1 - y : y)) << x << "," << y;
        }
    }
}

TEST(TiffFile, ReadsFilesMadeByPeerTools) {
    if (!testsupport::MagickConvertAvailable() || !testsupport::TiffcpAvailable()) {
        GTEST_SKIP() << "ImageMagick convert or tiffcp missing";
    }
    testsupport::ScratchDir scratch;
    struct Case {
        const char* name;
        PeerSource source;
        const char* convertOptions;
        uint8_t depth;  // of the record we expect
        bool flipped = false;
    };
    const Case cases[] = {
        {"grey1", MakePeerSource(1, 255, true), "-depth 1 -type bilevel", 1},
        {"grey8", MakePeerSource(1, 255), "-depth 8 -type grayscale", 8},
        {"grey16", MakePeerSource(1, 65535), "-depth 16 -type grayscale", 8},
        {"palette", MakePeerSource(3, 255, false, 5), "-type palette", 4},
        {"rgb8", MakePeerSource(3, 255), "-depth 8 -type truecolor", 24},
        {"rgb16", MakePeerSource(3, 65535), "-depth 16 -type truecolor", 24},
        {"rgba8", MakePeerSource(4, 255), "-depth 8 -type truecolormatte", 32},
        {"greyalpha", MakePeerSource(2, 255), "-depth 8 -type grayscalematte", 32},
        {"bottomleft", MakePeerSource(3, 255), "-depth 8 -type truecolor -orient BottomLeft", 24, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string pnm = scratch.file(std::string(c.name) + (c.source.channels % 2 == 0 ? ".pam" : ".pnm"));
        testsupport::WriteNetpbmSamples(pnm, c.source.width, c.source.height, c.source.channels, c.source.maxval,
                                 c.source.samples);
        const std::string base = scratch.file(std::string(c.name) + ".tif");
        ASSERT_TRUE(testsupport::RunMagickConvert("'" + pnm + "' " + c.convertOptions + " -compress none '" + base + "'"));
        struct Variant {
            const char* options;
            uint32_t selector;
        };
        const Variant variants[] = {{"-c none", 0}, {"-c lzw", 4}, {"-c packbits", 9}, {"-c zip", 7},
                                    {"-c lzw -p separate", 4}};
        for (const Variant& v : variants) {
            SCOPED_TRACE(v.options);
            const bool separate = std::string(v.options).find("separate") != std::string::npos;
            if (separate && TagOf(base, TIFFTAG_SAMPLESPERPIXEL) == 1) continue;  // the same layout as contiguous
            const std::string file = scratch.file("variant.tif");
            if (separate) {
                // tiffcp separates 8-bit samples only; ImageMagick writes planes of any depth.
                ASSERT_TRUE(testsupport::RunMagickConvert("'" + pnm + "' " + c.convertOptions +
                                                          " -interlace plane -compress lzw '" + file + "'"));
                if (TagOf(file, TIFFTAG_PLANARCONFIG) != PLANARCONFIG_SEPARATE) continue;  // grey+alpha
            } else {
                ASSERT_TRUE(testsupport::RunTiffcp(v.options, base, file));
            }
            BitmapImage image;
            TiffSaveInfo info;
            info.compression = 7;  // a read of Adobe Deflate (zip) leaves the selector as it was
            ASSERT_EQ(imagefile::ReadTiffFile(file.c_str(), &image, &info), 0u)
                << imagefile::GetLastImageErrorMessage();
            EXPECT_EQ(info.compression, v.selector);
            EXPECT_EQ(info.bottomUp, c.flipped ? 1u : 0u);
            EXPECT_EQ(image.bitsPerPixel, c.depth);
            ExpectPeerPicture(c.source, image, c.flipped);

            // A read-then-save keeps the orientation, and every reader agrees on the picture.
            if (c.flipped) {
                const std::string again = scratch.file("again.tif");
                ASSERT_EQ(imagefile::WriteTiffFile(again.c_str(), image, &info), 0u);
                EXPECT_EQ(TagOf(again, TIFFTAG_ORIENTATION), ORIENTATION_BOTLEFT);
                const std::vector<uint8_t> original = testsupport::ReadPeerFileBytes(base);
                uint32_t w = 0, h = 0;
                const std::vector<Rgba> ours = LibtiffPicture(again, &w, &h);
                const std::vector<Rgba> theirs = LibtiffPicture(base, &w, &h);
                EXPECT_EQ(ours, theirs);
            }
        }
    }
}

// Writes a small uncompressed TIFF through libtiff with whatever tags the case needs.
void WriteRawTiff(const std::string& path, uint32_t width, uint32_t height, uint16_t bits,
                  uint16_t samples, uint16_t photometric, const std::vector<uint8_t>& data,
                  const std::function<void(TIFF*)>& extra = {}) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, height);
    if (extra) extra(tif);
    TIFFWriteEncodedStrip(tif, 0, const_cast<uint8_t*>(data.data()), tmsize_t(data.size()));
    TIFFClose(tif);
}

TEST(TiffFile, RefusesWhatItCannotShowAndMendsOddFiles) {
    testsupport::ScratchDir scratch;
    const std::string path = scratch.file("odd.tif");
    BitmapImage image;
    EXPECT_EQ(imagefile::ReadTiffFile(scratch.file("missing.tif").c_str(), &image, nullptr), 7u);
    EXPECT_EQ(imagefile::GetLastImageError(), 7u);
    testsupport::WritePeerFileBytes(path, {'n', 'o', 't', ' ', 'a', ' ', 't', 'i', 'f', 'f'});
    EXPECT_EQ(imagefile::ReadTiffFile(path.c_str(), &image, nullptr), 1u);
    EXPECT_EQ(imagefile::ReadTiffFile(path.c_str(), nullptr, nullptr), 9u);

    const std::vector<uint8_t> grey(4 * 3, 100);
    WriteRawTiff(path, 4, 3, 8, 3, PHOTOMETRIC_YCBCR, std::vector<uint8_t>(4 * 3 * 3, 1));
    EXPECT_EQ(imagefile::ReadTiffFile(path.c_str(), &image, nullptr), 8u);
    WriteRawTiff(path, 8, 3, 2, 1, PHOTOMETRIC_MINISBLACK, std::vector<uint8_t>(2 * 3, 0x1B));
    EXPECT_EQ(imagefile::ReadTiffFile(path.c_str(), &image, nullptr), 2u);
    EXPECT_TRUE(image.bits.empty());

    // Orientation other than top-left or bottom-left is refused when it is to be remembered.
    WriteRawTiff(path, 4, 3, 8, 1, PHOTOMETRIC_MINISBLACK, grey,
                 [](TIFF* tif) { TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_BOTRIGHT); });
    TiffSaveInfo info;
    EXPECT_EQ(imagefile::ReadTiffFile(path.c_str(), &image, &info), 8u);
    EXPECT_EQ(imagefile::ReadTiffFile(path.c_str(), &image, nullptr), 0u);

    // A MaxSampleValue below 255 does not squeeze the grey ramp.
    WriteRawTiff(path, 4, 3, 8, 1, PHOTOMETRIC_MINISBLACK, grey,
                 [](TIFF* tif) { TIFFSetField(tif, TIFFTAG_MAXSAMPLEVALUE, 100); });
    ASSERT_EQ(imagefile::ReadTiffFile(path.c_str(), &image, nullptr), 0u);
    EXPECT_EQ(PixelAt(image, 0, 0), (Rgba{100, 100, 100, 255}));
    EXPECT_EQ(image.palette[255 * image.paletteEntrySize], 255);

    // 16-bit samples below a small MaxSampleValue are shifted by its bit count and capped.
    std::vector<uint8_t> wide;
    for (uint16_t v : {uint16_t(0), uint16_t(2048), uint16_t(4095), uint16_t(65535)}) {
        wide.push_back(uint8_t(v));
        wide.push_back(uint8_t(v >> 8));
    }
    WriteRawTiff(path, 4, 1, 16, 1, PHOTOMETRIC_MINISBLACK, wide,
                 [](TIFF* tif) { TIFFSetField(tif, TIFFTAG_MAXSAMPLEVALUE, 4095); });
    ASSERT_EQ(imagefile::ReadTiffFile(path.c_str(), &image, nullptr), 0u);
    EXPECT_EQ(PixelAt(image, 1, 0).r, 128);
    EXPECT_EQ(PixelAt(image, 2, 0).r, 255);
    EXPECT_EQ(PixelAt(image, 3, 0).r, 255);

    // Colour maps: values up to 255 are taken as they are, 16-bit ones are scaled.
    for (const bool sixteen : {false, true}) {
        std::vector<uint16_t> map(3 * 256, 0);
        map[1] = sixteen ? 65535 : 200;          // red of entry 1
        map[256 + 1] = sixteen ? 32768 : 100;    // green
        WriteRawTiff(path, 4, 1, 8, 1, PHOTOMETRIC_PALETTE, {0, 1, 1, 0}, [&map](TIFF* tif) {
            TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data() + 256, map.data() + 512);
        });
        ASSERT_EQ(imagefile::ReadTiffFile(path.c_str(), &image, nullptr), 0u);
        EXPECT_EQ(PixelAt(image, 1, 0), sixteen ? (Rgba{255, 127, 0, 255}) : (Rgba{200, 100, 0, 255}));
    }

    // Premultiplied (associated) alpha is undone; straight alpha is kept.
    for (const uint16_t kind : {uint16_t(EXTRASAMPLE_ASSOCALPHA), uint16_t(EXTRASAMPLE_UNASSALPHA)}) {
        WriteRawTiff(path, 1, 1, 8, 4, PHOTOMETRIC_RGB, {100, 50, 0, 128}, [kind](TIFF* tif) {
            TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &kind);
        });
        ASSERT_EQ(imagefile::ReadTiffFile(path.c_str(), &image, nullptr), 0u);
        EXPECT_EQ(PixelAt(image, 0, 0), kind == EXTRASAMPLE_ASSOCALPHA ? (Rgba{200, 100, 0, 128})
                                                                        : (Rgba{100, 50, 0, 128}));
    }
    // Four samples without ExtraSamples are not a picture we can show.
    WriteRawTiff(path, 1, 1, 8, 4, PHOTOMETRIC_SEPARATED, {1, 2, 3, 4});
    EXPECT_EQ(imagefile::ReadTiffFile(path.c_str(), &image, nullptr), 8u);

    // A strip cut short is a failed read, and a file claiming more than it holds is refused
    // before its picture is allocated.
    BitmapImage big = PatternRecord(24, false, 64, 64);
    ASSERT_EQ(imagefile::WriteTiffFile(path.c_str(), big, nullptr), 0u);
    std::vector<uint8_t> bytes = testsupport::ReadPeerFileBytes(path);
    std::filesystem::resize_file(path, bytes.size() / 2);
    EXPECT_NE(imagefile::ReadTiffFile(path.c_str(), &image, nullptr), 0u);
    EXPECT_TRUE(image.bits.empty());
}

TEST(TiffFile, SeparateBitPlanesIndexTheCornerColours) {
    testsupport::ScratchDir scratch;
    const std::string path = scratch.file("planes.tif");
    // Eight pixels; plane s holds bit s of the pixel's red-green-blue index, and a fourth plane
    // (alpha) clears the last two pixels.
    for (const uint16_t samples : {uint16_t(3), uint16_t(4)}) {
        SCOPED_TRACE(std::to_string(samples) + " planes");
        TIFF* tif = TIFFOpen(path.c_str(), "w");
        ASSERT_NE(tif, nullptr);
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 8);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 1);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_SEPARATE);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 1);
        if (samples == 4) {
            const uint16_t extra = EXTRASAMPLE_UNASSALPHA;
            TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
        }
        // Pixel x has red bit (x & 4), green bit (x & 2), blue bit (x & 1).
        uint8_t planes[4] = {0x0F, 0x33, 0x55, 0xFC};
        for (uint16_t s = 0; s < samples; ++s) TIFFWriteEncodedStrip(tif, s, &planes[s], 1);
        TIFFClose(tif);
        BitmapImage image;
        ASSERT_EQ(imagefile::ReadTiffFile(path.c_str(), &image, nullptr), 0u);
        EXPECT_EQ(image.bitsPerPixel, 4);
        EXPECT_EQ(image.transparentIndex, samples == 4 ? 8 : -1);
        for (uint32_t x = 0; x < 8; ++x) {
            const uint8_t r = (x & 4) ? 255 : 0, g = (x & 2) ? 255 : 0, b = (x & 1) ? 255 : 0;
            const Rgba want = samples == 4 && x >= 6 ? Rgba{127, 127, 127, 0} : Rgba{r, g, b, 255};
            EXPECT_EQ(PixelAt(image, x, 0), want) << x;
        }
    }
}

TEST(TiffFile, WriterNeverDestroysAnExistingFile) {
    testsupport::ScratchDir scratch;
    const std::string target = scratch.file("keep.tif");
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    testsupport::WritePeerFileBytes(target, old);
    const BitmapImage image = PatternRecord(24, false, 200, 100);
    const int code = testsupport::RunWithFileSizeLimit(4096, [&] {
        return int(imagefile::WriteTiffFile(target.c_str(), image, nullptr));
    });
    EXPECT_EQ(code, 12);
    EXPECT_EQ(testsupport::ReadPeerFileBytes(target), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.path().string()), {}), 1);
    EXPECT_EQ(imagefile::WriteTiffFile(scratch.file("no/such/dir.tif").c_str(), image, nullptr), 7u);

    // Replacing succeeds and leaves only the target.
    ASSERT_EQ(imagefile::WriteTiffFile(target.c_str(), image, nullptr), 0u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.path().string()), {}), 1);
    BitmapImage back;
    ASSERT_EQ(imagefile::ReadTiffFile(target.c_str(), &back, nullptr), 0u);
    ExpectSamePicture(image, back);
}

}  // namespace
