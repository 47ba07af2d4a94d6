// Transform and quantization against the streams of an independent implementation: from
// each source picture and rate, our transform, variances and bit allocation must give the
// stream's quantization table to the byte and its quantized values one for one; from each
// stream, unquantize and the inverse transform must give its decoded pixels.
#include <gtest/gtest.h>

#include <filesystem>

#include <QImage>
#include <cstdio>
#include <string>
#include <vector>

#include "wsq/codec_state.h"
#include "wsq/codestream.h"
#include "wsq/huffman_decode.h"
#include "wsq/quantization.h"
#include "wsq/wavelet.h"

namespace {

struct Case {
    const char* source;
    const char* stream;
    float rate;
};

const Case kCases[] = {
    {"fp_416x416_s3.png", "fp_416x416_s3_r0.75.wsq", 0.75f},
    {"fp_101x81_s14.png", "fp_101x81_s14_r2.25.wsq", 2.25f},
    {"checker8_256x256.png", "checker8_256x256_r1.0.wsq", 1.0f},
    {"flat_256x256_128.png", "flat_256x256_128_r0.75.wsq", 0.75f},
    {"fp_417x300_s13.png", "comment_plain_fp_417x300_s13_r0.75.wsq", 0.75f},
};

std::string conformance_path(const char* name) {
    return std::string(WSQ_CONFORMANCE_DIR) + "/" + name;
}

std::vector<uint8_t> read_file(const std::string& path) {
    std::vector<uint8_t> data;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        uint8_t buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.insert(data.end(), buf, buf + n);
        std::fclose(f);
    }
    return data;
}

// The encoder's normalisation: mean shift and a scale that maps the larger deviation to 128.
std::vector<float> normalised(const QImage& grey) {
    const int w = grey.width(), h = grey.height();
    long double sum = 0;
    int lo = 255, hi = 0;
    for (int y = 0; y < h; ++y) {
        const uchar* row = grey.constScanLine(y);
        for (int x = 0; x < w; ++x) {
            sum += row[x];
            lo = std::min<int>(lo, row[x]);
            hi = std::max<int>(hi, row[x]);
        }
    }
    const float m_shift = static_cast<float>(sum / (static_cast<long double>(w) * h));
    float r_scale = static_cast<float>(
        std::max(double(m_shift) - lo, double(hi) - double(m_shift)) * 0.0078125);
    if (r_scale == 0.0f) r_scale = 1.0f;
    std::vector<float> plane(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        const uchar* row = grey.constScanLine(y);
        for (int x = 0; x < w; ++x) {
            plane[static_cast<size_t>(y) * w + x] =
                static_cast<float>((double(row[x]) - double(m_shift)) / double(r_scale));
        }
    }
    return plane;
}

// The stream's DQT segment, marker included.
std::vector<uint8_t> dqt_segment(const std::vector<uint8_t>& stream) {
    size_t at = 2;
    while (at + 4 <= stream.size()) {
        const int marker = stream[at] << 8 | stream[at + 1];
        const int length = stream[at + 2] << 8 | stream[at + 3];
        if (marker == wsq::DQT_WSQ) {
            return {stream.begin() + at, stream.begin() + std::min(stream.size(), at + 2 + length)};
        }
        if (marker == wsq::SOF_WSQ) break;
        at += 2 + length;
    }
    return {};
}

// The tables, frame and quantized values of a stream, read with the decoder's own segment
// and block readers.
struct ParsedStream {
    wsq::TransformTable dtt;
    wsq::QuantTable dqt;
    wsq::FrameHeader frame;
    std::vector<int16_t> coefficients;
};

bool parse_stream(const std::vector<uint8_t>& stream, ParsedStream* out) {
    wsq::CodecState& state = wsq::codec_state();
    const uint8_t* cur = stream.data();
    const uint8_t* end = stream.data() + stream.size();
    uint16_t marker = 0;
    if (wsq::getc_marker_wsq(&marker, wsq::SoiOnly, &cur, end) != 0) return false;
    wsq::HuffmanTableSet dht{};
    for (;;) {
        if (wsq::getc_marker_wsq(&marker, wsq::TablesOrSof, &cur, end) != 0) return false;
        if (marker == wsq::SOF_WSQ) break;
        if (wsq::getc_table_wsq(marker, &out->dtt, &out->dqt, &dht, &cur, end) != 0) return false;
    }
    if (wsq::getc_frame_header(&state.frm_header_wsq, &cur, end) != 0) return false;
    out->frame = state.frm_header_wsq;
    const int w = out->frame.width, h = out->frame.height;
    wsq::build_subband_trees(state.w_tree, wsq::W_TREELEN, state.q_tree, wsq::Q_TREELEN, w, h);
    out->coefficients.assign(static_cast<size_t>(w) * h, 0);
    return wsq::huffman_decode_data_mem(out->coefficients.data(), &out->dtt, &out->dqt, &dht, &cur,
                                        end) == 0;
}

