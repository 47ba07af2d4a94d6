// Decoding a WSQ codestream held in memory into 8-bit grey pixels.
#pragma once

#include <cstdint>
#include <vector>

#include "wsq/wsq.h"

namespace wsq {

int read_ppi_from_comments(int* oppi, const uint8_t* idata, int ilen);
// Pixels from the rebuilt float picture: f * r_scale + m_shift rounded, clamped to 0..255
// (NaN gives 0). Several samples at a time where the processor allows.
void float_image_to_bytes(uint8_t* odata, const float* img, int width, int height, float m_shift,
                          float r_scale);
// The same one sample at a time: the reference the fast one is tested against.
void float_image_to_bytes_reference(uint8_t* odata, const float* img, int width, int height,
                                    float m_shift, float r_scale);

}  // namespace wsq
