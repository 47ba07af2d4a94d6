#include "support/synthesis_filters.h"

#include <cmath>
#include <cstdint>

#include "wsq/wavelet.h"

namespace testsupport {

float dtt_tap_read_back(float tap) {
    double v = std::fabs(static_cast<double>(tap));
    if (v == 0.0) return 0.0f;
    int count = 0;
    while (v < 4294967295.0) {
        v *= 10.0;
        ++count;
    }
    const int scale = count - 1;
    const auto integer = static_cast<uint32_t>(v / 10.0 + 0.5);
    float value = static_cast<float>(integer);
    for (int s = 0; s < scale; ++s) value = value / 10.0f;
    return tap < 0 ? -value : value;
}

wsq::TransformTable synthesis_table_from_analysis_filters() {
    wsq::TransformTable t;
    t.hisize = 9;
    t.losize = 7;
    t.hifilt.assign(9, 0.0f);
    t.lofilt.assign(7, 0.0f);
    // hifilt from the analysis low-pass half (centre outward), odd distances negated.
    for (int i = 0; i < 5; ++i) {
        const float a = dtt_tap_read_back(wsq::kAnalysisLowPass[4 + i]);
        const float v = i % 2 == 0 ? a : -a;
        t.hifilt[4 + i] = v;
        t.hifilt[4 - i] = v;
    }
    // lofilt from the analysis high-pass half, odd distances negated.
    for (int i = 0; i < 4; ++i) {
        const float b = dtt_tap_read_back(wsq::kAnalysisHighPass[3 + i]);
        const float v = i % 2 == 0 ? b : -b;
        t.lofilt[3 + i] = v;
        t.lofilt[3 - i] = v;
    }
    t.lo_def = 1;
    t.hi_def = 1;
    return t;
}

}  // namespace testsupport
