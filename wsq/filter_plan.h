// A filter pass written down once for a line length: the walk of filter_walk.h recorded as a
// list of sums, each a list of taps, that is then applied to many lines side by side. Every
// sample gets the same products and the same sums in the same order as when its line is
// walked on its own; only the lines are interleaved. Internal to the codec.
#pragma once

#include <cstddef>
#include <vector>

namespace wsq {

struct FilterPlan {
    enum class Kind : unsigned char {
        Zero,        // the output is cleared
        Start,       // the first tap starts the sum, which overwrites the output
        Accumulate,  // the taps are added to the value the output holds
    };
    struct Sum {
        int out;
        int first_tap;
        int tap_count;
        Kind kind;
    };
    // coef already carries the sign of the tap; the products are exact in double, so the
    // sign may be applied to either factor.
    struct Tap {
        float coef;
        int in;
    };
    std::vector<Sum> sums;
    std::vector<Tap> taps;
    // Output samples written, each once, in increasing order.
    std::vector<int> written;
    // Some tap reads the zero of an empty band (lines of one sample).
    bool reads_empty_band = false;
    // Some sum adds to an output the line has not written before (the old value is read).
    bool reads_old_output = false;
};

// The plans of one line of n > 0 samples; hi is the caller's high-pass filter.
FilterPlan analysis_plan(int n, const float* hi, int hsz, const float* lo, int lsz, int inv);
FilterPlan synthesis_plan(int n, const float* hi, int hsz, const float* lo, int lsz, int inv);

// Applies a plan to `lines` lines that lie next to each other (line j starts j floats after
// line 0) and whose samples are `stride` floats apart. out and in do not overlap. A plan that
// reads the zero of an empty band is not applied here.
void run_plan_on_adjacent_lines(const FilterPlan& plan, float* out, const float* in, int lines,
                                std::ptrdiff_t stride);
// Applies a plan to `lines` lines of n samples laid out as the passes take them: line r starts
// r * pitch floats in, its samples are stride apart. Rows (stride 1) are gathered into
// adjacent lines a block at a time. Large passes share their lines among the threads a
// ParallelPasses scope of the calling thread allows; every line gets the same arithmetic.
void run_plan(const FilterPlan& plan, float* out, const float* in, int lines, int n,
              std::ptrdiff_t pitch, std::ptrdiff_t stride);

// Whether a plan can be applied in place: it writes every one of the n samples of a line and
// reads neither an old output nor an empty band, so a line's result does not depend on what
// the output held before.
bool runs_in_place(const FilterPlan& plan, int n);
// Applies such a plan to `lines` lines of n samples in place: rows (stride 1, line r at
// r * pitch) or columns (pitch 1, line c at c, samples stride apart). Each block of 64 lines is
// copied out, filtered and copied back, so every sample gets the arithmetic run_plan gives it.
void run_plan_in_place(const FilterPlan& plan, float* data, int lines, int n, std::ptrdiff_t pitch,
                       std::ptrdiff_t stride);

// The threads a pass of the calling thread may use (ParallelPasses); 1 without a scope.
int pass_threads();

}  // namespace wsq
