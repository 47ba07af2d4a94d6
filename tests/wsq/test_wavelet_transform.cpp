// Whole-picture transforms: decompose then reconstruct restores the plane for every size from
// 1 x 1 up, and reconstruct refuses undefined filters before touching the plane. The regions the
// transforms run in place give the bits of the passes through a work plane.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include <cstring>

#include "support/synthesis_filters.h"
#include "wsq/filter_bank.h"
#include "wsq/wavelet.h"

namespace {

// A normalised picture: smooth ridges plus noise, roughly in -1..1 like the encoder's input.
std::vector<float> test_plane(int width, int height, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> noise(-0.3f, 0.3f);
    std::vector<float> plane(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            plane[static_cast<size_t>(y) * width + x] =
                0.7f * std::sin(0.31f * x + 0.17f * y) + noise(rng);
        }
    }
    return plane;
}

double round_trip_error(int width, int height) {
    wsq::WaveletTreeNode w_tree[wsq::W_TREELEN];
    wsq::QuantTreeNode q_tree[wsq::Q_TREELEN];
    wsq::build_subband_trees(w_tree, wsq::W_TREELEN, q_tree, wsq::Q_TREELEN, width, height);
    const std::vector<float> original = test_plane(width, height, width * 131 + height);
    std::vector<float> plane = original;
    std::vector<float> hi(wsq::kAnalysisHighPass, wsq::kAnalysisHighPass + 7);
    std::vector<float> lo(wsq::kAnalysisLowPass, wsq::kAnalysisLowPass + 9);
    EXPECT_EQ(wsq::wsq_decompose(plane.data(), width, height, w_tree, wsq::W_TREELEN, hi.data(), 7,
                                 lo.data(), 9),
              0);
    EXPECT_EQ(hi[0], wsq::kAnalysisHighPass[0]);
    wsq::TransformTable dtt = testsupport::synthesis_table_from_analysis_filters();
    EXPECT_EQ(wsq::wsq_reconstruct(plane.data(), width, height, w_tree, wsq::W_TREELEN, &dtt), 0);
    double worst = 0;
    for (size_t i = 0; i < plane.size(); ++i) {
        worst = std::max(worst, std::fabs(double(plane[i]) - original[i]));
    }
    return worst;
}

TEST(WaveletTransform, RoundTripsEncoderSizes) {
#ifdef NDEBUG
    const int largest[2] = {1600, 1500};
#else
    const int largest[2] = {800, 750};  // unoptimised sanitizer builds: keep the test short
#endif
    const int sizes[][2] = {{81, 81}, {101, 81}, {417, 300}, {512, 512}, {largest[0], largest[1]}};
    for (const auto& s : sizes) {
        SCOPED_TRACE(testing::Message() << s[0] << " x " << s[1]);
        EXPECT_LT(round_trip_error(s[0], s[1]), 1e-5);
    }
}

// Pictures smaller than the encoder takes have regions shorter than the filters; they are
// transformed inside the plane (the sanitizer build checks every access) and restored too.
TEST(WaveletTransform, RoundTripsSmallSizes) {
    for (int width : {1, 2, 3, 4, 5, 6, 7, 9, 13, 16, 31, 64, 65, 80}) {
        for (int height : {1, 2, 3, 5, 8, 17, 33, 64, 79}) {
            SCOPED_TRACE(testing::Message() << width << " x " << height);
            EXPECT_LT(round_trip_error(width, height), 1e-5);
        }
    }
}

TEST(WaveletTransform, ReconstructRefusesUndefinedFilters) {
    wsq::WaveletTreeNode w_tree[wsq::W_TREELEN];
    wsq::QuantTreeNode q_tree[wsq::Q_TREELEN];
    wsq::build_subband_trees(w_tree, wsq::W_TREELEN, q_tree, wsq::Q_TREELEN, 96, 96);
    const std::vector<float> original = test_plane(96, 96, 5);
    std::vector<float> plane = original;

    wsq::TransformTable dtt = testsupport::synthesis_table_from_analysis_filters();
    dtt.lo_def = 0;
    dtt.hi_def = 0;
    testing::internal::CaptureStderr();
    EXPECT_EQ(wsq::wsq_reconstruct(plane.data(), 96, 96, w_tree, wsq::W_TREELEN, &dtt), -95);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "ERROR: wsq_reconstruct : Lopass filter coefficients not defined\n");

    dtt.lo_def = 1;
    testing::internal::CaptureStderr();
    EXPECT_EQ(wsq::wsq_reconstruct(plane.data(), 96, 96, w_tree, wsq::W_TREELEN, &dtt), -96);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "ERROR: wsq_reconstruct : Hipass filter coefficients not defined\n");
    EXPECT_EQ(plane, original);
}

// A filter table whose size fields claim more taps than it holds (or none at all) is
// filtered with what it holds, inside the plane.
TEST(WaveletTransform, ReconstructWithMismatchedTableStaysInside) {
    wsq::WaveletTreeNode w_tree[wsq::W_TREELEN];
    wsq::QuantTreeNode q_tree[wsq::Q_TREELEN];
    wsq::build_subband_trees(w_tree, wsq::W_TREELEN, q_tree, wsq::Q_TREELEN, 40, 30);
    std::vector<float> plane = test_plane(40, 30, 9);
    wsq::TransformTable dtt;
    dtt.lo_def = dtt.hi_def = 1;
    dtt.losize = 200;
    dtt.hisize = 3;
    dtt.hifilt = {0.5f, 1.0f, 0.5f};
    EXPECT_EQ(wsq::wsq_reconstruct(plane.data(), 40, 30, w_tree, wsq::W_TREELEN, &dtt), 0);
    for (float v : plane) EXPECT_TRUE(std::isfinite(v));
}

