// The encoder's half of quantization: bin widths for the target rate, the dead-zone scalar
// quantizer over the coded subbands, and the number of values in each coded block.
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <new>

#include "wsq/bit_allocation.h"
#include "wsq/diagnostics.h"
#include "wsq/image_limits.h"
#include "wsq/quantization.h"

namespace wsq {
namespace {

bool finite_positive(float v) {
    return std::isfinite(v) && v > 0.0f;
}

int band_area(const QuantTreeNode& band) {
    return band.lenx * band.leny;
}

// The values of uncoded subbands first..last (their Q is 0) are not in the block.
int uncoded_area(const QuantValues& quant_vals, const QuantTreeNode* q_tree, int first, int last) {
    int area = 0;
    for (int i = first; i <= last; ++i) {
        if (quant_vals.Q[i] == 0.0f) area += band_area(q_tree[i]);
    }
    return area;
}

}  // namespace

int quantize_wsq(std::vector<int16_t>* osip, int* ocmp_siz, QuantValues* quant_vals,
                 const QuantTreeNode* q_tree, int q_treelen, const float* fip, int width,
                 int height) {
    quant_vals->Q.fill(0.0f);
    quant_vals->Z.fill(0.0f);
    const BitAllocation allocation = allocate_bin_widths(*quant_vals);
    // A scale that overflowed, vanished or is not a number (smooth pictures at some rates)
    // would give bin widths of 0, infinity or NaN and values that wrap in 16 bits.
    if (!finite_positive(allocation.q)) {
        report(
            "ERROR : quantize_wsq : bit allocation failed : q = %f is not a finite "
            "positive number\n",
            static_cast<double>(allocation.q));
        return -98;
    }
    for (int i = 0; i < NUM_SUBBANDS; ++i) {
        if (allocation.Q[i] == 0.0f) continue;
        if (!finite_positive(allocation.Q[i]) || !std::isfinite(allocation.Z[i])) {
            report(
                "ERROR : quantize_wsq : bit allocation failed : Q[%d] = %f is not a "
                "finite positive number\n",
                i, static_cast<double>(allocation.Q[i]));
            return -98;
        }
    }
    quant_vals->Q = allocation.Q;
    quant_vals->Z = allocation.Z;

    std::vector<int16_t> sip;
    try {
        if (!image_size_acceptable(static_cast<uint64_t>(width), static_cast<uint64_t>(height))) {
            throw std::bad_alloc();
        }
        sip.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    } catch (const std::bad_alloc&) {
        report("ERROR : quantize_wsq : calloc : sip\n");
        return -90;
    }

    std::size_t used = 0;
    for (int i = 0; i < NUM_SUBBANDS && i < q_treelen; ++i) {
        if (quant_vals->Q[i] == 0.0f) continue;
        const QuantTreeNode& band = q_tree[i];
        const long double bin = quant_vals->Q[i];
        const long double half_zero = static_cast<long double>(quant_vals->Z[i]) / 2;
        for (int row = band.y; row < band.y + band.leny; ++row) {
            const float* p = fip + static_cast<std::ptrdiff_t>(row) * width + band.x;
            for (int col = 0; col < band.lenx; ++col) {
                const long double v = p[col];
                long double value = 0;
                if (v >= -half_zero && v <= half_zero) {
                    value = 0;
                } else if (v > 0) {
                    value = std::trunc((v - half_zero) / bin + 1);
                } else {
                    value = std::trunc((v + half_zero) / bin - 1);
                }
                if (!(value >= -32768 && value <= 32767)) {
                    report(
                        "ERROR : quantize_wsq : quantized value %Lg of subband %d "
                        "beyond the 16-bit range\n",
                        value, i);
                    return -99;
                }
                sip[used++] = static_cast<int16_t>(value);
            }
        }
    }
    *osip = std::move(sip);
    *ocmp_siz = static_cast<int>(used);
    return 0;
}

void coded_block_sizes(int* oqsize1, int* oqsize2, int* oqsize3, const QuantValues* quant_vals,
                       const WaveletTreeNode* w_tree, int /*w_treelen*/,
                       const QuantTreeNode* q_tree, int /*q_treelen*/) {
    const int nominal1 = w_tree[14].lenx * w_tree[14].leny;
    const int nominal2 = w_tree[4].lenx * w_tree[4].leny + w_tree[1].lenx * w_tree[5].leny;
    const int nominal3 = w_tree[2].lenx * w_tree[2].leny + w_tree[3].lenx * w_tree[3].leny;
    *oqsize1 = nominal1 - uncoded_area(*quant_vals, q_tree, 0, 18);
    *oqsize2 = nominal2 - uncoded_area(*quant_vals, q_tree, 19, 51);
    *oqsize3 = nominal3 - uncoded_area(*quant_vals, q_tree, 52, 59);
}

}  // namespace wsq
