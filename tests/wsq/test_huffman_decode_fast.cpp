// The table-driven block decoder gives exactly what the bit-by-bit one gives: the same symbols
// and coefficients, the same reader state, the same return codes and messages, on well-formed,
// truncated and corrupted data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "support/image_metrics.h"
#include "support/wsq_stream_builder.h"
#include "wsq/codec_state.h"
#include "wsq/codestream.h"
#include "wsq/encoder.h"
#include "wsq/huffman_codes.h"
#include "wsq/huffman_decode.h"
#include "wsq/raw_file.h"
#include "wsq/wavelet.h"

namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;
using Bytes = std::vector<uint8_t>;

// ---- one symbol at a time ----

// Counts of a random prefix code: codes of lengths lo..hi, some room left free at random.
std::vector<uint8_t> random_counts(std::mt19937& rng, int lo, int hi) {
    std::vector<uint8_t> counts(16, 0);
    uint32_t room = 1u << lo;  // no codes shorter than lo
    int total = 0;
    for (int len = lo; len <= hi && total < 200; ++len) {
        if (len > lo) room *= 2;
        const uint32_t most = std::min<uint32_t>({room, 255u, uint32_t(200 - total)});
        // Leave one code free below the longest length, so all-ones codes stay unused.
        const uint32_t n = len == hi ? (most > 1 ? most - 1 : most)
                                     : std::uniform_int_distribution<uint32_t>(0, most / 2)(rng);
        counts[len - 1] = static_cast<uint8_t>(n);
        room -= n;
        total += static_cast<int>(n);
    }
    return counts;
}

struct SymbolRun {
    std::vector<std::vector<int>> steps;  // ret, symbol, offset, bit_count, marker, byte
    std::string err;
};

// Decodes symbols from data until an error, a marker, or 4000 symbols.
SymbolRun run_symbols(bool fast, const Bytes& data, const wsq::DecodeTables& tables,
                      const wsq::PeekTable& peek, const uint8_t* values) {
    SymbolRun run;
    const uint8_t* cur = data.data();
    const uint8_t* end = data.data() + data.size();
    int bit_count = 0;
    uint16_t marker = 0;
    wsq::codec_state().bit_reader_byte = 0;
    CaptureStderr();
    for (int i = 0; i < 4000; ++i) {
        int symbol = -7;
        const int ret = fast ? wsq::decode_symbol_fast(&symbol, peek, tables, values, &cur, end,
                                                       &bit_count, &marker)
                             : wsq::decode_symbol(&symbol, tables, values, &cur, end,
                                                  &bit_count, &marker);
        run.steps.push_back({ret, symbol, static_cast<int>(cur - data.data()), bit_count, marker,
                             wsq::codec_state().bit_reader_byte});
        if (ret != 0 || marker != 0) break;
        // A payload read now and then, as the block decoder does after some symbols.
        if (symbol % 5 == 0) {
            uint16_t bits = 0;
            const int pret = wsq::getc_nextbits_wsq(&bits, &marker, &cur, end, &bit_count,
                                                    symbol % 2 ? 16 : 8);
            run.steps.push_back({pret, bits, static_cast<int>(cur - data.data()), bit_count});
            if (pret != 0) break;
        }
    }
    run.err = GetCapturedStderr();
    return run;
}

