// The codec through wsq/wsq.h: the one walk of inspect_stream, the diagnostic sink, the value
// API against the fixed entry points, and decodes on many threads.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/image_metrics.h"
#include "support/wsq_stream_builder.h"
#include "wsq/huffman_decode.h"
#include "wsq/nistcom.h"
#include "wsq/wsq.h"

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> encoded(int w, int h, float rate, const char* comment, uint32_t seed = 5) {
    const std::vector<uint8_t> grey = testsupport::synthetic_print(w, h, seed);
    std::vector<uint8_t> out;
    int len = 0;
    EXPECT_EQ(wsq::wsq_encode_1(&out, &len, rate, grey.data(), w, h, 8, 500, comment), 0);
    return out;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::vector<uint8_t>> conformance_streams() {
    std::vector<std::vector<uint8_t>> streams;
    const fs::path dir = WSQ_CONFORMANCE_DIR;
    if (!fs::is_directory(dir)) return streams;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".wsq") continue;
        wsq::FileBytes file = wsq::read_file(entry.path().c_str());
        EXPECT_FALSE(file.error) << entry.path();
        streams.push_back(std::move(file.bytes));
    }
    return streams;
}

// The segments cover the stream from its first byte to its last, in order.
void expect_tiles(const wsq::StreamFacts& facts, size_t size) {
    size_t offset = 0;
    for (const wsq::Segment& s : facts.segments) {
        EXPECT_EQ(s.offset, offset) << wsq::marker_name(s.marker);
        offset += s.length;
    }
    EXPECT_EQ(offset, size);
}

// A hand-built stream: SOI, then the given segments as they are.
std::vector<uint8_t> with_soi(std::initializer_list<uint8_t> rest) {
    std::vector<uint8_t> s{0xFF, 0xA0};
    s.insert(s.end(), rest);
    return s;
}

TEST(InspectStream, EncodedStreamGivesEveryFactInOneWalk) {
    const std::vector<uint8_t> s = encoded(120, 100, 0.75f, "booth 7");
    const wsq::StreamFacts facts = wsq::inspect_stream(s);

    EXPECT_EQ(facts.header_stop, wsq::CommentWalkStop::FirstBlock);
    EXPECT_FALSE(facts.header_error);
    ASSERT_TRUE(facts.has_frame);
    EXPECT_EQ(facts.frame.width, 120);
    EXPECT_EQ(facts.frame.height, 100);
    EXPECT_EQ(facts.frame.depth, 8);
    EXPECT_EQ(facts.frame.ppi, 500);
    EXPECT_EQ(facts.frame.lossy, 1);

    ASSERT_EQ(facts.comments.size(), 2u);
    EXPECT_EQ(facts.header_comments, 2u);
    EXPECT_EQ(facts.comments[0].rfind("NIST_COM 9\nPIX_WIDTH 120\n", 0), 0u);
    EXPECT_EQ(facts.comments[1], "booth 7");

    ASSERT_TRUE(facts.nistcom);
    std::vector<std::string> names;
    for (const wsq::NistcomEntry& e : *facts.nistcom) names.push_back(e.name);
    EXPECT_EQ(names,
              (std::vector<std::string>{"NIST_COM", "PIX_WIDTH", "PIX_HEIGHT", "PIX_DEPTH", "PPI",
                                        "LOSSY", "COLORSPACE", "COMPRESSION", "WSQ_BITRATE"}));
    EXPECT_EQ((*facts.nistcom)[8].value, "0.750000");

    std::string markers;
    for (const wsq::Segment& seg : facts.segments)
        markers += std::string(wsq::marker_name(seg.marker)) + " ";
    EXPECT_EQ(markers, "SOI COM COM DTT DQT SOF DHT SOB DHT SOB SOB EOI ");
    expect_tiles(facts, s.size());
    EXPECT_EQ(facts.segments_end, "");
}

