#include "support/bitmap_pixels.h"

#include <stdexcept>

namespace testsupport {

std::ostream& operator<<(std::ostream& out, const Rgba& c) {
    return out << "rgba(" << int(c.r) << "," << int(c.g) << "," << int(c.b) << "," << int(c.a) << ")";
}

uint32_t IndexAt(const imagefile::BitmapImage& image, uint32_t x, uint32_t y) {
    const uint8_t* row = &image.bits[size_t{image.height - 1 - y} * image.scanWidth];
    switch (image.bitsPerPixel) {
        case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
        case 4: return (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
        default: return row[x];
    }
}

Rgba PixelAt(const imagefile::BitmapImage& image, uint32_t x, uint32_t y) {
    const uint8_t* row = &image.bits[size_t{image.height - 1 - y} * image.scanWidth];
    Rgba c;
    switch (image.bitsPerPixel) {
        case 1:
        case 4:
        case 8: {
            const uint32_t index = IndexAt(image, x, y);
            if (index >= image.paletteSize) return Rgba{255, 0, 255, 1};
            const uint8_t* e = &image.palette[size_t{index} * image.paletteEntrySize];
            c = Rgba{e[2], e[1], e[0], 255};
            if (int(index) == image.transparentIndex) c.a = 0;
            return c;
        }
        case 16: {
            const uint32_t p = row[2 * x] | (row[2 * x + 1] << 8);
            return Rgba{uint8_t((p & 0x7C00) >> 7), uint8_t((p & 0x3E0) >> 2), uint8_t((p & 0x1F) << 3), 255};
        }
        case 24: return Rgba{row[3 * x + 2], row[3 * x + 1], row[3 * x], 255};
        case 32: return Rgba{row[4 * x + 2], row[4 * x + 1], row[4 * x], row[4 * x + 3]};
        default: return Rgba{255, 0, 255, 1};
    }
}

imagefile::BitmapImage MakeRecord(uint32_t width, uint32_t height, uint8_t bitsPerPixel,
                                  int32_t dibLayout) {
    imagefile::BitmapImage image;
    image.width = width;
    image.height = height;
    image.bitsPerPixel = bitsPerPixel;
    image.dibLayout = dibLayout;
    if (imagefile::AllocateBitmapImage(&image) != 0) throw std::runtime_error("allocation failed");
    return image;
}

void SetIndex(imagefile::BitmapImage& image, uint32_t x, uint32_t y, uint32_t index) {
    uint8_t* row = &image.bits[size_t{image.height - 1 - y} * image.scanWidth];
    switch (image.bitsPerPixel) {
        case 1:
            row[x >> 3] = uint8_t((row[x >> 3] & ~(0x80 >> (x & 7))) | ((index & 1) << (7 - (x & 7))));
            break;
        case 4:
            row[x >> 1] = (x & 1) ? uint8_t((row[x >> 1] & 0xF0) | (index & 0x0F))
                                  : uint8_t((row[x >> 1] & 0x0F) | (index << 4));
            break;
        default: row[x] = uint8_t(index); break;
    }
}

void SetPaletteEntry(imagefile::BitmapImage& image, uint32_t index, Rgba colour) {
    uint8_t* e = &image.palette[size_t{index} * image.paletteEntrySize];
    e[0] = colour.b;
    e[1] = colour.g;
    e[2] = colour.r;
}

void SetPixel(imagefile::BitmapImage& image, uint32_t x, uint32_t y, Rgba colour) {
    uint8_t* row = &image.bits[size_t{image.height - 1 - y} * image.scanWidth];
    switch (image.bitsPerPixel) {
        case 16: {
            const uint32_t p = ((colour.r >> 3) << 10) | ((colour.g >> 3) << 5) | (colour.b >> 3);
            row[2 * x] = uint8_t(p);
            row[2 * x + 1] = uint8_t(p >> 8);
            break;
        }
        case 24:
            row[3 * x] = colour.b;
            row[3 * x + 1] = colour.g;
            row[3 * x + 2] = colour.r;
            break;
        case 32:
            row[4 * x] = colour.b;
            row[4 * x + 1] = colour.g;
            row[4 * x + 2] = colour.r;
            row[4 * x + 3] = colour.a;
            break;
        default: break;
    }
}

}  // namespace testsupport
