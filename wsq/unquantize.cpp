// The decoder's half of quantization: the float subband picture rebuilt from the quantized
// values and the table's bin centre and bin widths.
#include <cstddef>
#include <cstdio>
#include <new>

#include "wsq/diagnostics.h"
#include "wsq/image_limits.h"
#include "wsq/quantization.h"

namespace wsq {

int unquantize(std::vector<float>* ofip, const QuantTable* dqt_table, const QuantTreeNode* q_tree,
               int q_treelen, const int16_t* sip, int width, int height) {
    if (!dqt_table->dqt_def) {
        report("ERROR: unquantize : quantization table parameters not defined!\n");
        return -92;
    }
    std::vector<float> fip;
    try {
        if (width > 0 && height > 0) {
            if (!image_size_acceptable(static_cast<uint64_t>(width),
                                       static_cast<uint64_t>(height))) {
                throw std::bad_alloc();
            }
            fip.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0.0f);
        }
    } catch (const std::bad_alloc&) {
        report("ERROR : unquantize : calloc : fip\n");
        return -91;
    }

    const double centre = dqt_table->bin_center;
    for (int i = 0; i < NUM_SUBBANDS && i < q_treelen && !fip.empty(); ++i) {
        if (dqt_table->q[i] == 0.0f) continue;
        const QuantTreeNode& band = q_tree[i];
        const double bin = dqt_table->q[i];
        const double half_zero = static_cast<double>(dqt_table->z[i]) / 2.0;
        for (int row = band.y; row < band.y + band.leny; ++row) {
            float* p = fip.data() + static_cast<std::ptrdiff_t>(row) * width + band.x;
            for (int col = 0; col < band.lenx; ++col) {
                const int s = *sip++;
                if (s > 0) {
                    p[col] = static_cast<float>((s - centre) * bin + half_zero);
                } else if (s < 0) {
                    p[col] = static_cast<float>((s + centre) * bin - half_zero);
                } else {
                    p[col] = 0.0f;
                }
            }
        }
    }
    *ofip = std::move(fip);
    return 0;
}

}  // namespace wsq
