// Whole-file read into memory and write from memory.
#pragma once

#include <cstdint>
#include <vector>

namespace wsq {

// Size in bytes, or -2, -3, -4.
long filesize(const char* path);
int read_raw_from_filesize(const char* path, std::vector<uint8_t>* odata, int* olen);
// Never destroys an existing file: writes a temporary file beside it, then renames it.
int write_raw_from_memsize(const char* path, const uint8_t* data, int length);

}  // namespace wsq
