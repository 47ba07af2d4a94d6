// Running the general image tools the raster tests use as peers (libtiff's tiffcp, ImageMagick's
// convert, Pillow, giflib's gifbuild), and the scratch directory and netpbm files they work on.
// Tests skip when a peer is missing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// A fresh directory under the system temporary directory, removed with its contents.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& dir() const { return m_dir; }
    std::string path(const std::string& name) const { return m_dir + "/" + name; }

private:
    std::string m_dir;
};

// True when the program is found on the executable search path.
bool PeerToolAvailable(const std::string& program);
// Runs a shell command line with its output discarded; true when it exits with 0.
bool RunPeerCommand(const std::string& commandLine);

bool TiffcpAvailable();
// tiffcp <options> <in> <out>
bool RunTiffcp(const std::string& options, const std::string& in, const std::string& out);
bool MagickConvertAvailable();
// convert <arguments>
bool RunMagickConvert(const std::string& arguments);
bool GifbuildAvailable();
// gifbuild < textFile > gifFile
bool RunGifbuild(const std::string& textFile, const std::string& gifFile);
// A Python interpreter that has Pillow, or an empty text.
const std::string& PillowPython();
// Runs a Python script with Pillow; true when it exits with 0.
bool RunPillowScript(const ScratchDir& scratch, const std::string& script);

// Writes a netpbm file of exact samples (rows top-down): PGM for 1 channel, PPM for 3, PAM for 2
// (GRAYSCALE_ALPHA) and 4 (RGB_ALPHA); 16-bit big-endian samples when maxval exceeds 255.
void WriteNetpbm(const std::string& path, uint32_t width, uint32_t height, int channels,
                 uint32_t maxval, const std::vector<uint16_t>& samples);
// Reads a binary PGM (P5) or PPM (P6) file of 8-bit samples, as written by the peers;
// false when the file is anything else.
struct NetpbmPicture {
    uint32_t width = 0;
    uint32_t height = 0;
    int channels = 0;
    std::vector<uint8_t> samples;  // rows top-down
};
bool ReadNetpbm(const std::string& path, NetpbmPicture* picture);
// Writes bytes to a file.
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadFileBytes(const std::string& path);

}  // namespace testsupport
