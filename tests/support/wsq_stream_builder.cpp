// Small WSQ streams built with the codec's own segment writers, for tests.
#include "support/wsq_stream_builder.h"

#include <cstring>

#include "wsq/byte_io.h"
#include "wsq/codestream.h"
#include "wsq/nistcom.h"
#include "wsq/records.h"
#include "wsq/wavelet.h"

namespace testsupport {

namespace {

// Entropy-coded bits as an encoder writes them: MSB first, 0xFF stuffed, 1 bits to fill.
class BitWriter {
public:
    void put(uint32_t value, int n) {
        for (int i = n - 1; i >= 0; --i) {
            m_byte = static_cast<uint8_t>((m_byte << 1) | ((value >> i) & 1));
            if (++m_bits == 8) flush();
        }
    }
    std::vector<uint8_t> finish() {
        while (m_bits != 0) put(1, 1);
        return m_out;
    }

private:
    void flush() {
        m_out.push_back(m_byte);
        if (m_byte == 0xFF) m_out.push_back(0x00);
        m_byte = 0;
        m_bits = 0;
    }
    std::vector<uint8_t> m_out;
    uint8_t m_byte = 0;
    int m_bits = 0;
};

}  // namespace

std::vector<uint8_t> build_wsq_stream(const WsqStreamSpec& s) {
    std::vector<uint8_t> b(8192 + 2 * s.subband0.size());
    const int cap = static_cast<int>(b.size());
    int len = 0;
    int ret = 0;
    if (s.soi) ret |= wsq::putc_u16(wsq::SOI_WSQ, b.data(), cap, &len);
    if (s.nistcom) {
        ret |= wsq::write_nistcom_comments(s.comment, s.width, s.height, 8, 500, 1, 0.75f,
                                           b.data(), cap, &len);
    } else if (s.comment) {
        ret |= wsq::putc_comment_segment(wsq::COM_WSQ, s.comment,
                                         static_cast<int>(std::strlen(s.comment)), b.data(), cap,
                                         &len);
    }
    if (s.dtt) {
        ret |= wsq::putc_transform_table(wsq::kAnalysisLowPass, 9, wsq::kAnalysisHighPass, 7,
                                         b.data(), cap, &len);
    }
    if (s.dqt) {
        wsq::QuantValues qv;
        if (!s.subband0.empty()) {
            qv.Q[0] = 1.0f;
            qv.Z[0] = 1.2f;
        }
        ret |= wsq::putc_quantization_table(&qv, b.data(), cap, &len);
    }
    ret |= wsq::putc_frame_header(s.width, s.height, s.m_shift, s.r_scale, b.data(), cap, &len);
    // Table 0: the 148 single-coefficient symbols 107..254 as 8-bit codes.
    uint8_t bits[16] = {};
    uint8_t values[148];
    bits[7] = 148;
    for (int i = 0; i < 148; ++i) values[i] = static_cast<uint8_t>(107 + i);
    if (s.dht) ret |= wsq::putc_huffman_table(wsq::DHT_WSQ, 0, bits, values, b.data(), cap, &len);
    ret |= wsq::putc_block_header(s.block_table, b.data(), cap, &len);
    BitWriter w;
    for (int v : s.subband0) w.put(static_cast<uint32_t>(v + 180 - 107), 8);
    const std::vector<uint8_t> data = w.finish();
    ret |= wsq::putc_bytes(data.data(), static_cast<int>(data.size()), b.data(), cap, &len);
    ret |= wsq::putc_u16(wsq::EOI_WSQ, b.data(), cap, &len);
    if (ret != 0) return {};
    b.resize(static_cast<size_t>(len));
    return b;
}

}  // namespace testsupport
