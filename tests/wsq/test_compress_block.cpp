// Coding one block: bit packing, payloads, 0xFF stuffing, the 1-bit fill, and the bounded area.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <vector>

#include "wsq/coded_block_writer.h"
#include "wsq/huffman_encode.h"
#include "wsq/records.h"

namespace {

using wsq::HuffCode;
using wsq::MAX_HUFFCOEFF;
using wsq::MAX_HUFFZRUN;

std::vector<HuffCode> empty_codes() { return std::vector<HuffCode>(wsq::MAX_HUFFCOUNTS_WSQ + 1); }

int compress(std::vector<uint8_t>* out, const std::vector<int16_t>& values,
             const std::vector<HuffCode>& codes, int capacity = 1 << 20) {
    std::vector<uint8_t> area(static_cast<size_t>(capacity));
    int n = -1;
    int rc = wsq::compress_block(area.data(), capacity, &n, values.data(),
                                 static_cast<int>(values.size()), MAX_HUFFCOEFF, MAX_HUFFZRUN,
                                 codes.data());
    if (rc == 0) {
        area.resize(static_cast<size_t>(n));
        *out = area;
    }
    return rc;
}

// Reads the coded bits back (dropping stuffed zeros) and expands the symbols with the code table.
class BlockReader {
public:
    explicit BlockReader(const std::vector<uint8_t>& bytes) {
        for (size_t i = 0; i < bytes.size(); ++i) {
            for (int b = 7; b >= 0; --b) m_bits.push_back((bytes[i] >> b) & 1);
            if (bytes[i] == 0xFF) {
                EXPECT_LT(i + 1, bytes.size());
                if (i + 1 < bytes.size()) {
                    EXPECT_EQ(bytes[i + 1], 0x00) << "unstuffed 0xFF";
                }
                ++i;
            }
        }
    }
    std::vector<int16_t> decode(const std::vector<HuffCode>& codes) {
        std::map<std::pair<int, uint32_t>, int> by_code;
        for (size_t s = 0; s < codes.size(); ++s) {
            if (codes[s].size > 0) by_code[{codes[s].size, codes[s].code}] = static_cast<int>(s);
        }
        std::vector<int16_t> out;
        for (;;) {
            uint32_t code = 0;
            int len = 0;
            int symbol = -1;
            while (symbol < 0) {
                if (m_pos >= m_bits.size()) {
                    // Only fill bits (all ones, fewer than 8) may be left.
                    EXPECT_LT(len, 8);
                    EXPECT_EQ(code, (1u << len) - 1u);
                    return out;
                }
                code = code << 1 | m_bits[m_pos++];
                ++len;
                auto it = by_code.find({len, code});
                if (it != by_code.end()) symbol = it->second;
                if (len > 16) {
                    ADD_FAILURE() << "no code matches";
                    return out;
                }
            }
            if (symbol >= 1 && symbol <= 100) {
                out.insert(out.end(), static_cast<size_t>(symbol), 0);
            } else if (symbol >= 107 && symbol <= 254) {
                out.push_back(static_cast<int16_t>(symbol - 180));
            } else {
                int bits = (symbol == 101 || symbol == 102 || symbol == 105) ? 8 : 16;
                uint32_t v = take(bits);
                if (symbol == 101 || symbol == 103) out.push_back(static_cast<int16_t>(v));
                if (symbol == 102 || symbol == 104) out.push_back(static_cast<int16_t>(-int(v)));
                if (symbol == 105 || symbol == 106) out.insert(out.end(), v, 0);
            }
        }
    }

private:
    uint32_t take(int n) {
        uint32_t v = 0;
        for (int i = 0; i < n; ++i) {
            EXPECT_LT(m_pos, m_bits.size());
            v = v << 1 | (m_pos < m_bits.size() ? m_bits[m_pos++] : 0);
        }
        return v;
    }
    std::vector<int> m_bits;
    size_t m_pos = 0;
};

TEST(CompressBlock, EmptyBlockWritesNothing) {
    std::vector<uint8_t> out = {1};
    ASSERT_EQ(compress(&out, {}, empty_codes()), 0);
    EXPECT_TRUE(out.empty());
}

TEST(CompressBlock, PacksCodesMostSignificantBitFirstAndFillsWithOnes) {
    auto codes = empty_codes();
    codes[183] = {1, 0};   // value 3
    codes[181] = {2, 2};   // value 1: 10
    codes[2] = {3, 6};     // run of 2: 110
    std::vector<uint8_t> out;
    // 0 10 110 0 1 | 0 + seven fill bits.
    ASSERT_EQ(compress(&out, {3, 1, 0, 0, 3, 1}, codes), 0);
    EXPECT_EQ(out, (std::vector<uint8_t>{0x59, 0x7F}));
    // Nine codes of one bit: a full zero byte, then 0 and seven fill bits.
    ASSERT_EQ(compress(&out, std::vector<int16_t>(9, 3), codes), 0);
    EXPECT_EQ(out, (std::vector<uint8_t>{0x00, 0x7F}));
}

TEST(CompressBlock, EscapesCarryTheirPayloads) {
    auto codes = empty_codes();
    for (int s : {101, 102, 103, 104, 105, 106, 1, 254}) codes[s] = {4, static_cast<uint32_t>(s & 7)};
    codes[254] = {4, 0};
    codes[1] = {4, 1};
    std::vector<uint8_t> out;
    // 256 -> symbol 103 (0111) then 0x0100.
    ASSERT_EQ(compress(&out, {256}, codes), 0);
    EXPECT_EQ(out, (std::vector<uint8_t>{0x70, 0x10, 0x0F}));
    // -74 -> symbol 102 (0110) then 74 = 0x4A; 74 -> symbol 254 (0000).
    ASSERT_EQ(compress(&out, {-74, 74}, codes), 0);
    EXPECT_EQ(out, (std::vector<uint8_t>{0x64, 0xA0}));
    // 65536 zeros: symbol 106 (0010) with 65535 (0xFFFF, stuffed), then a run of 1 (0001).
    ASSERT_EQ(compress(&out, std::vector<int16_t>(65536, 0), codes), 0);
    EXPECT_EQ(out, (std::vector<uint8_t>{0x2F, 0xFF, 0x00, 0xF1}));
}

TEST(CompressBlock, StuffsEveryFullByteOfOnesIncludingThePaddedLastOne) {
    auto codes = empty_codes();
    codes[181] = {1, 1};  // value 1
    codes[182] = {1, 0};  // value 2
    std::vector<uint8_t> out;
    // A single 1 bit padded with seven 1 bits is 0xFF and must be stuffed.
    ASSERT_EQ(compress(&out, {1}, codes), 0);
    EXPECT_EQ(out, (std::vector<uint8_t>{0xFF, 0x00}));
    // Eight 1 bits, then 0 + fill.
    ASSERT_EQ(compress(&out, {1, 1, 1, 1, 1, 1, 1, 1, 2}, codes), 0);
    EXPECT_EQ(out, (std::vector<uint8_t>{0xFF, 0x00, 0x7F}));
}

TEST(CompressBlock, RoundTripsGeneratedTables) {
    std::mt19937 rng(77);
    for (int round = 0; round < 30; ++round) {
        SCOPED_TRACE(round);
        std::vector<int16_t> values(static_cast<size_t>(rng() % 20000) + (round % 5 == 0 ? 70000 : 0));
        std::uniform_int_distribution<int> kind(0, 99);
        for (int16_t& v : values) {
            int k = kind(rng);
            if (k < 60) v = 0;
            else if (k < 90) v = static_cast<int16_t>(int(rng() % 15) - 7);
            else if (k < 97) v = static_cast<int16_t>(int(rng() % 600) - 300);
            else v = static_cast<int16_t>(int(rng() % 65536) - 32768);
        }
        // Every fifth round ends in a stretch of zeros longer than one 16-bit run.
        if (round % 5 == 0) std::fill(values.end() - 70000, values.end(), 0);
        std::vector<HuffCode> codes;
        std::vector<uint8_t> bits;
        std::vector<uint8_t> symbols;
        int size = static_cast<int>(values.size());
        ASSERT_EQ(wsq::generate_huffman_table(&codes, &bits, &symbols, values.data(), &size, 1), 0);
        std::vector<uint8_t> out;
        ASSERT_EQ(compress(&out, values, codes), 0);
        EXPECT_EQ(BlockReader(out).decode(codes), values);
    }
}

TEST(CompressBlock, NeverWritesPastItsArea) {
    auto codes = empty_codes();
    codes[181] = {3, 2};
    std::vector<int16_t> values(40, 1);  // 120 bits = 15 bytes
    for (int capacity : {0, 1, 14}) {
        SCOPED_TRACE(capacity);
        std::vector<uint8_t> area(static_cast<size_t>(capacity) + 8, 0xAB);
        int n = -1;
        testing::internal::CaptureStderr();
        EXPECT_EQ(wsq::compress_block(area.data(), capacity, &n, values.data(),
                                      static_cast<int>(values.size()), MAX_HUFFCOEFF, MAX_HUFFZRUN,
                                      codes.data()),
                  -32);
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "ERROR : putc_byte : buffer overlow : alloc = " + std::to_string(capacity) +
                      ", request = " + std::to_string(capacity) + "\n");
        EXPECT_EQ(n, -1);
        for (size_t i = static_cast<size_t>(capacity); i < area.size(); ++i) {
            ASSERT_EQ(area[i], 0xAB) << "written past the area at " << i;
        }
    }
    std::vector<uint8_t> out;
    EXPECT_EQ(compress(&out, values, codes, 15), 0);
    EXPECT_EQ(out.size(), 15u);
    // The stuffed zero after a final 0xFF needs its own byte of room too.
    codes[181] = {1, 1};
    testing::internal::CaptureStderr();
    EXPECT_EQ(compress(&out, {1}, codes, 1), -32);
    testing::internal::GetCapturedStderr();
}

TEST(EmitCodeBits, ZeroLengthWritesNothing) {
    uint8_t area[2] = {0, 0};
    wsq::CodedBlockWriter writer;
    writer.outbuf = area;
    writer.outalloc = 2;
    ASSERT_EQ(wsq::emit_code_bits(&writer, 0xFFFF, 0), 0);
    ASSERT_EQ(wsq::finish_coded_block(&writer), 0);
    EXPECT_EQ(writer.count, 0);
}

}  // namespace
