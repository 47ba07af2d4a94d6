// The variance of every coded subband of a decomposed picture, measured over a central crop or
// over the whole subband, as the bit allocation needs them.
#include <limits>

#include "wsq/quantization.h"

namespace wsq {
namespace {

// (sum v^2 - (sum v)^2 / n) / (n - 1) over a region, the sums in extended precision. A region
// of fewer than two values has no variance (0/0); it reads as NaN and is never coded.
float region_variance(const float* fip, int width, int x, int y, int lenx, int leny) {
    if (lenx <= 0 || leny <= 0 || static_cast<long>(lenx) * leny < 2) {
        return std::numeric_limits<float>::quiet_NaN();
    }
    const long double n = static_cast<long double>(lenx) * leny;
    long double sum = 0;
    long double sum_squares = 0;
    for (int row = y; row < y + leny; ++row) {
        const float* p = fip + static_cast<long>(row) * width + x;
        for (int col = 0; col < lenx; ++col) {
            const long double v = p[col];
            sum += v;
            sum_squares += v * v;
        }
    }
    return static_cast<float>((sum_squares - sum * sum / n) / (n - 1));
}

float cropped_variance(const float* fip, int width, const QuantTreeNode& band) {
    return region_variance(fip, width, band.x + band.lenx / 8, band.y + (9 * band.leny) / 32,
                           (3 * band.lenx) / 4, (7 * band.leny) / 16);
}

float whole_variance(const float* fip, int width, const QuantTreeNode& band) {
    return region_variance(fip, width, band.x, band.y, band.lenx, band.leny);
}

}  // namespace

void subband_variances(QuantValues* quant_vals, const QuantTreeNode* q_tree, int q_treelen,
                       const float* fip, int width, int /*height*/) {
    if (q_treelen < NUM_SUBBANDS) return;
    auto& variance = quant_vals->variance;
    double lowest_sum = 0.0;
    for (int i = 0; i < 4; ++i) {
        variance[i] = cropped_variance(fip, width, q_tree[i]);
        lowest_sum += variance[i];
    }
    // Little energy in the lowest bands: measure every subband over its whole area. A sum
    // that is not a number keeps the cropped measure.
    if (lowest_sum < 20000.0) {
        for (int i = 0; i < NUM_SUBBANDS; ++i) variance[i] = whole_variance(fip, width, q_tree[i]);
    } else {
        for (int i = 4; i < NUM_SUBBANDS; ++i) {
            variance[i] = cropped_variance(fip, width, q_tree[i]);
        }
    }
}

}  // namespace wsq
