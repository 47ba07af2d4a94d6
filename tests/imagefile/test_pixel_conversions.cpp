// Depth conversions and pixel helpers of the raster library.
#include <gtest/gtest.h>

#include <cmath>

#include "imagefile/background.h"
#include "imagefile/bitmap_image.h"
#include "imagefile/image_error.h"
#include "imagefile/pixel_conversions.h"

using namespace imagefile;

namespace {

BitmapImage Allocated(uint32_t width, uint32_t height, uint8_t bitsPerPixel, int32_t dibLayout,
                      uint16_t paletteSize = 0) {
    BitmapImage image;
    image.width = width;
    image.height = height;
    image.bitsPerPixel = bitsPerPixel;
    image.dibLayout = dibLayout;
    image.paletteSize = paletteSize;
    EXPECT_EQ(AllocateBitmapImage(&image), 0u);
    return image;
}

const uint8_t* Pixel(const BitmapImage& image, uint32_t x, uint32_t y) {
    return image.bits.data() + uint64_t{y} * image.scanWidth + x * (image.bitsPerPixel / 8);
}

}  // namespace

TEST(PixelHelpers, GreyBlendUnblendAndSwaps) {
    const uint8_t red[] = {0, 0, 255};
    const uint8_t white[] = {255, 255, 255};
    const uint8_t black[] = {0, 0, 0};
    const uint8_t blue[] = {255, 0, 0};
    const uint8_t green[] = {0, 255, 0};
    EXPECT_EQ(GreyOf(red), 76);
    EXPECT_EQ(GreyOf(white), 255);
    EXPECT_EQ(GreyOf(black), 0);
    EXPECT_EQ(GreyOf(blue), 29);
    EXPECT_EQ(GreyOf(green), 150);
    // Every grey stays itself.
    for (int v = 0; v < 256; ++v) {
        const uint8_t grey[] = {uint8_t(v), uint8_t(v), uint8_t(v)};
        ASSERT_EQ(GreyOf(grey), v);
    }

    EXPECT_EQ(BlendChannel(200, 128, 0), 100);
    EXPECT_EQ(BlendChannel(200, 0, 17), 17);
    EXPECT_EQ(BlendChannel(200, 255, 17), 200);
    for (int f = 0; f < 256; f += 5) {
        for (int a = 1; a < 255; a += 7) {
            const int expected = static_cast<int>(std::lround((f * a + 40 * (255 - a)) / 255.0));
            ASSERT_EQ(BlendChannel(uint8_t(f), uint8_t(a), 40), expected) << f << " " << a;
        }
    }
    EXPECT_EQ(UnblendChannel(100, 128, 0), 199);
    EXPECT_EQ(UnblendChannel(10, 128, 200), 0);  // negative result
    EXPECT_EQ(UnblendChannel(10, 0, 200), 200);
    EXPECT_EQ(UnblendChannel(10, 255, 200), 10);

    EXPECT_EQ(SwapBytes32(uint32_t{0x11223344}), 0x44332211u);
    EXPECT_EQ(SwapBytes32(int32_t{-2}), int32_t(0xFEFFFFFF));
    EXPECT_EQ(SwapBytes16(uint16_t{0x01DA}), 0xDA01);
    EXPECT_EQ(SwapBytes16(int16_t{0x0102}), int16_t{0x0201});
}

TEST(PixelHelpers, UnpackRowsWithPartialBytes) {
    // Two rows of 11 one-bit pixels in 4-byte rows.
    const uint8_t one[] = {0xA5, 0xC0, 0xFF, 0xFF, 0x0F, 0x20, 0xFF, 0xFF};
    uint8_t out[22];
    UnpackOneBit(11, 2, one, 4, out);
    const uint8_t expectedOne[] = {1, 0, 1, 0, 0, 1, 0, 1, 1, 1, 0,
                                   0, 0, 0, 0, 1, 1, 1, 1, 0, 0, 1};
    EXPECT_EQ(std::vector<uint8_t>(out, out + 22), std::vector<uint8_t>(expectedOne, expectedOne + 22));

    const uint8_t four[] = {0x12, 0x3F, 0xEE, 0x45, 0x67, 0x8D};
    uint8_t out4[6];
    UnpackFourBit(3, 2, four, 3, out4);
    const uint8_t expectedFour[] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(std::vector<uint8_t>(out4, out4 + 6), std::vector<uint8_t>(expectedFour, expectedFour + 6));
}

