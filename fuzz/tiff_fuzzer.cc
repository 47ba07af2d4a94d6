// Fuzzes the TIFF reader through a memory file; see raster_reader_checks.h for what is checked.
// A successful read also reports a compression selector and orientation that exist.
#include "fuzz/raster_reader_checks.h"
#include "imagefile/formats.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    imagefile::TiffSaveInfo info;
    const uint32_t code = rasterfuzz::RunReader(data, size, [&](const char* path, auto* image) {
        return imagefile::ReadTiffFile(path, image, &info);
    });
    if (code == 0 && (info.compression > 15 || info.bottomUp > 1)) std::abort();
    return 0;
}
