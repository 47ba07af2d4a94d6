// Encoding 8-bit grey pixels into a complete WSQ codestream.
#pragma once

#include <cstdint>
#include <vector>

#include "wsq/wsq.h"

namespace wsq {

// wsq_encode_1 with the two kinds of comment apart: nistcom_text (may be null) is NISTCOM text
// merged with the encoder's own entries, separate_comment (may be null) a comment of its own.
int wsq_encode_comments(std::vector<uint8_t>* odata, int* olen, float r_bitrate,
                        const uint8_t* idata, int w, int h, int ppi, const char* nistcom_text,
                        const char* separate_comment);

int conv_img_2_flt(float* fip, float* m_shift, float* r_scale, const uint8_t* data, int num_pix);
// The same with long double sums and one pixel at a time: the reference for tests.
int conv_img_2_flt_reference(float* fip, float* m_shift, float* r_scale, const uint8_t* data,
                             int num_pix);

}  // namespace wsq
