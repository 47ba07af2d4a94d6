// Baseline JPEG and PNG streams made in memory with libjpeg and libpng, for tests that put
// pictures inside containers. Pixels are rows top to bottom, 1 (grey) or 3 (RGB) bytes each.
#pragma once

#include <cstdint>
#include <vector>

namespace testsupport {

std::vector<uint8_t> EncodeJpegInMemory(const std::vector<uint8_t>& pixels, int width, int height,
                                        int channels, int quality = 90);
std::vector<uint8_t> EncodePngInMemory(const std::vector<uint8_t>& pixels, int width, int height,
                                       int channels);

}  // namespace testsupport
