// Collecting the comment texts that stand before the first block of a WSQ stream.
#include "wsq/comment_walk.h"

#include "wsq/codestream.h"
#include "wsq/records.h"

namespace wsq {

int read_comments_before_first_block(std::vector<std::string>* ocomments, const uint8_t* idata,
                                     int ilen, CommentWalkStop* ostop) {
    std::vector<std::string> comments;
    const uint8_t* cur = idata;
    const uint8_t* end = idata + (ilen > 0 ? ilen : 0);
    CommentWalkStop stop = CommentWalkStop::FirstBlock;
    uint16_t marker = 0;
    int ret = getc_marker_wsq(&marker, SoiOnly, &cur, end);
    if (ret) {
        stop = CommentWalkStop::NoSoi;
    } else if ((ret = getc_marker_wsq(&marker, AnyMarker, &cur, end)) != 0) {
        stop = CommentWalkStop::NoFirstMarker;
    } else {
        while (marker != SOB_WSQ) {
            if (marker == COM_WSQ) {
                std::string text;
                ret = getc_comment(&text, &cur, end);
                if (ret == 0) comments.push_back(std::move(text));
            } else {
                ret = getc_skip_marker_segment(marker, &cur, end);
            }
            if (ret == 0) ret = getc_marker_wsq(&marker, AnyMarker, &cur, end);
            if (ret) {
                stop = CommentWalkStop::SegmentFailed;
                break;
            }
        }
    }
    *ocomments = std::move(comments);
    if (ostop) *ostop = stop;
    return ret;
}

}  // namespace wsq
