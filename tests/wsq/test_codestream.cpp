// Markers, segment readers and writers, scaled integers and the comment walk.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wsq/byte_io.h"
#include "wsq/codestream.h"
#include "wsq/scaled_integer.h"
#include "wsq/wsq.h"

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

using Bytes = std::vector<uint8_t>;

struct Reader {
    explicit Reader(const Bytes& b) : cur(b.data()), end(b.data() + b.size()) {}
    const uint8_t* cur;
    const uint8_t* end;
};

int read_marker(const Bytes& b, int mode, uint16_t* marker, std::string* err) {
    Reader r(b);
    CaptureStderr();
    const int ret = wsq::getc_marker_wsq(marker, mode, &r.cur, r.end);
    *err = GetCapturedStderr();
    return ret;
}

TEST(Markers, EachModeAcceptsItsMarkersAndNamesWhatItRead) {
    uint16_t m = 0;
    std::string err;
    EXPECT_EQ(read_marker({0xFF, 0xA2}, wsq::SoiOnly, &m, &err), -88);
    EXPECT_EQ(err, "ERROR : getc_marker_wsq : No SOI marker. {FFA2}\n");
    EXPECT_EQ(read_marker({0xFF, 0xA0}, wsq::SoiOnly, &m, &err), 0);
    EXPECT_EQ(m, wsq::SOI_WSQ);

    EXPECT_EQ(read_marker({0xFF, 0xA3}, wsq::TablesOrSof, &m, &err), -89);
    EXPECT_EQ(err, "ERROR : getc_marker_wsq : No SOF, Table, or comment markers.\n");
    EXPECT_EQ(read_marker({0xFF, 0xA2}, wsq::TablesOrSob, &m, &err), -90);
    EXPECT_EQ(err, "ERROR : getc_marker_wsq : No SOB, Table, or comment markers.{FFA2}\n");
    for (uint8_t low : {0xA4, 0xA5, 0xA6, 0xA8}) {
        EXPECT_EQ(read_marker({0xFF, low}, wsq::TablesOrSof, &m, &err), 0);
        EXPECT_EQ(read_marker({0xFF, low}, wsq::TablesOrSob, &m, &err), 0);
    }

    EXPECT_EQ(read_marker({0x12, 0xA0}, wsq::AnyMarker, &m, &err), -91);
    EXPECT_EQ(err, "ERROR : getc_marker_wsq : no marker found {12A0}\n");
    EXPECT_EQ(read_marker({0xFF, 0xC0}, wsq::AnyMarker, &m, &err), -92);
    EXPECT_EQ(err, "ERROR : getc_marker_wsq : {FFC0} not a valid marker\n");
    EXPECT_EQ(read_marker({0xFF, 0xA7}, wsq::AnyMarker, &m, &err), 0);
    EXPECT_EQ(m, wsq::DRT_WSQ);

    EXPECT_EQ(read_marker({0xFF, 0xA0}, 7, &m, &err), -93);
    EXPECT_EQ(err, "ERROR : getc_marker_wsq : Invalid marker -> {FFA0}\n");
    EXPECT_EQ(read_marker({0xFF}, wsq::AnyMarker, &m, &err), -40);
}

TEST(Segments, TruncatedSegmentsFailWithTheReaderCodes) {
    wsq::FrameHeader frame;
    Bytes half_length = {0x00};
    Reader r1(half_length);
    CaptureStderr();
    EXPECT_EQ(wsq::getc_frame_header(&frame, &r1.cur, r1.end), -40);
    GetCapturedStderr();

    // A SOB segment that ends after its length field.
    Bytes sob = {0x00, 0x03};
    Reader r2(sob);
    uint8_t table = 9;
    CaptureStderr();
    EXPECT_EQ(wsq::getc_block_header(&table, &r2.cur, r2.end), -39);
    EXPECT_EQ(GetCapturedStderr(), "ERROR : getc_byte : premature End Of Buffer\n");
    EXPECT_EQ(table, 9);
    EXPECT_EQ(r2.cur, sob.data());
}

Bytes dht_table(uint8_t id, const std::vector<uint8_t>& counts16, const Bytes& values) {
    Bytes b = {id};
    b.insert(b.end(), counts16.begin(), counts16.end());
    b.insert(b.end(), values.begin(), values.end());
    return b;
}

