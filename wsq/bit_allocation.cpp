// Bin widths for a target bit rate. Every value the allocation calls single precision is a
// float at that point; products, powers and ratios it names no precision for are doubles.
// The order of these roundings fixes the bin widths written to every stream, so it follows
// the allocation's steps exactly.
#include "wsq/bit_allocation.h"

#include <cmath>
#include <vector>

namespace wsq {
namespace {

constexpr double kVarianceThreshold = 1.01;

// Weight A of subbands 52 to 59 (1.0 below).
constexpr float kHighBandWeights[8] = {1.32f, 1.08f, 1.42f, 1.08f, 1.32f, 1.42f, 1.08f, 1.08f};

float weight(int i) { return i < 52 ? 1.0f : kHighBandWeights[i - 52]; }

// The subband's share of the picture area.
float area_fraction(int i) {
    if (i < 4) return 1.0f / 1024.0f;
    if (i < 51) return 1.0f / 256.0f;
    return 1.0f / 16.0f;
}

bool coded(float variance) { return static_cast<double>(variance) >= kVarianceThreshold; }

}  // namespace

BitAllocation allocate_bin_widths(const QuantValues& quant_vals) {
    const auto& variance = quant_vals.variance;

    // Relative bin widths Q' and the deviations sigma of the subbands worth coding (K0).
    float relative[NUM_SUBBANDS] = {};
    float sigma[NUM_SUBBANDS] = {};
    std::vector<int> k0;
    for (int i = 0; i < NUM_SUBBANDS; ++i) {
        if (!coded(variance[i])) continue;
        if (i < 4) {
            relative[i] = 1.0f;
        } else {
            const float ln = static_cast<float>(std::log(static_cast<double>(variance[i])));
            relative[i] = static_cast<float>(
                10.0 / (static_cast<double>(weight(i)) * static_cast<double>(ln)));
        }
        sigma[i] = static_cast<float>(std::sqrt(static_cast<double>(variance[i])));
        k0.push_back(i);
    }

    // Drop the subbands whose bit rate would not be positive and recompute q until none is
    // left to drop.
    std::vector<int> k = k0;
    float q = 1.0f;
    for (;;) {
        float s = 0.0f;
        float p = 1.0f;
        for (int i : k) {
            s = static_cast<float>(static_cast<double>(s) + static_cast<double>(area_fraction(i)));
            const double ratio = static_cast<double>(sigma[i]) / static_cast<double>(relative[i]);
            p = static_cast<float>(static_cast<double>(p) *
                                   std::pow(ratio, static_cast<double>(area_fraction(i))));
        }
        if (k.empty()) {
            q = 1.0f;
            break;
        }
        if (static_cast<double>(s) >= 0.004) {
            const double sd = static_cast<double>(s);
            q = static_cast<float>(
                (std::pow(2.0, static_cast<double>(quant_vals.r) / sd - 1.0) / 2.5) /
                std::pow(static_cast<double>(p), 1.0 / sd));
        } else {
            q = 1.0f;
        }
        std::vector<int> kept;
        for (int i : k) {
            const bool non_positive_rate =
                static_cast<double>(relative[i]) / static_cast<double>(q) >=
                5.0 * static_cast<double>(sigma[i]);
            if (!non_positive_rate) kept.push_back(i);
        }
        if (kept.size() == k.size()) break;
        k = std::move(kept);
    }

    // Subbands dropped during the iteration are still coded, with the final q.
    BitAllocation out;
    out.q = q;
    for (int i : k0) {
        out.Q[i] = static_cast<float>(static_cast<double>(relative[i]) / static_cast<double>(q));
    }
    for (int i = 0; i < NUM_SUBBANDS; ++i) {
        out.Z[i] = static_cast<float>(1.2 * static_cast<double>(out.Q[i]));
    }
    return out;
}

}  // namespace wsq
