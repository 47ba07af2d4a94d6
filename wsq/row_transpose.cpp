// Row blocks are turned in tiles of 4 x 4 samples with SSE where the compiler offers it; the
// edges of a block that do not fill a tile are copied one sample at a time.
#include "wsq/row_transpose.h"

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace wsq {
namespace {

// Copies the count x n samples at src (sample i of line j at src[j * src_pitch + i]) to
// dst[i * dst_pitch + j].
void transpose(float* dst, std::ptrdiff_t dst_pitch, const float* src, std::ptrdiff_t src_pitch,
               int count, int n) {
    int j = 0;
#if defined(__SSE2__)
    for (; j + 4 <= count; j += 4) {
        const float* s = src + j * src_pitch;
        int i = 0;
        for (; i + 4 <= n; i += 4) {
            __m128 r0 = _mm_loadu_ps(s + i);
            __m128 r1 = _mm_loadu_ps(s + src_pitch + i);
            __m128 r2 = _mm_loadu_ps(s + 2 * src_pitch + i);
            __m128 r3 = _mm_loadu_ps(s + 3 * src_pitch + i);
            _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
            float* d = dst + i * dst_pitch + j;
            _mm_storeu_ps(d, r0);
            _mm_storeu_ps(d + dst_pitch, r1);
            _mm_storeu_ps(d + 2 * dst_pitch, r2);
            _mm_storeu_ps(d + 3 * dst_pitch, r3);
        }
        for (; i < n; ++i) {
            for (int k = 0; k < 4; ++k) dst[i * dst_pitch + j + k] = s[k * src_pitch + i];
        }
    }
#endif
    for (; j < count; ++j) {
        for (int i = 0; i < n; ++i) dst[i * dst_pitch + j] = src[j * src_pitch + i];
    }
}

}  // namespace

void rows_to_block(float* block, std::ptrdiff_t block_pitch, const float* rows, int count, int n,
                   std::ptrdiff_t pitch) {
    transpose(block, block_pitch, rows, pitch, count, n);
}

void block_to_rows(float* rows, std::ptrdiff_t pitch, const float* block,
                   std::ptrdiff_t block_pitch, int count, int n, const std::vector<int>& samples) {
    if (static_cast<int>(samples.size()) == n) {
        transpose(rows, pitch, block, block_pitch, n, count);
        return;
    }
    for (int j = 0; j < count; ++j) {
        for (int i : samples) rows[j * pitch + i] = block[i * block_pitch + j];
    }
}

}  // namespace wsq
