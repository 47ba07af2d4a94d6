#include "pnm_damage.h"

#include <cstdint>

namespace {

bool isSpace(uint8_t c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool isDigit(uint8_t c) {
    return c >= '0' && c <= '9';
}

// Reads the header's numbers and then the samples, passing by white space and comments (from
// '#' to the end of the line).
class Numbers {
public:
    explicit Numbers(std::span<const uint8_t> bytes) : m_bytes(bytes) {}

    // Moves past the next number; false when something else (or nothing) comes first. `value`
    // stops growing at 2^32, which is more than any width or height Qt reads.
    bool next(uint64_t* value = nullptr) {
        while (m_at < m_bytes.size() && (isSpace(m_bytes[m_at]) || m_bytes[m_at] == '#')) {
            if (m_bytes[m_at] == '#') {
                while (m_at < m_bytes.size() && m_bytes[m_at] != '\n' && m_bytes[m_at] != '\r')
                    ++m_at;
            } else {
                ++m_at;
            }
        }
        if (m_at >= m_bytes.size() || !isDigit(m_bytes[m_at])) return false;
        uint64_t number = 0;
        for (; m_at < m_bytes.size() && isDigit(m_bytes[m_at]); ++m_at)
            if (number < (uint64_t{1} << 32)) number = number * 10 + (m_bytes[m_at] - '0');
        if (value) *value = number;
        return true;
    }

    bool atEnd() const { return m_at >= m_bytes.size(); }

private:
    std::span<const uint8_t> m_bytes;
    size_t m_at = 2;  // after the magic number
};

}  // namespace

QString pnmDamage(std::span<const uint8_t> bytes) {
    if (bytes.size() < 2 || bytes[0] != 'P' || (bytes[1] != '2' && bytes[1] != '3'))
        return QString();
    const uint64_t channels = bytes[1] == '3' ? 3 : 1;
    Numbers numbers(bytes);
    uint64_t width = 0, height = 0, maxval = 0;
    if (!numbers.next(&width) || !numbers.next(&height) || !numbers.next(&maxval)) return QString();
    // A count past what any file could hold stays as large as it gets.
    const uint64_t samples = width != 0 && height > UINT64_MAX / width / channels
                                 ? UINT64_MAX
                                 : width * height * channels;
    for (uint64_t n = 0; n < samples; ++n) {
        if (!numbers.next())
            return QStringLiteral("the file holds %1 of the %2 samples its header gives")
                .arg(n)
                .arg(samples);
    }
    if (samples > 0 && numbers.atEnd())
        return QStringLiteral(
            "the file ends right after its last sample, which may have lost "
            "digits: every sample is followed by white space");
    return QString();
}
