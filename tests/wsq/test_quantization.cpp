// Subband variances, the bit allocation, the dead-zone quantizer, the coded block sizes and
// the decoder's reconstruction, including the refusals of values the stream cannot carry.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "wsq/quantization.h"
#include "wsq/wavelet.h"

namespace {

using wsq::QuantTreeNode;
using wsq::QuantValues;
using wsq::WaveletTreeNode;

struct Trees {
    int width;
    int height;
    WaveletTreeNode w[wsq::W_TREELEN];
    QuantTreeNode q[wsq::Q_TREELEN];
};

Trees trees(int width, int height) {
    Trees t;
    t.width = width;
    t.height = height;
    wsq::build_subband_trees(t.w, wsq::W_TREELEN, t.q, wsq::Q_TREELEN, width, height);
    return t;
}

void fill_band(std::vector<float>& plane, const Trees& t, int band, float value) {
    const QuantTreeNode& n = t.q[band];
    for (int y = n.y; y < n.y + n.leny; ++y) {
        for (int x = n.x; x < n.x + n.lenx; ++x) plane[static_cast<size_t>(y) * t.width + x] = value;
    }
}

// Alternating +a / -a over the band's rows: variance about a^2 over any region.
void checker_band(std::vector<float>& plane, const Trees& t, int band, float a) {
    const QuantTreeNode& n = t.q[band];
    for (int y = n.y; y < n.y + n.leny; ++y) {
        for (int x = n.x; x < n.x + n.lenx; ++x) {
            plane[static_cast<size_t>(y) * t.width + x] = ((x + y) % 2 == 0) ? a : -a;
        }
    }
}

double direct_variance(const std::vector<float>& plane, int width, int x, int y, int lx, int ly) {
    double sum = 0, ssq = 0;
    for (int r = y; r < y + ly; ++r) {
        for (int c = x; c < x + lx; ++c) {
            const double v = plane[static_cast<size_t>(r) * width + c];
            sum += v;
            ssq += v * v;
        }
    }
    const double n = double(lx) * ly;
    return (ssq - sum * sum / n) / (n - 1);
}

double cropped_direct(const std::vector<float>& plane, const Trees& t, int band) {
    const QuantTreeNode& n = t.q[band];
    return direct_variance(plane, t.width, n.x + n.lenx / 8, n.y + 9 * n.leny / 32,
                           3 * n.lenx / 4, 7 * n.leny / 16);
}

double whole_direct(const std::vector<float>& plane, const Trees& t, int band) {
    const QuantTreeNode& n = t.q[band];
    return direct_variance(plane, t.width, n.x, n.y, n.lenx, n.leny);
}

TEST(SubbandVariances, MeasuringRegionFollowsTheLowBandEnergy) {
    const Trees t = trees(417, 300);
    std::mt19937 rng(3);
    std::normal_distribution<float> noise(0.0f, 1.0f);
    for (float low_scale : {10.0f, 200.0f}) {
        SCOPED_TRACE(low_scale);
        std::vector<float> plane(417 * 300);
        for (float& v : plane) v = 3.0f * noise(rng);
        // The centre of every subband is calmer than its border, so the two measures differ.
        for (int b = 0; b < 60; ++b) {
            const QuantTreeNode& n = t.q[b];
            for (int y = n.y; y < n.y + n.leny; ++y) {
                for (int x = n.x; x < n.x + n.lenx; ++x) {
                    const bool border = x < n.x + n.lenx / 8 || y < n.y + 9 * n.leny / 32;
                    float& v = plane[static_cast<size_t>(y) * 417 + x];
                    if (border) v *= 4.0f;
                    if (b < 4) v *= low_scale;
                }
            }
        }
        QuantValues qv;
        wsq::subband_variances(&qv, t.q, wsq::Q_TREELEN, plane.data(), 417, 300);
        double low_sum = 0;
        for (int b = 0; b < 4; ++b) low_sum += float(cropped_direct(plane, t, b));
        const bool whole = low_sum < 20000.0;
        EXPECT_EQ(whole, low_scale == 10.0f);
        for (int b = 0; b < 60; ++b) {
            const double expected =
                (whole ? whole_direct(plane, t, b) : cropped_direct(plane, t, b));
            EXPECT_NEAR(qv.variance[b], expected, 1e-4 * expected) << "subband " << b;
        }
        for (int b = 60; b < 64; ++b) EXPECT_EQ(qv.variance[b], 0.0f);
    }
}

// Subbands of tiny pictures hold fewer than two values: no variance, never coded.
TEST(SubbandVariances, TooFewValuesAreNotCoded) {
    const Trees t = trees(20, 20);
    std::vector<float> plane(400);
    for (size_t i = 0; i < plane.size(); ++i) plane[i] = float((i * 37) % 11) * 3.0f;
    QuantValues qv;
    qv.r = 0.75f;
    wsq::subband_variances(&qv, t.q, wsq::Q_TREELEN, plane.data(), 20, 20);
    ASSERT_LT(t.q[0].lenx * t.q[0].leny, 2);
    EXPECT_TRUE(std::isnan(qv.variance[0]));
    std::vector<int16_t> sip;
    int used = -1;
    ASSERT_EQ(wsq::quantize_wsq(&sip, &used, &qv, t.q, wsq::Q_TREELEN, plane.data(), 20, 20), 0);
    EXPECT_EQ(qv.Q[0], 0.0f);
}

// Reference allocation in double over a given set; returns q.
double reference_q(const QuantValues& qv, const std::vector<int>& k, const double* rel) {
    double s = 0, logp = 0;
    for (int i : k) {
        const double m = i < 4 ? 1.0 / 1024 : (i < 51 ? 1.0 / 256 : 1.0 / 16);
        s += m;
        logp += m * std::log(std::sqrt(double(qv.variance[i])) / rel[i]);
    }
    if (s < 0.004) return 1.0;
    return std::pow(2.0, qv.r / s - 1) / 2.5 / std::exp(logp / s);
}

double relative_width(const QuantValues& qv, int i) {
    const double a[8] = {1.32, 1.08, 1.42, 1.08, 1.32, 1.42, 1.08, 1.08};
    if (i < 4) return 1.0;
    return 10.0 / ((i < 52 ? 1.0 : a[i - 52]) * std::log(double(qv.variance[i])));
}

// A subband whose rate would not be positive leaves the set and q is recomputed without it,
// but it is still coded with the final q; subbands below 1.01 are never coded.
TEST(BitAllocation, DropsNonPositiveRatesButStillCodesThem) {
    const Trees t = trees(256, 256);
    QuantValues qv;
    qv.r = 0.75f;
    for (int i = 0; i < 60; ++i) qv.variance[i] = 400.0f + 10.0f * i;
    qv.variance[7] = 1.0f;     // below the threshold
    qv.variance[30] = 1.02f;   // coded, but far too quiet for a positive rate
    qv.variance[55] = 1.05f;
    std::vector<float> plane(256 * 256, 0.0f);
    std::vector<int16_t> sip;
    int used = 0;
    ASSERT_EQ(wsq::quantize_wsq(&sip, &used, &qv, t.q, wsq::Q_TREELEN, plane.data(), 256, 256), 0);

    double rel[60];
    std::vector<int> k0, k;
    for (int i = 0; i < 60; ++i) {
        if (qv.variance[i] >= 1.01) {
            rel[i] = relative_width(qv, i);
            k0.push_back(i);
        }
    }
    k = k0;
    double q = 0;
    for (;;) {
        q = reference_q(qv, k, rel);
        std::vector<int> kept;
        for (int i : k) {
            if (rel[i] / q < 5 * std::sqrt(double(qv.variance[i]))) kept.push_back(i);
        }
        if (kept.size() == k.size()) break;
        k = kept;
    }
    EXPECT_LT(k.size(), k0.size());
    EXPECT_EQ(std::count(k.begin(), k.end(), 30), 0);
    EXPECT_EQ(qv.Q[7], 0.0f);
    for (int i : k0) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(qv.Q[i], rel[i] / q, 1e-4 * rel[i] / q);
        EXPECT_EQ(qv.Z[i], float(1.2 * double(qv.Q[i])));
    }
    for (int i = 60; i < 64; ++i) EXPECT_EQ(qv.Q[i], 0.0f);
}

