// The decoder driver over hand-built streams: outputs, resolution, and every failure path.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "support/wsq_stream_builder.h"
#include "wsq/decoder.h"
#include "wsq/quantization.h"
#include "wsq/wavelet.h"
#include "wsq/codec_state.h"

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

using Bytes = std::vector<uint8_t>;

using testsupport::WsqStreamSpec;
using StreamSpec = testsupport::WsqStreamSpec;

Bytes build(const StreamSpec& s) { return testsupport::build_wsq_stream(s); }

struct Result {
    int ret = 0;
    std::string err;
    std::vector<uint8_t> pixels = {7};
    int w = -5, h = -5, d = -5, ppi = -5, lossy = -5, encoder = -5, software = -5;
};

Result decode(const Bytes& b) {
    Result r;
    CaptureStderr();
    r.ret = wsq::wsq_decode_mem(&r.pixels, &r.w, &r.h, &r.d, &r.ppi, &r.lossy, &r.encoder,
                                &r.software, b.data(), static_cast<int>(b.size()));
    r.err = GetCapturedStderr();
    return r;
}

void expect_untouched(const Result& r) {
    EXPECT_EQ(r.pixels, std::vector<uint8_t>{7});
    EXPECT_EQ(r.w, -5);
    EXPECT_EQ(r.h, -5);
    EXPECT_EQ(r.ppi, -5);
}

TEST(Decoder, DecodesAHandBuiltStream) {
    StreamSpec plan;
    Result r = decode(build(plan));
    ASSERT_EQ(r.ret, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.w, 16);
    EXPECT_EQ(r.h, 12);
    EXPECT_EQ(r.d, 8);
    EXPECT_EQ(r.ppi, 500);
    EXPECT_EQ(r.lossy, 1);
    EXPECT_EQ(r.encoder, 0);
    EXPECT_EQ(r.software, 0);
    EXPECT_EQ(r.pixels, std::vector<uint8_t>(16 * 12, 100));

    // Small frames decode too.
    for (int size : {1, 2, 3, 5}) {
        SCOPED_TRACE(size);
        plan.width = size;
        plan.height = size + 1;
        r = decode(build(plan));
        ASSERT_EQ(r.ret, 0) << r.err;
        EXPECT_EQ(r.pixels.size(), static_cast<size_t>(size * (size + 1)));
    }
}

TEST(Decoder, ResolutionFromTheNistcomComment) {
    StreamSpec plan;
    plan.nistcom = false;
    Result r = decode(build(plan));
    ASSERT_EQ(r.ret, 0) << r.err;
    EXPECT_EQ(r.ppi, -1);

    plan.comment = "NIST_COM 2\nPIX_WIDTH 16";
    r = decode(build(plan));
    EXPECT_EQ(r.ret, -2);
    EXPECT_EQ(r.err, "ERROR : extractfet_ret : feature PPI not found\n");
    expect_untouched(r);

    plan.comment = "NIST_COM 2\nPPI ";
    r = decode(build(plan));
    ASSERT_EQ(r.ret, 0) << r.err;
    EXPECT_EQ(r.ppi, -1);

    plan.comment = "NIST_COM 2\nPPI  +1000dpi";
    r = decode(build(plan));
    ASSERT_EQ(r.ret, 0) << r.err;
    EXPECT_EQ(r.ppi, 1000);
    plan.comment = "NIST_COM 2\nPPI high";
    r = decode(build(plan));
    EXPECT_EQ(r.ppi, 0);
}

TEST(Decoder, StreamsWithoutATransformTableGiveNoImage) {
    StreamSpec plan;
    plan.dtt = false;
    Result r = decode(build(plan));
    ASSERT_EQ(r.ret, 0) << r.err;
    EXPECT_TRUE(r.pixels.empty());
    EXPECT_EQ(r.w, 0);
    EXPECT_EQ(r.h, 0);
    EXPECT_EQ(r.d, 8);
    EXPECT_EQ(r.lossy, 1);
    EXPECT_EQ(r.ppi, -5);  // left as the caller set it
}

