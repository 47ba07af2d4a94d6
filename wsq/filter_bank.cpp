// The 9/7 filter bank: the encoder's analysis filters and the two passes that filter every
// line of a region, walking past the ends of a line or band by symmetric extension.
#include "wsq/filter_bank.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "wsq/filter_plan.h"
#include "wsq/filter_walk.h"
#include "wsq/wavelet.h"

namespace wsq {

const float kAnalysisLowPass[9] = {0.037828457f,  -0.023849465f, -0.1106244f,
                                   0.37740284f,   0.8526987f,    0.37740284f,
                                   -0.1106244f,   -0.023849465f, 0.037828457f};
const float kAnalysisHighPass[7] = {0.06453888f,  -0.040689416f, -0.41809228f, 0.7884856f,
                                    -0.41809228f, -0.040689416f, 0.06453888f};

namespace {

// Filters one line as the walk goes: products and sums in double, stored to 32 bits after
// every tap. A sum that adds to an output works on the stored sample itself.
class LineFilter {
public:
    LineFilter(float* out, const float* in, int n, std::ptrdiff_t stride)
        : out_(out), in_(in), n_(n), stride_(stride) {}

    void zero(int out) {
        if (out < n_) out_[out * stride_] = 0.0f;
    }
    void begin(int out, bool add) {
        target_ = out < n_ ? out_ + out * stride_ : nullptr;
        add_ = add;
        first_ = true;
        sum_ = 0.0f;
    }
    void tap(float coef, int in, int sign) {
        const float x = in >= 0 ? in_[in * stride_] : 0.0f;
        if (add_) {
            if (target_ != nullptr) {
                *target_ = static_cast<float>(static_cast<double>(*target_) +
                                              static_cast<double>(coef) *
                                                  static_cast<double>(x) *
                                                  static_cast<double>(sign));
            }
        } else if (first_) {
            sum_ = static_cast<float>(static_cast<double>(coef) * static_cast<double>(x));
        } else {
            sum_ = static_cast<float>(static_cast<double>(sum_) +
                                      static_cast<double>(coef) * static_cast<double>(x));
        }
        first_ = false;
    }
    void end() {
        if (!add_ && target_ != nullptr) *target_ = sum_;
    }

private:
    float* out_;
    const float* in_;
    int n_;
    std::ptrdiff_t stride_;
    float* target_ = nullptr;
    bool add_ = false;
    bool first_ = true;
    float sum_ = 0.0f;
};

template <typename Walk>
void each_line(float* out, const float* in, int lines, int n, int pitch, int stride, Walk walk) {
    for (int r = 0; r < lines; ++r) {
        const std::ptrdiff_t line = static_cast<std::ptrdiff_t>(r) * pitch;
        LineFilter filter(out + line, in + line, n, stride);
        walk(filter);
    }
}

}  // namespace

void analysis_pass_reference(float* out, const float* in, int lines, int n, int pitch,
                             int stride, const float* hi_taps, int hsz, const float* lo, int lsz,
                             int inv) {
    hsz = std::max(hsz, 0);
    lsz = std::max(lsz, 0);
    const std::vector<float> hi = filter_walk::signed_high_pass(hi_taps, hsz, lsz % 2 == 0);
    if (lines <= 0 || n <= 0) return;
    each_line(out, in, lines, n, pitch, stride, [&](LineFilter& f) {
        filter_walk::analysis_walk(f, n, hi.data(), hsz, lo, lsz, inv);
    });
}

void synthesis_pass_reference(float* out, const float* in, int lines, int n, int pitch,
                              int stride, const float* hi_taps, int hsz, const float* lo,
                              int lsz, int inv) {
    hsz = std::max(hsz, 0);
    lsz = std::max(lsz, 0);
    const std::vector<float> hi = filter_walk::signed_high_pass(hi_taps, hsz, lsz % 2 == 0);
    if (lines <= 0 || n <= 0) return;
    each_line(out, in, lines, n, pitch, stride, [&](LineFilter& f) {
        filter_walk::synthesis_walk(f, n, hi.data(), hsz, lo, lsz, inv);
    });
}

void analysis_pass(float* out, const float* in, int lines, int n, int pitch, int stride,
                   const float* hi, int hsz, const float* lo, int lsz, int inv) {
    if (lines <= 0 || n <= 0) return;
    const FilterPlan plan = analysis_plan(n, hi, hsz, lo, lsz, inv);
    if (plan.reads_empty_band) {
        analysis_pass_reference(out, in, lines, n, pitch, stride, hi, hsz, lo, lsz, inv);
        return;
    }
    run_plan(plan, out, in, lines, n, pitch, stride);
}

void synthesis_pass(float* out, const float* in, int lines, int n, int pitch, int stride,
                    const float* hi, int hsz, const float* lo, int lsz, int inv) {
    if (lines <= 0 || n <= 0) return;
    const FilterPlan plan = synthesis_plan(n, hi, hsz, lo, lsz, inv);
    if (plan.reads_empty_band) {
        synthesis_pass_reference(out, in, lines, n, pitch, stride, hi, hsz, lo, lsz, inv);
        return;
    }
    run_plan(plan, out, in, lines, n, pitch, stride);
}

}  // namespace wsq
