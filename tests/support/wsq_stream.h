// Splitting a WSQ stream into its segments, for tests that check what the encoder writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct StreamSegment {
    uint16_t marker = 0;
    size_t offset = 0;              // of the marker
    std::vector<uint8_t> body;      // after the length field (empty for SOI and EOI)
    std::vector<uint8_t> coded;     // for SOB: the entropy-coded bytes up to the next marker
};

// The segments in file order; empty (with a test failure) when the stream cannot be split.
std::vector<StreamSegment> split_wsq_stream(const std::vector<uint8_t>& stream);
std::vector<uint16_t> segment_markers(const std::vector<StreamSegment>& segments);
// A COM segment's text.
std::string comment_text(const StreamSegment& segment);

}  // namespace testsupport