TEST(Decoder, FailurePaths) {
    struct Case {
        const char* what;
        Bytes stream;
        int code;
        std::string message;
    };
    StreamSpec no_soi;
    no_soi.soi = false;
    StreamSpec no_dht;
    no_dht.dht = false;
    StreamSpec zero_width;
    zero_width.width = 0;
    StreamSpec huge;
    huge.width = 65535;
    huge.height = 65535;
    Bytes sob_first = {0xFF, 0xA0, 0xFF, 0xA3, 0x00, 0x03, 0x00};
    Bytes cut = build(StreamSpec{});
    cut.resize(cut.size() - 40);  // inside the frame header

    const Case cases[] = {
        {"empty", {}, -40, "ERROR : getc_bytes : premature End Of Buffer\n"},
        {"no SOI", build(no_soi), -88, "ERROR : getc_marker_wsq : No SOI marker. {FFA8}\n"},
        {"SOB before SOF", sob_first, -89,
         "ERROR : getc_marker_wsq : No SOF, Table, or comment markers.\n"},
        {"undefined table", build(no_dht), -51,
         "ERROR : huffman_decode_data_mem : huffman table {0} undefined.\n"},
        {"zero width", build(zero_width), -22,
         "ERROR: wsq_decode_mem : frame of 0 x 12 pixels is empty\n"},
        {"too many pixels", build(huge), -23,
         "ERROR: wsq_decode_mem : frame of 65535 x 65535 pixels exceeds the limit of 67108864 "
         "pixels\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Result r = decode(c.stream);
        EXPECT_EQ(r.ret, c.code);
        EXPECT_EQ(r.err, c.message);
        expect_untouched(r);
    }
    const Result r = decode(cut);
    EXPECT_LT(r.ret, 0);
    expect_untouched(r);
}

TEST(Decoder, QuantizationTableDoesNotCarryOver) {
    ASSERT_EQ(decode(build(StreamSpec{})).ret, 0);
    StreamSpec plan;
    plan.dqt = false;
    const Result r = decode(build(plan));
    EXPECT_EQ(r.ret, -92);
    EXPECT_EQ(r.err, "ERROR: unquantize : quantization table parameters not defined!\n");
    expect_untouched(r);
}

TEST(Decoder, FloatPixelsToBytes) {
    const float img[] = {-0.6f, 254.6f, 255.4f, 100.49f, 0.0f, -1e30f, 1e30f};
    uint8_t out[7];
    wsq::float_image_to_bytes(out, img, 7, 1, 0.0f, 1.0f);
    EXPECT_EQ(Bytes(out, out + 7), (Bytes{0, 255, 255, 100, 0, 0, 255}));
    // Shift and scale: v = f * r_scale + m_shift, rounded.
    const float centred[] = {-10.0f, 10.0f};
    wsq::float_image_to_bytes(out, centred, 1, 2, 128.0f, 2.5f);
    EXPECT_EQ(out[0], 103);
    EXPECT_EQ(out[1], 153);
}

// The several-at-a-time conversion gives the pixels of the one-at-a-time one: on values at
// and around every rounding and clamping edge, infinities, NaNs, negative zero, and at every
// length (the tail after the last whole group of samples).
TEST(Decoder, FastFloatPixelsToBytesMatchTheReference) {
    std::vector<float> img;
    for (float base : {-1.0f, -0.5f, 0.0f, 0.5f, 127.5f, 254.5f, 255.0f, 255.5f, 256.0f}) {
        // base and its two nearest floats on either side
        const float below = std::nextafter(base, -1e9f), above = std::nextafter(base, 1e9f);
        for (float f : {std::nextafter(below, -1e9f), below, base, above,
                        std::nextafter(above, 1e9f)})
            img.push_back(f);
    }
    for (float f : {-0.0f, 1e30f, -1e30f, std::numeric_limits<float>::infinity(),
                    -std::numeric_limits<float>::infinity(),
                    std::numeric_limits<float>::quiet_NaN(), -std::numeric_limits<float>::quiet_NaN(),
                    std::numeric_limits<float>::denorm_min(), std::numeric_limits<float>::max()})
        img.push_back(f);
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> any(-300.0f, 300.0f);
    for (int i = 0; i < 3000; ++i) img.push_back(any(rng));
    const float shifts[][2] = {{0.0f, 1.0f}, {128.0f, 2.5f}, {117.3125f, 41.75f}, {255.0f, 1e-3f},
                               {-20.0f, 1e20f}};
    for (const auto& [m_shift, r_scale] : shifts) {
        SCOPED_TRACE(std::to_string(m_shift) + " " + std::to_string(r_scale));
        for (int n : {0, 1, 7, 8, 9, 15, 16, 17, static_cast<int>(img.size())}) {
            Bytes fast(n + 1, 0xAB), ref(n + 1, 0xAB);
            wsq::float_image_to_bytes(fast.data(), img.data(), n, 1, m_shift, r_scale);
            wsq::float_image_to_bytes_reference(ref.data(), img.data(), n, 1, m_shift, r_scale);
            EXPECT_EQ(fast, ref) << n;
            EXPECT_EQ(fast[n], 0xAB) << "wrote past the end";
        }
    }
}

}  // namespace

namespace {

TEST(Decoder, EveryPrefixAndByteFlipFailsCleanly) {
    wsq::WaveletTreeNode w_tree[wsq::W_TREELEN];
    wsq::QuantTreeNode q_tree[wsq::Q_TREELEN];
    wsq::build_subband_trees(w_tree, wsq::W_TREELEN, q_tree, wsq::Q_TREELEN, 16, 12);
    StreamSpec plan;  // 16 x 12
    for (int i = 0; i < q_tree[0].lenx * q_tree[0].leny; ++i)
        plan.subband0.push_back(i % 148 - 73);
    const Bytes stream = build(plan);
    const Result whole = decode(stream);
    ASSERT_EQ(whole.ret, 0) << whole.err;

    // Every second prefix and every fourth byte keep the test quick under the sanitizers.
    for (size_t n = 0; n < stream.size(); n += 2) {
        const Result r = decode(Bytes(stream.begin(), stream.begin() + n));
        EXPECT_LT(r.ret, 0) << n;
        EXPECT_EQ(r.err.rfind("ERROR", 0), 0u) << n;
    }
    // A flipped byte either still decodes to a full image or fails with a code and a message.
    for (size_t i = 1; i < stream.size(); i += 4) {
        Bytes flipped = stream;
        flipped[i] ^= 0x5A;
        const Result r = decode(flipped);
        if (r.ret == 0) {
            EXPECT_EQ(r.pixels.size(), static_cast<size_t>(r.w) * r.h) << i;
        } else {
            EXPECT_LT(r.ret, 0) << i;
            EXPECT_NE(r.err.find("ERROR"), std::string::npos) << i;
        }
    }
}

}  // namespace
