// The bitmap record's life cycle: allocation rules, refusals, copies and the error table.
#include <gtest/gtest.h>

#include <cstring>

#include "imagefile/bitmap_image.h"
#include "imagefile/image_error.h"
#include "wsq/image_limits.h"

using namespace imagefile;

namespace {

BitmapImage Fields(uint32_t width, uint32_t height, uint8_t bitsPerPixel, int32_t dibLayout) {
    BitmapImage image;
    image.width = width;
    image.height = height;
    image.bitsPerPixel = bitsPerPixel;
    image.dibLayout = dibLayout;
    return image;
}

}  // namespace

TEST(BitmapImage, EmptyStateAndFree) {
    BitmapImage image = Fields(3, 2, 8, 1);
    ASSERT_EQ(AllocateBitmapImage(&image), 0u);
    image.transparentIndex = 7;
    FreeBitmapImage(&image);
    EXPECT_EQ(image.width, 0u);
    EXPECT_EQ(image.height, 0u);
    EXPECT_EQ(image.bitsPerPixel, 0);
    EXPECT_TRUE(image.bits.empty());
    EXPECT_TRUE(image.palette.empty());
    EXPECT_EQ(image.paletteSize, 0);
    EXPECT_EQ(image.paletteEntrySize, 0);
    EXPECT_EQ(image.scanWidth, 0u);
    EXPECT_EQ(image.dibLayout, 0);
    EXPECT_EQ(image.transparentIndex, -1);

    BitmapImage other = Fields(1, 1, 24, 0);
    other.transparentIndex = 2;
    InitBitmapImage(&other);
    EXPECT_EQ(other.width, 0u);
    EXPECT_EQ(other.transparentIndex, -1);
}

TEST(BitmapImage, ScanWidthAndPaletteRules) {
    struct Case {
        uint32_t width;
        uint8_t bpp;
        int32_t dib;
        uint8_t requestedEntry;
        uint32_t scanWidth;
        uint16_t paletteSize;
        uint8_t entrySize;
    } cases[] = {
        {5, 24, 1, 0, 16, 0, 0},  {5, 24, 0, 0, 15, 0, 0},   {5, 1, 0, 0, 1, 2, 3},
        {9, 1, 1, 0, 4, 2, 4},    {3, 4, 0, 0, 2, 16, 3},    {3, 4, 0, 4, 2, 16, 4},
        {3, 8, 0, 0, 3, 256, 3},  {3, 8, 1, 3, 4, 256, 4},   {3, 8, 0, 7, 3, 256, 4},
        {7, 16, 1, 0, 16, 0, 0},  {7, 32, 0, 4, 28, 0, 0},   {3, 8, -1, 0, 4, 256, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "width " << c.width << " bpp " << int(c.bpp) << " dib "
                                        << c.dib << " entry " << int(c.requestedEntry));
        BitmapImage image = Fields(c.width, 3, c.bpp, c.dib);
        image.paletteEntrySize = c.requestedEntry;
        ASSERT_EQ(AllocateBitmapImage(&image), 0u);
        EXPECT_EQ(image.scanWidth, c.scanWidth);
        EXPECT_EQ(image.bits.size(), 3u * c.scanWidth);
        EXPECT_EQ(image.paletteSize, c.paletteSize);
        EXPECT_EQ(image.paletteEntrySize, c.entrySize);
        EXPECT_EQ(image.palette.size(), size_t{c.paletteSize} * c.entrySize);
        for (uint8_t b : image.bits) ASSERT_EQ(b, 0);
    }
    // A palette size asked for is kept.
    BitmapImage small = Fields(2, 2, 8, 1);
    small.paletteSize = 5;
    ASSERT_EQ(AllocateBitmapImage(&small), 0u);
    EXPECT_EQ(small.palette.size(), 20u);
}

