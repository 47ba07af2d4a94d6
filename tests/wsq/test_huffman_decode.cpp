// Canonical codes, the bit reader and block decoding over hand-built streams.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "wsq/byte_io.h"
#include "wsq/codec_state.h"
#include "wsq/codestream.h"
#include "wsq/huffman_codes.h"
#include "wsq/huffman_decode.h"

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

using Bytes = std::vector<uint8_t>;

std::vector<wsq::HuffCode> codes_for(std::initializer_list<uint8_t> first, uint8_t* bits) {
    std::fill(bits, bits + 16, 0);
    std::copy(first.begin(), first.end(), bits);
    std::vector<wsq::HuffCode> table;
    int n = 0;
    EXPECT_EQ(wsq::build_huffsizes(&table, &n, bits, wsq::MAX_HUFFCOUNTS_WSQ), 0);
    wsq::assign_huffcodes(table.data());
    table.resize(n + 1);
    return table;
}

TEST(HuffmanCodes, CanonicalCodesAndDecodeLimits) {
    uint8_t bits[16];
    auto t = codes_for({1, 1, 1}, bits);
    ASSERT_EQ(t.size(), 4u);
    EXPECT_EQ(t[0].size, 1);
    EXPECT_EQ(t[0].code, 0u);
    EXPECT_EQ(t[1].size, 2);
    EXPECT_EQ(t[1].code, 2u);
    EXPECT_EQ(t[2].size, 3);
    EXPECT_EQ(t[2].code, 6u);
    EXPECT_EQ(t[3].size, 0);
    wsq::DecodeTables d;
    wsq::build_decode_tables(&d, t.data(), bits);
    EXPECT_EQ(d.maxcode[1], 0);
    EXPECT_EQ(d.maxcode[2], 2);
    EXPECT_EQ(d.maxcode[3], 6);
    EXPECT_EQ(d.valptr[3], 2);
    for (int len = 4; len <= 16; ++len) EXPECT_EQ(d.maxcode[len], -1) << len;
    EXPECT_EQ(wsq::check_all_ones_codes(t.data(), 3), 0);

    t = codes_for({0, 2}, bits);
    EXPECT_EQ(t[0].code, 0u);
    EXPECT_EQ(t[1].code, 1u);
    EXPECT_EQ(wsq::check_all_ones_codes(t.data(), 2), 0);
    t = codes_for({1, 1}, bits);
    EXPECT_EQ(wsq::check_all_ones_codes(t.data(), 2), 0);

    t = codes_for({2}, bits);
    CaptureStderr();
    EXPECT_EQ(wsq::check_all_ones_codes(t.data(), 2), -1);
    EXPECT_EQ(GetCapturedStderr(),
              "WARNING: A code in the hufftable contains an all 1's code.\n         This image "
              "may still be decodable.\n         It is not compliant with the WSQ "
              "specification.\n");
}

TEST(BitReader, StuffedZerosAndMarkers) {
    const Bytes data = {0xFF, 0x00, 0x80};
    const uint8_t* cur = data.data();
    int left = 0;
    uint16_t marker = 0, bits = 0;
    ASSERT_EQ(wsq::getc_nextbits_wsq(&bits, &marker, &cur, data.data() + 3, &left, 8), 0);
    EXPECT_EQ(bits, 0xFF);
    ASSERT_EQ(wsq::getc_nextbits_wsq(&bits, &marker, &cur, data.data() + 3, &left, 1), 0);
    EXPECT_EQ(bits, 1);
    ASSERT_EQ(wsq::getc_nextbits_wsq(&bits, &marker, &cur, data.data() + 3, &left, 7), 0);
    EXPECT_EQ(bits, 0);
    EXPECT_EQ(marker, 0);

    // A read spanning two bytes.
    const Bytes span = {0x0F, 0xF0};
    cur = span.data();
    left = 0;
    ASSERT_EQ(wsq::getc_nextbits_wsq(&bits, &marker, &cur, span.data() + 2, &left, 4), 0);
    ASSERT_EQ(wsq::getc_nextbits_wsq(&bits, &marker, &cur, span.data() + 2, &left, 8), 0);
    EXPECT_EQ(bits, 0xFF);

    const Bytes eoi = {0xFF, 0xA1};
    cur = eoi.data();
    left = 0;
    ASSERT_EQ(wsq::getc_nextbits_wsq(&bits, &marker, &cur, eoi.data() + 2, &left, 1), 0);
    EXPECT_EQ(marker, wsq::EOI_WSQ);
    cur = eoi.data();
    left = 0;
    marker = 0;
    CaptureStderr();
    EXPECT_EQ(wsq::getc_nextbits_wsq(&bits, &marker, &cur, eoi.data() + 2, &left, 8), -41);
    EXPECT_EQ(GetCapturedStderr(), "ERROR: getc_nextbits_wsq : No stuffed zeros\n");

    // A one-bit read that continues a request cannot end the block either.
    const Bytes late = {0xFE, 0xFF, 0xA1};
    cur = late.data();
    left = 0;
    ASSERT_EQ(wsq::getc_nextbits_wsq(&bits, &marker, &cur, late.data() + 3, &left, 7), 0);
    CaptureStderr();
    EXPECT_EQ(wsq::getc_nextbits_wsq(&bits, &marker, &cur, late.data() + 3, &left, 2), -41);
    GetCapturedStderr();

    cur = data.data() + 3;
    CaptureStderr();
    left = 0;
    EXPECT_EQ(wsq::getc_nextbits_wsq(&bits, &marker, &cur, data.data() + 3, &left, 1), -39);
    GetCapturedStderr();
}

