// Writes small TIFF, PNG and JPEG files of every record depth through our own writers, as seeds
// for the raster-reader fuzzers: raster_seed_writer <output directory>.
#include <cstdio>
#include <string>

#include "imagefile/bitmap_image.h"
#include "imagefile/formats.h"

namespace {

imagefile::BitmapImage Pattern(uint32_t width, uint32_t height, uint8_t depth) {
    imagefile::BitmapImage image;
    image.width = width;
    image.height = height;
    image.bitsPerPixel = depth;
    image.dibLayout = 1;
    if (imagefile::AllocateBitmapImage(&image) != 0) return image;
    for (size_t i = 0; i < image.bits.size(); ++i) image.bits[i] = uint8_t(i * 29 + i / 7);
    for (size_t i = 0; i < image.palette.size(); ++i) image.palette[i] = uint8_t(i * 53);
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output directory>\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    int failures = 0;
    for (const uint8_t depth : {1, 4, 8, 16, 24, 32}) {
        const imagefile::BitmapImage image = Pattern(depth == 1 ? 19 : 9, 5, depth);
        const std::string stem = dir + "/ours-" + std::to_string(depth);
        for (uint32_t selector : {0u, 4u, 9u, 13u}) {
            imagefile::TiffSaveInfo info;
            info.compression = selector;
            info.bottomUp = selector == 9 ? 1 : 0;
            const std::string name = stem + "-" + std::to_string(selector) + ".tif";
            failures += imagefile::WriteTiffFile(name.c_str(), image, &info) != 0;
        }
        failures += imagefile::WritePngFile((stem + ".png").c_str(), image) != 0;
        if (depth >= 8) {
            failures += imagefile::WriteJpegFile((stem + ".jpg").c_str(), image, 75) != 0;
        }
    }
    return failures == 0 ? 0 : 1;
}