TEST(QuantizationConformance, TablesAndValuesMatchTheIndependentStreams) {
    ASSERT_TRUE(std::filesystem::is_directory(WSQ_CONFORMANCE_DIR)) << WSQ_CONFORMANCE_DIR;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.stream);
        QImage image(QString::fromStdString(conformance_path(c.source)));
        ASSERT_FALSE(image.isNull());
        const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
        const int w = grey.width(), h = grey.height();
        std::vector<float> plane = normalised(grey);

        wsq::WaveletTreeNode w_tree[wsq::W_TREELEN];
        wsq::QuantTreeNode q_tree[wsq::Q_TREELEN];
        wsq::build_subband_trees(w_tree, wsq::W_TREELEN, q_tree, wsq::Q_TREELEN, w, h);
        float hi[7], lo[9];
        std::copy(wsq::kAnalysisHighPass, wsq::kAnalysisHighPass + 7, hi);
        std::copy(wsq::kAnalysisLowPass, wsq::kAnalysisLowPass + 9, lo);
        ASSERT_EQ(wsq::wsq_decompose(plane.data(), w, h, w_tree, wsq::W_TREELEN, hi, 7, lo, 9), 0);
        wsq::QuantValues qv;
        qv.r = c.rate;
        wsq::subband_variances(&qv, q_tree, wsq::Q_TREELEN, plane.data(), w, h);
        std::vector<int16_t> sip;
        int used = 0;
        ASSERT_EQ(wsq::quantize_wsq(&sip, &used, &qv, q_tree, wsq::Q_TREELEN, plane.data(), w, h),
                  0);

        std::vector<uint8_t> ours(400);
        int len = 0;
        ASSERT_EQ(
            wsq::putc_quantization_table(&qv, ours.data(), static_cast<int>(ours.size()), &len), 0);
        ours.resize(len);
        const std::vector<uint8_t> stream = read_file(conformance_path(c.stream));
        ASSERT_FALSE(stream.empty());
        EXPECT_EQ(ours, dqt_segment(stream));

        ParsedStream parsed;
        ASSERT_TRUE(parse_stream(stream, &parsed));
        int differing = 0;
        for (int i = 0; i < used; ++i) differing += sip[i] != parsed.coefficients[i];
        EXPECT_EQ(differing, 0) << "of " << used << " quantized values";
    }
}

// The decoder's half: unquantize and reconstruct the stream's values with its own tables,
// then map to bytes with the frame's shift and scale; every pixel of the independent
// decoding must come out.
TEST(QuantizationConformance, ReconstructionMatchesTheIndependentDecoding) {
    ASSERT_TRUE(std::filesystem::is_directory(WSQ_CONFORMANCE_DIR)) << WSQ_CONFORMANCE_DIR;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.stream);
        ParsedStream parsed;
        ASSERT_TRUE(parse_stream(read_file(conformance_path(c.stream)), &parsed));
        const int w = parsed.frame.width, h = parsed.frame.height;
        wsq::WaveletTreeNode w_tree[wsq::W_TREELEN];
        wsq::QuantTreeNode q_tree[wsq::Q_TREELEN];
        wsq::build_subband_trees(w_tree, wsq::W_TREELEN, q_tree, wsq::Q_TREELEN, w, h);
        std::vector<float> plane;
        ASSERT_EQ(wsq::unquantize(&plane, &parsed.dqt, q_tree, wsq::Q_TREELEN,
                                  parsed.coefficients.data(), w, h),
                  0);
        ASSERT_EQ(wsq::wsq_reconstruct(plane.data(), w, h, w_tree, wsq::W_TREELEN, &parsed.dtt), 0);

        const std::string decoded_name =
            std::string(c.stream).substr(0, std::string(c.stream).size() - 4) + ".dec.png";
        const QImage expected =
            QImage(QString::fromStdString(conformance_path(decoded_name.c_str())))
                .convertToFormat(QImage::Format_Grayscale8);
        ASSERT_EQ(expected.width(), w);
        ASSERT_EQ(expected.height(), h);
        int differing = 0;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const double v =
                    double(plane[static_cast<size_t>(y) * w + x]) * parsed.frame.r_scale +
                    parsed.frame.m_shift + 0.5;
                const int byte = v < 0 ? 0 : (v > 255 ? 255 : static_cast<int>(v));
                differing += byte != expected.constScanLine(y)[x];
            }
        }
        EXPECT_EQ(differing, 0) << "of " << w * h << " pixels";
    }
}

}  // namespace
