// The WSQ decoder and the viewer's comment walk over arbitrary bytes.
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "wsq/codestream.h"
#include "wsq/decoder.h"
#include "wsq/wsq.h"

namespace {

// Frames above 128 x 128 are legal but slow to decode; they are left out so that the fuzzer
// spends its time on the parsing (as libjpeg-turbo's fuzzers cap their pixel count).
constexpr uint64_t kFuzzMaxPixels = uint64_t{1} << 14;

// The frame size the decoder will see, read the way the decoder reads up to the frame header;
// 0 when it would fail before.
uint64_t frame_pixels(const uint8_t* data, int len) {
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > INT_MAX) return 0;
    const int len = static_cast<int>(size);

    if (frame_pixels(data, len) <= kFuzzMaxPixels) {
        std::vector<uint8_t> pixels;
        int w = 0, h = 0, depth = 0, ppi = -1, lossy = 0, encoder = 0, software = 0;
        const int ret = wsq::wsq_decode_mem(&pixels, &w, &h, &depth, &ppi, &lossy, &encoder,
                                            &software, data, len);
        if (ret > 0) std::abort();
        if (ret == 0 && pixels.size() != static_cast<size_t>(w) * static_cast<size_t>(h))
            std::abort();
    }

    std::vector<std::string> comments;
    wsq::read_comments_before_first_block(&comments, data, len);
    return 0;
}
