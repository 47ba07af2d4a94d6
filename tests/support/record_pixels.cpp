#include "support/record_pixels.h"

#include <cstring>

#include "imagefile/pixel_conversions.h"

namespace testsupport {

using imagefile::BitmapImage;

PeerPixels RecordToPeerPixels(const BitmapImage& image) {
    BitmapImage colour;
    if (imagefile::ConvertToTrueColor(image, &colour) != 0) return PeerPixels{};
    const uint32_t bytes = colour.bitsPerPixel / 8;
    PeerPixels pixels{colour.width, colour.height, bytes, {}};
    pixels.data.resize(size_t{colour.width} * colour.height * bytes);
    for (uint32_t y = 0; y < colour.height; ++y) {
        const uint8_t* in = colour.bits.data() + size_t{colour.height - 1 - y} * colour.scanWidth;
        uint8_t* out = pixels.data.data() + size_t{y} * colour.width * bytes;
        for (uint32_t x = 0; x < colour.width; ++x, in += bytes, out += bytes) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            if (bytes == 4) out[3] = in[3];
        }
    }
    return pixels;
}

BitmapImage PeerPixelsToRecord(const PeerPixels& pixels, int32_t dibLayout) {
    BitmapImage image;
    image.width = pixels.width;
    image.height = pixels.height;
    image.dibLayout = dibLayout;
    const uint32_t c = pixels.channels;
    image.bitsPerPixel = static_cast<uint8_t>(c == 1 ? 8 : c == 3 ? 24 : 32);
    if (imagefile::AllocateBitmapImage(&image) != 0) return BitmapImage{};
    if (c == 1) {
        for (uint32_t i = 0; i < 256; ++i) {
            std::memset(image.palette.data() + i * image.paletteEntrySize, static_cast<int>(i), 3);
        }
    }
    for (uint32_t y = 0; y < pixels.height; ++y) {
        uint8_t* out = image.bits.data() + size_t{pixels.height - 1 - y} * image.scanWidth;
        for (uint32_t x = 0; x < pixels.width; ++x) {
            const uint8_t* in = pixels.at(x, y);
            if (c == 1) {
                out[x] = in[0];
            } else if (c == 2) {
                std::memset(out + x * 4, in[0], 3);
                out[x * 4 + 3] = in[1];
            } else {
                uint8_t* p = out + x * (c == 3 ? 3 : 4);
                p[0] = in[2];
                p[1] = in[1];
                p[2] = in[0];
                if (c == 4) p[3] = in[3];
            }
        }
    }
    return image;
}

PeerPixels PeerAsColour(const PeerPixels& pixels) {
    if (pixels.channels >= 3) return pixels;
    const uint32_t out = pixels.channels == 1 ? 3 : 4;
    PeerPixels colour{pixels.width, pixels.height, out, {}};
    for (size_t i = 0; i < size_t{pixels.width} * pixels.height; ++i) {
        const uint8_t* p = pixels.data.data() + i * pixels.channels;
        colour.data.insert(colour.data.end(), {p[0], p[0], p[0]});
        if (out == 4) colour.data.push_back(p[1]);
    }
    return colour;
}

PeerPixels PeerWithoutAlpha(const PeerPixels& pixels) {
    if (pixels.channels != 2 && pixels.channels != 4) return pixels;
    PeerPixels opaque{pixels.width, pixels.height, pixels.channels - 1, {}};
    for (size_t i = 0; i < pixels.data.size(); ++i) {
        if (i % pixels.channels != pixels.channels - 1) opaque.data.push_back(pixels.data[i]);
    }
    return opaque;
}

}  // namespace testsupport
