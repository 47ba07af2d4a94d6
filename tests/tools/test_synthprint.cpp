// The synthetic fingerprint generator: repeatable to the byte, and print-like enough for the
// codec's tests (a dark ridged foreground with a ridge period of 8 to 10 pixels on light paper).
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "support/sha256.h"
#include "synthprint.h"

namespace {

std::vector<uint8_t> make(int w, int h, uint32_t seed) {
    synthprint::PrintOptions o;
    o.width = w;
    o.height = h;
    o.seed = seed;
    return synthprint::make_synthetic_print(o);
}

TEST(SynthPrint, KnownDigestsSoEncoderGoldensStayMeaningful) {
    SCOPED_TRACE("a change here changes every golden encoder digest too");
    EXPECT_EQ(testsupport::sha256_hex(make(416, 416, 3)),
              "85f3524b12c3cd9a975ca929eace1a8d55f73df5ca9be5c8e1e7b7aec0f5519b");
    EXPECT_EQ(testsupport::sha256_hex(make(101, 81, 14)),
              "885d7d3f323bcba7cd8cd4d4621bb7d7c88f1411e86cd75ef9cf0f7dd4cbefa0");
}

TEST(SynthPrint, SameSeedAndSizeGiveTheSameBytes) {
    EXPECT_EQ(make(200, 180, 7), make(200, 180, 7));
    EXPECT_NE(make(200, 180, 7), make(200, 180, 8));
    EXPECT_EQ(make(200, 180, 7).size(), 200u * 180u);
}

TEST(SynthPrint, RefusesSizesItCannotHold) {
    EXPECT_TRUE(make(0, 10, 1).empty());
    EXPECT_TRUE(make(10, -1, 1).empty());
    EXPECT_TRUE(make(65535, 65535, 1).empty());
}

TEST(SynthPrint, LooksLikeAPrint) {
    for (uint32_t seed : {1u, 5u, 17u}) {
        SCOPED_TRACE(seed);
        const int w = 320;
        const int h = 400;
        const std::vector<uint8_t> p = make(w, h, seed);
        // Light paper in the top corners, dark ink in the middle of the finger.
        double corner = 0;
        double centre = 0;
        for (int y = 0; y < 10; ++y) {
            for (int x = 0; x < 10; ++x) corner += p[y * w + x];
        }
        for (int y = h / 2 - 20; y < h / 2 + 20; ++y) {
            for (int x = w / 2 - 20; x < w / 2 + 20; ++x) centre += p[y * w + x];
        }
        corner /= 100;
        centre /= 1600;
        EXPECT_GT(corner, 210);
        EXPECT_LT(centre, corner - 60);
        // Ridge period along a few rows and columns through the finger.
        double crossings = 0;
        double length = 0;
        for (int line = -2; line <= 2; ++line) {
            const int y = h / 2 + 30 * line;
            const int x = w / 2 + 30 * line;
            bool prev_row = p[y * w + w / 4] < 128;
            bool prev_col = p[(h / 4) * w + x] < 128;
            for (int i = w / 4 + 1; i < 3 * w / 4; ++i) {
                bool d = p[y * w + i] < 128;
                crossings += d != prev_row;
                prev_row = d;
            }
            for (int i = h / 4 + 1; i < 3 * h / 4; ++i) {
                bool d = p[i * w + x] < 128;
                crossings += d != prev_col;
                prev_col = d;
            }
            length += w / 2 + h / 2;
        }
        // Lines cross ridges at an angle, so the apparent period is at least the true one.
        const double period = 2 * length / crossings;
        EXPECT_GT(period, 7.5);
        EXPECT_LT(period, 16.0);
    }
}

}  // namespace
