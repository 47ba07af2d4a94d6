// The peers of the TIFF, PNG, JPEG and GIF tests beyond those of peer_tools.h: libtiff's tiffcp,
// ImageMagick's convert and giflib's gifbuild, and netpbm files
// of exact 8- or 16-bit samples. Tests skip when a peer is missing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/peer_tools.h"
#include "support/scratch_dir.h"

namespace testsupport {

bool TiffcpAvailable();
// tiffcp <options> <in> <out>
bool RunTiffcp(const std::string& options, const std::string& in, const std::string& out);
bool MagickConvertAvailable();
// convert <arguments>
bool RunMagickConvert(const std::string& arguments);
bool GifbuildAvailable();
// gifbuild < textFile > gifFile
bool RunGifbuild(const std::string& textFile, const std::string& gifFile);

// Writes a netpbm file of exact samples (rows top-down): PGM for 1 channel, PPM for 3, PAM for 2
// (GRAYSCALE_ALPHA) and 4 (RGB_ALPHA); 16-bit big-endian samples when maxval exceeds 255.
void WriteNetpbmSamples(const std::string& path, uint32_t width, uint32_t height, int channels,
                        uint32_t maxval, const std::vector<uint16_t>& samples);

}  // namespace testsupport
