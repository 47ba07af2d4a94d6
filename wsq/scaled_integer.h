// Real numbers stored as a scale byte S and an unsigned integer I, meaning I / 10^S.
#pragma once

#include <cstdint>

namespace wsq {

// The value of a stored scaled integer: I as a 32-bit float, divided by ten S times with the
// quotient rounded to 32 bits after every division, as other decoders read it.
float scaled_integer_value(uint8_t scale, uint32_t raw);

// The scale and integer that store v > 0 with as many decimal digits as fit below `limit`
// (65535 for 16-bit fields, 4294967295 for the DTT's 32-bit magnitudes). The integer is taken
// modulo 2^16 or 2^32 (`wrap_bits`). v of `limit` or more gets scale 255 (the field's wrap of -1).
struct ScaledInteger {
    uint8_t scale = 0;
    uint32_t raw = 0;
};
ScaledInteger scaled_integer_for(double v, double limit, int wrap_bits);

}  // namespace wsq