TEST(BitAllocation, OnlyLowestBandsKeepUnitScale) {
    const Trees t = trees(128, 128);
    QuantValues qv;
    qv.r = 2.25f;
    for (int i = 0; i < 4; ++i) qv.variance[i] = 50.0f;
    std::vector<float> plane(128 * 128, 0.0f);
    std::vector<int16_t> sip;
    int used = 0;
    ASSERT_EQ(wsq::quantize_wsq(&sip, &used, &qv, t.q, wsq::Q_TREELEN, plane.data(), 128, 128), 0);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(qv.Q[i], 1.0f);
        EXPECT_EQ(qv.Z[i], 1.2f);
    }
    int area = 0;
    for (int i = 0; i < 4; ++i) area += t.q[i].lenx * t.q[i].leny;
    EXPECT_EQ(used, area);
}

// Dead zone of Z/2 around 0, then bins of width Q; values fill the coded subbands in order.
TEST(Quantizer, DeadZoneBinsAndOrder) {
    const Trees t = trees(512, 512);
    QuantValues qv;
    for (int i = 0; i < 4; ++i) qv.variance[i] = 50.0f;  // Q = 1, Z = 1.2: half zero bin 0.6
    std::vector<float> plane(512 * 512, 0.0f);
    const float half = 1.2f / 2.0f;
    const float values[] = {half, -half, std::nextafter(half, 1.0f), -std::nextafter(half, 1.0f),
                            half + 2.5f, -(half + 2.5f), 0.0f, 100.0f};
    const int expected[] = {0, 0, 1, -1, 3, -3, 0, 100};
    const QuantTreeNode& b0 = t.q[0];
    for (int i = 0; i < 8; ++i) plane[static_cast<size_t>(b0.y) * 512 + b0.x + i] = values[i];
    fill_band(plane, t, 1, 7.0f);
    std::vector<int16_t> sip;
    int used = 0;
    ASSERT_EQ(wsq::quantize_wsq(&sip, &used, &qv, t.q, wsq::Q_TREELEN, plane.data(), 512, 512), 0);
    ASSERT_EQ(sip.size(), 512u * 512u);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(sip[i], expected[i]) << i;
    const int area0 = b0.lenx * b0.leny;
    EXPECT_EQ(sip[area0], 7);  // subband 1 follows subband 0: trunc((7 - 0.6) / 1 + 1)
    EXPECT_EQ(sip[used], 0);
}

