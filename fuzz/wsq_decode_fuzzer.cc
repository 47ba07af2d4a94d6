// The WSQ decoder and the viewer's comment walk over arbitrary bytes.
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "wsq/wsq.h"
#include "wsq_frame_pixels.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > INT_MAX) return 0;
    const int len = static_cast<int>(size);

    if (fuzzsupport::frame_pixels(data, len) <= fuzzsupport::kFuzzMaxPixels) {
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
