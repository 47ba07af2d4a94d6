// The walk over the segments of a codestream: comments, the NISTCOM comment, the frame header
// and the segment list, for every reader of those facts.
#include "wsq/stream_walk.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "wsq/codestream.h"
#include "wsq/nistcom.h"

namespace wsq {

namespace {

uint16_t big_endian16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

[[gnu::format(printf, 1, 2)]] std::string format(const char* fmt, ...) {
    char text[160];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    return text;
}

bool begins_with_nistcom(const char* text, size_t len) {
    const size_t n = std::strlen(NCM_HEADER);
    return len >= n && std::memcmp(text, NCM_HEADER, n) == 0;
}

// The segment list of a Whole walk. It follows the declared lengths strictly: a marker outside
// FFA1..FFA8 (SOI included) or a length that runs past the data ends it, and so does EOI, with
// nothing after it when the stream is whole. The reading ahead of the first block goes on by its
// own rules when the list has ended.
class SegmentList {
public:
    SegmentList(const uint8_t* data, size_t size, StreamWalk* walk, bool active)
        : m_data(data), m_size(size), m_walk(walk), m_open(active) {}

    bool open() const { return m_open; }

    void end(std::string why) {
        m_walk->segments_end = std::move(why);
        m_open = false;
    }

    void add(uint16_t marker, size_t offset, size_t length) {
        m_walk->segments.push_back({marker, offset, length});
    }

    // Where the segment of the marker at `pos` ends, or 0 when it ends the list (EOI, an
    // invalid marker, a length that does not fit).
    size_t segment_end(size_t pos) {
        if (m_size - pos < 2) {
            end(format("the file ends at offset %zu without EOI", pos));
            return 0;
        }
        const uint16_t marker = big_endian16(m_data + pos);
        if (marker < EOI_WSQ || marker > COM_WSQ) {
            end(format("no valid marker at offset %zu (0x%04x)", pos, marker));
            return 0;
        }
        if (marker == EOI_WSQ) {
            add(marker, pos, 2);
            if (pos + 2 != m_size) {
                end(format("%zu bytes after EOI", m_size - pos - 2));
            } else {
                m_open = false;
            }
            return 0;
        }
        if (m_size - pos < 4) {
            end(format("the %s segment at offset %zu is cut short", marker_name(marker), pos));
            return 0;
        }
        const size_t declared = big_endian16(m_data + pos + 2);
        if (declared < 2 || m_size - pos - 2 < declared) {
            end(format("the %s segment at offset %zu has a bad length (%zu)", marker_name(marker),
                       pos, declared));
            return 0;
        }
        return pos + 2 + declared;
    }

