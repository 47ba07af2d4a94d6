#include "support/hostile_wsq_streams.h"

#include "support/wsq_stream_builder.h"
#include "wsq/encoder.h"
#include "wsq/wavelet.h"

namespace testsupport {

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Wsq(int w, int h, float rate, const char* comment) {
    Bytes pixels(size_t(w) * size_t(h));
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<uint8_t>((i * 37 + i / w * 11) % 251);
    Bytes out;
    int len = 0;
    if (wsq::wsq_encode_1(&out, &len, rate, pixels.data(), w, h, 8, 500, comment) != 0)
        return Bytes();
    out.resize(static_cast<size_t>(len));
    return out;
}

// A stream built segment by segment, with subband 0 coded.
Bytes BuiltWsq(int w, int h, const char* comment) {
    wsq::WaveletTreeNode w_tree[wsq::W_TREELEN];
    wsq::QuantTreeNode q_tree[wsq::Q_TREELEN];
    wsq::build_subband_trees(w_tree, wsq::W_TREELEN, q_tree, wsq::Q_TREELEN, w, h);
    WsqStreamSpec plan;
    plan.width = w;
    plan.height = h;
    plan.comment = comment;
    plan.r_scale = 2.0f;
    for (int i = 0; i < q_tree[0].lenx * q_tree[0].leny; ++i)
        plan.subband0.push_back((i * 29) % 148 - 73);
    return build_wsq_stream(plan);
}

// Where the first block header (SOB) starts, or the size when there is none.
size_t FirstBlock(const Bytes& stream) {
    for (size_t i = 2; i + 1 < stream.size(); ++i)
        if (stream[i] == 0xff && stream[i + 1] == 0xa3) return i;
    return stream.size();
}

// Where the frame header (SOF) starts, or the size when there is none.
size_t FrameHeader(const Bytes& stream) {
    for (size_t i = 2; i + 1 < stream.size(); ++i)
        if (stream[i] == 0xff && stream[i + 1] == 0xa2) return i;
    return stream.size();
}
constexpr size_t kFrameHeaderBytes = 19;  // marker, length and the 15 bytes of fields

}  // namespace

std::vector<HostileWsqSeed> HostileWsqSeeds(bool underSanitizer) {
    std::vector<HostileWsqSeed> seeds;
    // WSQ fields are big-endian. Built streams: every segment length and field up to the first
    // block, and every byte of the entropy-coded data.
    HostilePlan plan;
    plan.littleEndian = false;
    plan.randomPerField = 1;
    const Bytes coded = BuiltWsq(7, 5, nullptr);
    const Bytes commented = BuiltWsq(16, 12, "NIST_COM 2\nPPI 500");
    plan.fields = {{0, FirstBlock(coded) + 8}};
    if (underSanitizer) {
        // A claimed size near the pixel cap decodes in about 2 s in the release build, which
        // runs these cases, but takes longer than the time limit in the unoptimised sanitizer
        // build: there the frame header is left out.
        const size_t sof = FrameHeader(coded);
        plan.fields = {{0, sof}, {sof + kFrameHeaderBytes, FirstBlock(coded) + 8}};
    }
    plan.packets = {{FirstBlock(coded) + 8, coded.size()}};
    seeds.push_back({coded, plan});
    // A claimed size up to the pixel cap is decoded in full (zero runs justify any size), which
    // takes a second or two a case: the frame header fields are varied in the first stream only.
    const size_t sof = FrameHeader(commented);
    plan.fields = {{0, 48}, {sof - 48, sof}, {sof + kFrameHeaderBytes, FirstBlock(commented) + 8}};
    plan.packets = {};
    seeds.push_back({commented, plan});
    // A stream of our encoder (81 x 81 is its smallest): its tables and headers, and the start
    // of the Huffman-coded data of the first block.
    const Bytes encoded = Wsq(81, 81, 0.75f, "hostile");
    const size_t sob = FirstBlock(encoded);
    plan.fields = {{0, FrameHeader(encoded)}, {FrameHeader(encoded) + kFrameHeaderBytes, sob + 8}};
    plan.packets = {{sob + 8, sob + 8 + 32}};
    plan.randomPerField = 0;
    seeds.push_back({encoded, plan});
    return seeds;
}

}  // namespace testsupport
