#include "support/wsq_stream.h"

#include <gtest/gtest.h>

namespace testsupport {

std::vector<StreamSegment> split_wsq_stream(const std::vector<uint8_t>& s) {
    std::vector<StreamSegment> out;
    size_t pos = 0;
    auto u16 = [&](size_t at) { return static_cast<uint16_t>(s[at] << 8 | s[at + 1]); };
    while (pos + 2 <= s.size()) {
        StreamSegment seg;
        seg.offset = pos;
        seg.marker = u16(pos);
        pos += 2;
        if ((seg.marker & 0xFF00) != 0xFF00) {
            ADD_FAILURE() << "no marker at " << seg.offset;
            return {};
        }
        if (seg.marker != 0xFFA0 && seg.marker != 0xFFA1) {
            if (pos + 2 > s.size()) {
                ADD_FAILURE() << "truncated length at " << pos;
                return {};
            }
            const size_t len = u16(pos);
            if (len < 2 || pos + len > s.size()) {
                ADD_FAILURE() << "bad length " << len << " at " << pos;
                return {};
            }
            seg.body.assign(s.begin() + static_cast<long>(pos + 2),
                            s.begin() + static_cast<long>(pos + len));
            pos += len;
            if (seg.marker == 0xFFA3) {
                // Coded data runs to the first 0xFF that is not followed by a stuffed zero.
                const size_t start = pos;
                while (pos < s.size() && !(s[pos] == 0xFF && pos + 1 < s.size() && s[pos + 1] != 0)) {
                    pos += s[pos] == 0xFF ? 2 : 1;
                }
                seg.coded.assign(s.begin() + static_cast<long>(start),
                                 s.begin() + static_cast<long>(std::min(pos, s.size())));
            }
        }
        out.push_back(std::move(seg));
        if (out.back().marker == 0xFFA1) break;
    }
    if (pos != s.size()) ADD_FAILURE() << "bytes after EOI or missing EOI at " << pos;
    return out;
}

std::vector<uint16_t> segment_markers(const std::vector<StreamSegment>& segments) {
    std::vector<uint16_t> m;
    for (const StreamSegment& s : segments) m.push_back(s.marker);
    return m;
}

std::string comment_text(const StreamSegment& segment) {
    return std::string(segment.body.begin(), segment.body.end());
}

}  // namespace testsupport
