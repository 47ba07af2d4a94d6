// The analysis and synthesis passes on single lines: the band layout and mirror extension
// against a direct formula, perfect reconstruction, and short lines kept inside themselves.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <vector>

#include "support/synthesis_filters.h"
#include "wsq/codestream.h"
#include "wsq/filter_bank.h"
#include "wsq/wavelet.h"

namespace {

std::vector<float> random_line(int n, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> dist(-128.0f, 128.0f);
    std::vector<float> line(n);
    for (float& v : line) v = dist(rng);
    return line;
}

std::vector<float> analyse(const std::vector<float>& line, int inv) {
    std::vector<float> lo(wsq::kAnalysisLowPass, wsq::kAnalysisLowPass + 9);
    std::vector<float> hi(wsq::kAnalysisHighPass, wsq::kAnalysisHighPass + 7);
    const int n = static_cast<int>(line.size());
    std::vector<float> out(n, 0.0f);
    wsq::analysis_pass(out.data(), line.data(), 1, n, n, 1, hi.data(), 7, lo.data(), 9, inv);
    return out;
}

std::vector<float> synthesise(const std::vector<float>& bands, int inv) {
    static const wsq::TransformTable dtt = testsupport::synthesis_table_from_analysis_filters();
    const int n = static_cast<int>(bands.size());
    std::vector<float> out(n, 0.0f);
    wsq::synthesis_pass(out.data(), bands.data(), 1, n, n, 1, dtt.hifilt.data(), dtt.hisize,
                        dtt.lofilt.data(), dtt.losize, inv);
    return out;
}

double max_error(const std::vector<float>& a, const std::vector<float>& b) {
    double e = 0;
    for (size_t i = 0; i < a.size(); ++i) e = std::max(e, std::fabs(double(a[i]) - b[i]));
    return e;
}

// Whole-sample mirror of an index into 0..n-1.
int mirror(int i, int n) {
    if (n == 1) return 0;
    const int period = 2 * (n - 1);
    i = ((i % period) + period) % period;
    return i < n ? i : period - i;
}

TEST(FilterBank, DecoderReadsTheCentreTapAsWritten) {
    EXPECT_EQ(testsupport::dtt_tap_read_back(wsq::kAnalysisLowPass[4]), 0.8526986f);
    EXPECT_NE(wsq::kAnalysisLowPass[4], 0.8526986f);
    const wsq::TransformTable t = testsupport::synthesis_table_from_analysis_filters();
    EXPECT_FLOAT_EQ(t.hifilt[3], -0.37740284f);
    EXPECT_FLOAT_EQ(t.lofilt[0], -0.06453888f);
    EXPECT_FLOAT_EQ(t.lofilt[2], 0.41809228f);

    // The same filters through the codestream's DTT writer and reader.
    uint8_t segment[64];
    int len = 0;
    ASSERT_EQ(wsq::putc_transform_table(wsq::kAnalysisLowPass, 9, wsq::kAnalysisHighPass, 7,
                                        segment, sizeof segment, &len),
              0);
    const uint8_t* cur = segment + 2;  // past the marker
    wsq::TransformTable read;
    ASSERT_EQ(wsq::getc_transform_table(&read, &cur, segment + len), 0);
    EXPECT_EQ(read.hifilt, t.hifilt);
    EXPECT_EQ(read.lofilt, t.lofilt);
    EXPECT_EQ(read.hisize, 9);
    EXPECT_EQ(read.losize, 7);
}

// Low output k is centred on sample 2k, high output k on sample 2k + 1, both mirrored at the
// line ends; with inv set the high band comes first. The sum is rounded to float after every
// tap, in tap order, so the outputs match to the bit.
float mirrored_sum(const std::vector<float>& x, const float* f, int taps, int first) {
    const int n = static_cast<int>(x.size());
    float sum = static_cast<float>(double(f[0]) * x[mirror(first, n)]);
    for (int j = 1; j < taps; ++j) {
        sum = static_cast<float>(double(sum) + double(f[j]) * x[mirror(first + j, n)]);
    }
    return sum;
}

TEST(FilterBank, AnalysisMatchesMirroredConvolution) {
    for (int n = 1; n <= 70; ++n) {
        const std::vector<float> x = random_line(n, 100 + n);
        for (int inv = 0; inv <= 1; ++inv) {
            SCOPED_TRACE(testing::Message() << "n = " << n << " inv = " << inv);
            const std::vector<float> out = analyse(x, inv);
            const int llen = (n + 1) / 2;
            const int hlen = n / 2;
            for (int k = 0; k < llen; ++k) {
                EXPECT_EQ(out[(inv ? hlen : 0) + k],
                          mirrored_sum(x, wsq::kAnalysisLowPass, 9, 2 * k - 4))
                    << "low " << k;
            }
            for (int k = 0; k < hlen; ++k) {
                EXPECT_EQ(out[(inv ? 0 : llen) + k],
                          mirrored_sum(x, wsq::kAnalysisHighPass, 7, 2 * k - 2))
                    << "high " << k;
            }
        }
    }
}

TEST(FilterBank, AnalysisThenSynthesisRestoresEveryLine) {
    for (int n = 6; n <= 64; ++n) {
        const std::vector<float> x = random_line(n, n);
        for (int inv = 0; inv <= 1; ++inv) {
            SCOPED_TRACE(testing::Message() << "n = " << n << " inv = " << inv);
            EXPECT_LT(max_error(synthesise(analyse(x, inv), inv), x), 2e-4);
        }
    }
}

// Lines shorter than the filters (down to one sample) stay inside themselves; the walks
// mirror at the ends, so they are restored too.
TEST(FilterBank, ShortLinesStayInsideAndRoundTrip) {
    for (int n = 1; n <= 5; ++n) {
        for (int inv = 0; inv <= 1; ++inv) {
            SCOPED_TRACE(testing::Message() << "n = " << n << " inv = " << inv);
            const std::vector<float> x = random_line(n, 7 * n);
            // Guard samples on both sides catch any write outside the line.
            std::vector<float> padded(n + 2, 1e30f);
            std::copy(x.begin(), x.end(), padded.begin() + 1);
            std::vector<float> bands(n + 2, 1e30f);
            std::vector<float> lo(wsq::kAnalysisLowPass, wsq::kAnalysisLowPass + 9);
            std::vector<float> hi(wsq::kAnalysisHighPass, wsq::kAnalysisHighPass + 7);
            wsq::analysis_pass(bands.data() + 1, padded.data() + 1, 1, n, n, 1, hi.data(), 7,
                               lo.data(), 9, inv);
            EXPECT_EQ(bands.front(), 1e30f);
            EXPECT_EQ(bands.back(), 1e30f);
            const wsq::TransformTable dtt = testsupport::synthesis_table_from_analysis_filters();
            std::vector<float> back(n + 2, 1e30f);
            wsq::synthesis_pass(back.data() + 1, bands.data() + 1, 1, n, n, 1, dtt.hifilt.data(),
                                9, dtt.lofilt.data(), 7, inv);
            EXPECT_EQ(back.front(), 1e30f);
            EXPECT_EQ(back.back(), 1e30f);
            std::vector<float> restored(back.begin() + 1, back.end() - 1);
            EXPECT_LT(max_error(restored, x), 2e-4);
        }
    }
}

// Filters of any length, as a hostile DTT segment may carry, are applied without reading
// outside the filter or the line.
TEST(FilterBank, OddFilterLengthsAreSafe) {
    std::vector<float> taps(255, 0.01f);
    for (int lsz : {0, 1, 2, 3, 4, 8, 255}) {
        for (int hsz : {0, 1, 2, 5, 254}) {
            for (int n : {1, 2, 3, 4, 9, 30}) {
                const std::vector<float> x = random_line(n, n);
                std::vector<float> out(n);
                wsq::analysis_pass(out.data(), x.data(), 1, n, n, 1, taps.data(), hsz,
                                   taps.data(), lsz, 0);
                wsq::synthesis_pass(out.data(), x.data(), 1, n, n, 1, taps.data(), hsz,
                                    taps.data(), lsz, 1);
                for (float v : out) EXPECT_TRUE(std::isfinite(v));
            }
        }
    }
    // The caller's high-pass taps are unchanged after an even-length pass.
    EXPECT_EQ(taps[0], 0.01f);
}

}  // namespace
