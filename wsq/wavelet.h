// Subband geometry (the 20-node wavelet tree and the 64-node subband tree) and the 9/7 filter
// bank: forward and inverse transforms in place on a float plane.
#pragma once

#include "wsq/records.h"

namespace wsq {

// The encoder's analysis filters.
extern const float kAnalysisLowPass[9];
extern const float kAnalysisHighPass[7];

void build_subband_trees(WaveletTreeNode* w_tree, int w_treelen, QuantTreeNode* q_tree,
                         int q_treelen, int width, int height);
// Forward transform; 0 or -94 when the work plane cannot be allocated. The filter arrays are
// read only (even-length filters are sign-flipped in a copy). Regions of any size, down to the
// single pixel of a 1 x 1 picture, are filtered inside the plane.
int wsq_decompose(float* fdata, int width, int height, const WaveletTreeNode* w_tree,
                  int w_treelen, float* hifilt, int hisz, float* lofilt, int losz);
// Inverse transform with the synthesis filters of a transform table; 0, -95 or -96 when the
// low-pass or high-pass filter is not defined (the plane untouched), -97 when the work plane
// cannot be allocated.
int wsq_reconstruct(float* fdata, int width, int height, const WaveletTreeNode* w_tree,
                    int w_treelen, TransformTable* dtt_table);

}  // namespace wsq