TEST(FastSymbolDecoding, SameAsTheBitWalkForRandomCodesAndBytes) {
    std::mt19937 rng(13);
    const int ranges[][2] = {{1, 4}, {2, 8}, {3, 9}, {4, 12}, {5, 16}, {8, 16}, {9, 16}, {1, 16}};
    int tables_tried = 0;
    for (const auto& range : ranges) {
        for (int t = 0; t < 12; ++t) {
            const std::vector<uint8_t> counts = random_counts(rng, range[0], range[1]);
            std::vector<wsq::HuffCode> codes;
            int num_codes = 0;
            ASSERT_EQ(wsq::build_huffsizes(&codes, &num_codes, counts.data(),
                                           wsq::MAX_HUFFCOUNTS_WSQ), 0);
            wsq::assign_huffcodes(codes.data());
            wsq::DecodeTables tables;
            wsq::build_decode_tables(&tables, codes.data(), counts.data());
            uint8_t values[wsq::MAX_HUFFCOUNTS_WSQ + 1];
            for (int i = 0; i <= wsq::MAX_HUFFCOUNTS_WSQ; ++i)
                values[i] = static_cast<uint8_t>(rng());
            wsq::PeekTable peek{};
            wsq::build_peek_table(&peek, tables, values);
            ++tables_tried;
            for (int s = 0; s < 6; ++s) {
                SCOPED_TRACE("table " + std::to_string(tables_tried) + " stream " +
                             std::to_string(s));
                // Random bytes with many 0xFF: stuffed zeros, markers, bad stuffing, and an
                // end anywhere.
                Bytes data(std::uniform_int_distribution<int>(0, 600)(rng));
                for (uint8_t& b : data) {
                    const int pick = std::uniform_int_distribution<int>(0, 99)(rng);
                    b = pick < 6 ? 0xff : static_cast<uint8_t>(rng());
                    if (pick >= 6 && pick < 12 && &b != data.data() && b != 0xff) {
                        if (*(&b - 1) == 0xff) b = 0;  // mostly well stuffed
                    }
                }
                const SymbolRun ref = run_symbols(false, data, tables, peek, values);
                const SymbolRun fast = run_symbols(true, data, tables, peek, values);
                EXPECT_EQ(fast.steps, ref.steps);
                EXPECT_EQ(fast.err, ref.err);
            }
        }
    }
}

// ---- whole streams ----

struct BlockRun {
    int ret = 0;
    std::vector<int16_t> coefficients;
    long consumed = 0;
    std::string err;
};

// Reads the tables and frame header, then decodes the blocks with the chosen decoder. False
// when the stream does not reach the blocks.
bool run_blocks(bool fast, const Bytes& stream, BlockRun* out) {
    wsq::CodecState& state = wsq::codec_state();
    const uint8_t* cur = stream.data();
    const uint8_t* end = stream.data() + stream.size();
    wsq::TransformTable dtt;
    wsq::QuantTable dqt;
    wsq::HuffmanTableSet dht{};
    uint16_t marker = 0;
    CaptureStderr();
    bool reached = wsq::getc_marker_wsq(&marker, wsq::SoiOnly, &cur, end) == 0;
    while (reached) {
        if (wsq::getc_marker_wsq(&marker, wsq::TablesOrSof, &cur, end) != 0) reached = false;
        else if (marker == wsq::SOF_WSQ) break;
        else if (wsq::getc_table_wsq(marker, &dtt, &dqt, &dht, &cur, end) != 0) reached = false;
    }
    if (reached && wsq::getc_frame_header(&state.frm_header_wsq, &cur, end) != 0) reached = false;
    if (!reached) {
        GetCapturedStderr();
        return false;
    }
    const int w = state.frm_header_wsq.width, h = state.frm_header_wsq.height;
    wsq::build_subband_trees(state.w_tree, wsq::W_TREELEN, state.q_tree, wsq::Q_TREELEN, w, h);
    out->coefficients.assign(static_cast<size_t>(w) * h, 77);
    out->ret = fast ? wsq::huffman_decode_data_mem(out->coefficients.data(), &dtt, &dqt, &dht,
                                                   &cur, end)
                    : wsq::huffman_decode_data_mem_reference(out->coefficients.data(), &dtt,
                                                             &dqt, &dht, &cur, end);
    out->consumed = cur - stream.data();
    out->err = GetCapturedStderr();
    return true;
}

// Compares both decoders on a stream; returns the fast decoder's return code.
int expect_same_blocks(const Bytes& stream) {
    BlockRun ref, fast;
    const bool reached = run_blocks(false, stream, &ref);
    EXPECT_EQ(run_blocks(true, stream, &fast), reached);
    if (!reached) return 1;
    EXPECT_EQ(fast.ret, ref.ret);
    EXPECT_EQ(fast.consumed, ref.consumed);
    EXPECT_EQ(fast.err, ref.err);
    EXPECT_TRUE(fast.coefficients == ref.coefficients);
    return fast.ret;
}

