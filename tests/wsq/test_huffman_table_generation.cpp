// Code generation from symbol counts: optimal lengths, the 16-bit limit, canonical codes with the
// all-ones code left free, and table 1 built from two blocks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <numeric>
#include <queue>
#include <random>
#include <vector>

#include "wsq/huffman_encode.h"
#include "wsq/huffman_table_generation.h"
#include "wsq/records.h"

namespace {

using wsq::HuffCode;
using wsq::MAX_HUFFCOUNTS_WSQ;

struct Table {
    std::vector<HuffCode> codes;
    std::vector<uint8_t> bits;
    std::vector<uint8_t> values;
};

int generate(Table* t, const std::vector<int16_t>& data, const std::vector<int>& sizes) {
    return wsq::generate_huffman_table(&t->codes, &t->bits, &t->values, data.data(), sizes.data(),
                                       static_cast<int>(sizes.size()));
}

// Checks the properties every generated table must have: counts and symbol list agree, codes
// are canonical, prefix-free, at most 16 bits, and none is all ones.
void expect_sound_table(const Table& t) {
    ASSERT_EQ(t.bits.size(), 16u);
    ASSERT_EQ(t.codes.size(), size_t{MAX_HUFFCOUNTS_WSQ + 1});
    const int n = std::accumulate(t.bits.begin(), t.bits.end(), 0);
    ASSERT_EQ(n, static_cast<int>(t.values.size()));
    double kraft = 0;
    int k = 0;
    for (int len = 1; len <= 16; ++len) {
        for (int i = 0; i < t.bits[len - 1]; ++i, ++k) {
            const HuffCode& c = t.codes[t.values[k]];
            EXPECT_EQ(c.size, len) << "symbol " << int(t.values[k]);
            EXPECT_NE(c.code, (1u << len) - 1u) << "all-ones code for " << int(t.values[k]);
            kraft += 1.0 / double(1u << len);
        }
    }
    EXPECT_LT(kraft, 1.0);
    for (int a = 0; a < n; ++a) {
        for (int b = 0; b < n; ++b) {
            if (a == b) continue;
            const HuffCode& x = t.codes[t.values[a]];
            const HuffCode& y = t.codes[t.values[b]];
            if (x.size <= y.size) {
                ASSERT_NE(y.code >> (y.size - x.size), x.code) << "prefix";
            }
        }
    }
}

// The cost of an optimal (unlimited) prefix code over the counts, reserved symbol included.
long long optimal_cost(const std::vector<int>& counts) {
    std::priority_queue<long long, std::vector<long long>, std::greater<>> q;
    for (int c : counts) {
        if (c > 0) q.push(c);
    }
    long long cost = 0;
    while (q.size() > 1) {
        long long a = q.top();
        q.pop();
        long long b = q.top();
        q.pop();
        cost += a + b;
        q.push(a + b);
    }
    return cost;
}

TEST(GenerateHuffmanTable, EmptyBlockHasNoCodes) {
    Table t;
    ASSERT_EQ(generate(&t, {}, {0}), 0);
    EXPECT_EQ(t.bits, std::vector<uint8_t>(16, 0));
    EXPECT_TRUE(t.values.empty());
    for (const HuffCode& c : t.codes) EXPECT_EQ(c.size, 0);
}

TEST(GenerateHuffmanTable, SingleSymbolGetsOneBitZero) {
    Table t;
    ASSERT_EQ(generate(&t, std::vector<int16_t>(50, 3), {50}), 0);
    std::vector<uint8_t> bits(16, 0);
    bits[0] = 1;
    EXPECT_EQ(t.bits, bits);
    EXPECT_EQ(t.values, std::vector<uint8_t>{183});
    EXPECT_EQ(t.codes[183].size, 1);
    EXPECT_EQ(t.codes[183].code, 0u);
}

TEST(GenerateHuffmanTable, SecondTableCountsBothBlocks) {
    // Symbol 190 (value 10) occurs only in the second of the two blocks.
    std::vector<int16_t> data = {1, 1, 1, -1, 2, 10};
    Table t;
    ASSERT_EQ(generate(&t, data, {4, 2}), 0);
    expect_sound_table(t);
    EXPECT_GT(t.codes[190].size, 0);
    EXPECT_GT(t.codes[182].size, 0);
    EXPECT_EQ(t.values.size(), 4u);
    // Counted alone, the first block has no code for it.
    Table first;
    ASSERT_EQ(generate(&first, data, {4}), 0);
    EXPECT_EQ(first.codes[190].size, 0);
}

TEST(GenerateHuffmanTable, LengthsAreOptimalWithinSixteenBits) {
    std::mt19937 rng(20240607);
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        // Geometric-looking values like those of a quantized subband.
        std::vector<int16_t> data(4000);
        std::geometric_distribution<int> mag(0.25 + 0.03 * round);
        std::bernoulli_distribution sign(0.5);
        for (int16_t& v : data) {
            int m = mag(rng);
            v = static_cast<int16_t>(sign(rng) ? -m : m);
        }
        Table t;
        ASSERT_EQ(generate(&t, data, {static_cast<int>(data.size())}), 0);
        expect_sound_table(t);
        std::vector<int> counts;
        ASSERT_EQ(wsq::count_block(&counts, MAX_HUFFCOUNTS_WSQ, data.data(),
                                   static_cast<int>(data.size()), wsq::MAX_HUFFCOEFF,
                                   wsq::MAX_HUFFZRUN),
                  0);
        bool limited = false;
        long long cost = 0;
        for (int s = 0; s < MAX_HUFFCOUNTS_WSQ; ++s) {
            if (counts[s] == 0) continue;
            ASSERT_GT(t.codes[s].size, 0) << "symbol " << s << " lost its code";
            cost += static_cast<long long>(counts[s]) * t.codes[s].size;
        }
        std::vector<int> tmp = counts;
        std::vector<int> sizes;
        ASSERT_EQ(wsq::find_huff_sizes(&sizes, tmp.data(), MAX_HUFFCOUNTS_WSQ), 0);
        for (int s = 0; s < MAX_HUFFCOUNTS_WSQ; ++s) limited = limited || sizes[s] > 16;
        if (!limited) {
            // The reserved symbol has count 1 and the longest length of the optimal code.
            EXPECT_EQ(cost + sizes[MAX_HUFFCOUNTS_WSQ], optimal_cost(counts));
        }
    }
}

