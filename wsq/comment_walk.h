// The comment texts of a WSQ stream, collected the way the viewer and the raster library show
// them: SOI, then every segment up to the first block, keeping the COM texts in file order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace wsq {

// Where the walk ended.
enum class CommentWalkStop {
    FirstBlock,         // reached the first SOB: every comment before it was read
    NoSoi,              // the stream does not start with SOI
    NoFirstMarker,      // no valid marker follows SOI
    SegmentFailed,      // a later marker or segment could not be read; earlier comments kept
};

// 0 when the walk reached the first block, otherwise the code of the read that stopped it.
// *ocomments always receives the comments read before the walk stopped.
int read_comments_before_first_block(std::vector<std::string>* ocomments, const uint8_t* idata,
                                     int ilen, CommentWalkStop* ostop = nullptr);

}  // namespace wsq