TEST(ConvertToTrueColor, PaletteImagesWithAndWithoutTransparency) {
    for (uint8_t depth : {1, 4, 8}) {
        SCOPED_TRACE(testing::Message() << "depth " << int(depth));
        const uint16_t entries = depth == 1 ? 2 : 6;
        BitmapImage source = Allocated(5, 3, depth, 1, entries);
        for (uint16_t i = 0; i < entries; ++i) {
            source.palette[i * 4 + 0] = uint8_t(10 * i);
            source.palette[i * 4 + 1] = uint8_t(10 * i + 1);
            source.palette[i * 4 + 2] = uint8_t(10 * i + 2);
        }
        auto setIndex = [&](uint32_t x, uint32_t y, uint8_t v) {
            uint8_t* row = source.bits.data() + y * source.scanWidth;
            if (depth == 8) row[x] = v;
            if (depth == 4) row[x / 2] |= uint8_t(v << ((x & 1) ? 0 : 4));
            if (depth == 1) row[x / 8] |= uint8_t(v << (7 - x % 8));
        };
        auto indexAt = [&](uint32_t x, uint32_t y) { return uint8_t((x + 2 * y) % entries); };
        for (uint32_t y = 0; y < 3; ++y) {
            for (uint32_t x = 0; x < 5; ++x) setIndex(x, y, indexAt(x, y));
        }

        BitmapImage opaque;
        ASSERT_EQ(ConvertToTrueColor(source, &opaque), 0u);
        EXPECT_EQ(opaque.bitsPerPixel, 24);
        EXPECT_EQ(opaque.scanWidth, 16u);
        EXPECT_EQ(opaque.paletteSize, 0);

        const uint8_t transparent = depth == 1 ? 1 : 3;
        source.transparentIndex = transparent;
        BitmapImage withAlpha;
        ASSERT_EQ(ConvertToTrueColor(source, &withAlpha), 0u);
        EXPECT_EQ(withAlpha.bitsPerPixel, 32);
        for (uint32_t y = 0; y < 3; ++y) {
            for (uint32_t x = 0; x < 5; ++x) {
                const uint8_t i = indexAt(x, y);
                const uint8_t* p = Pixel(opaque, x, y);
                const uint8_t* q = Pixel(withAlpha, x, y);
                ASSERT_EQ(p[0], 10 * i);
                ASSERT_EQ(p[1], 10 * i + 1);
                ASSERT_EQ(p[2], 10 * i + 2);
                ASSERT_EQ(q[2], 10 * i + 2);
                ASSERT_EQ(q[3], i == transparent ? 0 : 255) << x << "," << y;
            }
        }
    }
}

TEST(ConvertToTrueColor, RefusesIndicesOutsideThePaletteAndBadRecords) {
    BitmapImage source = Allocated(4, 2, 8, 0, 3);
    source.bits[5] = 3;  // palette has entries 0..2 only
    BitmapImage destination = Allocated(2, 2, 24, 0);
    EXPECT_EQ(ConvertToTrueColor(source, &destination), kCorruptedFile);
    EXPECT_EQ(GetLastImageError(), kCorruptedFile);
    EXPECT_TRUE(destination.bits.empty());
    EXPECT_EQ(destination.width, 0u);

    // A record whose buffers are shorter than its fields say is never read.
    BitmapImage liar = Allocated(4, 2, 24, 0);
    liar.height = 40;
    EXPECT_EQ(ConvertToTrueColor(liar, &destination), kInvalidBitmapPointer);
    BitmapImage empty;
    EXPECT_EQ(ConvertToTrueColor(empty, &destination), kInvalidImageSize);
}

TEST(ConvertToTrueColor, SixteenBitExpandsAndDeepImagesCopy) {
    BitmapImage source = Allocated(3, 2, 16, 1);
    const uint16_t words[] = {0x7FFF, 0x001F, 0x03E0, 0x7C00, 0x8000, 0x1234};
    for (int i = 0; i < 6; ++i) {
        uint8_t* p = source.bits.data() + (i / 3) * source.scanWidth + (i % 3) * 2;
        p[0] = uint8_t(words[i]);
        p[1] = uint8_t(words[i] >> 8);
    }
    BitmapImage out;
    ASSERT_EQ(ConvertToTrueColor(source, &out), 0u);
    EXPECT_EQ(out.bitsPerPixel, 24);
    EXPECT_EQ(out.scanWidth, 12u);
    const uint8_t expected[6][3] = {{248, 248, 248}, {248, 0, 0}, {0, 248, 0},
                                    {0, 0, 248},     {0, 0, 0},   {0xA0, 0x88, 0x20}};
    for (int i = 0; i < 6; ++i) {
        const uint8_t* p = Pixel(out, i % 3, i / 3);
        EXPECT_EQ(p[0], expected[i][0]) << i;
        EXPECT_EQ(p[1], expected[i][1]) << i;
        EXPECT_EQ(p[2], expected[i][2]) << i;
    }
    EXPECT_EQ(Convert16To24(&out), kInvalidBitsPerPixel);

    BitmapImage deep = Allocated(3, 2, 32, 0);
    deep.bits[7] = 99;
    // Converting a record into itself works.
    ASSERT_EQ(ConvertToTrueColor(deep, &deep), 0u);
    EXPECT_EQ(deep.bitsPerPixel, 32);
    EXPECT_EQ(deep.bits[7], 99);
}

