// Streams written by an independent implementation from the same source pictures: our encoder,
// given the same picture, rate, resolution and comment, must write the same bytes.
#include <gtest/gtest.h>

#include <QImage>
#include <QString>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "support/conformance_cases.h"
#include "support/wsq_stream.h"
#include "wsq/encoder.h"

namespace {

namespace fs = std::filesystem;

using Case = testsupport::ConformanceCase;

std::vector<uint8_t> read_file(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// The name of the segment holding byte `offset` of a stream.
std::string segment_at(const std::vector<uint8_t>& stream, size_t offset) {
    auto segs = testsupport::split_wsq_stream(stream);
    std::string name = "?";
    for (const auto& s : segs) {
        if (s.offset <= offset) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "%04X", s.marker);
            name = buf;
        }
    }
    return name;
}

class ConformanceEncode : public testing::TestWithParam<Case> {};

TEST_P(ConformanceEncode, WritesTheSameBytes) {
    const fs::path dir = WSQ_CONFORMANCE_DIR;
    ASSERT_TRUE(fs::is_directory(dir)) << dir;
    const Case& c = GetParam();
    QImage img(QString::fromStdString((dir / c.source).string()));
    ASSERT_FALSE(img.isNull()) << c.source;
    img = img.convertToFormat(QImage::Format_Grayscale8);
    const int w = img.width();
    const int h = img.height();
    std::vector<uint8_t> px(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        const uchar* row = img.constScanLine(y);
        std::copy(row, row + w, px.begin() + static_cast<long>(y) * w);
    }
    const std::vector<uint8_t> expected = read_file(dir / c.stream);
    ASSERT_FALSE(expected.empty());
    std::vector<uint8_t> ours;
    int len = 0;
    ASSERT_EQ(wsq::wsq_encode_1(&ours, &len, c.rate, px.data(), w, h, 8, c.ppi, c.comment), 0);
    if (ours != expected) {
        size_t i = 0;
        while (i < ours.size() && i < expected.size() && ours[i] == expected[i]) ++i;
        ADD_FAILURE() << c.stream << ": first difference at byte " << i << " (segment "
                      << segment_at(expected, i) << "), sizes " << ours.size() << " vs "
                      << expected.size();
    }
}

INSTANTIATE_TEST_SUITE_P(Streams, ConformanceEncode,
                         testing::ValuesIn(testsupport::kConformanceCases),
                         [](const testing::TestParamInfo<Case>& param_info) {
                             std::string n = param_info.param.stream;
                             for (char& ch : n) {
                                 if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             }
                             return n;
                         });

TEST(ConformanceEncodeRefusal, SmallPrintIsRefused) {
    // The folder's README: pictures below 81 pixels either way are refused (a 65 x 65 print).
    std::vector<uint8_t> px(65 * 65, 128);
    std::vector<uint8_t> out;
    int len = 0;
    testing::internal::CaptureStderr();
    EXPECT_LT(wsq::wsq_encode_1(&out, &len, 0.75f, px.data(), 65, 65, 8, 500, nullptr), 0);
    testing::internal::GetCapturedStderr();
}

}  // namespace