Bytes dht_segment(const std::vector<Bytes>& tables) {
    Bytes body;
    for (const Bytes& t : tables) body.insert(body.end(), t.begin(), t.end());
    const size_t len = body.size() + 2;
    body.insert(body.begin(), {static_cast<uint8_t>(len >> 8), static_cast<uint8_t>(len)});
    return body;
}

std::vector<uint8_t> counts(std::initializer_list<uint8_t> first) {
    std::vector<uint8_t> c(16, 0);
    std::copy(first.begin(), first.end(), c.begin());
    return c;
}

int read_dht(const Bytes& seg, wsq::HuffmanTableSet* set, std::string* err) {
    Reader r(seg);
    CaptureStderr();
    const int ret = wsq::getc_huffman_segment(set, &r.cur, r.end);
    *err = GetCapturedStderr();
    return ret;
}

TEST(Segments, HuffmanSegmentsDefineSlotsAndRefuseBadTables) {
    std::string err;
    wsq::HuffmanTableSet set{};
    EXPECT_EQ(read_dht({0x00, 0x02}, &set, &err), -2);
    EXPECT_EQ(err, "ERROR : getc_huffman_table : no huffman table bytes remaining\n");

    const Bytes t0 = dht_table(0, counts({1, 1}), {7, 9});
    const Bytes t1 = dht_table(1, counts({0, 2}), {3, 4});
    ASSERT_EQ(read_dht(dht_segment({t0, t1}), &set, &err), 0);
    EXPECT_TRUE(set[0].tabdef && set[1].tabdef);
    EXPECT_EQ(set[0].huffbits[1], 1);
    EXPECT_EQ(set[1].huffvalues[1], 4);
    EXPECT_EQ(set[1].huffvalues[2], 0);

    // The first table of a segment overwrites its slot; a second one into a defined slot fails.
    wsq::HuffmanTableSet twice{};
    EXPECT_EQ(read_dht(dht_segment({t0, t0}), &twice, &err), -2);
    EXPECT_EQ(err, "");
    EXPECT_TRUE(twice[0].tabdef);

    std::vector<uint8_t> big(16, 0);
    big[15] = 255;
    big[14] = 3;  // 258 values
    wsq::HuffmanTableSet none{};
    EXPECT_EQ(read_dht(dht_segment({dht_table(2, big, Bytes(258, 1))}), &none, &err), -4);
    EXPECT_EQ(err,
              "ERROR : getc_huffman_table : num_hufvals (258) is largerthan MAX_HUFFCOUNTS "
              "(257)\n");

    // Ids of 8 or more name no slot and touch nothing.
    EXPECT_EQ(read_dht(dht_segment({dht_table(8, counts({1}), {5})}), &none, &err), -2);
    EXPECT_EQ(err, "ERROR : getc_huffman_segment : huffman table id 8 is not below 8\n");
    EXPECT_EQ(read_dht(dht_segment({t1, dht_table(255, counts({1}), {5})}), &none, &err), -2);
    for (const wsq::HuffmanTable& t : none) EXPECT_EQ(t.tabdef, t.huffbits[1] == 2 ? 1 : 0);

    // A length that ends inside a table is found when the next table is wanted.
    Bytes short_len = dht_segment({t0});
    short_len[1] -= 1;
    short_len.push_back(0xEE);
    wsq::HuffmanTableSet s2{};
    EXPECT_EQ(read_dht(short_len, &s2, &err), -2);
    EXPECT_EQ(err, "ERROR : getc_huffman_table : no huffman table bytes remaining\n");
}