// Entropy-coded data as an encoder writes it: MSB first, 0xFF stuffed, the last byte filled
// with 1 bits.
class BitWriter {
public:
    void put(uint32_t value, int n) {
        for (int i = n - 1; i >= 0; --i) {
            m_byte = static_cast<uint8_t>((m_byte << 1) | ((value >> i) & 1));
            if (++m_bits == 8) flush();
        }
    }
    Bytes finish() {
        while (m_bits != 0) put(1, 1);
        return m_out;
    }

private:
    void flush() {
        m_out.push_back(m_byte);
        if (m_byte == 0xFF) m_out.push_back(0x00);
        m_byte = 0;
        m_bits = 0;
    }
    Bytes m_out;
    uint8_t m_byte = 0;
    int m_bits = 0;
};

// Table: 15 symbols with the 4-bit codes 0..14 (no all-ones code).
const uint8_t kSymbols[15] = {105, 106, 107, 180, 254, 101, 102, 103, 104, 3, 0, 255, 100, 1, 2};

int code_of(int symbol) {
    for (int i = 0; i < 15; ++i)
        if (kSymbols[i] == symbol) return i;
    ADD_FAILURE() << symbol;
    return 0;
}

struct StreamBuilder {
    Bytes bytes = Bytes(1 << 16);
    int len = 0;
    void table(int id, std::vector<uint8_t> counts = {}, const uint8_t* values = kSymbols) {
        uint8_t bits[16] = {};
        if (counts.empty()) bits[3] = 15;
        std::copy(counts.begin(), counts.end(), bits);
        EXPECT_EQ(wsq::putc_huffman_table(wsq::DHT_WSQ, static_cast<uint8_t>(id), bits, values,
                                          bytes.data(), bytes.size(), &len), 0);
    }
    void block(int id, BitWriter& w) {
        EXPECT_EQ(wsq::putc_block_header(id, bytes.data(), bytes.size(), &len), 0);
        const Bytes data = w.finish();
        EXPECT_EQ(wsq::putc_bytes(data.data(), data.size(), bytes.data(), bytes.size(), &len), 0);
    }
    void comment(const char* text) {
        EXPECT_EQ(wsq::putc_comment_segment(wsq::COM_WSQ, text, std::strlen(text), bytes.data(),
                                            bytes.size(), &len), 0);
    }
    void eoi() { EXPECT_EQ(wsq::putc_u16(wsq::EOI_WSQ, bytes.data(), bytes.size(), &len), 0); }
};

void sym(BitWriter& w, int symbol) { w.put(code_of(symbol), 4); }

struct Decoded {
    int ret;
    std::vector<int16_t> coeffs;
    std::string err;
};

Decoded decode(const StreamBuilder& s, int width, int height) {
    wsq::CodecState& state = wsq::codec_state();
    state.frm_header_wsq.width = static_cast<uint16_t>(width);
    state.frm_header_wsq.height = static_cast<uint16_t>(height);
    for (auto& node : state.q_tree) node = wsq::QuantTreeNode{};
    wsq::TransformTable dtt;
    wsq::QuantTable dqt;
    wsq::HuffmanTableSet dht{};
    Decoded d;
    d.coeffs.assign(static_cast<size_t>(width) * height, 99);
    const uint8_t* cur = s.bytes.data();
    CaptureStderr();
    d.ret = wsq::huffman_decode_data_mem(d.coeffs.data(), &dtt, &dqt, &dht, &cur,
                                         s.bytes.data() + s.len);
    d.err = GetCapturedStderr();
    return d;
}