TEST(Quantizer, FlatPictureCodesNothing) {
    const Trees t = trees(256, 200);
    std::vector<float> plane(256 * 200, 0.0f);
    QuantValues qv;
    qv.r = 0.75f;
    wsq::subband_variances(&qv, t.q, wsq::Q_TREELEN, plane.data(), 256, 200);
    std::vector<int16_t> sip;
    int used = -1;
    ASSERT_EQ(wsq::quantize_wsq(&sip, &used, &qv, t.q, wsq::Q_TREELEN, plane.data(), 256, 200), 0);
    EXPECT_EQ(used, 0);
    int s1, s2, s3;
    wsq::coded_block_sizes(&s1, &s2, &s3, &qv, t.w, wsq::W_TREELEN, t.q, wsq::Q_TREELEN);
    EXPECT_EQ(s1, 0);
    EXPECT_EQ(s2, 0);
    EXPECT_EQ(s3, 0);
}

// The three blocks add up to the used length whichever subbands are coded.
TEST(Quantizer, BlockSizesAddUpToTheUsedLength) {
    for (const auto& size : {std::pair{417, 300}, std::pair{81, 81}, std::pair{1000, 97}}) {
        const int w = size.first, h = size.second;
        SCOPED_TRACE(testing::Message() << w << " x " << h);
        const Trees t = trees(w, h);
        std::vector<float> plane(static_cast<size_t>(w) * h, 0.0f);
        for (int b = 0; b < 60; ++b) checker_band(plane, t, b, b % 3 == 0 ? 0.1f : 5.0f);
        QuantValues qv;
        qv.r = 0.75f;
        wsq::subband_variances(&qv, t.q, wsq::Q_TREELEN, plane.data(), w, h);
        std::vector<int16_t> sip;
        int used = 0;
        ASSERT_EQ(wsq::quantize_wsq(&sip, &used, &qv, t.q, wsq::Q_TREELEN, plane.data(), w, h),
                  0);
        int s1, s2, s3;
        wsq::coded_block_sizes(&s1, &s2, &s3, &qv, t.w, wsq::W_TREELEN, t.q, wsq::Q_TREELEN);
        EXPECT_EQ(s1 + s2 + s3, used);
        int area1 = 0;
        for (int b = 0; b <= 18; ++b) area1 += qv.Q[b] != 0 ? t.q[b].lenx * t.q[b].leny : 0;
        EXPECT_EQ(s1, area1);
        int uncoded = 0;
        for (int b = 0; b < 60; ++b) uncoded += qv.Q[b] == 0;
        EXPECT_GT(uncoded, 0);
    }
}

