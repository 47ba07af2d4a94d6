// Encoding 8-bit grey pixels into a complete WSQ codestream.
#pragma once

#include <cstdint>
#include <vector>

namespace wsq {

int wsq_encode_1(std::vector<uint8_t>* odata, int* olen, float r_bitrate, const uint8_t* idata,
                 int w, int h, int d, int ppi, const char* comment_text);
int conv_img_2_flt(float* fip, float* m_shift, float* r_scale, const uint8_t* data, int num_pix);
// The same with long double sums and one pixel at a time: the reference for tests.
int conv_img_2_flt_reference(float* fip, float* m_shift, float* r_scale, const uint8_t* data,
                             int num_pix);

}  // namespace wsq
