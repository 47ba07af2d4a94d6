// Subband variances, bit allocation and quantization (encoder), and unquantization (decoder).
#pragma once

#include <cstdint>
#include <vector>

#include "wsq/records.h"

namespace wsq {

void subband_variances(QuantValues* quant_vals, const QuantTreeNode* q_tree, int q_treelen,
                       const float* fip, int width, int height);
// Sets Q and Z from the variances and the bit rate and fills *osip (width x height entries,
// zeroed) with the coded subbands in order; *ocmp_siz is the number of values written.
// Returns 0; -90 when the array cannot be allocated; -98 when the bit allocation gives a
// scale or bin width that is not a finite positive number (Q and Z then stay 0); -99 when a
// quantized value falls outside -32768..32767. The out-values are set only on success.
int quantize_wsq(std::vector<int16_t>* osip, int* ocmp_siz, QuantValues* quant_vals,
                 const QuantTreeNode* q_tree, int q_treelen, const float* fip, int width,
                 int height);
void coded_block_sizes(int* oqsize1, int* oqsize2, int* oqsize3, const QuantValues* quant_vals,
                       const WaveletTreeNode* w_tree, int w_treelen, const QuantTreeNode* q_tree,
                       int q_treelen);
// Returns 0, -91 when the image cannot be allocated, -92 when the table is not defined.
int unquantize(std::vector<float>* ofip, const QuantTable* dqt_table, const QuantTreeNode* q_tree,
               int q_treelen, const int16_t* sip, int width, int height);

}  // namespace wsq
