// Text helpers for field values.
#include "ansinist/field_text.h"

#include <cmath>

namespace ansinist::detail {

namespace {

// Length of the UTF-8 sequence starting at bytes[i], or 0 when it is not well formed
// (overlong forms, surrogates and values above U+10FFFF included).
size_t utf8SequenceLength(std::span<const uint8_t> bytes, size_t i) {
    const uint8_t b = bytes[i];
    if (b < 0x80) return 1;
    size_t n = 0;
    uint32_t min = 0;
    uint32_t cp = 0;
    if ((b & 0xE0) == 0xC0) {
        n = 2, min = 0x80, cp = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
        n = 3, min = 0x800, cp = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
        n = 4, min = 0x10000, cp = b & 0x07;
    } else {
        return 0;
    }
    if (bytes.size() - i < n) return 0;
    for (size_t k = 1; k < n; ++k) {
        const uint8_t c = bytes[i + k];
        if ((c & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

bool isUtf8(std::span<const uint8_t> bytes) {
    for (size_t i = 0; i < bytes.size();) {
        const size_t n = utf8SequenceLength(bytes, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

}  // namespace

std::string textFromBytes(std::span<const uint8_t> bytes) {
    if (isUtf8(bytes)) return std::string(bytes.begin(), bytes.end());
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (uint8_t b : bytes) {
        if (b < 0x80) {
            out.push_back(static_cast<char>(b));
        } else {
            out.push_back(static_cast<char>(0xC0 | (b >> 6)));
            out.push_back(static_cast<char>(0x80 | (b & 0x3F)));
        }
    }
    return out;
}

std::vector<std::vector<std::string>> splitSubfields(const std::string& text) {
    std::vector<std::vector<std::string>> subfields(1);
    subfields.back().emplace_back();
    for (char c : text) {
        if (static_cast<uint8_t>(c) == kRS) {
            subfields.emplace_back();
            subfields.back().emplace_back();
        } else if (static_cast<uint8_t>(c) == kUS) {
            subfields.back().emplace_back();
        } else {
            subfields.back().back().push_back(c);
        }
    }
    return subfields;
}

std::string_view trimSpaces(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

std::optional<uint64_t> parseDigits(std::string_view text, size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits || maxDigits > 19) return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return value;
}

std::optional<int> parseNumber(std::string_view text) {
    const auto value = parseDigits(trimSpaces(text), 9);
    if (!value) return std::nullopt;
    return static_cast<int>(*value);
}

std::optional<double> parsePixelsPerMillimetre(std::string_view text) {
    text = trimSpaces(text);
    const size_t dot = text.find('.');
    const auto whole = parseDigits(text.substr(0, dot), 2);
    if (!whole) return std::nullopt;
    double value = static_cast<double>(*whole);
    if (dot != std::string_view::npos && dot + 1 < text.size()) {
        const std::string_view fraction = text.substr(dot + 1);
        const auto digits = parseDigits(fraction, 2);
        if (!digits) return std::nullopt;
        value +=
            static_cast<double>(*digits) / std::pow(10.0, static_cast<double>(fraction.size()));
    }
    if (value <= 0.0) return std::nullopt;
    return value;
}

}  // namespace ansinist::detail
