// Golden digests of what the encoder writes for three fixed pictures. A change to the encoder's
// bits fails here and has to be justified in its commit.
#include <gtest/gtest.h>

#include <vector>

#include "support/image_metrics.h"
#include "support/sha256.h"
#include "wsq/encoder.h"

namespace {

std::string encoded_digest(const std::vector<uint8_t>& px, int w, int h, float rate,
                           const char* comment) {
    std::vector<uint8_t> stream;
    int len = 0;
    EXPECT_EQ(wsq::wsq_encode_1(&stream, &len, rate, px.data(), w, h, 8, 500, comment), 0);
    return testsupport::sha256_hex(stream);
}

TEST(Golden, SyntheticPrint) {
    EXPECT_EQ(encoded_digest(testsupport::synthetic_print(416, 416, 3), 416, 416, 0.75f, nullptr),
              "b1476867f1eb562471144e51efbe665c76bd1a64d7206cc2c2b27bb7502fe0c2");
}

TEST(Golden, Gradient) {
    EXPECT_EQ(encoded_digest(testsupport::gradient_image(256, 200), 256, 200, 1.0f, "gradient"),
              "fc9815faf8f8c7726098cf6cf5754c64b2097167af04d2b4c3325a36404c4c6e");
}

TEST(Golden, Flat) {
    EXPECT_EQ(encoded_digest(std::vector<uint8_t>(128 * 128, 200), 128, 128, 0.75f, nullptr),
              "2024bf6efb0b1fc72ec11af0637a045e058bcb52531f5c66a26acd7469f72676");
}

}  // namespace
