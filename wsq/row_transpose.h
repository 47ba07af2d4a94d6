// Turning a few rows of a plane into adjacent lines of a small block and back, so that the
// filters can work across rows the way they work across columns. Internal to the codec.
#pragma once

#include <cstddef>
#include <vector>

namespace wsq {

// Sample i of row j (rows[j * pitch + i]) goes to block[i * block_pitch + j], for count rows of
// n samples.
void rows_to_block(float* block, std::ptrdiff_t block_pitch, const float* rows, int count, int n,
                   std::ptrdiff_t pitch);
// The way back, for the samples listed in `samples` (increasing; all n of them when it holds n
// entries).
void block_to_rows(float* rows, std::ptrdiff_t pitch, const float* block,
                   std::ptrdiff_t block_pitch, int count, int n, const std::vector<int>& samples);

}  // namespace wsq
