// Compression names and codes.
#include "ansinist/compression.h"

#include <array>
#include <cstddef>

namespace ansinist {

namespace {

struct Entry {
    Compression compression;
    const char* name;
};
// In the order of the binary codes 0-6.
constexpr std::array<Entry, 7> kCompressions = {{
    {Compression::None, "NONE"},
    {Compression::Wsq, "WSQ20"},
    {Compression::JpegBaseline, "JPEGB"},
    {Compression::JpegLossless, "JPEGL"},
    {Compression::Jpeg2000, "JP2"},
    {Compression::Jpeg2000Lossless, "JP2L"},
    {Compression::Png, "PNG"},
}};

bool equalsIgnoringCase(std::string_view text, std::string_view upper) {
    if (text.size() != upper.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != upper[i]) return false;
    }
    return true;
}

}  // namespace

const char* compressionName(Compression compression) {
    for (const Entry& e : kCompressions)
        if (e.compression == compression) return e.name;
    return "unknown";
}

Compression compressionFromText(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    // Writers before 2011 named the same codec "WSQ".
    if (equalsIgnoringCase(text, "WSQ")) return Compression::Wsq;
    for (const Entry& e : kCompressions)
        if (equalsIgnoringCase(text, e.name)) return e.compression;
    return Compression::Unknown;
}

Compression compressionFromCode(int code) {
    if (code < 0 || code >= static_cast<int>(kCompressions.size())) return Compression::Unknown;
    return kCompressions[static_cast<size_t>(code)].compression;
}

}  // namespace ansinist
