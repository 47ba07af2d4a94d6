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
// Forward transform. The high-pass taps are negated and restored during the call.
int wsq_decompose(float* fdata, int width, int height, const WaveletTreeNode* w_tree,
                  int w_treelen, float* hifilt, int hisz, float* lofilt, int losz);
// Inverse transform with the synthesis filters of a transform table.
int wsq_reconstruct(float* fdata, int width, int height, const WaveletTreeNode* w_tree,
                    int w_treelen, TransformTable* dtt_table);

}  // namespace wsq
