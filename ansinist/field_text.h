// The separators of the traditional encoding, and the small text helpers every record parser
// uses: value text from bytes, subfield splitting and strict number parsing.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ansinist::detail {

inline constexpr uint8_t kFS = 0x1C;  // ends every tagged record
inline constexpr uint8_t kGS = 0x1D;  // between fields
inline constexpr uint8_t kRS = 0x1E;  // between subfields
inline constexpr uint8_t kUS = 0x1F;  // between items

// The bytes as UTF-8 text: kept as they are when they are valid UTF-8, otherwise read as
// Latin-1 (what writers without a declared character set produce) and converted.
std::string textFromBytes(std::span<const uint8_t> bytes);

// A field value split into subfields (RS) and their items (US). An empty value is one subfield
// of one empty item.
std::vector<std::vector<std::string>> splitSubfields(const std::string& text);

// `text` without leading and trailing spaces.
std::string_view trimSpaces(std::string_view text);

// Decimal digits only (no sign, no spaces), 1 to maxDigits of them.
std::optional<uint64_t> parseDigits(std::string_view text, size_t maxDigits);

// A number in a text field: surrounding spaces are tolerated, then 1-9 digits.
std::optional<int> parseNumber(std::string_view text);

// A resolution in pixels per millimetre written "NN.NN" (surrounding spaces tolerated; the
// fraction may have fewer digits or be missing). Values of 0 or above 99.99 are not given.
std::optional<double> parsePixelsPerMillimetre(std::string_view text);

}  // namespace ansinist::detail