TEST(InspectStream, ConformanceStreamsAgreeWithTheDecoderAndTheCommentWalk) {
    const auto streams = conformance_streams();
    if (streams.empty()) GTEST_SKIP() << "no conformance streams";
    for (const std::vector<uint8_t>& s : streams) {
        const wsq::StreamFacts facts = wsq::inspect_stream(s);
        std::vector<uint8_t> px;
        int w = 0, h = 0, d = 0, ppi = 0, lossy = 0, enc = 0, sw = 0;
        ASSERT_EQ(wsq::wsq_decode_mem(&px, &w, &h, &d, &ppi, &lossy, &enc, &sw, s.data(),
                                      static_cast<int>(s.size())),
                  0);
        EXPECT_EQ(facts.frame.width, w);
        EXPECT_EQ(facts.frame.height, h);
        EXPECT_EQ(facts.frame.ppi, ppi);
        EXPECT_EQ(facts.frame.encoder, enc);
        EXPECT_EQ(facts.frame.software, sw);

        std::vector<std::string> comments;
        ASSERT_EQ(
            wsq::read_comments_before_first_block(&comments, s.data(), static_cast<int>(s.size())),
            0);
        EXPECT_EQ(std::vector<std::string>(facts.comments.begin(),
                                           facts.comments.begin() + facts.header_comments),
                  comments);
        expect_tiles(facts, s.size());
        EXPECT_EQ(facts.segments_end, "");
        EXPECT_EQ(wsq::marker_name(facts.segments.back().marker), std::string("EOI"));
    }
}

// Every prefix of a stream: the walk ahead of the first block stops exactly where the comment
// walk does, and the segment list is the whole stream's up to where the data ends.
TEST(InspectStream, TruncatedStreamsStopWhereTheCommentWalkStops) {
    const std::vector<uint8_t> s = encoded(96, 90, 1.0f, "cut me");
    const wsq::StreamFacts whole = wsq::inspect_stream(s);
    CaptureStderr();
    for (size_t n = 0; n < s.size(); ++n) {
        SCOPED_TRACE(n);
        const std::span<const uint8_t> prefix(s.data(), n);
        const wsq::StreamFacts facts = wsq::inspect_stream(prefix);
        std::vector<std::string> comments;
        wsq::CommentWalkStop stop{};
        const int code =
            wsq::read_comments_before_first_block(&comments, s.data(), static_cast<int>(n), &stop);
        EXPECT_EQ(facts.header_stop, stop);
        EXPECT_EQ(facts.header_error.code, code);
        EXPECT_EQ(code != 0, !facts.header_error.message.empty());
        EXPECT_EQ(std::vector<std::string>(facts.comments.begin(),
                                           facts.comments.begin() + facts.header_comments),
                  comments);

        EXPECT_NE(facts.segments_end, "");
        ASSERT_LE(facts.segments.size(), whole.segments.size());
        for (size_t i = 0; i < facts.segments.size(); ++i) {
            const wsq::Segment& got = facts.segments[i];
            const wsq::Segment& want = whole.segments[i];
            EXPECT_EQ(got.marker, want.marker);
            EXPECT_EQ(got.offset, want.offset);
            // Only a block can be cut: it runs to the end of the data.
            if (got.length != want.length) {
                EXPECT_EQ(got.marker, 0xFFA3);
                EXPECT_EQ(got.offset + got.length, n);
            }
        }
    }
    GetCapturedStderr();
}

