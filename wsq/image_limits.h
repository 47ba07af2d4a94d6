// Size limits shared by the codec and every raster reader. A file that claims more is refused
// before anything image-sized is allocated.
#pragma once

#include <cstdint>

namespace wsq {

// Largest width or height of any picture (the WSQ and most raster fields are 16-bit anyway).
inline constexpr uint32_t kMaxImageAxis = 65535;
// Largest pixel count: 64 Mpixel, enough for a 1000 ppi palm print (about 6000 x 8000 is
// 48 Mpixel). Decoding a WSQ picture of this size needs about 11 bytes a pixel at the peak.
inline constexpr uint64_t kMaxImagePixels = uint64_t{1} << 26;
// Largest file the whole-file reader takes into memory.
inline constexpr uint64_t kMaxWholeFileBytes = uint64_t{64} << 20;

// True when width x height is a picture we are prepared to hold.
inline constexpr bool image_size_acceptable(uint64_t width, uint64_t height) {
    return width > 0 && height > 0 && width <= kMaxImageAxis && height <= kMaxImageAxis &&
           width * height <= kMaxImagePixels;
}

}  // namespace wsq
