// The records one decode works with, and the per-thread codec state behind the fixed entry
// points that keep state between calls.
#pragma once

#include "wsq/records.h"

namespace wsq {

// The tables read so far, the frame header and the subband trees of one decode. A decode keeps
// its own, so decodes on different threads never share anything.
struct DecodeState {
    FrameHeader frm_header_wsq;
    TransformTable dtt_table;
    QuantTable dqt_table;
    HuffmanTableSet dht_table;
    WaveletTreeNode w_tree[W_TREELEN];
    QuantTreeNode q_tree[Q_TREELEN];
};

// One per thread. getc_nextbits_wsq and decode_symbol keep the bit reader's byte here between
// calls, and huffman_decode_data_mem takes its frame header and subband tree from here.
struct CodecState : DecodeState {
    // The byte the bit reader is consuming; kept between calls.
    uint8_t bit_reader_byte = 0;
    int debug = 0;
};

// The calling thread's state.
CodecState& codec_state();

}  // namespace wsq