// Values beyond 16 bits and scales that are not finite positive numbers are refused instead
// of wrapping into a stream that would decode as a different picture.
TEST(Quantizer, RefusesWhatTheStreamCannotCarry) {
    const Trees t = trees(128, 128);
    std::vector<float> plane(128 * 128, 0.0f);
    std::vector<int16_t> sip{1, 2, 3};
    int used = 42;

    QuantValues big;
    for (int i = 0; i < 4; ++i) big.variance[i] = 50.0f;  // Q = 1
    fill_band(plane, t, 2, 40000.0f);
    testing::internal::CaptureStderr();
    EXPECT_EQ(wsq::quantize_wsq(&sip, &used, &big, t.q, wsq::Q_TREELEN, plane.data(), 128, 128),
              -99);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "ERROR : quantize_wsq : quantized value 40000 of subband 2 beyond the 16-bit "
              "range\n");
    EXPECT_EQ(sip.size(), 3u);
    EXPECT_EQ(used, 42);
    fill_band(plane, t, 2, -32767.0f);  // trunc((-32767 + 0.6) - 1) = -32767: still fits
    EXPECT_EQ(wsq::quantize_wsq(&sip, &used, &big, t.q, wsq::Q_TREELEN, plane.data(), 128, 128),
              0);

    for (float rate : {1e6f, std::numeric_limits<float>::quiet_NaN()}) {
        QuantValues qv;
        qv.r = rate;
        for (int i = 0; i < 60; ++i) qv.variance[i] = i < 8 ? 30.0f : 0.0f;
        std::vector<int16_t> out{9};
        int n = 7;
        testing::internal::CaptureStderr();
        EXPECT_EQ(wsq::quantize_wsq(&out, &n, &qv, t.q, wsq::Q_TREELEN, plane.data(), 128, 128),
                  -98);
        const std::string message = testing::internal::GetCapturedStderr();
        EXPECT_EQ(message.rfind("ERROR : quantize_wsq : bit allocation failed : q = ", 0), 0u)
            << message;
        EXPECT_EQ(out.size(), 1u);
        EXPECT_EQ(n, 7);
        for (float q : qv.Q) EXPECT_EQ(q, 0.0f);
    }
}

// A smooth picture has energy in a few low subbands only; at 0.75 bpp the allocation then
// gives bin widths near 1e-11, and the values would wrap in 16 bits.
TEST(Quantizer, SmoothPictureAtLowRateIsRefused) {
    const int w = 256, h = 256;
    const Trees t = trees(w, h);
    std::vector<float> plane(w * h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) plane[y * w + x] = 100.0f * std::sin(0.07f * float(x)) * std::sin(0.07f * float(y));
    }
    std::vector<float> hi(wsq::kAnalysisHighPass, wsq::kAnalysisHighPass + 7);
    std::vector<float> lo(wsq::kAnalysisLowPass, wsq::kAnalysisLowPass + 9);
    ASSERT_EQ(wsq::wsq_decompose(plane.data(), w, h, t.w, wsq::W_TREELEN, hi.data(), 7,
                                 lo.data(), 9),
              0);
    QuantValues qv;
    qv.r = 0.75f;
    wsq::subband_variances(&qv, t.q, wsq::Q_TREELEN, plane.data(), w, h);
    std::vector<int16_t> sip;
    int used = 0;
    testing::internal::CaptureStderr();
    const int rc = wsq::quantize_wsq(&sip, &used, &qv, t.q, wsq::Q_TREELEN, plane.data(), w, h);
    const std::string message = testing::internal::GetCapturedStderr();
    EXPECT_EQ(rc, -99);
    EXPECT_EQ(message.rfind("ERROR : quantize_wsq : quantized value ", 0), 0u) << message;
    EXPECT_LT(qv.Q[0], 1e-6f);
}

