#include "gif_damage.h"

#include <array>
#include <cstring>

namespace {

constexpr uint8_t kExtensionIntroducer = 0x21;
constexpr uint8_t kImageSeparator = 0x2C;
constexpr size_t kScreenDescriptorEnd = 13;  // signature, then the 7-byte screen descriptor
constexpr size_t kImageDescriptorSize = 9;   // after the separator
constexpr uint8_t kColourTableFlag = 0x80;
constexpr uint32_t kLongestCode = 12;
constexpr uint32_t kTableSize = 1u << kLongestCode;

uint32_t littleEndian16(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8;
}

// Bytes of the colour table a flags byte announces (0 when there is none).
size_t colourTableBytes(uint8_t flags) {
    return (flags & kColourTableFlag) ? size_t{3} << ((flags & 7) + 1) : 0;
}

// The image data of a frame: sub-blocks of up to 255 bytes, each after its size byte, up to a
// size byte of 0.
class SubBlocks {
public:
    enum class End { NotYet, Terminator, FileEnd };

    SubBlocks(std::span<const uint8_t> bytes, size_t at) : m_bytes(bytes), m_at(at) {}

    // The next data byte; false at the terminator or at the end of the file (end() says which).
    bool next(uint8_t* byte) {
        while (m_left == 0) {
            if (m_end != End::NotYet) return false;
            if (m_at >= m_bytes.size()) {
                m_end = End::FileEnd;
                return false;
            }
            m_left = m_bytes[m_at++];
            if (m_left == 0) m_end = End::Terminator;
        }
        if (m_at >= m_bytes.size()) {
            m_end = End::FileEnd;
            return false;
        }
        *byte = m_bytes[m_at++];
        --m_left;
        return true;
    }

    End end() const { return m_end; }

private:
    std::span<const uint8_t> m_bytes;
    size_t m_at;
    size_t m_left = 0;
    End m_end = End::NotYet;
};

// Codes are packed from the least significant bit of each byte on.
class CodeReader {
public:
    explicit CodeReader(SubBlocks* blocks) : m_blocks(blocks) {}

    bool next(uint32_t width, uint32_t* code) {
        while (m_count < width) {
            uint8_t byte = 0;
            if (!m_blocks->next(&byte)) return false;
            m_bits |= uint32_t{byte} << m_count;
            m_count += 8;
        }
        *code = m_bits & ((1u << width) - 1);
        m_bits >>= width;
        m_count -= width;
        return true;
    }

private:
    SubBlocks* m_blocks;
    uint32_t m_bits = 0;
    uint32_t m_count = 0;
};

QString pixelsOf(uint64_t decoded, uint64_t needed) {
    return QStringLiteral("%1 of the %2 pixels of the first frame").arg(decoded).arg(needed);
}

// Counts the pixels the LZW codes give, without keeping them: the length of every table entry
// is enough. The table grows and the codes widen as giflib and Qt decode them; a full table
// (4096 entries) stays as it is until the next clear code.
QString lzwDamage(SubBlocks* blocks, uint32_t minimumCodeSize, uint64_t needed) {
    const uint32_t clear = 1u << minimumCodeSize;
    const uint32_t endOfData = clear + 1;
    std::array<uint16_t, kTableSize> lengths{};
    for (uint32_t i = 0; i < clear; ++i) lengths[i] = 1;
    uint32_t width = minimumCodeSize + 1;
    uint32_t next = clear + 2;     // the next table entry
    uint32_t running = clear + 2;  // giflib's count of codes since the clear, which sets the width
    bool havePrevious = false;
    uint32_t previous = 0;
    uint64_t decoded = 0;
    CodeReader codes(blocks);
    for (;;) {
        uint32_t code = 0;
        if (!codes.next(width, &code)) break;
        if (code == clear) {
            width = minimumCodeSize + 1;
            next = clear + 2;
            running = clear + 2;
            havePrevious = false;
            continue;
        }
        if (code == endOfData) break;
        uint32_t length = 0;
        if (!havePrevious) {
            if (code > clear) {
                return QStringLiteral(
                           "the image data hold an LZW code the table does not have, "
                           "after ") +
                       pixelsOf(decoded, needed);
            }
            length = 1;
        } else if (code < next) {
            length = lengths[code];
            if (next < kTableSize) lengths[next++] = static_cast<uint16_t>(lengths[previous] + 1);
        } else if (code == next && next < kTableSize) {
            length = lengths[previous] + 1u;
            lengths[next++] = static_cast<uint16_t>(length);
        } else {
            return QStringLiteral(
                       "the image data hold an LZW code the table does not have, "
                       "after ") +
                   pixelsOf(decoded, needed);
        }
        havePrevious = true;
        previous = code;
        decoded += length;
        if (decoded >= needed) return QString();
        if (running < kTableSize + 1 && ++running > (1u << width) && width < kLongestCode) ++width;
    }
    if (blocks->end() == SubBlocks::End::FileEnd)
        return QStringLiteral("the file ends inside the image data, after ") +
               pixelsOf(decoded, needed);
    return QStringLiteral("the image data end after ") + pixelsOf(decoded, needed);
}

}  // namespace

QString gifDamage(std::span<const uint8_t> bytes) {
    if (bytes.size() < kScreenDescriptorEnd || (std::memcmp(bytes.data(), "GIF87a", 6) != 0 &&
                                                std::memcmp(bytes.data(), "GIF89a", 6) != 0))
        return QString();
    const QString endsEarly = QStringLiteral("the file ends before its first image");
    size_t at = kScreenDescriptorEnd + colourTableBytes(bytes[10]);
    // Extension blocks up to the first image.
    for (;;) {
        if (at >= bytes.size()) return endsEarly;
        const uint8_t introducer = bytes[at++];
        if (introducer == kImageSeparator) break;
        // The trailer, or bytes no GIF reader takes for a block: there is no picture to judge.
        if (introducer != kExtensionIntroducer) return QString();
        ++at;  // the label
        for (;;) {
            if (at >= bytes.size()) return endsEarly;
            const size_t size = bytes[at++];
            if (size == 0) break;
            at += size;
        }
    }
    if (kImageDescriptorSize > bytes.size() - at) return endsEarly;
    const uint64_t needed =
        uint64_t{littleEndian16(&bytes[at + 4])} * littleEndian16(&bytes[at + 6]);
    const uint8_t flags = bytes[at + 8];
    at += kImageDescriptorSize;
    const size_t table = colourTableBytes(flags);
    if (table >= bytes.size() - at) return endsEarly;
    at += table;
    const uint32_t minimumCodeSize = bytes[at++];
    if (minimumCodeSize > kLongestCode - 1) {
        return QStringLiteral(
                   "the LZW minimum code size is %1; GIF codes have at most %2 bits, "
                   "so it can be at most %3")
            .arg(minimumCodeSize)
            .arg(kLongestCode)
            .arg(kLongestCode - 1);
    }
    if (needed == 0) return QString();
    SubBlocks blocks(bytes, at);
    return lzwDamage(&blocks, minimumCodeSize, needed);
}