TEST(BlockDecoding, EverySymbolKind) {
    StreamBuilder s;
    s.table(0);
    BitWriter w;
    sym(w, 107);
    sym(w, 180);
    sym(w, 254);
    sym(w, 102), w.put(200, 8);
    sym(w, 104), w.put(1000, 16);
    sym(w, 101), w.put(5, 8);
    sym(w, 103), w.put(40000, 16);
    sym(w, 105), w.put(0, 8);  // a run of no zeros
    sym(w, 3);
    sym(w, 105), w.put(2, 8);
    s.block(0, w);
    s.eoi();
    const Decoded d = decode(s, 4, 3);
    ASSERT_EQ(d.ret, 0) << d.err;
    EXPECT_EQ(d.coeffs,
              (std::vector<int16_t>{-73, 0, 74, -200, -1000, 5, -25536, 0, 0, 0, 0, 0}));
}

TEST(BlockDecoding, LongRunsAndExactFill) {
    StreamBuilder s;
    s.table(0);
    BitWriter w;
    sym(w, 106), w.put(0x0100, 16);
    s.block(0, w);
    s.eoi();
    const Decoded d = decode(s, 16, 16);
    ASSERT_EQ(d.ret, 0) << d.err;
    EXPECT_EQ(d.coeffs, std::vector<int16_t>(256, 0));
}

TEST(BlockDecoding, MoreCoefficientsThanTheImageHolds) {
    const std::string tail =
        "Decoded data extends past image buffer. Encoded data appears corrupt or non-standard.\n";
    struct Case {
        std::vector<int> symbols;  // -N: an 8- or 16-bit payload N follows the previous symbol
        int which;
    } cases[] = {
        {{180, 180, 180, 180, 180}, 1},  // one single coefficient too many
        {{180, 3, 3}, 2},
        {{180, 105, -5}, 3},
        {{106, -0x0005}, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.which);
        StreamBuilder s;
        s.table(0);
        BitWriter w;
        int last = 0;
        for (int v : c.symbols) {
            if (v < 0)
                w.put(-v, last == 106 ? 16 : 8);
            else
                sym(w, v);
            last = v;
        }
        s.block(0, w);
        s.eoi();
        const Decoded d = decode(s, 2, 2);
        EXPECT_EQ(d.ret, -51);
        EXPECT_EQ(d.err, "ERROR : huffman_decode_data_mem [" + std::to_string(c.which) + "]: " +
                             tail);
    }
}

TEST(BlockDecoding, RefusedTablesAndSymbols) {
    for (int bad : {0, 255}) {
        StreamBuilder s;
        s.table(0);
        BitWriter w;
        sym(w, bad);
        s.block(0, w);
        s.eoi();
        const Decoded d = decode(s, 2, 2);
        EXPECT_EQ(d.ret, -52);
        EXPECT_EQ(d.err, bad == 0 ? "ERROR: huffman_decode_data_mem : Invalid code 0 (0).\n"
                                  : "ERROR: huffman_decode_data_mem : Invalid code 255 (ff).\n");
    }
    for (int id : {1, 9}) {
        StreamBuilder s;
        s.table(0);
        BitWriter w;
        sym(w, 180);
        s.block(id, w);
        const Decoded d = decode(s, 2, 2);
        EXPECT_EQ(d.ret, -51);
        EXPECT_EQ(d.err, "ERROR : huffman_decode_data_mem : huffman table {" + std::to_string(id) +
                             "} undefined.\n");
    }
    {
        // Three codes of one bit cannot exist.
        StreamBuilder s;
        s.table(0, {3});
        BitWriter w;
        w.put(0, 8);
        s.block(0, w);
        const Decoded d = decode(s, 2, 2);
        EXPECT_EQ(d.ret, -54);
        EXPECT_EQ(d.err, "ERROR : huffman_decode_data_mem : huffman table {0} counts form no "
                         "prefix code.\n");
    }
    {
        // One code "0": sixteen 1 bits match no length.
        StreamBuilder s;
        const uint8_t one[1] = {180};
        s.table(0, {1}, one);
        BitWriter w;
        w.put(0xFFFFFF, 24);
        s.block(0, w);
        const Decoded d = decode(s, 2, 2);
        EXPECT_EQ(d.ret, -53);
        EXPECT_EQ(d.err, "ERROR : decode_symbol : no code of up to 16 bits matches\n");
    }
    {
        // An all-ones code is warned about and decoded; the 1 bits that fill the last byte
        // then decode as coefficients too.
        StreamBuilder s;
        const uint8_t two[2] = {180, 181};
        s.table(3, {2}, two);
        BitWriter w;
        w.put(0b0101, 4);
        s.block(3, w);
        s.eoi();
        const Decoded d = decode(s, 2, 4);
        EXPECT_EQ(d.ret, 0);
        EXPECT_NE(d.err.find("all 1's code"), std::string::npos);
        EXPECT_NE(d.err.find("         hufftable_id = 3\n"), std::string::npos);
        EXPECT_EQ(d.coeffs, (std::vector<int16_t>{0, 1, 0, 1, 1, 1, 1, 1}));
    }
}