TEST(InspectStream, WhyTheSegmentsStop) {
    const std::vector<uint8_t> s = encoded(96, 90, 1.0f, nullptr);
    const size_t com_length = (s[4] << 8 | s[5]);
    struct Case {
        std::vector<uint8_t> bytes;
        std::string why;
    };
    std::vector<uint8_t> trailing = s;
    trailing.insert(trailing.end(), {1, 2, 3});
    std::vector<uint8_t> bad_marker = s;
    bad_marker[2 + 2 + com_length + 1] = 0x42;  // the DTT marker becomes FF42
    const std::vector<Case> cases = {
        {{0x12}, "no SOI marker at the start"},
        {{s.begin(), s.begin() + 2}, "the file ends at offset 2 without EOI"},
        {{s.begin(), s.begin() + 3}, "the file ends at offset 2 without EOI"},
        {{s.begin(), s.begin() + 5}, "the COM segment at offset 2 is cut short"},
        {{s.begin(), s.begin() + 40},
         "the COM segment at offset 2 has a bad length (" + std::to_string(com_length) + ")"},
        {trailing, "3 bytes after EOI"},
        {bad_marker, "no valid marker at offset " + std::to_string(4 + com_length) + " (0xff42)"},
        {with_soi({0xFF, 0xA0}), "no valid marker at offset 2 (0xffa0)"},
        // A segment ending exactly at the end of the data: listed, then the data ends.
        {with_soi({0xFF, 0xA8, 0x00, 0x03, 'x'}), "the file ends at offset 7 without EOI"},
        {with_soi({0xFF, 0xA5, 0x00, 0x03, 'x'}), "the file ends at offset 7 without EOI"},
    };
    CaptureStderr();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(wsq::inspect_stream(c.bytes).segments_end, c.why);
    }
    GetCapturedStderr();
}

