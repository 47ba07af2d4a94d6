// Symbol counts: the two-state walk over runs, direct values and escapes.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "wsq/huffman_encode.h"
#include "wsq/records.h"

namespace {

using wsq::MAX_HUFFCOEFF;
using wsq::MAX_HUFFCOUNTS_WSQ;
using wsq::MAX_HUFFZRUN;

// The non-zero counters, reserved symbol included.
std::map<int, int> symbol_counts(const std::vector<int16_t>& values) {
    std::vector<int> counts;
    EXPECT_EQ(wsq::count_block(&counts, MAX_HUFFCOUNTS_WSQ, values.data(),
                               static_cast<int>(values.size()), MAX_HUFFCOEFF, MAX_HUFFZRUN),
              0);
    EXPECT_EQ(counts.size(), size_t{MAX_HUFFCOUNTS_WSQ + 1});
    std::map<int, int> nonzero;
    for (size_t i = 0; i < counts.size(); ++i) {
        if (counts[i] != 0) nonzero[static_cast<int>(i)] = counts[i];
    }
    return nonzero;
}

std::map<int, int> with_reserved(std::map<int, int> m) {
    m[256] = 1;
    return m;
}

TEST(CountBlock, EmptyBlockCountsOnlyTheReservedSymbol) {
    EXPECT_EQ(symbol_counts({}), with_reserved({}));
}

TEST(CountBlock, ValuesMapToDirectSymbolsOrEscapes) {
    struct Case {
        int16_t value;
        int symbol;
    };
    const Case cases[] = {
        {74, 254},   {75, 101},  {255, 101},  {256, 103},   {32767, 103}, {-73, 107},
        {-74, 102},  {-255, 102}, {-256, 104}, {-32768, 104}, {1, 181},     {-1, 179},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(symbol_counts({c.value}), with_reserved({{c.symbol, 1}}));
    }
}

TEST(CountBlock, ZeroRunsByLength) {
    struct Case {
        int run;
        std::map<int, int> symbols;
    };
    const Case cases[] = {
        {1, {{1, 1}}},
        {100, {{100, 1}}},
        {101, {{105, 1}}},
        {255, {{105, 1}}},
        {256, {{106, 1}}},
        {65535, {{106, 1}}},
        // A run is capped at 65535: the next zero starts a run of its own.
        {65536, {{106, 1}, {1, 1}}},
        {2 * 65535 + 7, {{106, 2}, {7, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.run);
        EXPECT_EQ(symbol_counts(std::vector<int16_t>(static_cast<size_t>(c.run), 0)),
                  with_reserved(c.symbols));
    }
}

TEST(CountBlock, RunsEndAtValuesAndAtTheEndOfTheBlock) {
    // 0 0 5 0 -> run 2, value 5, run 1; 7 7 -> two values; 0 x 101 then 1 -> escape and value.
    std::vector<int16_t> block = {0, 0, 5, 0, 7, 7};
    EXPECT_EQ(symbol_counts(block), with_reserved({{2, 1}, {185, 1}, {1, 1}, {187, 2}}));
    std::vector<int16_t> long_run(101, 0);
    long_run.push_back(1);
    EXPECT_EQ(symbol_counts(long_run), with_reserved({{105, 1}, {181, 1}}));
}

TEST(CountBlock, RefusesCountersThatCannotHoldTheAlphabet) {
    std::vector<int> counts = {42};
    const int16_t v = 74;
    testing::internal::CaptureStderr();
    EXPECT_EQ(wsq::count_block(&counts, 200, &v, 1, MAX_HUFFCOEFF, MAX_HUFFZRUN), -48);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("ERROR : count_block"),
              std::string::npos);
    EXPECT_EQ(counts, std::vector<int>{42});
}

}  // namespace
