// Comparing 8-bit grey pictures, and the pictures the codec tests encode.
#pragma once

#include <cstdint>
#include <vector>

namespace testsupport {

// Peak signal-to-noise ratio in dB of b against a (same size); infinity when equal.
double psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);
// A synthetic 500 ppi fingerprint.
std::vector<uint8_t> synthetic_print(int width, int height, uint32_t seed);
// A diagonal gradient from black to white.
std::vector<uint8_t> gradient_image(int width, int height);

}  // namespace testsupport