TEST(GenerateHuffmanTable, SkewedCountsAreLimitedToSixteenBits) {
    // Fibonacci counts (1, 2, 3, 5, ...; with the reserved symbol's 1 they chain) give a code
    // 25 bits deep before limiting.
    std::vector<int16_t> data;
    int a = 1;
    int b = 2;
    for (int v = 1; v <= 25; ++v) {
        data.insert(data.end(), static_cast<size_t>(a), static_cast<int16_t>(v));
        int c = a + b;
        a = b;
        b = c;
    }
    std::vector<int> counts;
    ASSERT_EQ(wsq::count_block(&counts, MAX_HUFFCOUNTS_WSQ, data.data(),
                               static_cast<int>(data.size()), wsq::MAX_HUFFCOEFF,
                               wsq::MAX_HUFFZRUN),
              0);
    std::vector<int> sizes;
    ASSERT_EQ(wsq::find_huff_sizes(&sizes, counts.data(), MAX_HUFFCOUNTS_WSQ), 0);
    EXPECT_GT(*std::max_element(sizes.begin(), sizes.end()), 16);

    Table t;
    ASSERT_EQ(generate(&t, data, {static_cast<int>(data.size())}), 0);
    expect_sound_table(t);
    for (int v = 1; v <= 25; ++v) EXPECT_GT(t.codes[v + 180].size, 0) << v;
    EXPECT_EQ(t.values.size(), 25u);
    // The most frequent value keeps the shortest code.
    EXPECT_EQ(t.codes[25 + 180].size, 1);
}

TEST(GenerateHuffmanTable, TiesGoToTheLargerSymbol) {
    std::vector<int> freq(MAX_HUFFCOUNTS_WSQ + 1, 0);
    freq[3] = 5;
    freq[9] = 5;
    freq[40] = 5;
    freq[100] = 7;
    int v1 = 0;
    int v2 = 0;
    wsq::pick_two_least_frequent(&v1, &v2, freq.data(), MAX_HUFFCOUNTS_WSQ);
    EXPECT_EQ(v1, 40);
    EXPECT_EQ(v2, 9);
    freq.assign(freq.size(), 0);
    freq[7] = 2;
    wsq::pick_two_least_frequent(&v1, &v2, freq.data(), MAX_HUFFCOUNTS_WSQ);
    EXPECT_EQ(v1, 7);
    EXPECT_EQ(v2, -1);
}

TEST(SortHuffbits, MovesDeepCodesUpAndKeepsEveryCode) {
    // Lengths of 9 symbols (reserved one left out) from a Fibonacci-like tree 18 deep:
    // lengths 1..17 once, 18 once (the reserved symbol was its partner).
    std::vector<int> bits(wsq::kMaxCountedCodeLength, 0);
    for (int len = 1; len <= 18; ++len) bits[len - 1] = 1;
    ASSERT_EQ(wsq::sort_huffbits(&bits), 0);
    int n = 0;
    double kraft = 0;
    for (int len = 1; len <= wsq::kMaxCountedCodeLength; ++len) {
        EXPECT_GE(bits[len - 1], 0);
        if (len > 16) {
            EXPECT_EQ(bits[len - 1], 0);
        }
        n += bits[len - 1];
        kraft += bits[len - 1] / double(1u << std::min(len, 31));
    }
    EXPECT_EQ(n, 18);
    EXPECT_LT(kraft, 1.0);
}

TEST(FindNumHuffSizes, CodesLongerThanThirtyTwoBitsFailCleanly) {
    // Fibonacci counts over 40 symbols make a code 40 bits deep.
    std::vector<int> freq(MAX_HUFFCOUNTS_WSQ + 1, 0);
    int a = 1;
    int b = 2;
    for (int s = 0; s < 40; ++s) {
        freq[s + 110] = a;
        int c = a + b;
        a = b;
        b = c;
    }
    freq[MAX_HUFFCOUNTS_WSQ] = 1;
    std::vector<int> sizes;
    ASSERT_EQ(wsq::find_huff_sizes(&sizes, freq.data(), MAX_HUFFCOUNTS_WSQ), 0);
    EXPECT_GT(*std::max_element(sizes.begin(), sizes.end()), 32);
    std::vector<int> bits = {7};
    int adjust = -1;
    testing::internal::CaptureStderr();
    EXPECT_EQ(wsq::find_num_huff_sizes(&bits, &adjust, sizes.data(), MAX_HUFFCOUNTS_WSQ), -3);
    EXPECT_NE(testing::internal::GetCapturedStderr().find(
                  "ERROR : find_num_huff_sizes : Code length of "),
              std::string::npos);
    EXPECT_EQ(bits, std::vector<int>{7});
    EXPECT_EQ(adjust, -1);
}

TEST(GenerateHuffmanTable, RefusesNoBlocks) {
    Table t;
    testing::internal::CaptureStderr();
    EXPECT_LT(generate(&t, {1}, {}), 0);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("ERROR"), std::string::npos);
    EXPECT_TRUE(t.codes.empty());
}

}  // namespace