TEST(ReducePaletteDepth, PacksSmallPalettes) {
    BitmapImage two = Allocated(10, 2, 8, 1, 2);
    for (uint32_t x = 0; x < 10; ++x) two.bits[x] = x % 3 == 0;
    ASSERT_EQ(ReducePaletteDepth(&two), 0u);
    EXPECT_EQ(two.bitsPerPixel, 1);
    EXPECT_EQ(two.scanWidth, 4u);
    EXPECT_EQ(two.bits[0], 0x92);  // 1001 0010
    EXPECT_EQ(two.bits[1], 0x40);  // pixel 9 in bit 6
    EXPECT_EQ(two.bits.size(), 8u);

    BitmapImage sixteen = Allocated(3, 1, 8, 0, 16);
    sixteen.bits = {0x0F, 0x01, 0x0A};
    ASSERT_EQ(ReducePaletteDepth(&sixteen), 0u);
    EXPECT_EQ(sixteen.bitsPerPixel, 4);
    EXPECT_EQ(sixteen.bits, (std::vector<uint8_t>{0xF1, 0xA0}));
    EXPECT_EQ(sixteen.paletteSize, 16);

    BitmapImage big = Allocated(3, 1, 8, 0, 17);
    ASSERT_EQ(ReducePaletteDepth(&big), 0u);
    EXPECT_EQ(big.bitsPerPixel, 8);
}

TEST(ConvertToGrey, EveryDepth) {
    BitmapImage colour = Allocated(2, 2, 24, 1);
    uint8_t* p = colour.bits.data();
    p[2] = 255;                        // red at (0,0)
    p[3] = p[4] = p[5] = 255;          // white at (1,0)
    ASSERT_EQ(ConvertToGrey(&colour), 0u);
    EXPECT_EQ(colour.bitsPerPixel, 8);
    EXPECT_EQ(colour.scanWidth, 4u);
    EXPECT_EQ(colour.paletteSize, 256);
    EXPECT_EQ(colour.paletteEntrySize, 4);
    EXPECT_EQ(colour.bits[0], 76);
    EXPECT_EQ(colour.bits[1], 255);
    EXPECT_EQ(colour.palette[200 * 4], 200);
    EXPECT_EQ(colour.palette[200 * 4 + 2], 200);

    BitmapImage withAlpha = Allocated(1, 1, 32, 0);
    withAlpha.bits = {0, 0, 255, 77};
    ASSERT_EQ(ConvertToGrey(&withAlpha), 0u);
    EXPECT_EQ(withAlpha.bits, (std::vector<uint8_t>{76, 76, 76, 77}));

    BitmapImage sixteen = Allocated(1, 1, 16, 0);
    sixteen.bits = {0xFF, 0x7F};
    ASSERT_EQ(ConvertToGrey(&sixteen), 0u);
    EXPECT_EQ(sixteen.bitsPerPixel, 8);
    EXPECT_EQ(sixteen.paletteEntrySize, 3);
    EXPECT_EQ(sixteen.bits[0], 248);

    BitmapImage indexed = Allocated(1, 1, 4, 0, 2);
    indexed.palette = {0, 0, 255, 1, 2, 3};
    ASSERT_EQ(ConvertToGrey(&indexed), 0u);
    EXPECT_EQ(indexed.palette, (std::vector<uint8_t>{76, 76, 76, 2, 2, 2}));
}

TEST(ReplaceColourByGrey, OnlyClearlyColouredPixels) {
    BitmapImage image = Allocated(3, 1, 24, 0);
    image.bits = {10, 11, 12, 10, 11, 13, 0, 0, 255};
    ASSERT_EQ(ReplaceColourByGrey(&image), 0u);
    EXPECT_EQ(image.bits, (std::vector<uint8_t>{10, 11, 12, 11, 11, 11, 76, 76, 76}));
    BitmapImage palette = Allocated(1, 1, 8, 0);
    EXPECT_EQ(ReplaceColourByGrey(&palette), kInvalidBitsPerPixel);
    EXPECT_EQ(GetLastImageError(), kInvalidBitsPerPixel);
}

TEST(Background, ColourAndImage) {
    ResetBackground();
    EXPECT_EQ(GetBackgroundColour().blue, 255);
    EXPECT_EQ(GetBackgroundColour().reserved, 0);
    SetBackgroundColour(0x00112233);
    EXPECT_EQ(GetBackgroundColour().blue, 0x33);
    EXPECT_EQ(GetBackgroundColour().green, 0x22);
    EXPECT_EQ(GetBackgroundColour().red, 0x11);
    BitmapImage grey = Allocated(2, 1, 8, 0);
    grey.palette[3] = 9;
    grey.bits[1] = 1;
    ASSERT_EQ(SetBackgroundImage(grey), 0u);
    EXPECT_EQ(GetBackgroundImage().bitsPerPixel, 24);
    EXPECT_EQ(GetBackgroundImage().bits[3], 9);
    ResetBackground();
    EXPECT_TRUE(GetBackgroundImage().bits.empty());
    EXPECT_EQ(GetBackgroundColour().red, 255);
}
