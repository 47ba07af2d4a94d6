// Writing the codestream's segments into the encoder's output buffer.
#include <cstdio>

#include "wsq/byte_io.h"
#include "wsq/codestream.h"
#include "wsq/diagnostics.h"
#include "wsq/scaled_integer.h"

namespace wsq {

namespace {

constexpr double kLimit16 = 65535.0;
constexpr double kLimit32 = 4294967295.0;

int putc_scaled_u16(const ScaledInteger& s, uint8_t* odata, int oalloc, int* olen) {
    if (int ret = putc_byte(s.scale, odata, oalloc, olen)) return ret;
    return putc_u16(static_cast<uint16_t>(s.raw), odata, oalloc, olen);
}

// Writes a sequence of fields into a scratch copy of the count, so that a failure part way
// leaves the caller's count where it was.
struct SegmentWriter {
    uint8_t* odata;
    int oalloc;
    int len;
    int ret = 0;
    void u8(uint8_t v) {
        if (!ret) ret = putc_byte(v, odata, oalloc, &len);
    }
    void u16(uint16_t v) {
        if (!ret) ret = putc_u16(v, odata, oalloc, &len);
    }
    void u32(uint32_t v) {
        if (!ret) ret = putc_u32(v, odata, oalloc, &len);
    }
    void scaled16(const ScaledInteger& s) {
        if (!ret) ret = putc_scaled_u16(s, odata, oalloc, &len);
    }
    void bytes(const uint8_t* p, int n) {
        if (!ret) ret = putc_bytes(p, n, odata, oalloc, &len);
    }
    int finish(int* olen) {
        if (!ret) *olen = len;
        return ret;
    }
};

}  // namespace

int putc_transform_table(const float* lofilt, int losz, const float* hifilt, int hisz,
                         uint8_t* odata, int oalloc, int* olen) {
    struct Record {
        uint8_t sign;
        ScaledInteger value;
    };
    // The records of each filter are its taps from the centre to the end; checked first so
    // that nothing is written for a tap that cannot be stored.
    std::vector<Record> lo, hi;
    for (int i = losz / 2; i < losz; ++i) {
        const double v = lofilt[i];
        const double mag = v < 0 ? -v : v;
        if (mag >= kLimit32) {
            report("ERROR: putc_transform_table : lofilt[%d] to high at %f\n", i, v);
            return -82;
        }
        lo.push_back({static_cast<uint8_t>(v < 0 ? 1 : 0), scaled_integer_for(mag, kLimit32, 32)});
    }
    for (int i = hisz / 2; i < hisz; ++i) {
        const double v = hifilt[i];
        const double mag = v < 0 ? -v : v;
        if (mag >= kLimit32) {
            report("ERROR: putc_transform_table : hifilt[%d] to high at %f\n", i, v);
            return -83;
        }
        hi.push_back({static_cast<uint8_t>(v < 0 ? 1 : 0), scaled_integer_for(mag, kLimit32, 32)});
    }

    SegmentWriter w{odata, oalloc, *olen};
    w.u16(DTT_WSQ);
    w.u16(58);  // Always 58, whatever the filter lengths.
    w.u8(static_cast<uint8_t>(losz));
    w.u8(static_cast<uint8_t>(hisz));
    for (const auto* half : {&lo, &hi}) {
        for (const Record& r : *half) {
            w.u8(r.sign);
            w.u8(r.value.scale);
            w.u32(r.value.raw);
        }
    }
    return w.finish(olen);
}

int putc_quantization_table(const QuantValues* quant_vals, uint8_t* odata, int oalloc, int* olen) {
    ScaledInteger q[MAX_SUBBANDS], z[MAX_SUBBANDS];
    for (int k = 0; k < MAX_SUBBANDS; ++k) {
        if (k >= NUM_SUBBANDS || quant_vals->Q[k] == 0.0f) continue;  // four zero fields
        const double qk = quant_vals->Q[k];
        const double zk = quant_vals->Z[k];
        if (qk >= kLimit16) {
            report("ERROR : putc_quantization_table : Q[%d] to high at %f\n", k, qk);
            return -86;
        }
        if (zk >= kLimit16) {
            report("ERROR : putc_quantization_table : Z[%d] to high at %f\n", k, zk);
            return -87;
        }
        q[k] = scaled_integer_for(qk, kLimit16, 16);
        z[k] = scaled_integer_for(zk, kLimit16, 16);
    }
    SegmentWriter w{odata, oalloc, *olen};
    w.u16(DQT_WSQ);
    w.u16(389);
    w.u8(2);  // The bin centre is always 0.44.
    w.u16(44);
    for (int k = 0; k < MAX_SUBBANDS; ++k) {
        w.scaled16(q[k]);
        w.scaled16(z[k]);
    }
    return w.finish(olen);
}

int putc_huffman_table(uint16_t marker, uint8_t table_id, const uint8_t* huffbits,
                       const uint8_t* huffvalues, uint8_t* odata, int oalloc, int* olen) {
    int num_values = 0;
    for (int i = 0; i < MAX_HUFFBITS; ++i) num_values += huffbits[i];
    SegmentWriter w{odata, oalloc, *olen};
    w.u16(marker);
    w.u16(static_cast<uint16_t>(3 + MAX_HUFFBITS + num_values));
    w.u8(table_id);
    w.bytes(huffbits, MAX_HUFFBITS);
    w.bytes(huffvalues, num_values);
    return w.finish(olen);
}

int putc_frame_header(int width, int height, float m_shift, float r_scale, uint8_t* odata,
                      int oalloc, int* olen) {
    SegmentWriter w{odata, oalloc, *olen};
    w.u16(SOF_WSQ);
    w.u16(17);
    w.u8(0);    // black
    w.u8(255);  // white
    w.u16(static_cast<uint16_t>(height));
    w.u16(static_cast<uint16_t>(width));
    w.scaled16(scaled_integer_for(m_shift, kLimit16, 16));
    w.scaled16(scaled_integer_for(r_scale, kLimit16, 16));
    w.u8(0);   // WSQ_encoder
    w.u16(0);  // Software
    return w.finish(olen);
}

int putc_block_header(int table, uint8_t* odata, int oalloc, int* olen) {
    SegmentWriter w{odata, oalloc, *olen};
    w.u16(SOB_WSQ);
    w.u16(3);
    w.u8(static_cast<uint8_t>(table));
    return w.finish(olen);
}

int putc_comment_segment(uint16_t marker, const char* comment, int cs, uint8_t* odata, int oalloc,
                         int* olen) {
    // L counts itself, so a segment carries at most 65533 text bytes; a longer text would be
    // written with a wrapped length and break every reader of the file.
    constexpr int kMaxComment = 65535 - 2;
    if (cs < 0 || cs > kMaxComment) {
        report("ERROR : putc_comment_segment : comment of %d bytes is longer than %d\n", cs,
               kMaxComment);
        return -34;
    }
    SegmentWriter w{odata, oalloc, *olen};
    w.u16(marker);
    w.u16(static_cast<uint16_t>(cs + 2));
    w.bytes(reinterpret_cast<const uint8_t*>(comment), cs);
    return w.finish(olen);
}

}  // namespace wsq
