// The one walk over the segments of a codestream. Ahead of the first block it reads exactly as
// the comment walk of the viewer and the NISTCOM lookup of the decoder do (SOI, then any marker,
// each segment read or passed over with the codestream readers, with their codes and lines);
// past the first block it follows the coded data to EOI without printing anything.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "wsq/records.h"
#include "wsq/wsq.h"

namespace wsq {

enum class WalkMode {
    // Every comment ahead of the first block, read with getc_comment.
    HeaderComments,
    // Up to the first comment whose text begins with "NIST_COM"; other comments are passed
    // over with getc_skip_marker_segment.
    FirstNistcom,
    // HeaderComments, plus the segment list, the frame header and the comments past the first
    // block.
    Whole,
};

struct StreamWalk {
    CommentWalkStop stop = CommentWalkStop::FirstBlock;
    int code = 0;  // of the read that stopped the walk ahead of the first block
    std::vector<std::string> comments;
    size_t header_comments = 0;
    std::optional<std::string> nistcom_text;
    // Whole only.
    std::optional<FrameHeader> frame;
    std::vector<Segment> segments;
    std::string segments_end;
};

// 0, or the code of the read that stopped the walk ahead of the first block (also in
// walk->code). With FirstNistcom, meeting SOB first is not a failure.
int walk_stream(const uint8_t* data, size_t size, WalkMode mode, StreamWalk* walk);

}  // namespace wsq
