// Life cycle of the bitmap record: empty state, allocation of its buffers, copies.
#include "imagefile/bitmap_image.h"

#include <cstring>
#include <new>

#include "imagefile/image_error.h"
#include "imagefile/image_layout.h"
#include "wsq/image_limits.h"

namespace imagefile {

void InitBitmapImage(BitmapImage* image) {
    if (image != nullptr) *image = BitmapImage{};
}

void FreeBitmapImage(BitmapImage* image) {
    if (image == nullptr) return;
    // Swapping with empty vectors gives the memory back, unlike clear().
    std::vector<uint8_t>().swap(image->bits);
    std::vector<uint8_t>().swap(image->palette);
    *image = BitmapImage{};
}

uint32_t AllocateBitmapImage(BitmapImage* image) {
    if (image == nullptr) {
        SetLastImageError(kInvalidBitmapPointer);
        return kInvalidBitmapPointer;
    }
    if (uint64_t{image->width} * image->height == 0) {
        SetLastImageError(kInvalidImageSize);
        return kInvalidImageSize;
    }
    if (!IsValidBitsPerPixel(image->bitsPerPixel)) {
        SetLastImageError(kInvalidBitsPerPixel);
        return kInvalidBitsPerPixel;
    }
    // Nothing larger than the library's pixel cap is ever held, whatever the format allows.
    if (!wsq::image_size_acceptable(image->width, image->height)) {
        SetLastImageError(kInvalidImageSize);
        return kInvalidImageSize;
    }
    std::vector<uint8_t>().swap(image->bits);
    std::vector<uint8_t>().swap(image->palette);

    uint16_t paletteSize = 0;
    uint8_t entrySize = 0;
    if (image->bitsPerPixel <= 8) {
        if (image->dibLayout > 0) {
            entrySize = 4;
        } else {
            entrySize = image->paletteEntrySize >= 4 ? 4 : 3;
        }
        paletteSize = image->paletteSize != 0 ? image->paletteSize
                                              : static_cast<uint16_t>(1u << image->bitsPerPixel);
    }
    const uint64_t scanWidth = RowBytes(image->bitsPerPixel, image->width, image->dibLayout != 0);
    try {
        std::vector<uint8_t> palette(size_t{paletteSize} * entrySize);
        std::vector<uint8_t> bits(static_cast<size_t>(scanWidth * image->height));
        image->palette = std::move(palette);
        image->bits = std::move(bits);
    } catch (const std::bad_alloc&) {
        image->paletteSize = 0;
        image->paletteEntrySize = 0;
        image->scanWidth = 0;
        SetLastImageError(kMemoryAllocation);
        return kMemoryAllocation;
    }
    image->paletteSize = paletteSize;
    image->paletteEntrySize = entrySize;
    image->scanWidth = static_cast<uint32_t>(scanWidth);
    return kNoError;
}

uint32_t CopyBitmapImage(uint32_t width, uint32_t height, uint8_t bitsPerPixel, const uint8_t* bits,
                         uint16_t paletteSize, uint8_t paletteEntrySize, const uint8_t* palette,
                         uint32_t scanWidth, int32_t dibLayout, BitmapImage* destination) {
    if (destination == nullptr) {
        SetLastImageError(kInvalidBitmapPointer);
        return kInvalidBitmapPointer;
    }
    // The source may live in the destination, so the copies are made before it is freed.
    std::vector<uint8_t> newBits;
    std::vector<uint8_t> newPalette;
    if (width != 0 && height != 0) {
        if (!IsValidBitsPerPixel(bitsPerPixel)) {
            SetLastImageError(kInvalidBitsPerPixel);
            return kInvalidBitsPerPixel;
        }
        if (!wsq::image_size_acceptable(width, height) ||
            scanWidth < RowBytes(bitsPerPixel, width, false)) {
            SetLastImageError(kInvalidImageSize);
            return kInvalidImageSize;
        }
        if (bits == nullptr || (paletteSize != 0 && (palette == nullptr || paletteEntrySize == 0))) {
            SetLastImageError(kInvalidBitmapPointer);
            return kInvalidBitmapPointer;
        }
        try {
            newBits.assign(bits, bits + uint64_t{scanWidth} * height);
            if (paletteSize != 0) {
                newPalette.assign(palette, palette + size_t{paletteSize} * paletteEntrySize);
            }
        } catch (const std::bad_alloc&) {
            SetLastImageError(kMemoryAllocation);
            return kMemoryAllocation;
        }
    }
    FreeBitmapImage(destination);
    destination->width = width;
    destination->height = height;
    destination->bitsPerPixel = bitsPerPixel;
    destination->paletteSize = paletteSize;
    destination->dibLayout = dibLayout;
    if (width == 0 || height == 0) return kNoError;
    destination->paletteEntrySize = paletteSize != 0 ? paletteEntrySize : 0;
    destination->scanWidth = scanWidth;
    destination->bits = std::move(newBits);
    destination->palette = std::move(newPalette);
    return kNoError;
}

}  // namespace imagefile
