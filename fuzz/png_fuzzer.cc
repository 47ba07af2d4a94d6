// Fuzzes the PNG reader with the input as a file, and checks the record it returns.
#include <cstdint>
#include <cstdlib>

#include "fuzz/bitmap_invariants.h"
#include "fuzz/fuzz_input_file.h"
#include "imagefile/formats.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInputFile file(data, size);
    if (!file.ok()) return 0;
    imagefile::BitmapImage image;
    const uint32_t code = imagefile::ReadPngFile(file.path(), &image);
    CheckReaderResult(code, image);
    return 0;
}
