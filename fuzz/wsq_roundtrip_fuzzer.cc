// Encode arbitrary small pictures and decode what the encoder writes. The encoder may refuse a
// picture (too small, a bit rate it cannot meet, a stream that would not fit), but whatever it
// accepts must decode to a picture of the same size.
//
// Input: width byte, height byte, rate byte, mode byte, then pixels. Mode bit 0 chooses between
// the pixel bytes repeated over the picture and a smooth picture interpolated from them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "wsq/decoder.h"
#include "wsq/encoder.h"

namespace {

std::vector<uint8_t> make_pixels(int w, int h, bool smooth, const uint8_t* data, size_t size) {
    std::vector<uint8_t> px(static_cast<size_t>(w) * h, 0);
    if (size == 0) return px;
    if (!smooth) {
        for (size_t i = 0; i < px.size(); ++i) px[i] = data[i % size];
        return px;
    }
    // A grid of up to 8 x 8 control values, interpolated bilinearly.
    const int g = size >= 64 ? 8 : size >= 16 ? 4 : size >= 4 ? 2 : 1;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const double gx = g == 1 ? 0 : double(x) * (g - 1) / (w - 1);
            const double gy = g == 1 ? 0 : double(y) * (g - 1) / (h - 1);
            const int x0 = static_cast<int>(gx);
            const int y0 = static_cast<int>(gy);
            const int x1 = x0 + 1 < g ? x0 + 1 : x0;
            const int y1 = y0 + 1 < g ? y0 + 1 : y0;
            const double fx = gx - x0;
            const double fy = gy - y0;
            auto v = [&](int cx, int cy) { return double(data[(cy * g + cx) % size]); };
            const double top = v(x0, y0) * (1 - fx) + v(x1, y0) * fx;
            const double bottom = v(x0, y1) * (1 - fx) + v(x1, y1) * fx;
            px[static_cast<size_t>(y) * w + x] = static_cast<uint8_t>(top * (1 - fy) + bottom * fy);
        }
    }
    return px;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    // Mostly sizes the encoder takes (81 and up), some it must refuse.
    const int w = 60 + data[0] % 140;
    const int h = 60 + data[1] % 140;
    const float rate = static_cast<float>(data[2] + 1) / 32.0f;
    const bool smooth = (data[3] & 1) != 0;
    const std::vector<uint8_t> px = make_pixels(w, h, smooth, data + 4, size - 4);

    std::vector<uint8_t> stream;
    int len = 0;
    if (wsq::wsq_encode_1(&stream, &len, rate, px.data(), w, h, 8, 500, nullptr) != 0) return 0;
    if (len != static_cast<int>(stream.size()) || len > w * h) std::abort();

    std::vector<uint8_t> out;
    int ow = 0, oh = 0, od = 0, oppi = 0, lossy = 0, enc = 0, sw = 0;
    if (wsq::wsq_decode_mem(&out, &ow, &oh, &od, &oppi, &lossy, &enc, &sw, stream.data(), len) !=
        0) {
        std::abort();
    }
    if (ow != w || oh != h || out.size() != px.size() || oppi != 500) std::abort();
    return 0;
}
