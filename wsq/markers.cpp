// Markers of the codestream: reading one under a mode, and passing over a segment.
#include <cstdio>

#include "wsq/byte_io.h"
#include "wsq/codestream.h"
#include "wsq/diagnostics.h"

namespace wsq {

int getc_marker_wsq(uint16_t* omarker, int mode, const uint8_t** cbufptr, const uint8_t* ebufptr) {
    uint16_t marker = 0;
    const uint8_t* cur = *cbufptr;
    if (int ret = getc_u16(&marker, &cur, ebufptr)) return ret;

    switch (mode) {
        case SoiOnly:
            if (marker != SOI_WSQ) {
                report("ERROR : getc_marker_wsq : No SOI marker. {%04X}\n", marker);
                return -88;
            }
            break;
        case TablesOrSof:
            switch (marker) {
                case SOF_WSQ:
                case DTT_WSQ:
                case DQT_WSQ:
                case DHT_WSQ:
                case COM_WSQ:
                    break;
                default:
                    report("ERROR : getc_marker_wsq : No SOF, Table, or comment markers.\n");
                    return -89;
            }
            break;
        case TablesOrSob:
            switch (marker) {
                case SOB_WSQ:
                case DTT_WSQ:
                case DQT_WSQ:
                case DHT_WSQ:
                case COM_WSQ:
                    break;
                default:
                    report("ERROR : getc_marker_wsq : No SOB, Table, or comment markers.{%04X}\n",
                           marker);
                    return -90;
            }
            break;
        case AnyMarker:
            if ((marker & 0xff00) != 0xff00) {
                report("ERROR : getc_marker_wsq : no marker found {%04X}\n", marker);
                return -91;
            }
            if (marker < SOI_WSQ || marker > COM_WSQ) {
                report("ERROR : getc_marker_wsq : {%04X} not a valid marker\n", marker);
                return -92;
            }
            break;
        default:
            report("ERROR : getc_marker_wsq : Invalid marker -> {%4X}\n", marker);
            return -93;
    }
    *omarker = marker;
    *cbufptr = cur;
    return 0;
}

int getc_skip_marker_segment(uint16_t marker, const uint8_t** cbufptr, const uint8_t* ebufptr) {
    const uint8_t* cur = *cbufptr;
    uint16_t length = 0;
    if (int ret = getc_u16(&length, &cur, ebufptr)) return ret;
    // The rest of the segment, as an unsigned 16-bit number (L below 2 wraps).
    const uint16_t rest = static_cast<uint16_t>(length - 2);
    // A segment that ends exactly at the end of the buffer is refused, as it always was.
    if (ebufptr - cur <= rest) {
        report(
            "ERROR : getc_skip_marker_segment : unexpected end of buffer when parsing "
            "marker %d segment of length %d\n",
            marker, rest);
        return -2;
    }
    *cbufptr = cur + rest;
    return 0;
}

}  // namespace wsq
