// The wavelet passes shared among threads give the bits one thread gives: decodes and encodes of
// pictures large enough to be split, with one, two and three threads, and a thread's scope
// leaving other threads alone.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "support/image_metrics.h"
#include "wsq/filter_plan.h"
#include "wsq/wsq.h"

namespace {

struct Coded {
    std::vector<uint8_t> stream;
    std::vector<uint8_t> pixels;
};

Coded code(const std::vector<uint8_t>& grey, int w, int h, int threads) {
    const wsq::ParallelPasses passes(threads);
    Coded run;
    const wsq::Encoded encoded = wsq::encode(grey, w, h, 0.75f, 500);
    EXPECT_FALSE(encoded.error) << encoded.error.text();
    run.stream = encoded.bytes;
    const wsq::Decoded decoded = wsq::decode(encoded.bytes);
    EXPECT_FALSE(decoded.error) << decoded.error.text();
    run.pixels = decoded.pixels;
    return run;
}

TEST(ParallelPasses, SameBitsWithAnyNumberOfThreads) {
    // Sizes whose passes split unevenly: a last share of odd lines, rows not a multiple of 64.
    const int sizes[][2] = {{1030, 770}, {777, 1201}};
    for (const auto& size : sizes) {
        const int w = size[0], h = size[1];
        SCOPED_TRACE(testing::Message() << w << " x " << h);
        const std::vector<uint8_t> grey = testsupport::synthetic_print(w, h, 11);
        const Coded one = code(grey, w, h, 1);
        for (int threads : {2, 3}) {
            const Coded many = code(grey, w, h, threads);
            EXPECT_TRUE(many.stream == one.stream) << threads << " threads: other stream";
            EXPECT_TRUE(many.pixels == one.pixels) << threads << " threads: other pixels";
        }
    }
}

TEST(ParallelPasses, AScopeBelongsToItsThread) {
    EXPECT_EQ(wsq::pass_threads(), 1);
    {
        const wsq::ParallelPasses outer(4);
        EXPECT_EQ(wsq::pass_threads(), 4);
        {
            const wsq::ParallelPasses inner(0);
            EXPECT_EQ(wsq::pass_threads(), 1);
        }
        EXPECT_EQ(wsq::pass_threads(), 4);
        int other = 0;
        std::thread([&] { other = wsq::pass_threads(); }).join();
        EXPECT_EQ(other, 1);
    }
    EXPECT_EQ(wsq::pass_threads(), 1);
}

}  // namespace
