// The bit allocation of the quantizer: relative bin widths from the subband variances and a
// common scale q that makes the coded picture meet the target bit rate. Internal to the codec.
#pragma once

#include <array>

#include "wsq/records.h"

namespace wsq {

struct BitAllocation {
    // Q (0 for an uncoded subband) and Z = 1.2 Q for subbands 0 to 59; 60 to 63 stay 0.
    std::array<float, MAX_SUBBANDS> Q{};
    std::array<float, MAX_SUBBANDS> Z{};
    // The common scale: Q[i] = Q'[i] / q for every subband whose variance reaches 1.01.
    float q = 1.0f;
};

// Allocates from quant_vals' variances and bit rate r. Does not fail; the caller checks q.
BitAllocation allocate_bin_widths(const QuantValues& quant_vals);

}  // namespace wsq