std::vector<std::pair<std::string, Bytes>> corpus() {
    std::vector<std::pair<std::string, Bytes>> streams;
    const std::filesystem::path dir = WSQ_CONFORMANCE_DIR;
    if (std::filesystem::is_directory(dir)) {
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            if (entry.path().extension() != ".wsq") continue;
            Bytes data;
            int len = 0;
            if (wsq::read_raw_from_filesize(entry.path().string().c_str(), &data, &len) == 0) {
                data.resize(static_cast<size_t>(len));
                streams.emplace_back(entry.path().filename().string(), data);
            }
        }
    }
    auto encoded = [&](const std::string& name, const std::vector<uint8_t>& px, int w, int h,
                       float rate) {
        Bytes stream;
        int len = 0;
        EXPECT_EQ(wsq::wsq_encode_1(&stream, &len, rate, px.data(), w, h, 8, 500, nullptr), 0);
        stream.resize(static_cast<size_t>(len));
        streams.emplace_back(name, stream);
    };
    // The golden pictures, and rates from very low (long codes, long runs) to high.
    encoded("print 416 r0.75", testsupport::synthetic_print(416, 416, 3), 416, 416, 0.75f);
    encoded("gradient r1", testsupport::gradient_image(256, 200), 256, 200, 1.0f);
    encoded("flat", std::vector<uint8_t>(128 * 128, 200), 128, 128, 0.75f);
    encoded("print r0.1", testsupport::synthetic_print(301, 257, 8), 301, 257, 0.1f);
    encoded("print r4", testsupport::synthetic_print(200, 180, 9), 200, 180, 4.0f);
    // Random coefficients through the stream builder's single coded subband.
    std::mt19937 rng(1313);
    for (int i = 0; i < 4; ++i) {
        testsupport::WsqStreamSpec plan;
        plan.width = 64 + 8 * i;
        plan.height = 48 + 8 * i;
        wsq::CodecState& state = wsq::codec_state();
        wsq::build_subband_trees(state.w_tree, wsq::W_TREELEN, state.q_tree, wsq::Q_TREELEN,
                                 plan.width, plan.height);
        const int n = state.q_tree[0].lenx * state.q_tree[0].leny;
        for (int k = 0; k < n; ++k)
            plan.subband0.push_back(i % 2 ? std::uniform_int_distribution<int>(-73, 74)(rng)
                                          : (rng() % 4 == 0 ? int(rng() % 20) - 10 : 0));
        streams.emplace_back("built " + std::to_string(i), testsupport::build_wsq_stream(plan));
    }
    return streams;
}

TEST(FastBlockDecoding, WholeTruncatedAndCorruptedStreamsMatchTheReference) {
    std::mt19937 rng(99);
    for (const auto& [name, stream] : corpus()) {
        SCOPED_TRACE(name);
        EXPECT_EQ(expect_same_blocks(stream), 0);
        // Cut anywhere: inside tables, blocks, stuffed pairs, just before the end marker.
        for (int i = 0; i < 12; ++i) {
            const size_t cut = i < 3 ? stream.size() - 1 - i
                                     : std::uniform_int_distribution<size_t>(0, stream.size())(rng);
            SCOPED_TRACE("cut at " + std::to_string(cut));
            expect_same_blocks(Bytes(stream.begin(), stream.begin() + cut));
        }
        // Changed bytes: flipped bits, 0xFF without its stuffed zero, and stray markers.
        for (int i = 0; i < 16; ++i) {
            Bytes bad = stream;
            const size_t at = std::uniform_int_distribution<size_t>(stream.size() / 4,
                                                                    stream.size() - 3)(rng);
            switch (i % 4) {
                case 0: bad[at] ^= static_cast<uint8_t>(1u << (rng() % 8)); break;
                case 1: bad[at] = 0xff; break;
                case 2: bad[at] = 0xff; bad[at + 1] = 0xa4; break;  // a table marker
                default: bad[at] = 0xff; bad[at + 1] = 0xa8; break;  // a comment marker
            }
            SCOPED_TRACE("changed at " + std::to_string(at));
            expect_same_blocks(bad);
        }
    }
}

}  // namespace
