// Depth conversions between bitmap records and the per-pixel helpers they are built on.
#include "imagefile/pixel_conversions.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "imagefile/image_error.h"
#include "imagefile/image_layout.h"

namespace imagefile {

namespace {

uint32_t Fail(uint32_t code) {
    SetLastImageError(code);
    return code;
}

// A zeroed buffer of n bytes, or false when memory runs out.
bool MakeBuffer(std::vector<uint8_t>& buffer, uint64_t n) {
    try {
        std::vector<uint8_t>(static_cast<size_t>(n)).swap(buffer);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace

void UnpackOneBit(uint32_t width, uint32_t height, const uint8_t* source, uint32_t sourceScanWidth,
                  uint8_t* destination) {
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = source + uint64_t{y} * sourceScanWidth;
        uint8_t* out = destination + uint64_t{y} * width;
        for (uint32_t x = 0; x < width; ++x) {
            out[x] = (row[x >> 3] >> (7 - (x & 7))) & 1;
        }
    }
}

void UnpackFourBit(uint32_t width, uint32_t height, const uint8_t* source,
                   uint32_t sourceScanWidth, uint8_t* destination) {
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = source + uint64_t{y} * sourceScanWidth;
        uint8_t* out = destination + uint64_t{y} * width;
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t byte = row[x >> 1];
            out[x] = (x & 1) ? (byte & 0x0F) : (byte >> 4);
        }
    }
}

uint8_t GreyOf(const uint8_t* pixel) {
    // The weights and the rounding half are single-precision constants; the sum is formed in
    // extended precision, so that grey values match the ones this library always produced.
    const long double grey = static_cast<long double>(0.299f) * pixel[2] +
                             static_cast<long double>(0.587f) * pixel[1] +
                             static_cast<long double>(0.114f) * pixel[0] +
                             static_cast<long double>(0.5f);
    return static_cast<uint8_t>(static_cast<uint32_t>(grey) & 0xFF);
}

uint8_t BlendChannel(uint8_t foreground, uint8_t alpha, uint8_t background) {
    if (alpha == 0) return background;
    if (alpha == 255) return foreground;
    const uint32_t t = uint32_t{foreground} * alpha + uint32_t{background} * (255u - alpha) + 128u;
    return static_cast<uint8_t>((t + t / 256) / 256);
}

uint8_t UnblendChannel(uint8_t value, uint8_t alpha, uint8_t background) {
    if (alpha == 0) return background;
    if (alpha == 255) return value;
    const int32_t t = (255 * int32_t{value} - (255 - int32_t{alpha}) * background) / alpha;
    return static_cast<uint8_t>(t < 0 ? 0 : t);
}

uint32_t SwapBytes32(uint32_t value) {
    return (value >> 24) | ((value >> 8) & 0xFF00u) | ((value << 8) & 0xFF0000u) | (value << 24);
}

int32_t SwapBytes32(int32_t value) {
    return static_cast<int32_t>(SwapBytes32(static_cast<uint32_t>(value)));
}

uint16_t SwapBytes16(uint16_t value) {
    return static_cast<uint16_t>((value >> 8) | (value << 8));
}

int16_t SwapBytes16(int16_t value) {
    return static_cast<int16_t>(SwapBytes16(static_cast<uint16_t>(value)));
}

uint32_t Convert16To24(BitmapImage* image) {
    if (image == nullptr) return kInvalidBitmapPointer;
    if (image->bitsPerPixel != 16) return kInvalidBitsPerPixel;
    if (!RecordIsConsistent(*image)) return kInvalidBitmapPointer;
    const uint64_t rowBytes = RowBytes(24, image->width, image->dibLayout != 0);
    std::vector<uint8_t> bits;
    if (!MakeBuffer(bits, rowBytes * image->height)) return kMemoryAllocation;
    for (uint32_t y = 0; y < image->height; ++y) {
        const uint8_t* in = image->bits.data() + uint64_t{y} * image->scanWidth;
        uint8_t* out = bits.data() + y * rowBytes;
        for (uint32_t x = 0; x < image->width; ++x, in += 2, out += 3) {
            const uint32_t p = in[0] | (uint32_t{in[1]} << 8);
            out[0] = static_cast<uint8_t>((p & 0x1F) << 3);
            out[1] = static_cast<uint8_t>((p & 0x3E0) >> 2);
            out[2] = static_cast<uint8_t>((p & 0x7C00) >> 7);
        }
    }
    image->bits = std::move(bits);
    image->bitsPerPixel = 24;
    image->scanWidth = static_cast<uint32_t>(rowBytes);
    return kNoError;
}

uint32_t ConvertToTrueColor(const BitmapImage& source, BitmapImage* destination) {
    SetLastImageError(kNoError);
    if (destination == nullptr) return Fail(kInvalidBitmapPointer);
    if (source.width == 0 || source.height == 0) {
        FreeBitmapImage(destination);
        return Fail(kInvalidImageSize);
    }
    if (!RecordIsConsistent(source)) {
        FreeBitmapImage(destination);
        return Fail(kInvalidBitmapPointer);
    }
    // Built aside and moved in last: the source may be the destination itself.
    BitmapImage result;
    if (source.bitsPerPixel <= 8) {
        result.width = source.width;
        result.height = source.height;
        result.dibLayout = source.dibLayout;
        const bool withAlpha = source.transparentIndex >= 0;
        result.bitsPerPixel = withAlpha ? 32 : 24;
        if (uint32_t rc = AllocateBitmapImage(&result); rc != kNoError) {
            FreeBitmapImage(destination);
            return Fail(rc);
        }
        const uint8_t* indices = source.bits.data();
        uint64_t stride = source.scanWidth;
        std::vector<uint8_t> unpacked;
        if (source.bitsPerPixel != 8) {
            if (!MakeBuffer(unpacked, uint64_t{source.width} * source.height)) {
                FreeBitmapImage(destination);
                return Fail(kMemoryAllocation);
            }
            if (source.bitsPerPixel == 1) {
                UnpackOneBit(source.width, source.height, source.bits.data(), source.scanWidth,
                             unpacked.data());
            } else {
                UnpackFourBit(source.width, source.height, source.bits.data(), source.scanWidth,
                              unpacked.data());
            }
            indices = unpacked.data();
            stride = source.width;
        }
        const uint32_t outBytes = withAlpha ? 4 : 3;
        const uint8_t entrySize = source.paletteEntrySize;
        for (uint32_t y = 0; y < source.height; ++y) {
            const uint8_t* in = indices + y * stride;
            uint8_t* out = result.bits.data() + uint64_t{y} * result.scanWidth;
            for (uint32_t x = 0; x < source.width; ++x, out += outBytes) {
                const uint8_t i = in[x];
                // An index beyond the palette has no colour; it is bad data, not black.
                if (i >= source.paletteSize) {
                    FreeBitmapImage(destination);
                    return Fail(kCorruptedFile);
                }
                const uint8_t* entry = source.palette.data() + size_t{i} * entrySize;
                out[0] = entry[0];
                out[1] = entry[1];
                out[2] = entry[2];
                if (withAlpha) out[3] = i == source.transparentIndex ? 0 : 255;
            }
        }
    } else {
        if (uint32_t rc = CopyBitmapImage(source.width, source.height, source.bitsPerPixel,
                                          source.bits.data(), 0, 0, nullptr, source.scanWidth,
                                          source.dibLayout, &result);
            rc != kNoError) {
            FreeBitmapImage(destination);
            return Fail(rc);
        }
        if (result.bitsPerPixel == 16) {
            if (uint32_t rc = Convert16To24(&result); rc != kNoError) {
                FreeBitmapImage(destination);
                return Fail(rc);
            }
        }
    }
    *destination = std::move(result);
    return kNoError;
}

uint32_t ReducePaletteDepth(BitmapImage* image) {
    SetLastImageError(kNoError);
    if (image == nullptr) return Fail(kInvalidBitmapPointer);
    if (image->palette.empty() || image->paletteSize == 0 || image->paletteSize > 16 ||
        image->bitsPerPixel != 8) {
        return kNoError;
    }
    if (!RecordIsConsistent(*image)) return Fail(kInvalidBitmapPointer);
    const uint8_t depth = image->paletteSize < 3 ? 1 : 4;
    const uint64_t rowBytes = RowBytes(depth, image->width, image->dibLayout > 0);
    std::vector<uint8_t> bits;
    if (!MakeBuffer(bits, rowBytes * image->height)) return Fail(kMemoryAllocation);
    for (uint32_t y = 0; y < image->height; ++y) {
        const uint8_t* in = image->bits.data() + uint64_t{y} * image->scanWidth;
        uint8_t* out = bits.data() + y * rowBytes;
        for (uint32_t x = 0; x < image->width; ++x) {
            if (depth == 1) {
                out[x >> 3] |= static_cast<uint8_t>((in[x] & 1) << (7 - (x & 7)));
            } else {
                out[x >> 1] |= static_cast<uint8_t>((in[x] & 0x0F) << ((x & 1) ? 0 : 4));
            }
        }
    }
    image->bits = std::move(bits);
    image->bitsPerPixel = depth;
    image->scanWidth = static_cast<uint32_t>(rowBytes);
    return kNoError;
}

uint32_t ConvertToGrey(BitmapImage* image) {
    SetLastImageError(kNoError);
    if (image == nullptr) return Fail(kInvalidBitmapPointer);
    if (!RecordIsConsistent(*image)) return Fail(kInvalidBitmapPointer);
    if (image->bitsPerPixel <= 8) {
        for (uint32_t i = 0; i < image->paletteSize; ++i) {
            uint8_t* entry = image->palette.data() + size_t{i} * image->paletteEntrySize;
            const uint8_t grey = GreyOf(entry);
            entry[0] = entry[1] = entry[2] = grey;
        }
        return kNoError;
    }
    if (image->bitsPerPixel == 32) {
        for (uint32_t y = 0; y < image->height; ++y) {
            uint8_t* p = image->bits.data() + uint64_t{y} * image->scanWidth;
            for (uint32_t x = 0; x < image->width; ++x, p += 4) {
                p[0] = p[1] = p[2] = GreyOf(p);
            }
        }
        return kNoError;
    }
    // Converting a 16-bit record first is kept even if the grey step below fails: the record is
    // then a valid 24-bit picture of the same pixels.
    if (image->bitsPerPixel == 16) {
        if (uint32_t rc = Convert16To24(image); rc != kNoError) return Fail(rc);
    }
    const uint64_t rowBytes = RowBytes(8, image->width, image->dibLayout != 0);
    const uint8_t entrySize = image->dibLayout == 1 ? 4 : 3;
    std::vector<uint8_t> bits;
    std::vector<uint8_t> palette;
    if (!MakeBuffer(bits, rowBytes * image->height) || !MakeBuffer(palette, 256u * entrySize)) {
        return Fail(kMemoryAllocation);
    }
    for (uint32_t i = 0; i < 256; ++i) {
        std::memset(palette.data() + i * entrySize, static_cast<int>(i), 3);
    }
    for (uint32_t y = 0; y < image->height; ++y) {
        const uint8_t* in = image->bits.data() + uint64_t{y} * image->scanWidth;
        uint8_t* out = bits.data() + y * rowBytes;
        for (uint32_t x = 0; x < image->width; ++x, in += 3) out[x] = GreyOf(in);
    }
    image->bits = std::move(bits);
    image->palette = std::move(palette);
    image->bitsPerPixel = 8;
    image->scanWidth = static_cast<uint32_t>(rowBytes);
    image->paletteSize = 256;
    image->paletteEntrySize = entrySize;
    return kNoError;
}

uint32_t ReplaceColourByGrey(BitmapImage* image) {
    SetLastImageError(kNoError);
    if (image == nullptr) return Fail(kInvalidBitmapPointer);
    if (image->bitsPerPixel <= 16) return Fail(kInvalidBitsPerPixel);
    if (!RecordIsConsistent(*image)) return Fail(kInvalidBitmapPointer);
    const uint32_t pixelBytes = image->bitsPerPixel / 8;
    for (uint32_t y = 0; y < image->height; ++y) {
        uint8_t* p = image->bits.data() + uint64_t{y} * image->scanWidth;
        for (uint32_t x = 0; x < image->width; ++x, p += pixelBytes) {
            const uint8_t high = std::max({p[0], p[1], p[2]});
            const uint8_t low = std::min({p[0], p[1], p[2]});
            if (high - low > 2) p[0] = p[1] = p[2] = GreyOf(p);
        }
    }
    return kNoError;
}

}  // namespace imagefile
