// NISTCOM lists: feature-list operations, the text form, the encoder's comments and finding
// the list in a stream.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wsq/byte_io.h"
#include "wsq/codestream.h"
#include "wsq/nistcom.h"
#include "wsq/wsq.h"

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

std::string text_of(const wsq::FeatureList& fet) {
    std::string s;
    EXPECT_EQ(wsq::fet2string(&s, &fet), 0);
    return s;
}

TEST(FeatureList, UpdatesLookupsAndGrowth) {
    wsq::FeatureListPtr fet;
    ASSERT_EQ(wsq::allocfet_ret(&fet, 6), 0);
    for (int i = 0; i < 6; ++i)
        ASSERT_EQ(wsq::updatefet_ret(("N" + std::to_string(i)).c_str(), "v", fet.get()), 0);
    EXPECT_EQ(fet->alloc, 6);
    ASSERT_EQ(wsq::updatefet_ret("N6", nullptr, fet.get()), 0);
    EXPECT_EQ(fet->alloc, 16);
    EXPECT_EQ(fet->num, 7);

    // Setting an existing name replaces its value in place.
    ASSERT_EQ(wsq::updatefet_ret("N1", "new", fet.get()), 0);
    EXPECT_EQ(fet->num, 7);
    EXPECT_EQ(text_of(*fet), "N0 v\nN1 new\nN2 v\nN3 v\nN4 v\nN5 v\nN6 ");

    std::optional<std::string> value = "untouched";
    EXPECT_EQ(wsq::lookupfet(&value, "missing", fet.get()), 0);
    EXPECT_EQ(value, "untouched");
    EXPECT_EQ(wsq::lookupfet(&value, "N1", fet.get()), 1);
    EXPECT_EQ(value, "new");
    EXPECT_EQ(wsq::lookupfet(&value, "N6", fet.get()), 1);
    EXPECT_FALSE(value.has_value());
    CaptureStderr();
    EXPECT_EQ(wsq::extractfet_ret(&value, "PPI", fet.get()), -2);
    EXPECT_EQ(GetCapturedStderr(), "ERROR : extractfet_ret : feature PPI not found\n");

    wsq::FeatureListPtr hundred;
    ASSERT_EQ(wsq::allocfet_ret(&hundred, 100), 0);
    for (int i = 0; i < 101; ++i)
        ASSERT_EQ(wsq::updatefet_ret(("E" + std::to_string(i)).c_str(), "1", hundred.get()), 0);
    EXPECT_EQ(hundred->alloc, 110);

    // A list of capacity 0 grows too.
    wsq::FeatureListPtr empty;
    ASSERT_EQ(wsq::allocfet_ret(&empty, 0), 0);
    ASSERT_EQ(wsq::updatefet_ret("A", "1", empty.get()), 0);
    EXPECT_EQ(empty->alloc, 10);
    wsq::destroy_fet(&empty);
    EXPECT_FALSE(empty);
}

TEST(FeatureList, TextParsing) {
    wsq::FeatureListPtr a, b;
    ASSERT_EQ(wsq::string2fet(&a, "NIST_COM 3\nPPI 500\nDEVICE scanner 3"), 0);
    ASSERT_EQ(wsq::string2fet(&b, "NIST_COM\t 3\n\n\nPPI  \t500\n\nDEVICE   scanner 3\n\n"), 0);
    EXPECT_EQ(text_of(*a), "NIST_COM 3\nPPI 500\nDEVICE scanner 3");
    EXPECT_EQ(text_of(*b), text_of(*a));

    // A name twice keeps its first place and the last value; a name alone has no value and
    // reads back the same from its text.
    wsq::FeatureListPtr c;
    ASSERT_EQ(wsq::string2fet(&c, "A 1\nLONE\nB 2\nA 3"), 0);
    ASSERT_EQ(c->num, 2);  // "LONE\nB" is one name: a newline does not end a name
    wsq::FeatureListPtr d;
    ASSERT_EQ(wsq::string2fet(&d, "A 1\nLONE \nB 2\nA 3"), 0);
    ASSERT_EQ(d->num, 3);
    EXPECT_FALSE(d->values[1].has_value());
    EXPECT_EQ(text_of(*d), "A 3\nLONE \nB 2");
    wsq::FeatureListPtr e;
    ASSERT_EQ(wsq::string2fet(&e, text_of(*d).c_str()), 0);
    EXPECT_EQ(text_of(*e), text_of(*d));

    wsq::FeatureListPtr bad;
    CaptureStderr();
    EXPECT_EQ(wsq::string2fet(&bad, " PPI 500"), -2);
    EXPECT_EQ(GetCapturedStderr(), "ERROR : string2fet : empty name string found\n");
    EXPECT_FALSE(bad);

    // Over-long names and values are cut to 511 characters.
    const std::string long_name(600, 'n'), long_value(700, 'v');
    wsq::FeatureListPtr cut;
    ASSERT_EQ(wsq::string2fet(&cut, (long_name + " " + long_value + "\nPPI 1").c_str()), 0);
    ASSERT_EQ(cut->num, 2);
    EXPECT_EQ(cut->names[0], std::string(511, 'n'));
    EXPECT_EQ(*cut->values[0], std::string(511, 'v'));
    EXPECT_EQ(cut->names[1], "PPI");
}

