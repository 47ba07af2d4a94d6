// The C API against the conformance streams, and what it gives back when things go wrong.
#include <gtest/gtest.h>

#include <QImage>
#include <QString>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "libwsq/wsq.h"
#include "support/conformance_cases.h"
#include "support/image_metrics.h"
#include "wsq/wsq.h"

namespace {

namespace fs = std::filesystem;

using Case = testsupport::ConformanceCase;

std::vector<uint8_t> file_bytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<uint8_t> grey_pixels(const fs::path& png, int* w, int* h) {
    QImage img(QString::fromStdString(png.string()));
    img = img.convertToFormat(QImage::Format_Grayscale8);
    *w = img.width();
    *h = img.height();
    std::vector<uint8_t> px(static_cast<size_t>(*w) * static_cast<size_t>(*h));
    for (int y = 0; y < *h; ++y)
        std::memcpy(px.data() + static_cast<size_t>(y) * static_cast<size_t>(*w),
                    img.constScanLine(y), static_cast<size_t>(*w));
    return px;
}

struct ImageFree {
    void operator()(wsq_image* p) const { wsq_image_free(p); }
};
struct FactsFree {
    void operator()(wsq_facts* p) const { wsq_facts_free(p); }
};
using ImagePtr = std::unique_ptr<wsq_image, ImageFree>;
using FactsPtr = std::unique_ptr<wsq_facts, FactsFree>;

std::vector<std::string> comments_of(const wsq_facts& f) {
    return std::vector<std::string>(f.comments, f.comments + f.comment_count);
}

std::string nistcom_value(const wsq_facts& f, const std::string& name) {
    for (size_t i = 0; i < f.nistcom_count; ++i)
        if (name == f.nistcom[i].name) return f.nistcom[i].value ? f.nistcom[i].value : "(none)";
    return "(missing)";
}

struct Encoded {
    int code = 0;
    wsq_error error{};
    std::vector<uint8_t> bytes;
};

Encoded encode(const std::vector<uint8_t>& grey, int w, int h, float rate, int ppi,
               const char* comment, const std::vector<wsq_nistcom_entry>& entries = {}) {
    Encoded out;
    unsigned char* stream = nullptr;
    size_t size = 0;
    out.code = wsq_encode(grey.data(), w, h, rate, ppi, comment,
                          entries.empty() ? nullptr : entries.data(), entries.size(), &stream,
                          &size, &out.error);
    if (out.code == 0) out.bytes.assign(stream, stream + size);
    wsq_free(stream);
    return out;
}

class CApiConformance : public testing::TestWithParam<Case> {};

TEST_P(CApiConformance, DecodesToTheReferencePixelsAndEncodesTheReferenceBytes) {
    const fs::path dir = WSQ_CONFORMANCE_DIR;
    const Case& c = GetParam();
    const std::vector<uint8_t> stream = file_bytes(dir / c.stream);
    ASSERT_FALSE(stream.empty()) << c.stream;

    wsq_image* raw = nullptr;
    wsq_error error{};
    ASSERT_EQ(wsq_decode(stream.data(), stream.size(), &raw, &error), 0) << error.message;
    ImagePtr image(raw);
    EXPECT_EQ(error.code, 0);
    int w = 0, h = 0;
    const std::string dec = std::string(c.stream).replace(std::strlen(c.stream) - 4, 4, ".dec.png");
    const std::vector<uint8_t> reference = grey_pixels(dir / dec, &w, &h);
    ASSERT_EQ(image->facts.width, w);
    ASSERT_EQ(image->facts.height, h);
    ASSERT_EQ(image->size, reference.size());
    EXPECT_EQ(0, std::memcmp(image->pixels, reference.data(), reference.size()));
    EXPECT_EQ(image->facts.ppi, c.ppi);
    EXPECT_EQ(image->facts.depth, 8);
    EXPECT_EQ(image->facts.lossy, 1);
    ASSERT_EQ(image->facts.has_nistcom, 1);
    EXPECT_EQ(nistcom_value(image->facts, "PPI"), std::to_string(c.ppi));
    EXPECT_EQ(nistcom_value(image->facts, "COMPRESSION"), "WSQ");
    if (c.comment != nullptr) {
        EXPECT_EQ(comments_of(image->facts).back(), c.comment);
    }

    // The facts alone say the same as the decode.
    wsq_facts* raw_facts = nullptr;
    ASSERT_EQ(wsq_read_facts(stream.data(), stream.size(), &raw_facts, &error), 0);
    FactsPtr facts(raw_facts);
    EXPECT_EQ(facts->width, w);
    EXPECT_EQ(facts->height, h);
    EXPECT_EQ(facts->ppi, c.ppi);
    EXPECT_EQ(facts->encoder, image->facts.encoder);
    EXPECT_EQ(facts->software, image->facts.software);
    EXPECT_EQ(comments_of(*facts), comments_of(image->facts));
    EXPECT_EQ(facts->nistcom_count, image->facts.nistcom_count);

    const std::vector<uint8_t> source = grey_pixels(dir / c.source, &w, &h);
    const Encoded ours = encode(source, w, h, c.rate, c.ppi, c.comment);
    ASSERT_EQ(ours.code, 0) << ours.error.message;
    EXPECT_TRUE(ours.bytes == stream) << c.stream << ": the encoder wrote other bytes";
}

INSTANTIATE_TEST_SUITE_P(Streams, CApiConformance,
                         testing::ValuesIn(testsupport::kConformanceCases));

TEST(CApi, FailuresGiveTheCodeAndTheCodecLineAndPrintNothing) {
    const std::vector<uint8_t> stream =
        file_bytes(fs::path(WSQ_CONFORMANCE_DIR) / "fp_101x81_s14_r2.25.wsq");
    ASSERT_GT(stream.size(), 400u);
    std::vector<uint8_t> cut(stream.begin(), stream.begin() + static_cast<long>(stream.size() / 2));
    std::vector<uint8_t> not_wsq = {'P', '5', '\n', '1', ' ', '1', '\n', '2', '5', '5', '\n', 0};

    const std::vector<std::vector<uint8_t>> bad_streams = {cut, not_wsq, {}};
    for (size_t i = 0; i < bad_streams.size(); ++i) {
        const std::vector<uint8_t>& bad = bad_streams[i];
        testing::internal::CaptureStderr();
        wsq_image* image = nullptr;
        wsq_error error{};
        const int code = wsq_decode(bad.data(), bad.size(), &image, &error);
        wsq_facts* facts = nullptr;
        wsq_error facts_error{};
        const int facts_code = wsq_read_facts(bad.data(), bad.size(), &facts, &facts_error);
        const std::string printed = testing::internal::GetCapturedStderr();
        EXPECT_LT(code, 0);
        EXPECT_EQ(error.code, code);
        EXPECT_NE(error.message[0], '\0');
        EXPECT_EQ(image, nullptr) << "a failed decode hands out no picture";
        EXPECT_EQ(printed, "") << "the library printed on standard error";
        // The facts of a cut stream are still there; the other two have none.
        if (i != 0) {
            EXPECT_LT(facts_code, 0);
            EXPECT_NE(facts_error.message[0], '\0');
        }
        wsq_facts_free(facts);
    }

    // The message is the codec's own line, the one the programs print.
    wsq::Decoded decoded = wsq::decode(cut);
    wsq_image* image = nullptr;
    wsq_error error{};
    ASSERT_LT(wsq_decode(cut.data(), cut.size(), &image, &error), 0);
    EXPECT_EQ(error.code, decoded.error.code);
    EXPECT_EQ(std::string(error.message), decoded.error.text());

    // A null error pointer is allowed; null outputs and data are refused.
    EXPECT_LT(wsq_decode(cut.data(), cut.size(), &image, nullptr), 0);
    EXPECT_EQ(wsq_decode(stream.data(), stream.size(), nullptr, &error), WSQ_ERROR_ARGUMENT);
    EXPECT_EQ(wsq_decode(nullptr, 10, &image, &error), WSQ_ERROR_ARGUMENT);
    EXPECT_EQ(wsq_read_facts(stream.data(), stream.size(), nullptr, &error), WSQ_ERROR_ARGUMENT);
    wsq_image_free(nullptr);
    wsq_facts_free(nullptr);
    wsq_free(nullptr);
}

TEST(CApi, EncoderArgumentsAndNistcomEntries) {
    const int w = 120, h = 100;
    const std::vector<uint8_t> grey = testsupport::synthetic_print(w, h, 7);
    unsigned char* stream = nullptr;
    size_t size = 0;
    wsq_error error{};

    const float bad_rates[] = {0.0f, -1.0f, NAN, INFINITY, 100.5f};
    for (float rate : bad_rates) {
        EXPECT_EQ(
            wsq_encode(grey.data(), w, h, rate, 500, nullptr, nullptr, 0, &stream, &size, &error),
            WSQ_ERROR_ARGUMENT)
            << rate;
        EXPECT_NE(error.message[0], '\0');
    }
    EXPECT_EQ(stream, nullptr);
    EXPECT_EQ(wsq_encode(nullptr, w, h, 0.75f, 500, nullptr, nullptr, 0, &stream, &size, &error),
              WSQ_ERROR_ARGUMENT);
    EXPECT_EQ(
        wsq_encode(grey.data(), 0, h, 0.75f, 500, nullptr, nullptr, 0, &stream, &size, &error),
        WSQ_ERROR_ARGUMENT);
    // The codec's own refusal of a small picture comes with its own line.
    testing::internal::CaptureStderr();
    EXPECT_EQ(
        wsq_encode(grey.data(), 40, 40, 0.75f, 500, nullptr, nullptr, 0, &stream, &size, &error),
        -14);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_NE(std::string(error.message).find("smaller than"), std::string::npos) << error.message;

    // Entries travel in the NISTCOM comment beside the encoder's own, and the plain comment in
    // a segment of its own.
    const std::vector<wsq_nistcom_entry> entries = {
        {"SOURCE", "live scan 3"}, {"FLAG", nullptr}, {"PPI", "1"}};
    const Encoded with = encode(grey, w, h, 0.75f, 500, "left index", entries);
    ASSERT_EQ(with.code, 0) << with.error.message;
    wsq_image* raw = nullptr;
    ASSERT_EQ(wsq_decode(with.bytes.data(), with.bytes.size(), &raw, &error), 0);
    ImagePtr image(raw);
    EXPECT_EQ(nistcom_value(image->facts, "SOURCE"), "live scan 3");
    EXPECT_EQ(nistcom_value(image->facts, "FLAG"), "(none)");
    EXPECT_EQ(nistcom_value(image->facts, "PPI"), "500") << "the encoder's own entry wins";
    EXPECT_EQ(image->facts.ppi, 500);
    EXPECT_EQ(nistcom_value(image->facts, "NIST_COM"), std::to_string(image->facts.nistcom_count));
    EXPECT_EQ(comments_of(image->facts).back(), "left index");

    // Without entries, a NIST_COM comment is merged as the programs merge it.
    const char* nist_text = "NIST_COM 2\nSOURCE desk";
    const Encoded merged = encode(grey, w, h, 0.75f, -1, nist_text);
    wsq::Encoded programs = wsq::encode(grey, w, h, 0.75f, -1, nist_text);
    ASSERT_EQ(merged.code, 0);
    EXPECT_TRUE(merged.bytes == programs.bytes);

    const std::vector<std::vector<wsq_nistcom_entry>> bad_entries = {
        {{"TWO WORDS", "x"}},      {{"", "x"}},
        {{"NAME", "line\nbreak"}}, {{"NAME", " leading"}},
        {{"A", "1"}, {"A", "2"}},  {{nullptr, "x"}},
    };
    for (size_t i = 0; i < bad_entries.size(); ++i) {
        const Encoded refused = encode(grey, w, h, 0.75f, 500, nullptr, bad_entries[i]);
        EXPECT_EQ(refused.code, WSQ_ERROR_ARGUMENT) << "bad entry list " << i;
        EXPECT_NE(refused.error.message[0], '\0');
    }
    EXPECT_EQ(encode(grey, w, h, 0.75f, 500, nist_text, entries).code, WSQ_ERROR_ARGUMENT);
}

TEST(CApi, NoPictureAndNoFrameAreFailures) {
    // SOI, a comment, then EOI: readable, but nothing to show.
    const std::vector<uint8_t> empty_stream = {0xFF, 0xA0, 0xFF, 0xA8, 0x00,
                                               0x04, 'h',  'i',  0xFF, 0xA1};
    wsq_image* image = nullptr;
    wsq_error error{};
    const int code = wsq_decode(empty_stream.data(), empty_stream.size(), &image, &error);
    EXPECT_LT(code, 0);
    EXPECT_EQ(image, nullptr);
    wsq_facts* facts = nullptr;
    EXPECT_LT(wsq_read_facts(empty_stream.data(), empty_stream.size(), &facts, &error), 0);
    EXPECT_EQ(facts, nullptr);
}

TEST(CApi, VersionAgreesWithTheHeader) {
    EXPECT_EQ(wsq_version_number(),
              WSQ_VERSION_MAJOR * 10000 + WSQ_VERSION_MINOR * 100 + WSQ_VERSION_PATCH);
    EXPECT_EQ(std::string(wsq_version()), std::to_string(WSQ_VERSION_MAJOR) + "." +
                                              std::to_string(WSQ_VERSION_MINOR) + "." +
                                              std::to_string(WSQ_VERSION_PATCH));
}

}  // namespace
