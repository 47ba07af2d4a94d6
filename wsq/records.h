// The records of a WSQ codestream and of the codec's working state.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace wsq {

// Markers of the codestream.
inline constexpr uint16_t SOI_WSQ = 0xFFA0;
inline constexpr uint16_t EOI_WSQ = 0xFFA1;
inline constexpr uint16_t SOF_WSQ = 0xFFA2;
inline constexpr uint16_t SOB_WSQ = 0xFFA3;
inline constexpr uint16_t DTT_WSQ = 0xFFA4;
inline constexpr uint16_t DQT_WSQ = 0xFFA5;
inline constexpr uint16_t DHT_WSQ = 0xFFA6;
inline constexpr uint16_t DRT_WSQ = 0xFFA7;
inline constexpr uint16_t COM_WSQ = 0xFFA8;

inline constexpr int MAX_DHT_TABLES = 8;
inline constexpr int MAX_HUFFBITS = 16;
inline constexpr int MAX_HUFFCOUNTS_WSQ = 256;
inline constexpr int MAX_HUFFCOEFF = 74;
inline constexpr int MAX_HUFFZRUN = 100;
inline constexpr int MAX_SUBBANDS = 64;
inline constexpr int NUM_SUBBANDS = 60;
inline constexpr int W_TREELEN = 20;
inline constexpr int Q_TREELEN = 64;

struct FrameHeader {
    uint8_t black = 0;
    uint8_t white = 0;
    uint16_t width = 0;
    uint16_t height = 0;
    float m_shift = 0.0f;
    float r_scale = 0.0f;
    uint8_t WSQ_encoder = 0;
    uint16_t Software = 0;
};

// Synthesis filters read from a DTT segment. An absent filter is an empty vector.
struct TransformTable {
    std::vector<float> lofilt;
    std::vector<float> hifilt;
    uint8_t losize = 0;
    uint8_t hisize = 0;
    uint8_t lo_def = 0;
    uint8_t hi_def = 0;
};

struct QuantTable {
    float bin_center = 0.0f;
    std::array<float, MAX_SUBBANDS> q{};
    std::array<float, MAX_SUBBANDS> z{};
    uint8_t dqt_def = 0;
};

struct HuffmanTable {
    uint8_t tabdef = 0;
    std::array<uint8_t, MAX_HUFFBITS> huffbits{};
    std::array<uint8_t, MAX_HUFFCOUNTS_WSQ + 1> huffvalues{};
};

using HuffmanTableSet = std::array<HuffmanTable, MAX_DHT_TABLES>;

// One Huffman code: its length in bits (0 ends a code list) and its bit pattern.
struct HuffCode {
    uint16_t size = 0;
    uint32_t code = 0;
};

struct WaveletTreeNode {
    int32_t x = 0;
    int32_t y = 0;
    int32_t lenx = 0;
    int32_t leny = 0;
    int32_t inv_rw = 0;
    int32_t inv_cl = 0;
};

// 32-bit fields: subbands of pictures wider or taller than 43690 pixels start beyond the
// 16-bit range, and a wrapped offset would point outside the plane.
struct QuantTreeNode {
    int32_t x = 0;
    int32_t y = 0;
    int32_t lenx = 0;
    int32_t leny = 0;
};

// The encoder's per-run record: target bit rate, subband variances and bin widths.
struct QuantValues {
    float r = 0.0f;
    std::array<float, MAX_SUBBANDS> variance{};
    std::array<float, MAX_SUBBANDS> Q{};
    std::array<float, MAX_SUBBANDS> Z{};
};

}  // namespace wsq
