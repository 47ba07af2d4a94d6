// Pictures and readers shared by the transaction tests: synthetic prints, a colour pattern, and
// a transaction read from bytes that must succeed.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "ansinist/picture.h"
#include "ansinist/transaction_file.h"
#include "support/image_metrics.h"
#include "wsq/wsq.h"

namespace ansinisttest {

using Bytes = std::vector<uint8_t>;

// width x height x 3 bytes: a print under a tint that changes slowly across the picture, so
// that chroma subsampling loses little.
inline Bytes ColourPattern(int width, int height, uint32_t seed) {
    const Bytes grey = testsupport::synthetic_print(width, height, seed);
    Bytes rgb;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int g = grey[static_cast<size_t>(y * width + x)] * 3 / 4;
            rgb.push_back(static_cast<uint8_t>(g + 64 * x / width));
            rgb.push_back(static_cast<uint8_t>(g + 32));
            rgb.push_back(static_cast<uint8_t>(g + 64 * y / height));
        }
    return rgb;
}

inline Bytes WsqOf(const Bytes& grey, int width, int height, int ppi = 500) {
    wsq::Encoded encoded = wsq::encode(grey, width, height, 2.25f, ppi);
    EXPECT_FALSE(encoded.error) << encoded.error.text();
    return encoded.bytes;
}

// The transaction in `bytes`, which must be readable.
inline std::unique_ptr<ansinist::TransactionFile> MustRead(const Bytes& bytes) {
    ansinist::OpenResult opened = ansinist::TransactionFile::fromBytes(bytes);
    EXPECT_TRUE(opened.file) << opened.error;
    return std::move(opened.file);
}

}  // namespace ansinisttest
