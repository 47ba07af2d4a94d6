#include "xbm_damage.h"

#include <cctype>
#include <optional>
#include <string_view>

namespace {

// The number after the first "<name>_<field>" of the text ("#define face_width 48").
std::optional<uint64_t> definedSize(std::string_view text, std::string_view field) {
    for (size_t at = text.find(field); at != std::string_view::npos;
         at = text.find(field, at + 1)) {
        size_t p = at + field.size();
        if (p >= text.size() || (text[p] != ' ' && text[p] != '\t')) continue;
        while (p < text.size() && (text[p] == ' ' || text[p] == '\t')) ++p;
        uint64_t value = 0;
        size_t digits = 0;
        for (; p < text.size() && std::isdigit(static_cast<unsigned char>(text[p])) && digits < 10;
             ++p, ++digits)
            value = value * 10 + uint64_t(text[p] - '0');
        if (digits > 0) return value;
    }
    return std::nullopt;
}

}  // namespace

QString xbmDamage(std::span<const uint8_t> bytes) {
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    const size_t open = text.find('{');
    if (open == std::string_view::npos) return QString();
    const std::string_view header = text.substr(0, open);
    const std::optional<uint64_t> width = definedSize(header, "_width");
    const std::optional<uint64_t> height = definedSize(header, "_height");
    if (!width || !height || *width == 0 || *height == 0) return QString();
    const uint64_t needed = (*width + 7) / 8 * *height;
    uint64_t items = 0;
    for (size_t at = open + 1; at + 1 < text.size() && text[at] != '}' && items < needed; ++at) {
        if (text[at] == '0' && (text[at + 1] == 'x' || text[at + 1] == 'X')) {
            ++items;
            ++at;
        }
    }
    if (items >= needed) return QString();
    return QStringLiteral("the XBM data hold %1 of the %2 bytes of the picture")
        .arg(items)
        .arg(needed);
}
