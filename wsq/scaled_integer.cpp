// Conversions between real numbers and the codestream's scaled integers.
#include "wsq/scaled_integer.h"

#include <cmath>

namespace wsq {

float scaled_integer_value(uint8_t scale, uint32_t raw) {
    float value = static_cast<float>(raw);
    for (int i = 0; i < scale; ++i) value = value / 10.0f;
    return value;
}

ScaledInteger scaled_integer_for(double v, double limit, int wrap_bits) {
    ScaledInteger out;
    if (!(v > 0.0) || !std::isfinite(v)) return out;
    // Multiplications are done in double: the DTT taps need more digits than a float holds.
    int count = 0;
    while (v < limit) {
        v *= 10.0;
        ++count;
    }
    out.scale = static_cast<uint8_t>(count - 1);
    const double modulus = std::ldexp(1.0, wrap_bits);
    const double integer = std::fmod(std::trunc(v / 10.0 + 0.5), modulus);
    out.raw = static_cast<uint32_t>(integer);
    return out;
}

}  // namespace wsq
