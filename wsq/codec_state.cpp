#include "wsq/codec_state.h"

namespace wsq {

CodecState& codec_state() {
    thread_local CodecState state;
    return state;
}

}  // namespace wsq
