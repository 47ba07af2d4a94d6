#include "support/peer_tools.h"

#include "support/peer_image_tools.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace testsupport {

namespace {

struct ScratchDirectory {
    std::filesystem::path path;
    ScratchDirectory() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "peer-tools-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) path = pattern;
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
};

}  // namespace

void PrintTo(const PeerPixels& pixels, std::ostream* out) {
    *out << pixels.width << " x " << pixels.height << " x " << pixels.channels << " {";
    for (size_t i = 0; i < pixels.data.size() && i < 96; ++i) *out << (i ? " " : "") << int(pixels.data[i]);
    *out << (pixels.data.size() > 96 ? " ...}" : "}");
}

std::string PeerPillowSavePam(const std::string& variable, const std::string& path) {
    const std::string v = variable;
    return "_a = " + v + ".mode in ('RGBA', 'LA', 'PA') or (" + v + ".mode == 'P' and 'transparency' in " + v +
           ".info)\n"
           "_c = " + v + ".convert('RGBA' if _a else 'RGB')\n"
           "open('" + path + "', 'wb').write(('P7\\nWIDTH %d\\nHEIGHT %d\\nDEPTH %d\\nMAXVAL 255\\n"
           "TUPLTYPE %s\\nENDHDR\\n' % (_c.size[0], _c.size[1], 4 if _a else 3, 'RGB_ALPHA' if _a else 'RGB'))"
           ".encode() + _c.tobytes())\n";
}

bool PeerProgramAvailable(const std::string& program) {
    return RunPeerCommand("command -v " + ShellQuote(program));
}

std::string PeerPillowPython() {
    static const std::string python = [] {
        for (const char* candidate : {"python3", "/usr/bin/python3"}) {
            if (RunPeerCommand(std::string(candidate) + " -c 'import PIL.Image'")) return std::string(candidate);
        }
        return std::string();
    }();
    return python;
}

bool RunPeerCommand(const std::string& command) {
    const int status = std::system(("(" + command + ") >/dev/null 2>&1").c_str());
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool RunPeerPython(const std::string& program) {
    const std::string python = PeerPillowPython();
    if (python.empty()) return false;
    return RunPeerCommand(python + " -c " + ShellQuote(program));
}

std::string PeerScratchDirectory() {
    static ScratchDirectory root;
    static int counter = 0;
    if (root.path.empty()) return std::string();
    std::filesystem::path dir = root.path / std::to_string(++counter);
    std::filesystem::create_directories(dir);
    return dir.string();
}

bool WritePeerNetpbm(const std::string& path, const PeerPixels& pixels) {
    std::ofstream out(path, std::ios::binary);
    if (!out) return false;
    if (pixels.channels == 1) {
        out << "P5\n" << pixels.width << " " << pixels.height << "\n255\n";
    } else if (pixels.channels == 3) {
        out << "P6\n" << pixels.width << " " << pixels.height << "\n255\n";
    } else {
        const char* tuple = pixels.channels == 2 ? "GRAYSCALE_ALPHA" : "RGB_ALPHA";
        out << "P7\nWIDTH " << pixels.width << "\nHEIGHT " << pixels.height << "\nDEPTH "
            << pixels.channels << "\nMAXVAL 255\nTUPLTYPE " << tuple << "\nENDHDR\n";
    }
    out.write(reinterpret_cast<const char*>(pixels.data.data()),
              static_cast<std::streamsize>(pixels.data.size()));
    return static_cast<bool>(out);
}

bool ReadPeerNetpbm(const std::string& path, PeerPixels* pixels) {
    const std::vector<uint8_t> bytes = ReadPeerFileBytes(path);
    if (bytes.size() < 3 || bytes[0] != 'P') return false;
    size_t pos = 2;
    auto skipSpace = [&] {
        while (pos < bytes.size()) {
            if (bytes[pos] == '#') {
                while (pos < bytes.size() && bytes[pos] != '\n') ++pos;
            } else if (std::isspace(bytes[pos])) {
                ++pos;
            } else {
                break;
            }
        }
    };
    auto number = [&]() -> long {
        skipSpace();
        long value = 0;
        bool any = false;
        while (pos < bytes.size() && std::isdigit(bytes[pos])) {
            value = value * 10 + (bytes[pos++] - '0');
            any = true;
        }
        return any ? value : -1;
    };
    PeerPixels result;
    long maxval = 0;
    if (bytes[1] == '5' || bytes[1] == '6') {
        result.channels = bytes[1] == '5' ? 1 : 3;
        const long w = number(), h = number();
        maxval = number();
        if (w <= 0 || h <= 0) return false;
        result.width = static_cast<uint32_t>(w);
        result.height = static_cast<uint32_t>(h);
        ++pos;  // the one white-space byte before the raster
    } else if (bytes[1] == '7') {
        const size_t end = std::string(bytes.begin(), bytes.end()).find("ENDHDR\n");
        if (end == std::string::npos) return false;
        std::istringstream header(std::string(bytes.begin() + 2, bytes.begin() + end));
        std::string key;
        while (header >> key) {
            if (key == "WIDTH") header >> result.width;
            else if (key == "HEIGHT") header >> result.height;
            else if (key == "DEPTH") header >> result.channels;
            else if (key == "MAXVAL") header >> maxval;
            else header.ignore(1 << 20, '\n');
        }
        pos = end + 7;
    } else {
        return false;
    }
    if (maxval != 255) return false;
    const size_t n = size_t{result.width} * result.height * result.channels;
    if (bytes.size() < pos + n) return false;
    result.data.assign(bytes.begin() + static_cast<long>(pos), bytes.begin() + static_cast<long>(pos + n));
    *pixels = std::move(result);
    return true;
}

PeerPixels PeerTestPattern(uint32_t width, uint32_t height, uint32_t channels) {
    PeerPixels pixels{width, height, channels, {}};
    pixels.data.resize(size_t{width} * height * channels);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            for (uint32_t c = 0; c < channels; ++c) {
                pixels.data[(size_t{y} * width + x) * channels + c] =
                    static_cast<uint8_t>(x * 37 + y * 91 + c * 53 + (x * y) % 7);
            }
        }
    }
    return pixels;
}

std::vector<uint8_t> ReadPeerFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool WritePeerFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace testsupport
