#include "imagefile/rgba_image.h"

#include <cstddef>

#include "imagefile/image_error.h"
#include "imagefile/image_file_io.h"
#include "imagefile/pixel_conversions.h"

namespace imagefile {

namespace {

uint32_t Fail(uint32_t code) {
    SetLastImageError(code);
    return code;
}

}  // namespace

uint32_t BitmapToRgba(const BitmapImage& image, uint32_t* width, uint32_t* height,
                      std::vector<uint8_t>* buffer, int byteOrder) {
    const size_t w = image.width;
    const size_t h = image.height;
    if (image.bits.empty() || image.bits.size() < h * image.scanWidth) {
        return Fail(kInvalidBitmapPointer);
    }
    const uint8_t depth = image.bitsPerPixel;
    if (depth != 1 && depth != 4 && depth != 8 && depth != 15 && depth != 16 && depth != 24 &&
        depth != 32) {
        return Fail(kInvalidBitsPerPixel);
    }

    std::vector<uint8_t> indices;
    if (depth == 1 || depth == 4) {
        indices.resize(w * h);
        if (depth == 1) {
            UnpackOneBit(image.width, image.height, image.bits.data(), image.scanWidth,
                         indices.data());
        } else {
            UnpackFourBit(image.width, image.height, image.bits.data(), image.scanWidth,
                          indices.data());
        }
    }

    std::vector<uint8_t> out(w * h * 4);
    for (size_t y = 0; y < h; ++y) {
        const uint8_t* row = image.bits.data() + y * image.scanWidth;
        for (size_t x = 0; x < w; ++x) {
            uint8_t* px = out.data() + (y * w + x) * 4;
            uint8_t b = 0, g = 0, r = 0, a = 255;
            if (depth <= 8) {
                const size_t index = depth == 8 ? row[x] : indices[y * w + x];
                if (index < image.paletteSize &&
                    (index + 1) * image.paletteEntrySize <= image.palette.size()) {
                    const uint8_t* entry = image.palette.data() + index * image.paletteEntrySize;
                    b = entry[0];
                    g = entry[1];
                    r = entry[2];
                }
                if (image.transparentIndex >= 0 &&
                    index == static_cast<size_t>(image.transparentIndex)) {
                    a = 0;
                }
            } else if (depth == 15 || depth == 16) {
                const uint16_t p = static_cast<uint16_t>(row[2 * x] | (row[2 * x + 1] << 8));
                b = static_cast<uint8_t>((p & 0x1F) << 3);
                g = static_cast<uint8_t>((p & 0x3E0) >> 2);
                r = static_cast<uint8_t>((p & 0x7C00) >> 7);
            } else {
                const size_t bpp = depth / 8;
                b = row[bpp * x];
                g = row[bpp * x + 1];
                r = row[bpp * x + 2];
                if (depth == 32) a = row[bpp * x + 3];
            }
            if (byteOrder != 0) {
                px[0] = b;
                px[2] = r;
            } else {
                px[0] = r;
                px[2] = b;
            }
            px[1] = g;
            px[3] = a;
        }
    }
    buffer->swap(out);
    *width = image.width;
    *height = image.height;
    return kNoError;
}

uint32_t ReadRgbaFile(const char* name, uint32_t* width, uint32_t* height,
                      std::vector<uint8_t>* buffer, int byteOrder) {
    BitmapImage image;
    const uint32_t code = ReadBitmapFile(name, &image);
    if (code != kNoError) return code;
    return BitmapToRgba(image, width, height, buffer, byteOrder);
}

}  // namespace imagefile
