// The decoder's tables, the subband trees and the debug level. They are one set per thread:
// a decode or an encode uses the set of the thread it runs on, so different files can be coded
// on several threads at once while each thread sees the single-threaded behaviour.
#pragma once

#include "wsq/records.h"

namespace wsq {

struct CodecState {
    FrameHeader frm_header_wsq;
    TransformTable dtt_table;
    QuantTable dqt_table;
    HuffmanTableSet dht_table;
    WaveletTreeNode w_tree[W_TREELEN];
    QuantTreeNode q_tree[Q_TREELEN];
    // The byte the bit reader is consuming; kept between calls.
    uint8_t bit_reader_byte = 0;
    int debug = 0;
};

// The calling thread's state.
CodecState& codec_state();

}  // namespace wsq
