#include "support/image_metrics.h"

#include <cmath>
#include <limits>

#include "synthprint.h"

namespace testsupport {

double psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    if (a.size() != b.size() || a.empty()) return 0.0;
    double se = 0.0;
    for (size_t i = 0; i < a.size(); ++i) {
        const double d = double(a[i]) - double(b[i]);
        se += d * d;
    }
    if (se == 0.0) return std::numeric_limits<double>::infinity();
    return 10.0 * std::log10(255.0 * 255.0 * double(a.size()) / se);
}

std::vector<uint8_t> synthetic_print(int width, int height, uint32_t seed) {
    synthprint::PrintOptions o;
    o.width = width;
    o.height = height;
    o.seed = seed;
    return synthprint::make_synthetic_print(o);
}

std::vector<uint8_t> gradient_image(int width, int height) {
    std::vector<uint8_t> g(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            g[static_cast<size_t>(y) * width + x] =
                static_cast<uint8_t>((255 * (x + y)) / (width + height - 2));
        }
    }
    return g;
}

}  // namespace testsupport
