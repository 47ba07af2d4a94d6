// Different streams decoded on several threads at once give what they give one by one.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/wsq_stream_builder.h"
#include "wsq/codec_state.h"
#include "wsq/decoder.h"
#include "wsq/raw_file.h"
#include "wsq/wavelet.h"

namespace {

namespace fs = std::filesystem;

struct Decoded {
    int ret = 0;
    std::vector<uint8_t> pixels;
    int w = 0, h = 0, ppi = 0;
    bool operator==(const Decoded&) const = default;
};

Decoded decode(const std::vector<uint8_t>& stream) {
    Decoded d;
    int depth = 0, lossy = 0, encoder = 0, software = 0;
    d.ret = wsq::wsq_decode_mem(&d.pixels, &d.w, &d.h, &depth, &d.ppi, &lossy, &encoder,
                                &software, stream.data(), static_cast<int>(stream.size()));
    return d;
}

// Hand-built streams of different sizes and contents, plus the conformance streams when present.
std::vector<std::vector<uint8_t>> inputs() {
    std::vector<std::vector<uint8_t>> streams;
    const int sizes[][2] = {{64, 48}, {81, 81}, {130, 97}, {33, 200}};
    for (const auto& size : sizes) {
        wsq::WaveletTreeNode w_tree[wsq::W_TREELEN];
        wsq::QuantTreeNode q_tree[wsq::Q_TREELEN];
        wsq::build_subband_trees(w_tree, wsq::W_TREELEN, q_tree, wsq::Q_TREELEN, size[0],
                                 size[1]);
        testsupport::WsqStreamSpec plan;
        plan.width = size[0];
        plan.height = size[1];
        plan.m_shift = 90.0f + size[0] % 50;
        plan.r_scale = 3.0f;
        const int n = q_tree[0].lenx * q_tree[0].leny;
        for (int i = 0; i < n; ++i) plan.subband0.push_back((i * 37 + size[1]) % 148 - 73);
        streams.push_back(testsupport::build_wsq_stream(plan));
    }
    const fs::path dir = WSQ_CONFORMANCE_DIR;
    // The smaller conformance prints; the larger ones would only make the test slow under the
    // sanitizers.
    for (const char* name : {"fp_101x81_s14_r2.25.wsq", "checker8_256x256_r1.0.wsq",
                             "flat_256x256_128_r0.75.wsq"}) {
        const fs::path path = dir / name;
        std::vector<uint8_t> data;
        int len = 0;
        if (fs::exists(path) && wsq::read_raw_from_filesize(path.c_str(), &data, &len) == 0)
            streams.push_back(std::move(data));
    }
    // One that fails part way, so failures interleave with successes.
    std::vector<uint8_t> cut = streams.front();
    cut.resize(cut.size() - 3);
    streams.push_back(cut);
    return streams;
}

TEST(Threads, ConcurrentDecodesMatchSequentialOnes) {
    const auto streams = inputs();
    std::vector<Decoded> expected;
    testing::internal::CaptureStderr();
    for (const auto& s : streams) expected.push_back(decode(s));
    for (size_t i = 0; i + 1 < streams.size(); ++i) ASSERT_EQ(expected[i].ret, 0) << i;
    ASSERT_LT(expected.back().ret, 0);
    const auto& first = expected.front().pixels;
    ASSERT_NE(std::count(first.begin(), first.end(), first[0]), static_cast<long>(first.size()));

    // Each thread decodes every stream, starting at a different one, several times over.
    const int kThreads = 3;
    std::vector<std::vector<Decoded>> results(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 2; ++round)
                for (size_t k = 0; k < streams.size(); ++k)
                    results[t].push_back(decode(streams[(k + t) % streams.size()]));
        });
    }
    for (auto& th : threads) th.join();
    testing::internal::GetCapturedStderr();

    for (int t = 0; t < kThreads; ++t) {
        ASSERT_EQ(results[t].size(), 2 * streams.size());
        for (size_t i = 0; i < results[t].size(); ++i) {
            const size_t k = (i % streams.size() + t) % streams.size();
            EXPECT_TRUE(results[t][i] == expected[k]) << "thread " << t << " result " << i;
        }
    }
}

}  // namespace