TEST(Nistcom, EntriesForAnEncodedImage) {
    wsq::FeatureListPtr list;
    ASSERT_EQ(wsq::add_wsq_nistcom_entries(&list, 500, 600, 8, 500, 1, 0.75f), 0);
    EXPECT_EQ(text_of(*list),
              "NIST_COM 9\nPIX_WIDTH 500\nPIX_HEIGHT 600\nPIX_DEPTH 8\nPPI 500\nLOSSY 1\n"
              "COLORSPACE GRAY\nCOMPRESSION WSQ\nWSQ_BITRATE 0.750000");

    // A lossy list is never made lossless.
    wsq::FeatureListPtr lossy;
    ASSERT_EQ(wsq::string2fet(&lossy, "NIST_COM 2\nLOSSY 1"), 0);
    CaptureStderr();
    ASSERT_EQ(wsq::combine_nistcom(&lossy, 10, 20, 8, 300, 0), 0);
    EXPECT_EQ(GetCapturedStderr(),
              "WARNING : combine_nistcom : request to unset lossy flag ignored\n");
    EXPECT_EQ(text_of(*lossy),
              "NIST_COM 6\nLOSSY 1\nPIX_WIDTH 10\nPIX_HEIGHT 20\nPIX_DEPTH 8\nPPI 300");
}

// The COM texts of a stream made of SOI and what write_nistcom_comments wrote.
std::vector<std::string> comments_written(const char* comment, int ppi) {
    std::vector<uint8_t> buf(300000);
    int len = 0;
    EXPECT_EQ(wsq::putc_u16(wsq::SOI_WSQ, buf.data(), 300000, &len), 0);
    EXPECT_EQ(
        wsq::write_nistcom_comments(comment, 500, 600, 8, ppi, 1, 0.75f, buf.data(), 300000, &len),
        0);
    EXPECT_EQ(wsq::putc_block_header(0, buf.data(), 300000, &len), 0);
    std::vector<std::string> comments;
    EXPECT_EQ(wsq::read_comments_before_first_block(&comments, buf.data(), len), 0);
    return comments;
}

TEST(Nistcom, CommentsWrittenByTheEncoder) {
    const std::string base =
        "NIST_COM 9\nPIX_WIDTH 500\nPIX_HEIGHT 600\nPIX_DEPTH 8\nPPI 500\nLOSSY 1\n"
        "COLORSPACE GRAY\nCOMPRESSION WSQ\nWSQ_BITRATE 0.750000";
    EXPECT_EQ(comments_written(nullptr, 500), std::vector<std::string>{base});

    // A NISTCOM text is merged: its entries keep their places, no second comment.
    EXPECT_EQ(comments_written("NIST_COM 2\nPPI 300", 500),
              std::vector<std::string>{"NIST_COM 9\nPPI 500\nPIX_WIDTH 500\nPIX_HEIGHT 600\n"
                                       "PIX_DEPTH 8\nLOSSY 1\nCOLORSPACE GRAY\nCOMPRESSION WSQ\n"
                                       "WSQ_BITRATE 0.750000"});
    const auto device = comments_written("NIST_COM 1\nDEVICE scanner 3", 500);
    ASSERT_EQ(device.size(), 1u);
    EXPECT_EQ(device[0].substr(0, 36), "NIST_COM 10\nDEVICE scanner 3\nPIX_WID");

    // Any other text (the test is case-sensitive) follows as a comment of its own.
    EXPECT_EQ(comments_written("nist_com 2", 500), (std::vector<std::string>{base, "nist_com 2"}));

    // A comment no segment can carry is refused and nothing is counted.
    const std::string too_long(65534, 'c');
    std::vector<uint8_t> buf(200000);
    int len = 0;
    CaptureStderr();
    EXPECT_EQ(wsq::write_nistcom_comments(too_long.c_str(), 5, 6, 8, 500, 1, 0.75f, buf.data(),
                                          200000, &len),
              -34);
    EXPECT_EQ(GetCapturedStderr(),
              "ERROR : putc_comment_segment : comment of 65534 bytes is longer than 65533\n");
    EXPECT_EQ(len, 0);
}

TEST(Nistcom, FoundBeforeTheFirstBlockOnly) {
    std::vector<uint8_t> buf(1000);
    int len = 0;
    ASSERT_EQ(wsq::putc_u16(wsq::SOI_WSQ, buf.data(), 1000, &len), 0);
    ASSERT_EQ(wsq::putc_comment_segment(wsq::COM_WSQ, "plain", 5, buf.data(), 1000, &len), 0);
    ASSERT_EQ(wsq::putc_comment_segment(wsq::COM_WSQ, "NIST_C", 6, buf.data(), 1000, &len), 0);
    const int before_list = len;
    const char* text = "NIST_COM 2\nPPI 1000";
    ASSERT_EQ(wsq::putc_comment_segment(wsq::COM_WSQ, text, 19, buf.data(), 1000, &len), 0);
    ASSERT_EQ(wsq::putc_block_header(0, buf.data(), 1000, &len), 0);

    wsq::FeatureListPtr list;
    ASSERT_EQ(wsq::find_nistcom_list(&list, buf.data(), len), 0);
    ASSERT_TRUE(list);
    EXPECT_EQ(text_of(*list), text);

    // The same list after the first block is not found.
    std::vector<uint8_t> late(buf.begin(), buf.begin() + before_list);
    int n = before_list;
    late.resize(1000);
    ASSERT_EQ(wsq::putc_block_header(0, late.data(), 1000, &n), 0);
    ASSERT_EQ(wsq::putc_comment_segment(wsq::COM_WSQ, text, 19, late.data(), 1000, &n), 0);
    list = std::make_unique<wsq::FeatureList>();
    ASSERT_EQ(wsq::find_nistcom_list(&list, late.data(), n), 0);
    EXPECT_FALSE(list);
}

}  // namespace