// The transforms as the passes through a work plane at the plane's origin do them, region by
// region, with the straightforward passes.
void decompose_through_work_plane(float* plane, int width, int height,
                                  const wsq::WaveletTreeNode* tree, const std::vector<float>& hi,
                                  const std::vector<float>& lo) {
    std::vector<float> work(static_cast<size_t>(width) * height, 0.0f);
    for (int node = 0; node < wsq::W_TREELEN; ++node) {
        const wsq::WaveletTreeNode& t = tree[node];
        float* base = plane + static_cast<std::ptrdiff_t>(t.y) * width + t.x;
        wsq::analysis_pass_reference(work.data(), base, t.leny, t.lenx, width, 1, hi.data(),
                                     int(hi.size()), lo.data(), int(lo.size()), t.inv_rw);
        wsq::analysis_pass_reference(base, work.data(), t.lenx, t.leny, 1, width, hi.data(),
                                     int(hi.size()), lo.data(), int(lo.size()), t.inv_cl);
    }
}

void reconstruct_through_work_plane(float* plane, int width, int height,
                                    const wsq::WaveletTreeNode* tree, const std::vector<float>& hi,
                                    const std::vector<float>& lo) {
    std::vector<float> work(static_cast<size_t>(width) * height, 0.0f);
    for (int node = wsq::W_TREELEN - 1; node >= 0; --node) {
        const wsq::WaveletTreeNode& t = tree[node];
        float* base = plane + static_cast<std::ptrdiff_t>(t.y) * width + t.x;
        wsq::synthesis_pass_reference(work.data(), base, t.lenx, t.leny, 1, width, hi.data(),
                                      int(hi.size()), lo.data(), int(lo.size()), t.inv_cl);
        wsq::synthesis_pass_reference(base, work.data(), t.leny, t.lenx, width, 1, hi.data(),
                                      int(hi.size()), lo.data(), int(lo.size()), t.inv_rw);
    }
}

// The codec's filters (every region in place) and short ones whose plans add to outputs they
// have not written (those regions go through the work plane, stale values and all).
TEST(WaveletTransform, InPlaceRegionsMatchTheWorkPlaneWay) {
    const wsq::TransformTable codec = testsupport::synthesis_table_from_analysis_filters();
    struct FilterSet {
        std::vector<float> hi, lo;
    };
    const FilterSet synthesis_sets[] = {{codec.hifilt, codec.lofilt}, {{1.0f, 0.5f}, {1.0f}}};
    const FilterSet analysis_sets[] = {{{wsq::kAnalysisHighPass, wsq::kAnalysisHighPass + 7},
                                        {wsq::kAnalysisLowPass, wsq::kAnalysisLowPass + 9}},
                                       {{1.0f, 0.5f}, {1.0f}}};
    for (const auto& size : {std::pair{130, 97}, std::pair{81, 200}}) {
        const int w = size.first, h = size.second;
        wsq::WaveletTreeNode w_tree[wsq::W_TREELEN];
        wsq::QuantTreeNode q_tree[wsq::Q_TREELEN];
        wsq::build_subband_trees(w_tree, wsq::W_TREELEN, q_tree, wsq::Q_TREELEN, w, h);
        for (const FilterSet& f : synthesis_sets) {
            std::vector<float> ours = test_plane(w, h, 5);
            std::vector<float> expected = ours;
            wsq::TransformTable dtt;
            dtt.lo_def = dtt.hi_def = 1;
            dtt.lofilt = f.lo;
            dtt.hifilt = f.hi;
            dtt.losize = static_cast<uint8_t>(f.lo.size());
            dtt.hisize = static_cast<uint8_t>(f.hi.size());
            ASSERT_EQ(wsq::wsq_reconstruct(ours.data(), w, h, w_tree, wsq::W_TREELEN, &dtt), 0);
            reconstruct_through_work_plane(expected.data(), w, h, w_tree, f.hi, f.lo);
            EXPECT_EQ(0, std::memcmp(ours.data(), expected.data(), ours.size() * sizeof(float)))
                << w << " x " << h << ", synthesis filters of " << f.lo.size() << " taps";
        }
        for (const FilterSet& f : analysis_sets) {
            std::vector<float> ours = test_plane(w, h, 6);
            std::vector<float> expected = ours;
            std::vector<float> hi = f.hi, lo = f.lo;
            ASSERT_EQ(wsq::wsq_decompose(ours.data(), w, h, w_tree, wsq::W_TREELEN, hi.data(),
                                         int(hi.size()), lo.data(), int(lo.size())),
                      0);
            decompose_through_work_plane(expected.data(), w, h, w_tree, f.hi, f.lo);
            EXPECT_EQ(0, std::memcmp(ours.data(), expected.data(), ours.size() * sizeof(float)))
                << w << " x " << h << ", analysis filters of " << f.lo.size() << " taps";
        }
    }
}

}  // namespace
