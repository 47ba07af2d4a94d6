// The frame size the WSQ decoder will see, read the way the decoder reads up to the frame
// header, so that a fuzz target can leave out frames that are legal but slow to decode.
#pragma once

#include <cstdint>

#include "wsq/codestream.h"
#include "wsq/decoder.h"

namespace fuzzsupport {

// Frames above 128 x 128 are legal but slow to decode; targets leave them out so that the
// fuzzer spends its time on the parsing (as libjpeg-turbo's fuzzers cap their pixel count).
inline constexpr uint64_t kFuzzMaxPixels = uint64_t{1} << 14;

// Width x height of the frame header; 0 when the decoder would fail before it.
inline uint64_t frame_pixels(const uint8_t* data, int len) {
    const uint8_t* cur = data;
    const uint8_t* end = data + len;
    wsq::TransformTable dtt;
    wsq::QuantTable dqt;
    wsq::HuffmanTableSet dht{};
    uint16_t marker = 0;
    if (wsq::getc_marker_wsq(&marker, wsq::SoiOnly, &cur, end)) return 0;
    if (wsq::getc_marker_wsq(&marker, wsq::TablesOrSof, &cur, end)) return 0;
    while (marker != wsq::SOF_WSQ) {
        if (wsq::getc_table_wsq(marker, &dtt, &dqt, &dht, &cur, end)) return 0;
        if (wsq::getc_marker_wsq(&marker, wsq::TablesOrSof, &cur, end)) return 0;
    }
    wsq::FrameHeader frame;
    if (wsq::getc_frame_header(&frame, &cur, end)) return 0;
    return uint64_t{frame.width} * frame.height;
}

}  // namespace fuzzsupport
