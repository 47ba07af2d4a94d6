// The passes the transforms use against the straightforward ones: regions of many sizes (odd,
// tiny and long ones), both band orders, rows and columns of a wider plane, the codec's filters
// and short or even-length ones; every output sample must have the same bits, and samples
// outside the region must stay as they were.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "support/synthesis_filters.h"
#include "wsq/codestream.h"
#include "wsq/filter_bank.h"
#include "wsq/wavelet.h"

namespace {

using Pass = void (*)(float*, const float*, int, int, int, int, const float*, int, const float*,
                      int, int);

std::vector<float> random_plane(std::size_t count, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> dist(-300.0f, 300.0f);
    std::vector<float> v(count);
    for (float& x : v) x = dist(rng);
    return v;
}

bool same_bits(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

struct Filters {
    std::vector<float> hi;
    std::vector<float> lo;
};

// Runs the fast and the reference pass on a region of a plane, as the transforms call them:
// column lines (pitch 1, stride width) and row lines (pitch width, stride 1).
void expect_same(Pass fast, Pass reference, const Filters& f, int width, int height, int x0,
                 int y0, int lenx, int leny, bool columns, int inv, unsigned seed) {
    const std::size_t count = static_cast<std::size_t>(width) * height;
    const std::vector<float> in = random_plane(count, seed);
    const std::vector<float> initial = random_plane(count, seed + 1);
    std::vector<float> a = initial;
    std::vector<float> b = initial;
    const std::ptrdiff_t offset = static_cast<std::ptrdiff_t>(y0) * width + x0;
    const int lines = columns ? lenx : leny;
    const int n = columns ? leny : lenx;
    const int pitch = columns ? 1 : width;
    const int stride = columns ? width : 1;
    fast(a.data() + offset, in.data() + offset, lines, n, pitch, stride, f.hi.data(),
         static_cast<int>(f.hi.size()), f.lo.data(), static_cast<int>(f.lo.size()), inv);
    reference(b.data() + offset, in.data() + offset, lines, n, pitch, stride, f.hi.data(),
              static_cast<int>(f.hi.size()), f.lo.data(), static_cast<int>(f.lo.size()), inv);
    EXPECT_TRUE(same_bits(a, b)) << width << "x" << height << " region " << lenx << "x" << leny
                                 << " at " << x0 << "," << y0 << (columns ? " columns" : " rows")
                                 << " inv " << inv << " filters " << f.hi.size() << "/"
                                 << f.lo.size();
}

std::vector<Filters> filter_sets() {
    std::vector<Filters> sets;
    sets.push_back({std::vector<float>(wsq::kAnalysisHighPass, wsq::kAnalysisHighPass + 7),
                    std::vector<float>(wsq::kAnalysisLowPass, wsq::kAnalysisLowPass + 9)});
    const wsq::TransformTable dtt = testsupport::synthesis_table_from_analysis_filters();
    sets.push_back({std::vector<float>(dtt.hifilt.begin(), dtt.hifilt.begin() + dtt.hisize),
                    std::vector<float>(dtt.lofilt.begin(), dtt.lofilt.begin() + dtt.losize)});
    // Even-length and short filters take the other edge rules.
    sets.push_back({{0.5f, -0.5f}, {0.5f, 0.5f}});
    sets.push_back({{-0.125f, 0.25f, 0.75f, 0.25f}, {0.25f, 0.5f, 0.25f, 0.125f}});
    sets.push_back({{0.3f, -0.6f, 0.3f}, {1.0f}});
    return sets;
}

TEST(FastPasses, SameBitsAsTheReferenceOnManyRegions) {
    const std::vector<Filters> sets = filter_sets();
    const int sizes[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 16, 17, 31, 32, 33, 63, 64, 65, 97};
    unsigned seed = 1;
    for (const Filters& f : sets) {
        for (int lenx : sizes) {
            for (int leny : {1, 2, 3, 6, 7, 12, 33, 70}) {
                for (int inv = 0; inv <= 1; ++inv) {
                    for (bool columns : {true, false}) {
                        const int width = lenx + 5;
                        const int height = leny + 3;
                        expect_same(wsq::analysis_pass, wsq::analysis_pass_reference, f, width,
                                    height, 3, 2, lenx, leny, columns, inv, seed++);
                        expect_same(wsq::synthesis_pass, wsq::synthesis_pass_reference, f, width,
                                    height, 3, 2, lenx, leny, columns, inv, seed++);
                    }
                }
            }
        }
    }
}

TEST(FastPasses, SameBitsOnLongColumns) {
    const std::vector<Filters> sets = filter_sets();
    unsigned seed = 1000;
    for (int inv = 0; inv <= 1; ++inv) {
        for (int n : {255, 256, 257, 801}) {
            expect_same(wsq::analysis_pass, wsq::analysis_pass_reference, sets[0], 97, n, 1, 0,
                        95, n, true, inv, seed++);
            expect_same(wsq::synthesis_pass, wsq::synthesis_pass_reference, sets[1], 97, n, 1,
                        0, 95, n, true, inv, seed++);
        }
    }
}

}  // namespace