TEST(Unquantize, BinCentreAndZeroBin) {
    const Trees t = trees(64, 64);
    wsq::QuantTable table;
    table.dqt_def = 1;
    table.bin_center = 0.44f;
    table.q[0] = 2.0f;
    table.z[0] = 2.4f;
    table.q[5] = 0.5f;
    table.z[5] = 0.6f;
    const int area0 = t.q[0].lenx * t.q[0].leny;
    std::vector<int16_t> sip(64 * 64, 0);
    sip[0] = 1;
    sip[1] = -1;
    sip[2] = 3;
    sip[area0] = -2;  // first value of subband 5, the next coded one
    std::vector<float> fip;
    ASSERT_EQ(wsq::unquantize(&fip, &table, t.q, wsq::Q_TREELEN, sip.data(), 64, 64), 0);
    ASSERT_EQ(fip.size(), 64u * 64u);
    auto at = [&](int band, int i) {
        const QuantTreeNode& n = t.q[band];
        return fip[static_cast<size_t>(n.y + i / n.lenx) * 64 + n.x + i % n.lenx];
    };
    EXPECT_FLOAT_EQ(at(0, 0), 0.56f * 2.0f + 1.2f);
    EXPECT_FLOAT_EQ(at(0, 1), -(0.56f * 2.0f + 1.2f));
    EXPECT_FLOAT_EQ(at(0, 2), 2.56f * 2.0f + 1.2f);
    EXPECT_EQ(at(0, 3), 0.0f);
    EXPECT_FLOAT_EQ(at(5, 0), (-2 + 0.44f) * 0.5f - 0.3f);
    double rest = 0;
    for (float v : fip) rest += std::fabs(v);
    EXPECT_NEAR(rest, 2 * 2.32 + 6.32 + 1.08, 1e-4);
}

TEST(Unquantize, Failures) {
    const Trees t = trees(64, 64);
    wsq::QuantTable table;
    std::vector<int16_t> sip(64 * 64, 0);
    std::vector<float> fip{1.0f};
    testing::internal::CaptureStderr();
    EXPECT_EQ(wsq::unquantize(&fip, &table, t.q, wsq::Q_TREELEN, sip.data(), 64, 64), -92);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "ERROR: unquantize : quantization table parameters not defined!\n");
    table.dqt_def = 1;
    testing::internal::CaptureStderr();
    EXPECT_EQ(wsq::unquantize(&fip, &table, t.q, wsq::Q_TREELEN, sip.data(), 65535, 65535), -91);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "ERROR : unquantize : calloc : fip\n");
    EXPECT_EQ(fip.size(), 1u);
}

// Quantize then unquantize: every coded value comes back within one bin of the original.
TEST(Unquantize, RestoresQuantizedSubbands) {
    const int w = 417, h = 300;
    const Trees t = trees(w, h);
    std::mt19937 rng(11);
    std::normal_distribution<float> noise(0.0f, 1.0f);
    std::vector<float> plane(w * h);
    for (int b = 0; b < 60; ++b) {
        const QuantTreeNode& n = t.q[b];
        const float scale = b < 4 ? 150.0f : 40.0f / (1 + b / 4);
        for (int y = n.y; y < n.y + n.leny; ++y) {
            for (int x = n.x; x < n.x + n.lenx; ++x) plane[y * w + x] = scale * noise(rng);
        }
    }
    QuantValues qv;
    qv.r = 2.25f;
    wsq::subband_variances(&qv, t.q, wsq::Q_TREELEN, plane.data(), w, h);
    std::vector<int16_t> sip;
    int used = 0;
    ASSERT_EQ(wsq::quantize_wsq(&sip, &used, &qv, t.q, wsq::Q_TREELEN, plane.data(), w, h), 0);
    wsq::QuantTable table;
    table.dqt_def = 1;
    table.bin_center = 0.44f;
    for (int i = 0; i < 64; ++i) {
        table.q[i] = qv.Q[i];
        table.z[i] = qv.Z[i];
    }
    std::vector<float> back;
    ASSERT_EQ(wsq::unquantize(&back, &table, t.q, wsq::Q_TREELEN, sip.data(), w, h), 0);
    for (int b = 0; b < 60; ++b) {
        const QuantTreeNode& n = t.q[b];
        for (int y = n.y; y < n.y + n.leny; ++y) {
            for (int x = n.x; x < n.x + n.lenx; ++x) {
                const float v = plane[y * w + x];
                const float r = back[y * w + x];
                if (qv.Q[b] == 0) {
                    ASSERT_EQ(r, 0.0f);
                } else {
                    ASSERT_LE(std::fabs(v - r), std::max(qv.Q[b], qv.Z[b] / 2) * 1.0001f)
                        << "subband " << b;
                }
            }
        }
    }
}

}  // namespace