TEST(Segments, CommentsAndSkipping) {
    std::string text = "x";
    Bytes empty = {0x00, 0x02};
    Reader r(empty);
    ASSERT_EQ(wsq::getc_comment(&text, &r.cur, r.end), 0);
    EXPECT_EQ(text, "");

    Bytes hello = {0x00, 0x07, 'h', 'e', 'l', 'l', 'o', 0xFF};
    Reader r2(hello);
    ASSERT_EQ(wsq::getc_comment(&text, &r2.cur, r2.end), 0);
    EXPECT_EQ(text, "hello");
    EXPECT_EQ(r2.cur, hello.data() + 7);

    Bytes cut = {0x00, 0x09, 'h', 'i'};
    Reader r3(cut);
    CaptureStderr();
    EXPECT_EQ(wsq::getc_comment(&text, &r3.cur, r3.end), -40);
    GetCapturedStderr();
    EXPECT_EQ(text, "hello");

    // Skipping: a segment that reaches exactly the end of the buffer is refused.
    Bytes seg = {0x00, 0x04, 1, 2};
    Reader r4(seg);
    CaptureStderr();
    EXPECT_EQ(wsq::getc_skip_marker_segment(wsq::DTT_WSQ, &r4.cur, r4.end), -2);
    EXPECT_EQ(GetCapturedStderr(),
              "ERROR : getc_skip_marker_segment : unexpected end of buffer when parsing marker "
              "65444 segment of length 2\n");
    seg.push_back(0xFF);
    Reader r5(seg);
    ASSERT_EQ(wsq::getc_skip_marker_segment(wsq::DTT_WSQ, &r5.cur, r5.end), 0);
    EXPECT_EQ(r5.cur, seg.data() + 4);

    Bytes bad = {0xFF, 0xA2};
    Reader r6(bad);
    wsq::TransformTable dtt;
    wsq::QuantTable dqt;
    wsq::HuffmanTableSet dht{};
    CaptureStderr();
    EXPECT_EQ(wsq::getc_table_wsq(wsq::SOF_WSQ, &dtt, &dqt, &dht, &r6.cur, r6.end), -93);
    EXPECT_EQ(GetCapturedStderr(), "ERROR: getc_table_wsq : Invalid table defined -> {65442}\n");
}

TEST(ScaledIntegers, ReadAsThirtyTwoBitQuotients) {
    // Divided in float after every step: the DTT's centre tap reads back one float step below
    // the analysis constant.
    const float centre = wsq::scaled_integer_value(9, 852698684u);
    EXPECT_EQ(centre, 0.8526986f);
    EXPECT_NE(centre, 0.8526986837387085f);
    EXPECT_EQ(wsq::scaled_integer_value(2, 11730), 117.3f);
    EXPECT_EQ(wsq::scaled_integer_value(0, 0), 0.0f);
    EXPECT_EQ(wsq::scaled_integer_value(255, 65535), 0.0f);  // underflows, never loops long
}

TEST(ScaledIntegers, WrittenWithTheMostDigitsThatFit) {
    auto s = wsq::scaled_integer_for(0.8526986837387085, 4294967295.0, 32);
    EXPECT_EQ(s.scale, 9);
    EXPECT_EQ(s.raw, 852698684u);
    s = wsq::scaled_integer_for(0.418092280626297, 4294967295.0, 32);
    EXPECT_EQ(s.scale, 10);
    EXPECT_EQ(s.raw, 4180922806u);
    s = wsq::scaled_integer_for(117.3f, 65535.0, 16);
    EXPECT_EQ(s.scale, 2);
    EXPECT_EQ(s.raw, 11730u);
    s = wsq::scaled_integer_for(0.0, 65535.0, 16);
    EXPECT_EQ(s.scale, 0);
    EXPECT_EQ(s.raw, 0u);
    s = wsq::scaled_integer_for(700000.0, 65535.0, 16);  // not refused: scale 255, wrapped
    EXPECT_EQ(s.scale, 255);
    EXPECT_EQ(s.raw, 70000u % 65536u);
}

