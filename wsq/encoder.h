// Encoding 8-bit grey pixels into a complete WSQ codestream.
#pragma once

#include <cstdint>
#include <vector>

#include "wsq/wsq.h"

namespace wsq {

int conv_img_2_flt(float* fip, float* m_shift, float* r_scale, const uint8_t* data, int num_pix);
// The same with long double sums and one pixel at a time: the reference for tests.
int conv_img_2_flt_reference(float* fip, float* m_shift, float* r_scale, const uint8_t* data,
                             int num_pix);

}  // namespace wsq
