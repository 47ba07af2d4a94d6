// Running general image tools (ImageMagick, netpbm, Pillow) from the raster tests as peers, and
// the Netpbm files through which pixels go to and come from them. A test that needs a tool it
// cannot find skips itself.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace testsupport {

// Pixels exchanged with a peer: rows top-down, channels 1 (grey), 2 (grey, alpha), 3 (red,
// green, blue) or 4 (red, green, blue, alpha), 8 bits each.
struct PeerPixels {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t channels = 0;
    std::vector<uint8_t> data;
    const uint8_t* at(uint32_t x, uint32_t y) const {
        return data.data() + (size_t{y} * width + x) * channels;
    }
    bool operator==(const PeerPixels&) const = default;
};

// Lets GoogleTest show the size and bytes of a picture that differs.
void PrintTo(const PeerPixels& pixels, std::ostream* out);
// A Python statement that saves the Pillow image `variable` as a P7 file of its RGB or, for
// images with alpha, RGBA pixels.
std::string PeerPillowSavePam(const std::string& variable, const std::string& path);

// True when `program` is on the search path.
bool PeerProgramAvailable(const std::string& program);
// A Python interpreter that can import Pillow, or an empty string.
std::string PeerPillowPython();
// Runs a shell command with its output discarded; true when it exited with status 0.
bool RunPeerCommand(const std::string& command);
// Runs a Python program with Pillow (see PeerPillowPython); true on exit status 0.
bool RunPeerPython(const std::string& program);

// A fresh directory for the files of one test, removed when the process ends.
std::string PeerScratchDirectory();

// Netpbm files: P5 (grey), P6 (colour) or P7 (any channel count, written with the tuple types
// GRAYSCALE, GRAYSCALE_ALPHA, RGB, RGB_ALPHA). Maxval 255 only.
bool WritePeerNetpbm(const std::string& path, const PeerPixels& pixels);
bool ReadPeerNetpbm(const std::string& path, PeerPixels* pixels);

// A small picture with a distinct value in every channel of every pixel.
PeerPixels PeerTestPattern(uint32_t width, uint32_t height, uint32_t channels);

// Reads a whole file, or writes bytes to one (false on failure).
std::vector<uint8_t> ReadPeerFileBytes(const std::string& path);
bool WritePeerFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace testsupport

#define SKIP_WITHOUT_PEER_PROGRAM(program)                                   \
    do {                                                                     \
        if (!testsupport::PeerProgramAvailable(program))                     \
            GTEST_SKIP() << (program) << " is not installed";                \
    } while (0)

#define SKIP_WITHOUT_PILLOW()                                                \
    do {                                                                     \
        if (testsupport::PeerPillowPython().empty())                         \
            GTEST_SKIP() << "Pillow is not installed";                       \
    } while (0)