TEST(InspectStream, HeaderStopsCarryTheCodecsLine) {
    struct Case {
        std::vector<uint8_t> bytes;
        wsq::CommentWalkStop stop;
        int code;
        std::string line;
    };
    const std::vector<Case> cases = {
        {{0x12, 0x34},
         wsq::CommentWalkStop::NoSoi,
         -88,
         "ERROR : getc_marker_wsq : No SOI marker. {1234}"},
        {{}, wsq::CommentWalkStop::NoSoi, -40, "ERROR : getc_bytes : premature End Of Buffer"},
        {with_soi({0xFF, 0xC0}), wsq::CommentWalkStop::NoFirstMarker, -92,
         "ERROR : getc_marker_wsq : {FFC0} not a valid marker"},
        {with_soi({0xFF, 0xA8, 0x00, 0x03, 'a', 0xFF, 0xA5, 0x00, 0x09}),
         wsq::CommentWalkStop::SegmentFailed, -2,
         "ERROR : getc_skip_marker_segment : unexpected end of buffer when parsing marker 65445 "
         "segment of length 7"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        CaptureStderr();
        const wsq::StreamFacts facts = wsq::inspect_stream(c.bytes);
        const std::string err = GetCapturedStderr();
        EXPECT_EQ(facts.header_stop, c.stop);
        EXPECT_EQ(facts.header_error.code, c.code);
        EXPECT_EQ(facts.header_error.message, c.line);
        EXPECT_EQ(err, c.line + "\n");
    }
    // The comment read before the stop is kept.
    CaptureStderr();
    const wsq::StreamFacts facts =
        wsq::inspect_stream(with_soi({0xFF, 0xA8, 0x00, 0x03, 'a', 0xFF, 0xA5, 0x00, 0x09}));
    GetCapturedStderr();
    EXPECT_EQ(facts.comments, std::vector<std::string>{"a"});
}

TEST(InspectStream, NistcomAndCommentsAfterTheBlocks) {
    // Without NISTCOM the resolution is unknown; a NISTCOM list without PPI gives no
    // resolution either, while the decoder refuses it.
    testsupport::WsqStreamSpec plain;
    plain.nistcom = false;
    plain.comment = "free text";
    const wsq::StreamFacts no_nistcom = wsq::inspect_stream(testsupport::build_wsq_stream(plain));
    EXPECT_FALSE(no_nistcom.nistcom);
    EXPECT_EQ(no_nistcom.frame.ppi, -1);
    EXPECT_EQ(no_nistcom.comments, std::vector<std::string>{"free text"});

    testsupport::WsqStreamSpec no_ppi;
    no_ppi.nistcom = false;
    no_ppi.comment = "NIST_COM 2\nPIX_WIDTH 16";
    const std::vector<uint8_t> s = testsupport::build_wsq_stream(no_ppi);
    const wsq::StreamFacts facts = wsq::inspect_stream(s);
    ASSERT_TRUE(facts.nistcom);
    ASSERT_EQ(facts.nistcom->size(), 2u);
    EXPECT_EQ((*facts.nistcom)[1].name, "PIX_WIDTH");
    EXPECT_EQ((*facts.nistcom)[1].value, "16");
    EXPECT_EQ(facts.frame.ppi, -1);
    CaptureStderr();
    const wsq::Decoded decoded = wsq::decode(s);
    GetCapturedStderr();
    EXPECT_EQ(decoded.error.code, -2);
    EXPECT_EQ(decoded.error.message, "ERROR : extractfet_ret : feature PPI not found");

    // A comment after the third block is listed after the ones ahead of the first.
    std::vector<uint8_t> late = encoded(96, 90, 1.0f, nullptr);
    const uint8_t com[] = {0xFF, 0xA8, 0x00, 0x06, 'l', 'a', 't', 'e'};
    late.insert(late.end() - 2, std::begin(com), std::end(com));
    const wsq::StreamFacts after = wsq::inspect_stream(late);
    EXPECT_EQ(after.header_comments, 1u);
    ASSERT_EQ(after.comments.size(), 2u);
    EXPECT_EQ(after.comments[1], "late");
    EXPECT_EQ(after.segments_end, "");
    EXPECT_EQ(wsq::marker_name(after.segments[after.segments.size() - 2].marker),
              std::string("COM"));
}

TEST(Diagnostics, TheKeptLinesAreTheLinesOnStandardError) {
    // A failure whose line is written in three pieces (more coefficients than the picture
    // has), then a warning.
    testsupport::WsqStreamSpec plan;
    plan.subband0.assign(500, 0);
    const std::vector<uint8_t> s = testsupport::build_wsq_stream(plan);
    wsq::DiagnosticCapture capture;
    CaptureStderr();
    std::vector<uint8_t> px;
    int w, h, d, ppi, lossy, enc, sw;
    const int ret = wsq::wsq_decode_mem(&px, &w, &h, &d, &ppi, &lossy, &enc, &sw, s.data(),
                                        static_cast<int>(s.size()));
    wsq::FeatureListPtr list;
    ASSERT_EQ(wsq::string2fet(&list, "NIST_COM 2\nLOSSY 1"), 0);
    ASSERT_EQ(wsq::combine_nistcom(&list, 1, 1, 8, 500, 0), 0);
    const std::string err = GetCapturedStderr();
    EXPECT_EQ(ret, -51);
    EXPECT_EQ(capture.lines(), lines_of(err));
    EXPECT_EQ(capture.lines()[0],
              "ERROR : huffman_decode_data_mem [1]: Decoded data extends past image buffer. "
              "Encoded data appears corrupt or non-standard.");
    ASSERT_EQ(capture.lines().size(), 2u);
    EXPECT_EQ(capture.lines()[1],
              "WARNING : combine_nistcom : request to unset lossy flag ignored");
    // The warning came last, but the failure's line is the error.
    EXPECT_EQ(capture.last_error(), capture.lines()[0]);
    EXPECT_EQ(wsq::last_diagnostic(), capture.lines()[1]);

    {
        wsq::DiagnosticCapture inner;
        CaptureStderr();
        const wsq::Decoded bad = wsq::decode(std::vector<uint8_t>{0x12, 0x34});
        GetCapturedStderr();
        EXPECT_EQ(bad.error.message, "ERROR : getc_marker_wsq : No SOI marker. {1234}");
        // The decode and the walk after it each printed the line.
        EXPECT_EQ(inner.lines().size(), 2u);
    }
    // The outer capture saw the inner capture's lines too.
    EXPECT_EQ(capture.lines().size(), 4u);
    EXPECT_TRUE(wsq::DiagnosticCapture().lines().empty());
}

TEST(Diagnostics, AFailureWithoutALineIsNamedByItsCode) {
    // Two tables with id 0 in one DHT segment: refused with -2 and no line.
    std::vector<uint8_t> s{0xFF, 0xA0, 0xFF, 0xA6, 0x00, 38};
    for (int t = 0; t < 2; ++t) {
        s.push_back(0);  // table id
        for (int i = 0; i < 16; ++i) s.push_back(i == 0 ? 1 : 0);
        s.push_back(7);
    }
    CaptureStderr();
    const wsq::Decoded decoded = wsq::decode(s);
    const std::string err = GetCapturedStderr();
    EXPECT_EQ(decoded.error.code, -2);
    EXPECT_EQ(decoded.error.message, "");
    EXPECT_EQ(decoded.error.text(), "WSQ error -2");
    EXPECT_TRUE(decoded.pixels.empty());
    EXPECT_EQ(decoded.facts.width, 0);
    EXPECT_EQ(wsq::Error{}.text(), "");
}

TEST(Diagnostics, EachThreadKeepsItsOwnLines) {
    const std::vector<uint8_t> no_soi{0x12, 0x34};
    const std::vector<uint8_t> sob_first = with_soi({0xFF, 0xA3});
    const std::string no_soi_line = "ERROR : getc_marker_wsq : No SOI marker. {1234}";
    const std::string sob_line = "ERROR : getc_marker_wsq : No SOF, Table, or comment markers.";
    std::atomic<int> wrong{0};
    std::atomic<int> ready{0};
    auto run = [&](const std::vector<uint8_t>& stream, const std::string& line) {
        ++ready;
        while (ready < 2) std::this_thread::yield();
        for (int i = 0; i < 2000; ++i) {
            const wsq::Decoded d = wsq::decode(stream);
            if (d.error.message != line || wsq::last_diagnostic() != line) ++wrong;
        }
    };
    CaptureStderr();
    std::thread a(run, std::cref(no_soi), std::cref(no_soi_line));
    std::thread b(run, std::cref(sob_first), std::cref(sob_line));
    a.join();
    b.join();
    GetCapturedStderr();
    EXPECT_EQ(wrong, 0);
}

TEST(ValueApi, EqualsTheFixedEntryPointsByteForByte) {
    const std::vector<uint8_t> grey = testsupport::synthetic_print(131, 97, 11);
    const char* comments[] = {nullptr, "left thumb", "NIST_COM 2\nPPI 300"};
    for (const float rate : {0.75f, 2.25f}) {
        for (const char* comment : comments) {
            SCOPED_TRACE(comment ? comment : "(none)");
            std::vector<uint8_t> fixed;
            int len = 0;
            ASSERT_EQ(wsq::wsq_encode_1(&fixed, &len, rate, grey.data(), 131, 97, 8, 400, comment),
                      0);
            const wsq::Encoded value = wsq::encode(grey, 131, 97, rate, 400, comment);
            ASSERT_FALSE(value.error);
            EXPECT_EQ(value.bytes, fixed);
            EXPECT_EQ(static_cast<int>(value.bytes.size()), len);
        }
    }

    std::vector<std::vector<uint8_t>> streams = conformance_streams();
    streams.push_back(encoded(131, 97, 0.75f, "x"));
    streams.push_back(testsupport::build_wsq_stream({}));
    testsupport::WsqStreamSpec no_dtt;
    no_dtt.dtt = false;
    streams.push_back(testsupport::build_wsq_stream(no_dtt));
    streams.push_back(std::vector<uint8_t>(streams.back().begin(), streams.back().end() - 9));
    CaptureStderr();
    for (const std::vector<uint8_t>& s : streams) {
        std::vector<uint8_t> px;
        int w = 0, h = 0, d = 8, ppi = -1, lossy = 0, enc = 0, sw = 0;
        const int ret = wsq::wsq_decode_mem(&px, &w, &h, &d, &ppi, &lossy, &enc, &sw, s.data(),
                                            static_cast<int>(s.size()));
        const wsq::Decoded value = wsq::decode(s);
        EXPECT_EQ(value.error.code, ret);
        if (ret != 0) {
            EXPECT_TRUE(value.pixels.empty());
            continue;
        }
        EXPECT_EQ(value.pixels, px);
        const wsq::ImageFacts f = value.facts;
        EXPECT_EQ(
            std::vector<int>({f.width, f.height, f.depth, f.ppi, f.lossy, f.encoder, f.software}),
            std::vector<int>({w, h, d, ppi, lossy, enc, sw}));
    }
    GetCapturedStderr();

    // Fewer grey bytes than pixels would be read past their end: refused.
    CaptureStderr();
    const wsq::Encoded shortfall = wsq::encode(std::span(grey).first(100), 131, 97, 1.0f, 500);
    GetCapturedStderr();
    EXPECT_EQ(shortfall.error.code, -16);
    EXPECT_EQ(shortfall.error.message, "ERROR : wsq_encode_1 : 100 grey bytes for 131 x 97 pixels");
    EXPECT_TRUE(shortfall.bytes.empty());
}

TEST(ValueApi, FilesRoundTripAndFailWithTheHelpersLines) {
    const fs::path dir = fs::temp_directory_path() / ("wsq_api_" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::string path = (dir / "a.wsq").string();
    const std::vector<uint8_t> s = encoded(96, 90, 1.0f, nullptr);
    EXPECT_FALSE(wsq::write_file(path.c_str(), s));
    const wsq::FileBytes back = wsq::read_file(path.c_str());
    EXPECT_FALSE(back.error);
    EXPECT_EQ(back.bytes, s);

    const std::string missing = (dir / "missing.wsq").string();
    CaptureStderr();
    const wsq::FileBytes none = wsq::read_file(missing.c_str());
    const wsq::Error unwritable = wsq::write_file((dir / "no" / "b.wsq").c_str(), s);
    GetCapturedStderr();
    EXPECT_EQ(none.error.code, -2);
    EXPECT_EQ(none.error.message, "ERROR : filesize : file " + missing + " could not be opened");
    EXPECT_EQ(unwritable.code, -2);
    EXPECT_EQ(unwritable.message.rfind("ERROR: write_raw_from_memsize : fopen : ", 0), 0u);
    fs::remove_all(dir);
}

// Decodes keep their state to themselves: many threads decoding at once get what one thread
// gets, and a decode between two reads of the fixed bit reader leaves that reader's byte alone.
TEST(DecodeState, DecodesOnManyThreadsAndBetweenBitReads) {
    std::vector<std::vector<uint8_t>> streams = {encoded(96, 90, 0.75f, nullptr, 1),
                                                 encoded(150, 120, 2.25f, "b", 2),
                                                 encoded(81, 200, 1.0f, nullptr, 3)};
    for (auto& s : conformance_streams()) streams.push_back(std::move(s));
    std::vector<wsq::Decoded> expected;
    for (const auto& s : streams) expected.push_back(wsq::decode(s));

    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 3; ++round) {
                for (size_t k = 0; k < streams.size(); ++k) {
                    const size_t i = (k + t) % streams.size();
                    const wsq::Decoded d = wsq::decode(streams[i]);
                    if (d.error.code != 0 || d.pixels != expected[i].pixels ||
                        d.facts.width != expected[i].facts.width)
                        ++mismatches;
                }
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(mismatches, 0);

    // 0xB5 = 1011 0101: three bits, a whole decode, then the other five.
    const uint8_t data[] = {0xB5};
    const uint8_t* cur = data;
    int left = 0;
    uint16_t marker = 0, bits = 0;
    ASSERT_EQ(wsq::getc_nextbits_wsq(&bits, &marker, &cur, data + 1, &left, 3), 0);
    EXPECT_EQ(bits, 0b101);
    ASSERT_FALSE(wsq::decode(streams[0]).error);
    ASSERT_EQ(wsq::getc_nextbits_wsq(&bits, &marker, &cur, data + 1, &left, 5), 0);
    EXPECT_EQ(bits, 0b10101);
}

}  // namespace
