#include "wsq_segments.h"

#include "wsq/records.h"

namespace wsqconvert {

namespace {

uint16_t bigEndian16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

}  // namespace

const char* wsqMarkerName(uint16_t marker) {
    switch (marker) {
        case wsq::SOI_WSQ:
            return "SOI";
        case wsq::EOI_WSQ:
            return "EOI";
        case wsq::SOF_WSQ:
            return "SOF";
        case wsq::SOB_WSQ:
            return "SOB";
        case wsq::DTT_WSQ:
            return "DTT";
        case wsq::DQT_WSQ:
            return "DQT";
        case wsq::DHT_WSQ:
            return "DHT";
        case wsq::DRT_WSQ:
            return "DRT";
        case wsq::COM_WSQ:
            return "COM";
        default:
            return "?";
    }
}

bool listWsqSegments(const uint8_t* data, size_t size, std::vector<WsqSegment>* segments,
                     QString* why) {
    segments->clear();
    if (size < 2 || bigEndian16(data) != wsq::SOI_WSQ) {
        *why = QStringLiteral("no SOI marker at the start");
        return false;
    }
    segments->push_back({wsq::SOI_WSQ, 0, 2});
    size_t pos = 2;
    for (;;) {
        if (size - pos < 2) {
            *why = QStringLiteral("the file ends at offset %1 without EOI").arg(pos);
            return false;
        }
        const uint16_t marker = bigEndian16(data + pos);
        if (marker < wsq::SOI_WSQ || marker > wsq::COM_WSQ || marker == wsq::SOI_WSQ) {
            *why = QStringLiteral("no valid marker at offset %1 (0x%2)")
                       .arg(pos)
                       .arg(marker, 4, 16, QLatin1Char('0'));
            return false;
        }
        if (marker == wsq::EOI_WSQ) {
            segments->push_back({marker, pos, 2});
            if (pos + 2 != size) {
                *why = QStringLiteral("%1 bytes after EOI").arg(size - pos - 2);
                return false;
            }
            return true;
        }
        if (size - pos < 4) {
            *why = QStringLiteral("the %1 segment at offset %2 is cut short")
                       .arg(QLatin1String(wsqMarkerName(marker)))
                       .arg(pos);
            return false;
        }
        const size_t declared = bigEndian16(data + pos + 2);
        if (declared < 2 || size - pos - 2 < declared) {
            *why = QStringLiteral("the %1 segment at offset %2 has a bad length (%3)")
                       .arg(QLatin1String(wsqMarkerName(marker)))
                       .arg(pos)
                       .arg(declared);
            return false;
        }
        size_t end = pos + 2 + declared;
        if (marker == wsq::SOB_WSQ) {
            // Coded data: 0xFF bytes in it are followed by a stuffed 0x00.
            while (end < size && !(data[end] == 0xFF && end + 1 < size && data[end + 1] != 0x00))
                ++end;
        }
        segments->push_back({marker, pos, end - pos});
        pos = end;
    }
}

}  // namespace wsqconvert
