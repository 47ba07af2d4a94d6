// The forward and inverse wavelet transforms over the 20 regions of the wavelet tree, in place
// on a float plane.
#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <new>
#include <vector>

#include "wsq/diagnostics.h"
#include "wsq/filter_bank.h"
#include "wsq/image_limits.h"
#include "wsq/wavelet.h"

namespace wsq {
namespace {

// The work plane holds one region between its row and its column pass.
bool allocate_work_plane(std::vector<float>& plane, int width, int height) {
    if (!image_size_acceptable(static_cast<uint64_t>(width), static_cast<uint64_t>(height))) {
        return false;
    }
    try {
        plane.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0.0f);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

float* region_base(float* fdata, int width, const WaveletTreeNode& node) {
    return fdata + static_cast<std::ptrdiff_t>(node.y) * width + node.x;
}

}  // namespace

int wsq_decompose(float* fdata, int width, int height, const WaveletTreeNode* w_tree, int w_treelen,
                  float* hifilt, int hisz, float* lofilt, int losz) {
    if (width <= 0 || height <= 0) return 0;
    std::vector<float> fdata1;
    if (!allocate_work_plane(fdata1, width, height)) {
        report("ERROR : wsq_decompose : malloc : fdata1\n");
        return -94;
    }
    const int nodes = std::min(w_treelen, W_TREELEN);
    for (int node = 0; node < nodes; ++node) {
        const WaveletTreeNode& t = w_tree[node];
        float* base = region_base(fdata, width, t);
        analysis_pass(fdata1.data(), base, t.leny, t.lenx, width, 1, hifilt, hisz, lofilt, losz,
                      t.inv_rw);
        analysis_pass(base, fdata1.data(), t.lenx, t.leny, 1, width, hifilt, hisz, lofilt, losz,
                      t.inv_cl);
    }
    return 0;
}

int wsq_reconstruct(float* fdata, int width, int height, const WaveletTreeNode* w_tree,
                    int w_treelen, TransformTable* dtt_table) {
    if (dtt_table->lo_def != 1) {
        report("ERROR: wsq_reconstruct : Lopass filter coefficients not defined\n");
        return -95;
    }
    if (dtt_table->hi_def != 1) {
        report("ERROR: wsq_reconstruct : Hipass filter coefficients not defined\n");
        return -96;
    }
    if (width <= 0 || height <= 0) return 0;
    std::vector<float> fdata1;
    if (!allocate_work_plane(fdata1, width, height)) {
        report("ERROR : wsq_reconstruct : malloc : fdata1\n");
        return -97;
    }
    // A table whose size fields disagree with its arrays is filtered with the taps it holds.
    const int hisz = std::min<int>(dtt_table->hisize, static_cast<int>(dtt_table->hifilt.size()));
    const int losz = std::min<int>(dtt_table->losize, static_cast<int>(dtt_table->lofilt.size()));
    const float* hi = dtt_table->hifilt.data();
    const float* lo = dtt_table->lofilt.data();
    for (int node = std::min(w_treelen, W_TREELEN) - 1; node >= 0; --node) {
        const WaveletTreeNode& t = w_tree[node];
        float* base = region_base(fdata, width, t);
        synthesis_pass(fdata1.data(), base, t.lenx, t.leny, 1, width, hi, hisz, lo, losz, t.inv_cl);
        synthesis_pass(base, fdata1.data(), t.leny, t.lenx, width, 1, hi, hisz, lo, losz, t.inv_rw);
    }
    return 0;
}

}  // namespace wsq
