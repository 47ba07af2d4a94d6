// The forward and inverse wavelet transforms over the 20 regions of the wavelet tree, in place
// on a float plane.
#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <new>
#include <vector>

#include "wsq/diagnostics.h"
#include "wsq/filter_bank.h"
#include "wsq/filter_plan.h"
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

// The plans of every region's two passes, in the order the transform runs them, when all of
// them write every sample of their lines and read nothing else of their output: then the passes
// can run straight on the plane, with the bits the passes through a work plane give. Empty when
// any cannot; then the whole transform goes through the work plane, whose stale contents some
// such plans read.
struct RegionPlans {
    FilterPlan first, second;
};

template <typename MakePlan>
std::vector<RegionPlans> in_place_plans(const WaveletTreeNode* w_tree, int nodes, bool rows_first,
                                        const MakePlan& make_plan) {
    std::vector<RegionPlans> plans;
    for (int node = 0; node < nodes; ++node) {
        const WaveletTreeNode& t = w_tree[node];
        if (t.lenx <= 0 || t.leny <= 0) return {};
        RegionPlans region{rows_first ? make_plan(t.lenx, t.inv_rw) : make_plan(t.leny, t.inv_cl),
                           rows_first ? make_plan(t.leny, t.inv_cl) : make_plan(t.lenx, t.inv_rw)};
        if (!runs_in_place(region.first, rows_first ? t.lenx : t.leny) ||
            !runs_in_place(region.second, rows_first ? t.leny : t.lenx))
            return {};
        plans.push_back(std::move(region));
    }
    return plans;
}

}  // namespace

int wsq_decompose(float* fdata, int width, int height, const WaveletTreeNode* w_tree, int w_treelen,
                  float* hifilt, int hisz, float* lofilt, int losz) {
    if (width <= 0 || height <= 0) return 0;
    const int nodes = std::min(w_treelen, W_TREELEN);
    const std::vector<RegionPlans> plans = in_place_plans(w_tree, nodes, true, [&](int n, int inv) {
        return analysis_plan(n, hifilt, hisz, lofilt, losz, inv);
    });
    if (!plans.empty()) {
        for (int node = 0; node < nodes; ++node) {
            const WaveletTreeNode& t = w_tree[node];
            float* base = region_base(fdata, width, t);
            run_plan_in_place(plans[static_cast<std::size_t>(node)].first, base, t.leny, t.lenx,
                              width, 1);
            run_plan_in_place(plans[static_cast<std::size_t>(node)].second, base, t.lenx, t.leny, 1,
                              width);
        }
        return 0;
    }
    std::vector<float> fdata1;
    if (!allocate_work_plane(fdata1, width, height)) {
        report("ERROR : wsq_decompose : malloc : fdata1\n");
        return -94;
    }
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
    // A table whose size fields disagree with its arrays is filtered with the taps it holds.
    const int hisz = std::min<int>(dtt_table->hisize, static_cast<int>(dtt_table->hifilt.size()));
    const int losz = std::min<int>(dtt_table->losize, static_cast<int>(dtt_table->lofilt.size()));
    const float* hi = dtt_table->hifilt.data();
    const float* lo = dtt_table->lofilt.data();
    const int nodes = std::min(w_treelen, W_TREELEN);
    const std::vector<RegionPlans> plans =
        in_place_plans(w_tree, nodes, false,
                       [&](int n, int inv) { return synthesis_plan(n, hi, hisz, lo, losz, inv); });
    if (!plans.empty()) {
        for (int node = nodes - 1; node >= 0; --node) {
            const WaveletTreeNode& t = w_tree[node];
            float* base = region_base(fdata, width, t);
            run_plan_in_place(plans[static_cast<std::size_t>(node)].first, base, t.lenx, t.leny, 1,
                              width);
            run_plan_in_place(plans[static_cast<std::size_t>(node)].second, base, t.leny, t.lenx,
                              width, 1);
        }
        return 0;
    }
    std::vector<float> fdata1;
    if (!allocate_work_plane(fdata1, width, height)) {
        report("ERROR : wsq_reconstruct : malloc : fdata1\n");
        return -97;
    }
    for (int node = nodes - 1; node >= 0; --node) {
        const WaveletTreeNode& t = w_tree[node];
        float* base = region_base(fdata, width, t);
        synthesis_pass(fdata1.data(), base, t.lenx, t.leny, 1, width, hi, hisz, lo, losz, t.inv_cl);
        synthesis_pass(base, fdata1.data(), t.leny, t.lenx, width, 1, hi, hisz, lo, losz, t.inv_rw);
    }
    return 0;
}

}  // namespace wsq
