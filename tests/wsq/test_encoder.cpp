// The encoder driver: the segments it writes and their order, the comments, the normalisation,
// flat pictures, and the pictures it refuses.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "support/image_metrics.h"
#include "support/wsq_stream.h"
#include "wsq/decoder.h"
#include "wsq/encoder.h"
#include "wsq/records.h"

namespace {

using testsupport::segment_markers;
using testsupport::split_wsq_stream;

struct Encoded {
    int rc = 0;
    std::vector<uint8_t> bytes;
    std::string errors;
};

Encoded encode(const std::vector<uint8_t>& pixels, int w, int h, float rate,
               const char* comment = nullptr, int ppi = 500, int depth = 8) {
    Encoded e;
    int len = -1;
    testing::internal::CaptureStderr();
    e.rc = wsq::wsq_encode_1(&e.bytes, &len, rate, pixels.data(), w, h, depth, ppi, comment);
    e.errors = testing::internal::GetCapturedStderr();
    if (e.rc == 0) {
        EXPECT_EQ(len, static_cast<int>(e.bytes.size()));
    } else {
        EXPECT_EQ(len, -1) << "length set on failure";
        EXPECT_TRUE(e.bytes.empty()) << "output set on failure";
    }
    return e;
}

const std::vector<uint16_t> kLayoutWithoutComment = {
    wsq::SOI_WSQ, wsq::COM_WSQ, wsq::DTT_WSQ, wsq::DQT_WSQ, wsq::SOF_WSQ, wsq::DHT_WSQ,
    wsq::SOB_WSQ, wsq::DHT_WSQ, wsq::SOB_WSQ, wsq::SOB_WSQ, wsq::EOI_WSQ};

TEST(WsqEncode, WritesTheSegmentsInOrderWithTheNistcomText) {
    const auto print = testsupport::synthetic_print(500, 600, 11);
    Encoded e = encode(print, 500, 600, 0.75f);
    ASSERT_EQ(e.rc, 0) << e.errors;
    EXPECT_EQ(e.errors, "");
    auto segs = split_wsq_stream(e.bytes);
    ASSERT_EQ(segment_markers(segs), kLayoutWithoutComment);
    EXPECT_EQ(testsupport::comment_text(segs[1]),
              "NIST_COM 9\nPIX_WIDTH 500\nPIX_HEIGHT 600\nPIX_DEPTH 8\nPPI 500\nLOSSY 1\n"
              "COLORSPACE GRAY\nCOMPRESSION WSQ\nWSQ_BITRATE 0.750000");
    // DTT: 9 and 7 taps, five and four records.
    EXPECT_EQ(segs[2].body.size(), 2u + 9u * 6u);
    EXPECT_EQ(segs[2].body[0], 9);
    EXPECT_EQ(segs[2].body[1], 7);
    // DQT: bin centre 0.44 as scale 2, integer 44; subbands 60 to 63 all zero.
    ASSERT_EQ(segs[3].body.size(), 3u + 64u * 6u);
    EXPECT_EQ(segs[3].body[0], 2);
    EXPECT_EQ(segs[3].body[1] << 8 | segs[3].body[2], 44);
    for (size_t i = 3 + 60 * 6; i < segs[3].body.size(); ++i) EXPECT_EQ(segs[3].body[i], 0);
    // SOF: black 0, white 255, height before width, encoder 0 and software 0.
    const auto& sof = segs[4].body;
    ASSERT_EQ(sof.size(), 15u);
    EXPECT_EQ(sof[0], 0);
    EXPECT_EQ(sof[1], 255);
    EXPECT_EQ(sof[2] << 8 | sof[3], 600);
    EXPECT_EQ(sof[4] << 8 | sof[5], 500);
    EXPECT_EQ(sof[12], 0);
    EXPECT_EQ(sof[13] << 8 | sof[14], 0);
    // DHT ids 0 and 1, one table each; SOB ids 0, 1, 1.
    for (int k : {5, 7}) {
        const auto& dht = segs[k].body;
        ASSERT_GE(dht.size(), 17u);
        EXPECT_EQ(dht[0], k == 5 ? 0 : 1);
        int n = 0;
        for (int i = 1; i <= 16; ++i) n += dht[i];
        EXPECT_EQ(dht.size(), 17u + n);
        EXPECT_GT(n, 0);
    }
    EXPECT_EQ(segs[6].body, std::vector<uint8_t>{0});
    EXPECT_EQ(segs[8].body, std::vector<uint8_t>{1});
    EXPECT_EQ(segs[9].body, std::vector<uint8_t>{1});
    for (int k : {6, 8, 9}) EXPECT_FALSE(segs[k].coded.empty());
}

TEST(WsqEncode, CommentsAreWrittenOnceEach) {
    const auto print = testsupport::synthetic_print(120, 140, 4);
    Encoded plain = encode(print, 120, 140, 0.75f, "Scanned at booth 4, left index");
    ASSERT_EQ(plain.rc, 0) << plain.errors;
    auto segs = split_wsq_stream(plain.bytes);
    std::vector<uint16_t> layout = kLayoutWithoutComment;
    layout.insert(layout.begin() + 2, wsq::COM_WSQ);
    ASSERT_EQ(segment_markers(segs), layout);
    EXPECT_EQ(testsupport::comment_text(segs[2]), "Scanned at booth 4, left index");

    // An empty text is still a comment: a segment of length 2.
    Encoded empty = encode(print, 120, 140, 0.75f, "");
    ASSERT_EQ(empty.rc, 0) << empty.errors;
    segs = split_wsq_stream(empty.bytes);
    ASSERT_EQ(segment_markers(segs), layout);
    EXPECT_TRUE(segs[2].body.empty());

    // A NISTCOM text is merged into the one NISTCOM comment.
    Encoded merged = encode(print, 120, 140, 0.75f, "NIST_COM 3\nPPI 1000\nOWNER booth 4");
    ASSERT_EQ(merged.rc, 0) << merged.errors;
    segs = split_wsq_stream(merged.bytes);
    ASSERT_EQ(segment_markers(segs), kLayoutWithoutComment);
    const std::string text = testsupport::comment_text(segs[1]);
    EXPECT_EQ(text.rfind("NIST_COM 10\n", 0), 0u) << text;
    EXPECT_NE(text.find("\nOWNER booth 4\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nPPI 500\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("PPI 1000"), std::string::npos) << text;
}

TEST(WsqEncode, DepthArgumentHasNoEffect) {
    const auto print = testsupport::synthetic_print(100, 90, 2);
    Encoded d8 = encode(print, 100, 90, 1.0f, nullptr, 500, 8);
    Encoded d1 = encode(print, 100, 90, 1.0f, nullptr, 500, 1);
    ASSERT_EQ(d8.rc, 0) << d8.errors;
    EXPECT_EQ(d1.bytes, d8.bytes);
}

TEST(WsqEncode, FlatPictureCodesNoSubbandButKeepsEverySegment) {
    const std::vector<uint8_t> flat(128 * 96, 77);
    Encoded e = encode(flat, 128, 96, 0.75f);
    ASSERT_EQ(e.rc, 0) << e.errors;
    auto segs = split_wsq_stream(e.bytes);
    ASSERT_EQ(segment_markers(segs), kLayoutWithoutComment);
    // No q is coded; both tables are empty and every block has no coded byte.
    for (size_t i = 3; i < segs[3].body.size(); ++i) EXPECT_EQ(segs[3].body[i], 0) << i;
    for (int k : {5, 7}) {
        std::vector<uint8_t> empty_table(17, 0);
        empty_table[0] = k == 5 ? 0 : 1;
        EXPECT_EQ(segs[k].body, empty_table);
    }
    for (int k : {6, 8, 9}) EXPECT_TRUE(segs[k].coded.empty());
    // It decodes to the same flat picture.
    std::vector<uint8_t> pixels;
    int w = 0, h = 0, d = 0, ppi = 0, lossy = 0, enc = -1, sw = -1;
    ASSERT_EQ(wsq::wsq_decode_mem(&pixels, &w, &h, &d, &ppi, &lossy, &enc, &sw, e.bytes.data(),
                                  static_cast<int>(e.bytes.size())),
              0);
    EXPECT_EQ(w, 128);
    EXPECT_EQ(h, 96);
    EXPECT_EQ(pixels, flat);
}

TEST(WsqEncode, RefusesPicturesBelowEightyOnePixels) {
    for (auto [w, h] : {std::pair{80, 200}, std::pair{200, 80}, std::pair{65, 65},
                        std::pair{1, 1}, std::pair{0, 100}, std::pair{-5, 100}}) {
        SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
        const std::vector<uint8_t> px(static_cast<size_t>(std::max(w, 1)) * std::max(h, 1), 100);
        Encoded e = encode(px, w, h, 0.75f);
        EXPECT_EQ(e.rc, -14);
        EXPECT_EQ(e.errors, "ERROR : wsq_encode_1 : image of " + std::to_string(w) + " x " +
                                std::to_string(h) + " is smaller than 81 x 81 pixels\n");
    }
    const auto print = testsupport::synthetic_print(81, 81, 1);
    EXPECT_EQ(encode(print, 81, 81, 0.75f).rc, 0);
}

TEST(WsqEncode, RefusesPicturesTooLargeForTheFrame) {
    const std::vector<uint8_t> px(100, 0);  // never read: the size is refused first
    Encoded e = encode(px, 70000, 100, 0.75f);
    EXPECT_EQ(e.rc, -15);
    EXPECT_NE(e.errors.find("too large"), std::string::npos);
}

TEST(WsqEncode, StreamsLongerThanThePixelsFailWithTheWritersOverflow) {
    // Noise at high rates does not compress below one byte a pixel (96 x 96 = 9216 bytes).
    std::mt19937 rng(3);
    std::vector<uint8_t> noise(96 * 96);
    for (uint8_t& p : noise) p = static_cast<uint8_t>(rng());
    ASSERT_EQ(encode(noise, 96, 96, 6.0f).rc, 0);
    // The coded blocks fit their area, the whole stream does not fit the output.
    Encoded e = encode(noise, 96, 96, 7.0f);
    EXPECT_EQ(e.rc, -33);
    EXPECT_EQ(e.errors.rfind("ERROR : putc_bytes : buffer overlow : alloc = 9216, request = ", 0),
              0u)
        << e.errors;
    // A coded block alone outgrows the area: the coder stops at its end.
    e = encode(noise, 96, 96, 9.0f);
    EXPECT_EQ(e.rc, -32);
    EXPECT_EQ(e.errors, "ERROR : putc_byte : buffer overlow : alloc = 9216, request = 9216\n");
}

TEST(WsqEncode, BundledSampleIsOursAndDecodes) {
    const std::string path = std::string(WSQ_BINARY_DIR) + "/resources/sample.wsq";
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) GTEST_SKIP() << "no sample at " << path;
    std::vector<uint8_t> bytes;
    for (int c = std::fgetc(f); c != EOF; c = std::fgetc(f)) bytes.push_back(static_cast<uint8_t>(c));
    std::fclose(f);
    auto segs = split_wsq_stream(bytes);
    ASSERT_GE(segs.size(), 3u);
    EXPECT_NE(testsupport::comment_text(segs[1]).find("WSQ_BITRATE 0.750000"), std::string::npos);
    EXPECT_EQ(segs[2].marker, wsq::COM_WSQ);
    std::vector<uint8_t> pixels;
    int w = 0, h = 0, d = 0, ppi = 0, lossy = 0, enc = -1, sw = -1;
    ASSERT_EQ(wsq::wsq_decode_mem(&pixels, &w, &h, &d, &ppi, &lossy, &enc, &sw, bytes.data(),
                                  static_cast<int>(bytes.size())),
              0);
    EXPECT_EQ(ppi, 500);
    EXPECT_EQ(pixels.size(), static_cast<size_t>(w) * h);
}

TEST(ConvImg2Flt, NormalisesAroundTheMean) {
    const uint8_t px[4] = {0, 255, 128, 128};
    float f[4];
    float m_shift = 0;
    float r_scale = 0;
    EXPECT_EQ(wsq::conv_img_2_flt(f, &m_shift, &r_scale, px, 4), 0);
    EXPECT_EQ(m_shift, 127.75f);
    EXPECT_EQ(r_scale, 127.75f / 128.0f);
    EXPECT_EQ(f[0], -127.75f / r_scale);
    EXPECT_EQ(f[1], 127.25f / r_scale);

    const uint8_t flat[3] = {9, 9, 9};
    EXPECT_EQ(wsq::conv_img_2_flt(f, &m_shift, &r_scale, flat, 3), 0);
    EXPECT_EQ(m_shift, 9.0f);
    EXPECT_EQ(r_scale, 1.0f);
    EXPECT_EQ(f[0], 0.0f);
}

// The integer sum and sixteen-at-a-time conversion give the bits of the long double sum and
// one-at-a-time conversion: on prints, on pictures using one, two or all byte values, and at
// lengths around the group size (the tail).
TEST(ConvImg2Flt, FastConversionMatchesTheReference) {
    std::mt19937 rng(21);
    std::vector<std::vector<uint8_t>> pictures = {testsupport::synthetic_print(333, 217, 4),
                                                  std::vector<uint8_t>(100, 0),
                                                  std::vector<uint8_t>(77, 255)};
    std::vector<uint8_t> extremes(4099);
    for (uint8_t& v : extremes) v = rng() % 2 ? 0 : 255;
    pictures.push_back(extremes);
    std::vector<uint8_t> noise(65536 + 5);
    for (uint8_t& v : noise) v = static_cast<uint8_t>(rng());
    pictures.push_back(noise);
    for (const std::vector<uint8_t>& px : pictures) {
        for (int n : {1, 15, 16, 17, 31, 33, static_cast<int>(px.size())}) {
            if (n > static_cast<int>(px.size())) continue;
            SCOPED_TRACE(n);
            std::vector<float> fast(n + 1, -7.0f), ref(n + 1, -7.0f);
            float fast_shift = 0, fast_scale = 0, ref_shift = 0, ref_scale = 0;
            EXPECT_EQ(wsq::conv_img_2_flt(fast.data(), &fast_shift, &fast_scale, px.data(), n), 0);
            EXPECT_EQ(wsq::conv_img_2_flt_reference(ref.data(), &ref_shift, &ref_scale, px.data(),
                                                    n), 0);
            EXPECT_EQ(std::memcmp(&fast_shift, &ref_shift, sizeof(float)), 0);
            EXPECT_EQ(std::memcmp(&fast_scale, &ref_scale, sizeof(float)), 0);
            EXPECT_EQ(std::memcmp(fast.data(), ref.data(), sizeof(float) * (n + 1)), 0);
        }
    }
}

}  // namespace
