// Fuzzes the library's own Targa reader through a memory file; see raster_checks_own1.h.
#include "imagefile/formats.h"
#include "raster_checks_own1.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return own1fuzz::RunReader(data, size, imagefile::ReadTargaFile);
}
