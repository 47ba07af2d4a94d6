// Eight threads decoding and encoding different pictures through the C API at once get exactly
// what one thread gets. Needs nothing but the library and the conformance folder, so that the
// thread-sanitizer check can build it alone.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "libwsq/wsq.h"

namespace {

namespace fs = std::filesystem;

constexpr int kThreads = 8;
constexpr int kRounds = 50;

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> grey;
};

// Curved ridges of changing spacing with a little sensor noise, like a scanned print.
Picture ridges(int width, int height, int seed) {
    Picture p{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height)};
    uint32_t noise = static_cast<uint32_t>(seed) * 2654435761u;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            noise = noise * 1664525u + 1013904223u;
            const double r = std::hypot(x - width * 0.4 - seed, y - height * 0.6);
            const double v = 128 + 80 * std::sin(r / (2.5 + seed * 0.3) + x * 0.01 * seed) +
                             static_cast<double>(noise >> 28) - 8;
            p.grey[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>(v);
        }
    return p;
}

struct Outcome {
    int decode_code = 0, encode_code = 0;
    std::vector<uint8_t> pixels, stream;
    int width = 0, height = 0, ppi = 0;
    bool operator==(const Outcome&) const = default;
};

// One round's work on one input: decode its stream and encode its picture.
Outcome run(const std::vector<uint8_t>& stream, const Picture& picture, float rate) {
    Outcome o;
    wsq_image* image = nullptr;
    wsq_error error;
    o.decode_code = wsq_decode(stream.data(), stream.size(), &image, &error);
    if (image != nullptr) {
        o.pixels.assign(image->pixels, image->pixels + image->size);
        o.width = image->facts.width;
        o.height = image->facts.height;
        o.ppi = image->facts.ppi;
        wsq_image_free(image);
    }
    unsigned char* bytes = nullptr;
    size_t size = 0;
    o.encode_code = wsq_encode(picture.grey.data(), picture.width, picture.height, rate, 500,
                               "thread check", nullptr, 0, &bytes, &size, &error);
    if (bytes != nullptr) o.stream.assign(bytes, bytes + size);
    wsq_free(bytes);
    return o;
}

TEST(CApiThreads, EightThreadsGetWhatOneThreadGets) {
    // Each thread has its own picture and stream: synthetic ones, one conformance stream, and
    // one damaged stream whose failure must be reported the same way every time.
    std::vector<Picture> pictures;
    std::vector<std::vector<uint8_t>> streams;
    std::vector<float> rates;
    for (int i = 0; i < kThreads; ++i) {
        pictures.push_back(ridges(81 + 9 * i, 96 - 2 * i, i + 1));
        rates.push_back(0.6f + 0.25f * static_cast<float>(i));
        unsigned char* bytes = nullptr;
        size_t size = 0;
        ASSERT_EQ(
            wsq_encode(pictures.back().grey.data(), pictures.back().width, pictures.back().height,
                       1.5f, 500, nullptr, nullptr, 0, &bytes, &size, nullptr),
            0);
        streams.emplace_back(bytes, bytes + size);
        wsq_free(bytes);
    }
    std::ifstream in(fs::path(WSQ_CONFORMANCE_DIR) / "fp_101x81_s14_r2.25.wsq", std::ios::binary);
    streams[1] = std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    ASSERT_FALSE(streams[1].empty());
    streams[2].resize(streams[2].size() * 2 / 3);

    std::vector<Outcome> expected;
    for (int i = 0; i < kThreads; ++i) expected.push_back(run(streams[i], pictures[i], rates[i]));
    EXPECT_NE(expected[2].decode_code, 0);
    EXPECT_EQ(expected[1].width, 101);

    std::vector<int> mismatches(kThreads, 0);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i)
        threads.emplace_back([&, i] {
            for (int round = 0; round < kRounds; ++round)
                if (!(run(streams[i], pictures[i], rates[i]) == expected[i])) ++mismatches[i];
        });
    for (std::thread& t : threads) t.join();
    for (int i = 0; i < kThreads; ++i)
        EXPECT_EQ(mismatches[i], 0) << "thread " << i << " got other results";
}

}  // namespace
