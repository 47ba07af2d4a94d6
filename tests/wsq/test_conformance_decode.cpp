// Streams written by an independent implementation decode to exactly its pixels.
#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <filesystem>
#include <string>
#include <vector>

#include "wsq/decoder.h"
#include "wsq/raw_file.h"
#include "wsq/wsq.h"

namespace {

namespace fs = std::filesystem;

struct Case {
    const char* stream;
    int width;
    int height;
    const char* comment;  // the user comment, or null
};

const Case kCases[] = {
    {"fp_416x416_s3_r0.75", 416, 416, nullptr},
    {"fp_101x81_s14_r2.25", 101, 81, nullptr},
    {"checker8_256x256_r1.0", 256, 256, nullptr},
    {"flat_256x256_128_r0.75", 256, 256, nullptr},
    {"comment_plain_fp_417x300_s13_r0.75", 417, 300, "Scanned at booth 4, left index"},
};

TEST(ConformanceDecode, PixelsMatchTheIndependentDecoder) {
    const fs::path dir = WSQ_CONFORMANCE_DIR;
    ASSERT_TRUE(fs::is_directory(dir)) << dir;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.stream);
        const std::string stream = (dir / (std::string(c.stream) + ".wsq")).string();
        const std::string picture = (dir / (std::string(c.stream) + ".dec.png")).string();
        std::vector<uint8_t> data;
        int len = 0;
        ASSERT_EQ(wsq::read_raw_from_filesize(stream.c_str(), &data, &len), 0);

        std::vector<uint8_t> pixels;
        int w = 0, h = 0, d = 0, ppi = 0, lossy = 0, encoder = -1, software = -1;
        ASSERT_EQ(wsq::wsq_decode_mem(&pixels, &w, &h, &d, &ppi, &lossy, &encoder, &software,
                                      data.data(), len),
                  0);
        EXPECT_EQ(w, c.width);
        EXPECT_EQ(h, c.height);
        EXPECT_EQ(d, 8);
        EXPECT_EQ(ppi, 500);
        EXPECT_EQ(lossy, 1);
        EXPECT_EQ(encoder, 0);
        EXPECT_EQ(software, 0);
        ASSERT_EQ(pixels.size(), static_cast<size_t>(w) * h);

        QImage expected(QString::fromStdString(picture));
        ASSERT_FALSE(expected.isNull()) << picture;
        expected = expected.convertToFormat(QImage::Format_Grayscale8);
        ASSERT_EQ(expected.width(), w);
        ASSERT_EQ(expected.height(), h);
        int differing = 0, first_x = -1, first_y = -1, ours = 0, theirs = 0;
        for (int y = 0; y < h; ++y) {
            const uint8_t* row = expected.constScanLine(y);
            for (int x = 0; x < w; ++x) {
                if (row[x] != pixels[static_cast<size_t>(y) * w + x]) {
                    if (differing++ == 0) {
                        first_x = x;
                        first_y = y;
                        ours = pixels[static_cast<size_t>(y) * w + x];
                        theirs = row[x];
                    }
                }
            }
        }
        EXPECT_EQ(differing, 0) << "first at (" << first_x << ", " << first_y << "): ours " << ours
                                << ", theirs " << theirs;

        std::vector<std::string> comments;
        ASSERT_EQ(wsq::read_comments_before_first_block(&comments, data.data(), len), 0);
        ASSERT_EQ(comments.size(), c.comment ? 2u : 1u);
        EXPECT_EQ(comments[0].rfind("NIST_COM ", 0), 0u);
        if (c.comment) {
            EXPECT_EQ(comments[1], c.comment);
        }
    }
}

}  // namespace