TEST(BitmapImage, RefusedAllocationsLeaveTheRecordAlone) {
    struct Case {
        uint32_t width, height;
        uint8_t bpp;
        uint32_t code;
    } cases[] = {
        {0, 5, 8, kInvalidImageSize},
        {5, 0, 24, kInvalidImageSize},
        {4, 4, 2, kInvalidBitsPerPixel},
        {4, 4, 12, kInvalidBitsPerPixel},
        {65536, 1, 8, kInvalidImageSize},
        {65535, 65535, 32, kInvalidImageSize},  // beyond the pixel cap: never allocated
        {0x10000000, 0x10, 32, kInvalidImageSize},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " bpp " << int(c.bpp));
        SetLastImageError(0);
        BitmapImage image = Fields(c.width, c.height, c.bpp, 1);
        image.bits.assign(3, 0xAB);
        EXPECT_EQ(AllocateBitmapImage(&image), c.code);
        EXPECT_EQ(GetLastImageError(), c.code);
        EXPECT_EQ(image.bits.size(), 3u);
        EXPECT_EQ(image.width, c.width);
    }
    EXPECT_EQ(AllocateBitmapImage(nullptr), kInvalidBitmapPointer);
    // The cap itself is allowed: 8192 x 8192 at one bit is small enough to try here.
    BitmapImage atCap = Fields(8192, 8192, 1, 0);
    ASSERT_TRUE(wsq::image_size_acceptable(8192, 8192));
    EXPECT_EQ(AllocateBitmapImage(&atCap), 0u);
    EXPECT_EQ(atCap.bits.size(), 8192u * 1024u);
}

TEST(BitmapImage, CopyTakesRowsAndPalette) {
    const uint8_t rows[] = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    const uint8_t palette[] = {9, 8, 7};
    BitmapImage copy = Fields(1, 1, 8, 0);
    copy.transparentIndex = 4;
    ASSERT_EQ(CopyBitmapImage(2, 2, 24, rows, 1, 3, palette, 8, 1, &copy), 0u);
    EXPECT_EQ(copy.width, 2u);
    EXPECT_EQ(copy.height, 2u);
    EXPECT_EQ(copy.bitsPerPixel, 24);
    EXPECT_EQ(copy.scanWidth, 8u);
    EXPECT_EQ(copy.dibLayout, 1);
    EXPECT_EQ(copy.transparentIndex, -1);
    EXPECT_EQ(copy.bits, std::vector<uint8_t>(rows, rows + 16));
    EXPECT_EQ(copy.palette, std::vector<uint8_t>(palette, palette + 3));

    // A copy of a record into itself keeps the pixels.
    ASSERT_EQ(CopyBitmapImage(copy.width, copy.height, copy.bitsPerPixel, copy.bits.data(), 0, 0,
                              nullptr, copy.scanWidth, copy.dibLayout, &copy),
              0u);
    EXPECT_EQ(copy.bits, std::vector<uint8_t>(rows, rows + 16));
    EXPECT_TRUE(copy.palette.empty());

    // Zero size: the destination is emptied and keeps only the fields.
    ASSERT_EQ(CopyBitmapImage(0, 3, 24, nullptr, 0, 0, nullptr, 0, 1, &copy), 0u);
    EXPECT_TRUE(copy.bits.empty());
    EXPECT_EQ(copy.height, 3u);

    // Rows shorter than the depth needs, or no rows at all, are refused.
    EXPECT_EQ(CopyBitmapImage(4, 2, 24, rows, 0, 0, nullptr, 8, 0, &copy), kInvalidImageSize);
    EXPECT_EQ(CopyBitmapImage(2, 2, 24, nullptr, 0, 0, nullptr, 8, 0, &copy),
              kInvalidBitmapPointer);
}

TEST(ImageError, MessagesAndLastError) {
    SetLastImageError(kCorruptFile);
    EXPECT_STREQ(GetLastImageErrorMessage(), "Corrupt File");
    EXPECT_STREQ(ImageErrorMessage(kNoError), "No Error");
    EXPECT_STREQ(ImageErrorMessage(kErrorReadingFile), "Error reading file");
    EXPECT_STREQ(ImageErrorMessage(17), "");
}