TEST(BlockDecoding, BlocksTablesCommentsAndEarlyEnd) {
    StreamBuilder s;
    s.table(0);
    BitWriter w1;
    sym(w1, 254);
    s.block(0, w1);
    s.comment("between blocks");  // read by the table step
    s.table(1);
    BitWriter w2;
    sym(w2, 107);
    s.block(1, w2);
    BitWriter w3;
    sym(w3, 101), w3.put(7, 8);
    s.block(1, w3);
    s.comment("after the third block");
    s.eoi();
    Decoded d = decode(s, 2, 2);
    ASSERT_EQ(d.ret, 0) << d.err;
    // EOI before the total leaves the rest as it was.
    EXPECT_EQ(d.coeffs, (std::vector<int16_t>{74, -73, 7, 99}));

    // A comment after the first block is fine; one where data bits were expected is not.
    StreamBuilder m;
    m.table(0);
    BitWriter w;
    sym(w, 101);
    m.block(0, w);
    m.eoi();
    d = decode(m, 2, 2);
    EXPECT_EQ(d.ret, -41);

    // Data that runs off the end of the buffer.
    StreamBuilder t;
    t.table(0);
    BitWriter wt;
    sym(wt, 180);
    t.block(0, wt);
    d = decode(t, 2, 2);
    EXPECT_EQ(d.ret, -39);

    // A marker that cannot follow a block.
    StreamBuilder f;
    f.table(0);
    BitWriter wf;
    sym(wf, 180);
    f.block(0, wf);
    EXPECT_EQ(wsq::putc_frame_header(2, 2, 1, 1, f.bytes.data(), f.bytes.size(), &f.len), 0);
    d = decode(f, 2, 2);
    EXPECT_EQ(d.ret, -93);
    EXPECT_EQ(d.err, "ERROR: getc_table_wsq : Invalid table defined -> {65442}\n");
}

TEST(BlockDecoding, UncodedSubbandsAreLeftOutOfTheTotal) {
    // Subband 0 of a 2 x 2 image covers one coefficient and has q = 0.
    StreamBuilder s;
    wsq::QuantValues qv;
    qv.Q.fill(1.0f);
    qv.Z.fill(1.2f);
    qv.Q[0] = 0.0f;
    ASSERT_EQ(wsq::putc_quantization_table(&qv, s.bytes.data(), s.bytes.size(), &s.len), 0);
    s.table(0);
    BitWriter w;
    for (int i = 0; i < 4; ++i) sym(w, 180);
    s.block(0, w);
    s.eoi();
    wsq::CodecState& state = wsq::codec_state();
    state.frm_header_wsq.width = 2;
    state.frm_header_wsq.height = 2;
    for (auto& node : state.q_tree) node = wsq::QuantTreeNode{};
    state.q_tree[0].lenx = 1;
    state.q_tree[0].leny = 1;
    wsq::TransformTable dtt;
    wsq::QuantTable dqt;
    wsq::HuffmanTableSet dht{};
    std::vector<int16_t> coeffs(4);
    const uint8_t* cur = s.bytes.data();
    CaptureStderr();
    EXPECT_EQ(wsq::huffman_decode_data_mem(coeffs.data(), &dtt, &dqt, &dht, &cur,
                                           s.bytes.data() + s.len),
              -51);
    EXPECT_NE(GetCapturedStderr().find("[1]"), std::string::npos);
}

}  // namespace
