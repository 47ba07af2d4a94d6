#include "support/peer_tools.h"

#include <stdlib.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace testsupport {

ScratchDir::ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "raster-peer-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    m_dir = pattern;
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
}

bool PeerToolAvailable(const std::string& program) {
    const char* path = std::getenv("PATH");
    if (path == nullptr) return false;
    std::string dirs(path);
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        const std::string candidate = dirs.substr(start, end - start) + "/" + program;
        if (end > start && access(candidate.c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

bool RunPeerCommand(const std::string& commandLine) {
    const std::string quiet = "(" + commandLine + ") >/dev/null 2>&1";
    return std::system(quiet.c_str()) == 0;
}

bool TiffcpAvailable() { return PeerToolAvailable("tiffcp"); }

bool RunTiffcp(const std::string& options, const std::string& in, const std::string& out) {
    return RunPeerCommand("tiffcp " + options + " '" + in + "' '" + out + "'");
}

bool MagickConvertAvailable() { return PeerToolAvailable("convert"); }

bool RunMagickConvert(const std::string& arguments) { return RunPeerCommand("convert " + arguments); }

bool GifbuildAvailable() { return PeerToolAvailable("gifbuild"); }

bool RunGifbuild(const std::string& textFile, const std::string& gifFile) {
    return RunPeerCommand("gifbuild < '" + textFile + "' > '" + gifFile + "'");
}

const std::string& PillowPython() {
    static const std::string python = [] {
        for (const char* candidate : {"python3", "/usr/bin/python3"}) {
            if (RunPeerCommand(std::string(candidate) + " -c 'import PIL.Image'")) return std::string(candidate);
        }
        return std::string();
    }();
    return python;
}

bool RunPillowScript(const ScratchDir& scratch, const std::string& script) {
    if (PillowPython().empty()) return false;
    const std::string file = scratch.path("peer_script.py");
    std::ofstream(file) << script;
    return RunPeerCommand(PillowPython() + " '" + file + "'");
}

void WriteNetpbm(const std::string& path, uint32_t width, uint32_t height, int channels,
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
    WriteFileBytes(path, bytes);
}

bool ReadNetpbm(const std::string& path, NetpbmPicture* picture) {
    const std::vector<uint8_t> bytes = ReadFileBytes(path);
    size_t at = 0;
    auto token = [&]() -> std::string {
        while (at < bytes.size() && (std::isspace(bytes[at]) || bytes[at] == '#')) {
            if (bytes[at] == '#') {
                while (at < bytes.size() && bytes[at] != '\n') ++at;
            } else {
                ++at;
            }
        }
        std::string t;
        while (at < bytes.size() && !std::isspace(bytes[at])) t += char(bytes[at++]);
        return t;
    };
    const std::string magic = token();
    if (magic != "P5" && magic != "P6") return false;
    const unsigned long width = std::stoul(token());
    const unsigned long height = std::stoul(token());
    const unsigned long maxval = std::stoul(token());
    ++at;  // the one whitespace byte before the samples
    const int channels = magic == "P5" ? 1 : 3;
    const size_t count = size_t(width) * height * channels;
    if (maxval != 255 || bytes.size() < at + count) return false;
    picture->width = uint32_t(width);
    picture->height = uint32_t(height);
    picture->channels = channels;
    picture->samples.assign(bytes.begin() + long(at), bytes.begin() + long(at + count));
    return true;
}

void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace testsupport
