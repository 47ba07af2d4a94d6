// Fuzzes the PCX reader through a memory file and checks the record it returns.
#include "imagefile/formats.h"
#include "raster_reader_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return rasterfuzz::RunReader(data, size, imagefile::ReadPcxFile);
}