TEST(SegmentWriters, FrameHeaderRoundTrip) {
    uint8_t buf[64];
    int len = 0;
    ASSERT_EQ(wsq::putc_frame_header(417, 300, 117.3f, 0.0f, buf, sizeof buf, &len), 0);
    const Bytes expect = {0xFF, 0xA2, 0x00, 0x11, 0x00, 0xFF, 0x01, 0x2C, 0x01, 0xA1,
                          0x02, 0x2D, 0xD2, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    ASSERT_EQ(len, static_cast<int>(expect.size()));
    EXPECT_EQ(Bytes(buf, buf + len), expect);

    const uint8_t* cur = buf + 2;
    wsq::FrameHeader frame;
    ASSERT_EQ(wsq::getc_frame_header(&frame, &cur, buf + len), 0);
    EXPECT_EQ(frame.width, 417);
    EXPECT_EQ(frame.height, 300);
    EXPECT_EQ(frame.m_shift, 117.3f);
    EXPECT_EQ(frame.r_scale, 0.0f);
    EXPECT_EQ(frame.white, 255);
}

TEST(SegmentWriters, QuantizationTable) {
    wsq::QuantValues qv;
    for (int k = 0; k < wsq::MAX_SUBBANDS; ++k) {
        qv.Q[k] = 1.5f + k;
        qv.Z[k] = 1.2f * qv.Q[k];
    }
    qv.Q[5] = 0.0f;
    std::vector<uint8_t> buf(400);
    int len = 0;
    ASSERT_EQ(wsq::putc_quantization_table(&qv, buf.data(), 400, &len), 0);
    ASSERT_EQ(len, 2 + 389);
    EXPECT_EQ(buf[2], 0x01);
    EXPECT_EQ(buf[3], 0x85);
    EXPECT_EQ(buf[4], 2);
    EXPECT_EQ((buf[5] << 8) | buf[6], 44);
    const int sb5 = 7 + 5 * 6;
    for (int i = 0; i < 6; ++i) EXPECT_EQ(buf[sb5 + i], 0) << i;

    const uint8_t* cur = buf.data() + 2;
    wsq::QuantTable table;
    ASSERT_EQ(wsq::getc_quantization_table(&table, &cur, buf.data() + len), 0);
    EXPECT_EQ(table.dqt_def, 1);
    EXPECT_FLOAT_EQ(table.bin_center, 0.44f);
    EXPECT_FLOAT_EQ(table.q[0], 1.5f);
    EXPECT_FLOAT_EQ(table.z[7], 1.2f * 8.5f);
    EXPECT_EQ(table.q[5], 0.0f);
    EXPECT_EQ(table.q[60], 0.0f);  // subbands 60 to 63 are never written

    qv.Q[5] = 70000.0f;
    len = 0;
    CaptureStderr();
    EXPECT_EQ(wsq::putc_quantization_table(&qv, buf.data(), 400, &len), -86);
    EXPECT_EQ(GetCapturedStderr(),
              "ERROR : putc_quantization_table : Q[5] to high at 70000.000000\n");
    EXPECT_EQ(len, 0);
    qv.Q[5] = 3.0f;
    qv.Z[9] = 65535.0f;
    CaptureStderr();
    EXPECT_EQ(wsq::putc_quantization_table(&qv, buf.data(), 400, &len), -87);
    EXPECT_EQ(GetCapturedStderr(),
              "ERROR : putc_quantization_table : Z[9] to high at 65535.000000\n");
}

TEST(SegmentWriters, TransformTableReadsBackAsSynthesisFilters) {
    // Analysis taps, symmetric: low-pass 9 taps (centre 4), high-pass 7 taps (centre 3).
    const float lo[9] = {0.03782845550699535f, -0.02384946501938000f, -0.11062440441842f,
                         0.37740285561265f,    0.8526986837387085f,   0.37740285561265f,
                         -0.11062440441842f,   -0.02384946501938000f, 0.03782845550699535f};
    const float hi[7] = {0.06453888262893845f, -0.04068941760955844f, -0.418092280626297f,
                         0.7884856164056651f,  -0.418092280626297f,   -0.04068941760955844f,
                         0.06453888262893845f};
    uint8_t buf[128];
    int len = 0;
    ASSERT_EQ(wsq::putc_transform_table(lo, 9, hi, 7, buf, sizeof buf, &len), 0);
    ASSERT_EQ(len, 2 + 2 + 2 + 6 * 5 + 6 * 4);
    EXPECT_EQ((buf[2] << 8) | buf[3], 58);
    EXPECT_EQ(buf[4], 9);
    EXPECT_EQ(buf[5], 7);
    // First record: the centre tap 0.8526986837387085.
    EXPECT_EQ(buf[6], 0);
    EXPECT_EQ(buf[7], 9);
    EXPECT_EQ(uint32_t(buf[8]) << 24 | buf[9] << 16 | buf[10] << 8 | buf[11], 852698684u);

    const uint8_t* cur = buf + 2;
    wsq::TransformTable dtt;
    ASSERT_EQ(wsq::getc_transform_table(&dtt, &cur, buf + len), 0);
    ASSERT_EQ(dtt.hisize, 9);
    ASSERT_EQ(dtt.losize, 7);
    ASSERT_TRUE(dtt.lo_def && dtt.hi_def);
    // Synthesis high-pass: the analysis low-pass with every other tap from the centre negated.
    for (int i = 0; i < 9; ++i) {
        const float sign = ((i - 4) % 2 == 0) ? 1.0f : -1.0f;
        EXPECT_NEAR(dtt.hifilt[i], sign * lo[i], 1e-7) << i;
    }
    for (int i = 0; i < 7; ++i) {
        const float sign = ((i - 3) % 2 == 0) ? 1.0f : -1.0f;
        EXPECT_NEAR(dtt.lofilt[i], sign * hi[i], 1e-7) << i;
    }
    EXPECT_EQ(dtt.hifilt[4], 0.8526986f);

    // A table cut short leaves no filters at all.
    cur = buf + 2;
    CaptureStderr();
    EXPECT_EQ(wsq::getc_transform_table(&dtt, &cur, buf + len - 1), -40);
    GetCapturedStderr();
    EXPECT_TRUE(dtt.lofilt.empty() && dtt.hifilt.empty());
    EXPECT_FALSE(dtt.lo_def || dtt.hi_def);

    float huge[1] = {5e9f};
    len = 0;
    CaptureStderr();
    EXPECT_EQ(wsq::putc_transform_table(huge, 1, hi, 7, buf, sizeof buf, &len), -82);
    EXPECT_EQ(GetCapturedStderr(),
              "ERROR: putc_transform_table : lofilt[0] to high at 5000000000.000000\n");
    CaptureStderr();
    EXPECT_EQ(wsq::putc_transform_table(lo, 9, huge, 1, buf, sizeof buf, &len), -83);
    EXPECT_EQ(GetCapturedStderr(),
              "ERROR: putc_transform_table : hifilt[0] to high at 5000000000.000000\n");
}

TEST(SegmentWriters, EvenLengthFiltersFollowTheirOwnSymmetry) {
    // Hand-made records for even lengths: 4 analysis low-pass taps, 2 analysis high-pass taps.
    const float lo[4] = {0.25f, 0.5f, 0.5f, 0.25f};
    const float hi[2] = {-0.75f, 0.75f};
    uint8_t buf[64];
    int len = 0;
    ASSERT_EQ(wsq::putc_transform_table(lo, 4, hi, 2, buf, sizeof buf, &len), 0);
    const uint8_t* cur = buf + 2;
    wsq::TransformTable dtt;
    ASSERT_EQ(wsq::getc_transform_table(&dtt, &cur, buf + len), 0);
    // hisize 4: hifilt[2 + i] = s a[i], hifilt[1 - i] = -hifilt[2 + i].
    EXPECT_EQ(dtt.hifilt, (std::vector<float>{0.25f, -0.5f, 0.5f, -0.25f}));
    // losize 2: lofilt[1 + i] = -b[i] for even i, lofilt[0 - i] = the same.
    EXPECT_EQ(dtt.lofilt, (std::vector<float>{-0.75f, -0.75f}));
}

TEST(SegmentWriters, CommentLengthsAreBounded) {
    std::vector<uint8_t> buf(70000);
    int len = 0;
    ASSERT_EQ(wsq::putc_comment_segment(wsq::COM_WSQ, "abc", 3, buf.data(), 70000, &len), 0);
    EXPECT_EQ(Bytes(buf.begin(), buf.begin() + len),
              (Bytes{0xFF, 0xA8, 0x00, 0x05, 'a', 'b', 'c'}));

    // 65533 text bytes fit a segment; one more would wrap its length field.
    const std::string longest(65533, 'x');
    len = 0;
    ASSERT_EQ(
        wsq::putc_comment_segment(wsq::COM_WSQ, longest.c_str(), 65533, buf.data(), 70000, &len),
        0);
    EXPECT_EQ((buf[2] << 8) | buf[3], 65535);
    len = 0;
    const std::string too_long(65534, 'x');
    CaptureStderr();
    EXPECT_EQ(
        wsq::putc_comment_segment(wsq::COM_WSQ, too_long.c_str(), 65534, buf.data(), 70000, &len),
        -34);
    EXPECT_EQ(GetCapturedStderr(),
              "ERROR : putc_comment_segment : comment of 65534 bytes is longer than 65533\n");
    EXPECT_EQ(len, 0);

    uint8_t small[6];
    len = 0;
    CaptureStderr();
    EXPECT_EQ(wsq::putc_comment_segment(wsq::COM_WSQ, "abc", 3, small, 6, &len), -33);
    GetCapturedStderr();
    EXPECT_EQ(len, 0);  // nothing counted from a segment that did not fit
}

TEST(SegmentWriters, HuffmanTableAndBlockHeader) {
    const uint8_t bits[16] = {0, 2, 1};
    const uint8_t values[3] = {101, 180, 3};
    uint8_t buf[64];
    int len = 0;
    ASSERT_EQ(wsq::putc_huffman_table(wsq::DHT_WSQ, 1, bits, values, buf, sizeof buf, &len), 0);
    ASSERT_EQ(wsq::putc_block_header(1, buf, sizeof buf, &len), 0);
    ASSERT_EQ(len, 2 + 19 + 3 + 5);
    EXPECT_EQ((buf[2] << 8) | buf[3], 22);

    const uint8_t* cur = buf + 2;
    wsq::HuffmanTableSet set{};
    ASSERT_EQ(wsq::getc_huffman_segment(&set, &cur, buf + len), 0);
    EXPECT_EQ(set[1].huffvalues[2], 3);
    uint16_t marker = 0;
    ASSERT_EQ(wsq::getc_marker_wsq(&marker, wsq::TablesOrSob, &cur, buf + len), 0);
    EXPECT_EQ(marker, wsq::SOB_WSQ);
    uint8_t table = 0;
    ASSERT_EQ(wsq::getc_block_header(&table, &cur, buf + len), 0);
    EXPECT_EQ(table, 1);
}

TEST(CommentWalk, KeepsCommentsUpToTheFirstBlock) {
    std::vector<uint8_t> buf(256);
    int len = 0;
    ASSERT_EQ(wsq::putc_u16(wsq::SOI_WSQ, buf.data(), 256, &len), 0);
    ASSERT_EQ(wsq::putc_comment_segment(wsq::COM_WSQ, "first", 5, buf.data(), 256, &len), 0);
    ASSERT_EQ(wsq::putc_frame_header(8, 8, 100.0f, 2.0f, buf.data(), 256, &len), 0);
    ASSERT_EQ(wsq::putc_comment_segment(wsq::COM_WSQ, "second", 6, buf.data(), 256, &len), 0);
    ASSERT_EQ(wsq::putc_block_header(0, buf.data(), 256, &len), 0);
    ASSERT_EQ(wsq::putc_comment_segment(wsq::COM_WSQ, "after", 5, buf.data(), 256, &len), 0);

    std::vector<std::string> comments;
    wsq::CommentWalkStop stop;
    EXPECT_EQ(wsq::read_comments_before_first_block(&comments, buf.data(), len, &stop), 0);
    EXPECT_EQ(stop, wsq::CommentWalkStop::FirstBlock);
    EXPECT_EQ(comments, (std::vector<std::string>{"first", "second"}));

    // Cut inside the frame header: the first comment is kept, the walk reports its stop.
    CaptureStderr();
    EXPECT_EQ(wsq::read_comments_before_first_block(&comments, buf.data(), 16, &stop), -2);
    GetCapturedStderr();
    EXPECT_EQ(stop, wsq::CommentWalkStop::SegmentFailed);
    EXPECT_EQ(comments, (std::vector<std::string>{"first"}));

    CaptureStderr();
    EXPECT_EQ(wsq::read_comments_before_first_block(&comments, buf.data() + 2, len - 2, &stop),
              -88);
    GetCapturedStderr();
    EXPECT_EQ(stop, wsq::CommentWalkStop::NoSoi);
    EXPECT_TRUE(comments.empty());
    const uint8_t soi_only[] = {0xFF, 0xA0, 0x00};
    CaptureStderr();
    EXPECT_EQ(wsq::read_comments_before_first_block(&comments, soi_only, 3, &stop), -40);
    GetCapturedStderr();
    EXPECT_EQ(stop, wsq::CommentWalkStop::NoFirstMarker);
}

}  // namespace
