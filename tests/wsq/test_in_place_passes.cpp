// The passes applied in place (the transforms' way when a plan writes every sample and reads no
// old output) against the same plans through a separate output plane: rows and columns of
// regions of a wider plane, the codec's analysis and synthesis filters, one and two threads.
// Samples outside the region stay as they were; the codec's own plans all run in place.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "support/synthesis_filters.h"
#include "wsq/codestream.h"
#include "wsq/filter_plan.h"
#include "wsq/wavelet.h"
#include "wsq/wsq.h"

namespace {

std::vector<float> random_plane(std::size_t count, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> dist(-300.0f, 300.0f);
    std::vector<float> v(count);
    for (float& x : v) x = dist(rng);
    return v;
}

struct Taps {
    const float* hi;
    int hsz;
    const float* lo;
    int lsz;
};

TEST(InPlacePasses, SameBitsAsThroughAnOutputPlane) {
    const wsq::TransformTable synthesis = testsupport::synthesis_table_from_analysis_filters();
    const Taps analysis_taps{wsq::kAnalysisHighPass, 7, wsq::kAnalysisLowPass, 9};
    const Taps synthesis_taps{synthesis.hifilt.data(), static_cast<int>(synthesis.hifilt.size()),
                              synthesis.lofilt.data(), static_cast<int>(synthesis.lofilt.size())};
    const int width = 700, height = 530;
    // Regions: odd and even sizes, a long thin one, one wider than 64 lines of a block.
    const int regions[][4] = {{0, 0, 700, 530}, {3, 5, 257, 131}, {10, 2, 9, 400}, {1, 1, 2, 3}};
    for (const bool synthesise : {false, true}) {
        const Taps& taps = synthesise ? synthesis_taps : analysis_taps;
        for (const auto& r : regions) {
            for (const bool columns : {false, true}) {
                for (const int inv : {0, 1}) {
                    for (const int threads : {1, 2}) {
                        const int lenx = r[2], leny = r[3];
                        const int n = columns ? leny : lenx;
                        const int lines = columns ? lenx : leny;
                        const std::ptrdiff_t pitch = columns ? 1 : width;
                        const std::ptrdiff_t stride = columns ? width : 1;
                        const wsq::FilterPlan plan =
                            synthesise
                                ? wsq::synthesis_plan(n, taps.hi, taps.hsz, taps.lo, taps.lsz, inv)
                                : wsq::analysis_plan(n, taps.hi, taps.hsz, taps.lo, taps.lsz, inv);
                        SCOPED_TRACE(testing::Message()
                                     << (synthesise ? "synthesis " : "analysis ") << lenx << "x"
                                     << leny << (columns ? " columns" : " rows") << " inv " << inv
                                     << " threads " << threads);
                        ASSERT_TRUE(wsq::runs_in_place(plan, n))
                            << "the codec's filters must run in place";
                        const std::vector<float> plane =
                            random_plane(static_cast<std::size_t>(width) * height, 7);
                        const std::ptrdiff_t offset =
                            static_cast<std::ptrdiff_t>(r[1]) * width + r[0];
                        std::vector<float> through = plane;
                        std::vector<float> in_place = plane;
                        const wsq::ParallelPasses passes(threads);
                        wsq::run_plan(plan, through.data() + offset, plane.data() + offset, lines,
                                      n, pitch, stride);
                        wsq::run_plan_in_place(plan, in_place.data() + offset, lines, n, pitch,
                                               stride);
                        EXPECT_EQ(0, std::memcmp(through.data(), in_place.data(),
                                                 through.size() * sizeof(float)));
                    }
                }
            }
        }
    }
}

TEST(InPlacePasses, PlansThatReadOldOutputAreNotRunInPlace) {
    // A one-tap low-pass filter leaves outputs the walk adds to without having written them.
    const float lo[] = {1.0f};
    const float hi[] = {1.0f, 0.5f};
    bool any_refused = false;
    for (int n = 1; n < 12; ++n) {
        const wsq::FilterPlan plan = wsq::synthesis_plan(n, hi, 2, lo, 1, 0);
        if (plan.reads_old_output || plan.written.size() != static_cast<size_t>(n)) {
            EXPECT_FALSE(wsq::runs_in_place(plan, n)) << n;
            any_refused = true;
        }
    }
    EXPECT_FALSE(wsq::runs_in_place(wsq::FilterPlan{}, 0));
    EXPECT_TRUE(any_refused) << "no plan of these filters needs the work plane";
}

}  // namespace
