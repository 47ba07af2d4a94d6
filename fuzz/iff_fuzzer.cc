// Fuzzes the IFF ILBM reader through a memory file; see raster_reader_checks.h for what is checked.
#include "fuzz/raster_reader_checks.h"
#include "imagefile/formats.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rasterfuzz::RunReader(data, size, imagefile::ReadIffFile);
    return 0;
}
