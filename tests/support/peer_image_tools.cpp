#include "support/peer_image_tools.h"

#include "support/peer_tools.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace testsupport {

// The process helpers are the ones every peer test uses (peer_tools.h).
bool ProgramAvailable(const std::string& program) { return PeerProgramAvailable(program); }

std::string PillowPython() { return PeerPillowPython(); }

bool PillowAvailable() { return !PillowPython().empty(); }

bool RunCommand(const std::string& commandLine) { return RunPeerCommand(commandLine); }

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') quoted += "'\\''";
        else quoted += c;
    }
    return quoted + "'";
}

bool WritePpm(const std::string& path, const RgbPicture& picture) {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << picture.width << " " << picture.height << "\n255\n";
    out.write(reinterpret_cast<const char*>(picture.rgb.data()),
              static_cast<std::streamsize>(picture.rgb.size()));
    return static_cast<bool>(out);
}

namespace {

bool ReadPnmNumber(std::istream& in, uint32_t* value) {
    in >> std::ws;
    while (in.peek() == '#') {
        std::string comment;
        std::getline(in, comment);
        in >> std::ws;
    }
    return static_cast<bool>(in >> *value);
}

}  // namespace

bool ReadPnm(const std::string& path, RgbPicture* picture) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    uint32_t width = 0, height = 0, maxval = 0;
    if (!(in >> magic) || (magic != "P6" && magic != "P5")) return false;
    if (!ReadPnmNumber(in, &width) || !ReadPnmNumber(in, &height) || !ReadPnmNumber(in, &maxval) ||
        maxval != 255)
        return false;
    in.get();
    const size_t channels = magic == "P6" ? 3 : 1;
    std::vector<uint8_t> data(size_t{width} * height * channels);
    in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
    if (!in) return false;
    picture->width = width;
    picture->height = height;
    if (channels == 3) {
        picture->rgb = std::move(data);
    } else {
        picture->rgb.resize(data.size() * 3);
        for (size_t i = 0; i < data.size(); ++i)
            picture->rgb[3 * i] = picture->rgb[3 * i + 1] = picture->rgb[3 * i + 2] = data[i];
    }
    return true;
}

RgbPicture RgbFromRecord(const imagefile::BitmapImage& image) {
    RgbPicture picture;
    picture.width = image.width;
    picture.height = image.height;
    picture.rgb.resize(size_t{image.width} * image.height * 3);
    for (uint32_t y = 0; y < image.height; ++y) {
        const uint8_t* row = image.bits.data() + size_t{image.height - 1 - y} * image.scanWidth;
        for (uint32_t x = 0; x < image.width; ++x) {
            uint8_t* out = &picture.rgb[(size_t{y} * image.width + x) * 3];
            const uint8_t* bgr = nullptr;
            if (image.bitsPerPixel <= 8) {
                uint32_t index = 0;
                if (image.bitsPerPixel == 8) index = row[x];
                else if (image.bitsPerPixel == 4) index = row[x / 2] >> (x % 2 == 0 ? 4 : 0) & 15;
                else index = row[x / 8] >> (7 - x % 8) & 1;
                if (index >= image.paletteSize) index = 0;
                bgr = image.palette.data() + size_t{index} * image.paletteEntrySize;
            } else {
                bgr = row + size_t{x} * (image.bitsPerPixel / 8);
            }
            out[0] = bgr[2];
            out[1] = bgr[1];
            out[2] = bgr[0];
        }
    }
    return picture;
}

RgbPicture TestPattern(uint32_t width, uint32_t height) {
    RgbPicture picture;
    picture.width = width;
    picture.height = height;
    picture.rgb.resize(size_t{width} * height * 3);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t* p = &picture.rgb[(size_t{y} * width + x) * 3];
            p[0] = static_cast<uint8_t>(x * 255 / (width > 1 ? width - 1 : 1));
            p[1] = static_cast<uint8_t>(y * 255 / (height > 1 ? height - 1 : 1));
            p[2] = static_cast<uint8_t>(((x / 4 + y / 3) % 2) * 200 + (x * y) % 37);
        }
    }
    return picture;
}

RgbPicture PalettePattern(uint32_t width, uint32_t height, uint32_t colours) {
    RgbPicture picture;
    picture.width = width;
    picture.height = height;
    picture.rgb.resize(size_t{width} * height * 3);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            uint32_t c = (x / 3 + y * 7 + (x * y) / 5) % colours;
            uint8_t* p = &picture.rgb[(size_t{y} * width + x) * 3];
            p[0] = static_cast<uint8_t>(c * 37 % 256);
            p[1] = static_cast<uint8_t>(255 - c * 11 % 256);
            p[2] = static_cast<uint8_t>(c * 101 % 256);
        }
    }
    return picture;
}

}  // namespace testsupport
