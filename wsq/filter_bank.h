// One filtering of every line of a region: the analysis pass splits each line into its low and
// high band, the synthesis pass joins the two bands back into a line. Internal to the codec.
#pragma once

namespace wsq {

// Line r of a region starts r * pitch floats into both planes; its samples are stride apart.
// A line of n samples has a low band of (n + 1) / 2 and a high band of n / 2 samples; the low
// band comes first, or the high band when inv is set. Filters of any length (even empty) are
// accepted, and lines of any length from 0 up are read and written only inside themselves.
void analysis_pass(float* out, const float* in, int lines, int n, int pitch, int stride,
                   const float* hi, int hsz, const float* lo, int lsz, int inv);
void synthesis_pass(float* out, const float* in, int lines, int n, int pitch, int stride,
                    const float* hi, int hsz, const float* lo, int lsz, int inv);

// The straightforward passes: every line walked on its own, sample by sample. The passes above
// give the same bits; they record the walk of a line once and apply it to many lines at a
// time.
void analysis_pass_reference(float* out, const float* in, int lines, int n, int pitch,
                             int stride, const float* hi, int hsz, const float* lo, int lsz,
                             int inv);
void synthesis_pass_reference(float* out, const float* in, int lines, int n, int pitch,
                              int stride, const float* hi, int hsz, const float* lo, int lsz,
                              int inv);

}  // namespace wsq
