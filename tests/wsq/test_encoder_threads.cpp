// Encoding is repeatable: the same pixels give the same bytes, one after another and on two
// threads at once (each thread uses its own codec state).
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "support/image_metrics.h"
#include "wsq/decoder.h"
#include "wsq/encoder.h"

namespace {

struct Job {
    std::vector<uint8_t> px;
    int w, h;
    float rate;
};

std::vector<uint8_t> encode(const Job& j) {
    std::vector<uint8_t> out;
    int len = 0;
    EXPECT_EQ(wsq::wsq_encode_1(&out, &len, j.rate, j.px.data(), j.w, j.h, 8, 500, "thread"), 0);
    return out;
}

TEST(EncoderDeterminism, SameBytesTwiceAndOnTwoThreads) {
    std::vector<Job> jobs = {
        {testsupport::synthetic_print(180, 170, 21), 180, 170, 0.75f},
        {testsupport::synthetic_print(157, 191, 22), 157, 191, 2.25f},
        {testsupport::gradient_image(200, 190), 200, 190, 1.0f},
        {testsupport::synthetic_print(121, 140, 23), 121, 140, 1.0f},
    };
    std::vector<std::vector<uint8_t>> serial;
    for (const Job& j : jobs) serial.push_back(encode(j));
    for (size_t i = 0; i < jobs.size(); ++i) EXPECT_EQ(encode(jobs[i]), serial[i]) << i;

    // Two threads, each encoding every job several times (and decoding in between, which
    // rebuilds the same per-thread trees), in opposite orders.
    std::vector<std::vector<uint8_t>> results[2];
    auto worker = [&](int t) {
        for (int round = 0; round < 2; ++round) {
            for (size_t k = 0; k < jobs.size(); ++k) {
                const size_t i = t == 0 ? k : jobs.size() - 1 - k;
                std::vector<uint8_t> s = encode(jobs[i]);
                std::vector<uint8_t> px;
                int w, h, d, ppi, lossy, enc, sw;
                wsq::wsq_decode_mem(&px, &w, &h, &d, &ppi, &lossy, &enc, &sw, s.data(),
                                    static_cast<int>(s.size()));
                results[t].push_back(std::move(s));
            }
        }
    };
    std::thread a(worker, 0);
    std::thread b(worker, 1);
    a.join();
    b.join();
    for (int t = 0; t < 2; ++t) {
        ASSERT_EQ(results[t].size(), 2 * jobs.size());
        for (size_t r = 0; r < results[t].size(); ++r) {
            const size_t k = r % jobs.size();
            const size_t i = t == 0 ? k : jobs.size() - 1 - k;
            EXPECT_EQ(results[t][r], serial[i]) << "thread " << t << " result " << r;
        }
    }
}

}  // namespace