    // From the first block on: blocks run over their coded data up to the next marker (a 0xFF
    // not followed by the stuffed 0x00); comments there are kept too.
    void follow_blocks(size_t pos) {
        while (m_open) {
            size_t stop = segment_end(pos);
            if (stop == 0) return;
            const uint16_t marker = big_endian16(m_data + pos);
            if (marker == SOB_WSQ) {
                while (stop < m_size &&
                       !(m_data[stop] == 0xFF && stop + 1 < m_size && m_data[stop + 1] != 0x00))
                    ++stop;
            } else if (marker == COM_WSQ) {
                const char* text = reinterpret_cast<const char*>(m_data + pos + 4);
                m_walk->comments.emplace_back(text, strnlen(text, stop - pos - 4));
            }
            add(marker, pos, stop - pos);
            pos = stop;
        }
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    StreamWalk* m_walk;
    bool m_open;
};

}  // namespace

int walk_stream(const uint8_t* data, size_t size, WalkMode mode, StreamWalk* out) {
    StreamWalk walk;
    const bool whole = mode == WalkMode::Whole;
    SegmentList list(data, size, &walk, whole);
    const uint8_t* cur = data;
    const uint8_t* end = data + size;
    auto finish = [&](CommentWalkStop stop, int code) {
        walk.stop = stop;
        walk.code = code;
        if (stop != CommentWalkStop::FirstBlock) walk.header_comments = walk.comments.size();
        *out = std::move(walk);
        return code;
    };

    uint16_t marker = 0;
    if (int ret = getc_marker_wsq(&marker, SoiOnly, &cur, end)) {
        if (whole) list.end("no SOI marker at the start");
        return finish(CommentWalkStop::NoSoi, ret);
    }
    if (whole) list.add(SOI_WSQ, 0, 2);

    for (bool first = true;; first = false) {
        const size_t pos = static_cast<size_t>(cur - data);
        if (int ret = getc_marker_wsq(&marker, AnyMarker, &cur, end)) {
            if (list.open()) list.segment_end(pos);
            return finish(first ? CommentWalkStop::NoFirstMarker : CommentWalkStop::SegmentFailed,
                          ret);
        }
        if (marker == SOB_WSQ) {
            walk.header_comments = walk.comments.size();
            list.follow_blocks(pos);
            return finish(CommentWalkStop::FirstBlock, 0);
        }
        const size_t stop = list.open() ? list.segment_end(pos) : 0;

        int ret = 0;
        if (marker == COM_WSQ && mode == WalkMode::FirstNistcom) {
            // The text starts after the 2-byte length; look at it before reading the segment.
            const bool nistcom =
                end - cur >= 2 &&
                begins_with_nistcom(
                    reinterpret_cast<const char*>(cur + 2),
                    std::min<size_t>(static_cast<size_t>(end - cur - 2),
                                     big_endian16(cur) >= 2 ? big_endian16(cur) - 2u : 0u));
            if (nistcom) {
                std::string text;
                if ((ret = getc_comment(&text, &cur, end)) != 0)
                    return finish(CommentWalkStop::SegmentFailed, ret);
                walk.nistcom_text = std::move(text);
                return finish(CommentWalkStop::FirstBlock, 0);
            }
            ret = getc_skip_marker_segment(marker, &cur, end);
        } else if (marker == COM_WSQ) {
            std::string text;
            ret = getc_comment(&text, &cur, end);
            if (ret == 0) {
                if (!walk.nistcom_text && begins_with_nistcom(text.data(), text.size()))
                    walk.nistcom_text = text;
                walk.comments.push_back(std::move(text));
            }
        } else {
            // The frame header's fields, when they are all there (its reader ignores L).
            if (whole && marker == SOF_WSQ && !walk.frame && end - cur >= 17) {
                const uint8_t* at = cur;
                FrameHeader frame;
                if (getc_frame_header(&frame, &at, end) == 0) walk.frame = frame;
            }
            ret = getc_skip_marker_segment(marker, &cur, end);
        }
        if (ret != 0) {
            // The list took the segment, which can only be one that ends exactly at the end of
            // the data: the reader refuses to pass over that one.
            if (stop != 0) {
                list.add(marker, pos, stop - pos);
                list.end(format("the file ends at offset %zu without EOI", stop));
            }
            return finish(CommentWalkStop::SegmentFailed, ret);
        }
        if (stop != 0) list.add(marker, pos, stop - pos);
    }
}

int read_comments_before_first_block(std::vector<std::string>* ocomments, const uint8_t* idata,
                                     int ilen, CommentWalkStop* ostop) {
    StreamWalk walk;
    const int ret = walk_stream(idata, ilen > 0 ? static_cast<size_t>(ilen) : 0,
                                WalkMode::HeaderComments, &walk);
    *ocomments = std::move(walk.comments);
    if (ostop) *ostop = walk.stop;
    return ret;
}

const char* marker_name(uint16_t marker) {
    switch (marker) {
        case SOI_WSQ:
            return "SOI";
        case EOI_WSQ:
            return "EOI";
        case SOF_WSQ:
            return "SOF";
        case SOB_WSQ:
            return "SOB";
        case DTT_WSQ:
            return "DTT";
        case DQT_WSQ:
            return "DQT";
        case DHT_WSQ:
            return "DHT";
        case DRT_WSQ:
            return "DRT";
        case COM_WSQ:
            return "COM";
        default:
            return "?";
    }
}

}  // namespace wsq
