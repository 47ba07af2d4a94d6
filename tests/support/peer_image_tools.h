// Peer tools for cross-checking the raster readers: general image programs (ImageMagick, netpbm,
// Pillow) write files from our pixels or decode files for comparison, through PPM files. Tests
// skip when a tool is missing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imagefile/bitmap_image.h"

namespace testsupport {

// A picture as red, green, blue bytes, rows top to bottom.
struct RgbPicture {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgb;

    const uint8_t* pixel(uint32_t x, uint32_t y) const { return &rgb[(size_t{y} * width + x) * 3]; }
    bool operator==(const RgbPicture&) const = default;
};

// True when `program` is found on the executable search path.
bool ProgramAvailable(const std::string& program);
// True when /usr/bin/python3 (or python3) can import PIL.
bool PillowAvailable();
// The python interpreter that has Pillow (empty when none).
std::string PillowPython();
// Runs a shell command line; true when it exits with 0.
bool RunCommand(const std::string& commandLine);
// Quotes a file name for the shell.
std::string ShellQuote(const std::string& text);

bool WritePpm(const std::string& path, const RgbPicture& picture);
// Reads a binary PPM (P6, maxval 255) or PGM (P5, maxval 255, grey spread to three channels).
bool ReadPnm(const std::string& path, RgbPicture* picture);

// The record's colours as a top-down picture: palette pictures through their palette, 24- and
// 32-bit ones from their blue, green, red bytes (alpha is dropped).
RgbPicture RgbFromRecord(const imagefile::BitmapImage& image);

// A small picture with smooth gradients and some sharp edges, for the peers to write.
RgbPicture TestPattern(uint32_t width, uint32_t height);
// The same picture limited to `colours` (at most 256) different colours.
RgbPicture PalettePattern(uint32_t width, uint32_t height, uint32_t colours);

}  // namespace testsupport
