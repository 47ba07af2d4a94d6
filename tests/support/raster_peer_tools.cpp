#include "support/raster_peer_tools.h"

namespace testsupport {

bool TiffcpAvailable() { return PeerProgramAvailable("tiffcp"); }

bool RunTiffcp(const std::string& options, const std::string& in, const std::string& out) {
    return RunPeerCommand("tiffcp " + options + " '" + in + "' '" + out + "'");
}

bool MagickConvertAvailable() { return PeerProgramAvailable("convert"); }

bool RunMagickConvert(const std::string& arguments) { return RunPeerCommand("convert " + arguments); }

bool GifbuildAvailable() { return PeerProgramAvailable("gifbuild"); }

bool RunGifbuild(const std::string& textFile, const std::string& gifFile) {
    return RunPeerCommand("gifbuild < '" + textFile + "' > '" + gifFile + "'");
}

void WriteNetpbmSamples(const std::string& path, uint32_t width, uint32_t height, int channels,
                        uint32_t maxval, const std::vector<uint16_t>& samples) {
    std::string header;
    if (channels == 1 || channels == 3) {
        header = std::string(channels == 1 ? "P5" : "P6") + "\n" + std::to_string(width) + " " +
                 std::to_string(height) + "\n" + std::to_string(maxval) + "\n";
    } else {
        header = "P7\nWIDTH " + std::to_string(width) + "\nHEIGHT " + std::to_string(height) +
                 "\nDEPTH " + std::to_string(channels) + "\nMAXVAL " + std::to_string(maxval) +
                 "\nTUPLTYPE " + (channels == 2 ? "GRAYSCALE_ALPHA" : "RGB_ALPHA") + "\nENDHDR\n";
    }
    std::vector<uint8_t> bytes(header.begin(), header.end());
    for (uint16_t s : samples) {
        if (maxval > 255) bytes.push_back(static_cast<uint8_t>(s >> 8));
        bytes.push_back(static_cast<uint8_t>(s));
    }
    WritePeerFileBytes(path, bytes);
}

}  // namespace testsupport
