#include "jpeg_damage.h"

#include <cstring>

namespace {

constexpr uint8_t kMarkerPrefix = 0xFF;
constexpr uint8_t kStartOfImage = 0xD8;
constexpr uint8_t kEndOfImage = 0xD9;
constexpr uint8_t kStartOfScan = 0xDA;
constexpr uint8_t kTemporary = 0x01;

bool isRestart(uint8_t marker) {
    return marker >= 0xD0 && marker <= 0xD7;
}

// Where the entropy-coded data that start at `at` end: at the 0xFF of the first marker that is
// not a restart marker (0xFF 0x00 is a stuffed data byte, and 0xFF may repeat as fill), or at
// the end of the file.
size_t entropyDataEnd(std::span<const uint8_t> bytes, size_t at) {
    while (at < bytes.size()) {
        const void* found = std::memchr(bytes.data() + at, kMarkerPrefix, bytes.size() - at);
        if (found == nullptr) return bytes.size();
        at = static_cast<size_t>(static_cast<const uint8_t*>(found) - bytes.data());
        if (at + 1 >= bytes.size()) return bytes.size();
        const uint8_t next = bytes[at + 1];
        if (next == 0x00 || isRestart(next)) {
            at += 2;
        } else if (next == kMarkerPrefix) {
            at += 1;
        } else {
            return at;
        }
    }
    return bytes.size();
}

}  // namespace

QString jpegDamage(std::span<const uint8_t> bytes) {
    if (bytes.size() < 2 || bytes[0] != kMarkerPrefix || bytes[1] != kStartOfImage)
        return QString();
    const QString cutShort = QStringLiteral("the file ends before its end-of-image marker");
    size_t at = 2;
    for (;;) {
        // libjpeg passes by stray bytes before a marker (with a warning) and by fill bytes.
        while (at < bytes.size() && bytes[at] != kMarkerPrefix) ++at;
        while (at < bytes.size() && bytes[at] == kMarkerPrefix) ++at;
        if (at >= bytes.size()) return cutShort;
        const uint8_t marker = bytes[at++];
        if (marker == kEndOfImage) return QString();
        if (marker == 0x00 || marker == kStartOfImage || marker == kTemporary || isRestart(marker))
            continue;  // markers without a segment
        if (bytes.size() - at < 2) return cutShort;
        const size_t length = size_t{bytes[at]} << 8 | bytes[at + 1];
        if (length < 2) return QString();  // no JPEG reader gets past this
        if (length > bytes.size() - at) return cutShort;
        at += length;
        if (marker == kStartOfScan) {
            at = entropyDataEnd(bytes, at);
            if (at >= bytes.size()) return cutShort;
        }
    }
}

bool jpegMessageMeansDamage(QStringView message) {
    if (message.startsWith(u"Premature end of JPEG file") ||
        message.startsWith(u"Inconsistent progression sequence"))
        return true;
    if (!message.startsWith(u"Corrupt JPEG data")) return false;
    return !message.contains(u"extraneous bytes before marker") &&
           !message.contains(u"bad ICC marker");
}
