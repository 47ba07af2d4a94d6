#include "imagefile/stated_resolution.h"

#include <cmath>

namespace imagefile {

namespace {

constexpr double kMetresPerInch = 0.0254;
// Pixels per metre are at most 2^31 - 1 in both PNG and BMP: 54,546,084 ppi rounds to
// 2,147,483,622 of them.
constexpr int32_t kMaxPerMetreResolution = 54'546'084;
// JFIF's X and Y density are 16-bit.
constexpr int32_t kMaxJfifDensity = 65'535;
// A float holds every whole number up to 2^24 exactly.
constexpr int32_t kMaxTiffResolution = 1 << 24;

}  // namespace

int32_t MaxStatedResolution(ImageFormat format) {
    switch (format) {
        case ImageFormat::Png:
        case ImageFormat::Bmp:
            return kMaxPerMetreResolution;
        case ImageFormat::Jpeg:
            return kMaxJfifDensity;
        case ImageFormat::Tiff:
            return kMaxTiffResolution;
        default:
            return 0;
    }
}

bool CanStateResolution(ImageFormat format, int32_t ppi) {
    return ppi >= 1 && ppi <= MaxStatedResolution(format);
}

uint32_t PixelsPerMetre(int32_t ppi) {
    return static_cast<uint32_t>(std::lround(ppi / kMetresPerInch));
}

}  // namespace imagefile
