// Small WSQ streams built with the codec's own segment writers, for tests.
#pragma once

#include <cstdint>
#include <vector>

namespace testsupport {

// What goes into a stream; the defaults make a complete stream whose subbands are all uncoded,
// so that every pixel decodes to m_shift.
struct WsqStreamSpec {
    int width = 16;
    int height = 12;
    bool soi = true;
    const char* comment = nullptr;  // given to the NISTCOM writer, or written alone
    bool nistcom = true;
    bool dtt = true;
    bool dqt = true;
    bool dht = true;
    int block_table = 0;
    float m_shift = 100.0f;
    float r_scale = 1.0f;
    // When set, subband 0 is coded (q = 1) and its coefficients are these values in raster
    // order; they must number lenx * leny of subband 0 and lie in -73..74.
    std::vector<int> subband0;
};

std::vector<uint8_t> build_wsq_stream(const WsqStreamSpec& plan);

}  // namespace testsupport
