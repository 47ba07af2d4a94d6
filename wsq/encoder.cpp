// The encoder driver: normalise the pixels, decompose them into 64 subbands, quantize, and write
// the comments, tables, frame header and the three Huffman-coded blocks.
#include "wsq/encoder.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "wsq/byte_io.h"
#include "wsq/codec_state.h"
#include "wsq/codestream.h"
#include "wsq/diagnostics.h"
#include "wsq/huffman_encode.h"
#include "wsq/image_limits.h"
#include "wsq/nistcom.h"
#include "wsq/quantization.h"
#include "wsq/records.h"
#include "wsq/wavelet.h"

namespace wsq {

namespace {

// Below this size in either direction the smallest wavelet regions are shorter than the filters
// and the transform no longer inverts: such pictures would decode badly.
constexpr int kMinEncodeAxis = 81;

// Appends the DHT segment of one generated table.
int put_table(uint8_t table_id, const std::vector<uint8_t>& huffbits,
              const std::vector<uint8_t>& huffvalues, uint8_t* odata, int oalloc, int* olen) {
    // The symbol list keeps storage even when it is empty, so its pointer is never null.
    return putc_huffman_table(DHT_WSQ, table_id, huffbits.data(), huffvalues.data(), odata, oalloc,
                              olen);
}

// Codes one block into the coding area and appends its SOB segment and coded bytes.
int put_block(uint8_t table_id, const int16_t* sip, int sip_siz, const std::vector<HuffCode>& codes,
              std::vector<uint8_t>& huff_buf, uint8_t* odata, int oalloc, int* olen) {
    int hsize = 0;
    if (int rc = compress_block(huff_buf.data(), static_cast<int>(huff_buf.size()), &hsize, sip,
                                sip_siz, MAX_HUFFCOEFF, MAX_HUFFZRUN, codes.data());
        rc != 0) {
        return rc;
    }
    if (int rc = putc_block_header(table_id, odata, oalloc, olen); rc != 0) return rc;
    return putc_bytes(huff_buf.data(), hsize, odata, oalloc, olen);
}

}  // namespace

int conv_img_2_flt_reference(float* fip, float* m_shift, float* r_scale, const uint8_t* data,
                             int num_pix) {
    long double sum = 0.0L;
    int low = 255;
    int high = 0;
    for (int i = 0; i < num_pix; ++i) {
        const int v = data[i];
        sum += v;
        low = std::min(low, v);
        high = std::max(high, v);
    }
    const float mean = static_cast<float>(sum / num_pix);
    const float below = mean - static_cast<float>(low);
    const float above = static_cast<float>(high) - mean;
    float scale = std::max(below, above) * 0.0078125f;
    if (scale == 0.0f) scale = 1.0f;
    for (int i = 0; i < num_pix; ++i) fip[i] = (static_cast<float>(data[i]) - mean) / scale;
    *m_shift = mean;
    *r_scale = scale;
    return 0;
}

int conv_img_2_flt(float* fip, float* m_shift, float* r_scale, const uint8_t* data, int num_pix) {
    // The sum of the bytes is an integer below 2^64, which long double holds exactly: adding
    // them as integers gives the very value the long double additions give.
    uint64_t total = 0;
    uint8_t low = 255;
    uint8_t high = 0;
    for (int i = 0; i < num_pix; ++i) {
        const uint8_t v = data[i];
        total += v;
        low = std::min(low, v);
        high = std::max(high, v);
    }
    const long double sum = static_cast<long double>(total);
    const float mean = static_cast<float>(sum / num_pix);
    const float below = mean - static_cast<float>(low);
    const float above = static_cast<float>(high) - mean;
    float scale = std::max(below, above) * 0.0078125f;
    if (scale == 0.0f) scale = 1.0f;
    int i = 0;
#ifdef __SSE2__
    // Sixteen pixels at a time, the same float subtraction and division for each.
    const __m128 vmean = _mm_set1_ps(mean);
    const __m128 vscale = _mm_set1_ps(scale);
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= num_pix; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        const __m128i lo = _mm_unpacklo_epi8(bytes, zero);
        const __m128i hi = _mm_unpackhi_epi8(bytes, zero);
        const __m128i quads[4] = {_mm_unpacklo_epi16(lo, zero), _mm_unpackhi_epi16(lo, zero),
                                  _mm_unpacklo_epi16(hi, zero), _mm_unpackhi_epi16(hi, zero)};
        for (int q = 0; q < 4; ++q) {
            const __m128 f = _mm_cvtepi32_ps(quads[q]);
            _mm_storeu_ps(fip + i + 4 * q, _mm_div_ps(_mm_sub_ps(f, vmean), vscale));
        }
    }
#endif
    for (; i < num_pix; ++i) fip[i] = (static_cast<float>(data[i]) - mean) / scale;
    *m_shift = mean;
    *r_scale = scale;
    return 0;
}

int wsq_encode_1(std::vector<uint8_t>* odata, int* olen, float r_bitrate, const uint8_t* idata,
                 int w, int h, int /*d: always 8*/, int ppi, const char* comment_text) {
    const bool is_nistcom = comment_text != nullptr &&
                            std::strncmp(comment_text, NCM_HEADER, std::strlen(NCM_HEADER)) == 0;
    return wsq_encode_comments(odata, olen, r_bitrate, idata, w, h, ppi,
                               is_nistcom ? comment_text : nullptr,
                               is_nistcom ? nullptr : comment_text);
}

int wsq_encode_comments(std::vector<uint8_t>* odata, int* olen, float r_bitrate,
                        const uint8_t* idata, int w, int h, int ppi, const char* nistcom_text,
                        const char* separate_comment) {
    codec_state().debug = 0;

    if (w < kMinEncodeAxis || h < kMinEncodeAxis) {
        report("ERROR : wsq_encode_1 : image of %d x %d is smaller than %d x %d pixels\n", w, h,
               kMinEncodeAxis, kMinEncodeAxis);
        return -14;
    }
    if (!image_size_acceptable(static_cast<uint64_t>(w), static_cast<uint64_t>(h))) {
        report("ERROR : wsq_encode_1 : image of %d x %d is too large\n", w, h);
        return -15;
    }
    const int num_pix = w * h;

    std::vector<float> fdata;
    try {
        fdata.resize(static_cast<size_t>(num_pix));
    } catch (const std::bad_alloc&) {
        report("ERROR : wsq_encode_1 : malloc : fdata\n");
        return -10;
    }
    float m_shift = 0.0f;
    float r_scale = 0.0f;
    conv_img_2_flt(fdata.data(), &m_shift, &r_scale, idata, num_pix);

    WaveletTreeNode w_tree[W_TREELEN];
    QuantTreeNode q_tree[Q_TREELEN];
    build_subband_trees(w_tree, W_TREELEN, q_tree, Q_TREELEN, w, h);

    // The transform negates the high-pass taps while it runs; it gets its own copies.
    float lofilt[9];
    float hifilt[7];
    std::copy(std::begin(kAnalysisLowPass), std::end(kAnalysisLowPass), lofilt);
    std::copy(std::begin(kAnalysisHighPass), std::end(kAnalysisHighPass), hifilt);
    if (int rc = wsq_decompose(fdata.data(), w, h, w_tree, W_TREELEN, hifilt, 7, lofilt, 9);
        rc != 0) {
        return rc;
    }

    QuantValues quant_vals;
    quant_vals.r = r_bitrate;
    subband_variances(&quant_vals, q_tree, Q_TREELEN, fdata.data(), w, h);
    std::vector<int16_t> qdata;
    int qsize = 0;
    if (int rc = quantize_wsq(&qdata, &qsize, &quant_vals, q_tree, Q_TREELEN, fdata.data(), w, h);
        rc != 0) {
        return rc;
    }
    std::vector<float>().swap(fdata);

    int block_sizes[3] = {0, 0, 0};
    coded_block_sizes(&block_sizes[0], &block_sizes[1], &block_sizes[2], &quant_vals, w_tree,
                      W_TREELEN, q_tree, Q_TREELEN);
    if (block_sizes[0] + block_sizes[1] + block_sizes[2] != qsize) {
        report("ERROR : wsq_encode_1 : problem w/quantization block sizes\n");
        return -11;
    }

    // The stream must fit into as many bytes as the picture has pixels.
    std::vector<uint8_t> wsq_data;
    try {
        wsq_data.resize(static_cast<size_t>(num_pix));
    } catch (const std::bad_alloc&) {
        report("ERROR : wsq_encode_1 : malloc : wsq_data\n");
        return -12;
    }
    uint8_t* out = wsq_data.data();
    const int oalloc = num_pix;
    int len = 0;

    if (int rc = putc_u16(SOI_WSQ, out, oalloc, &len); rc != 0) return rc;
    if (int rc = write_comment_segments(nistcom_text, separate_comment, w, h, 8, ppi, 1, r_bitrate,
                                        out, oalloc, &len);
        rc != 0) {
        return rc;
    }
    if (int rc = putc_transform_table(kAnalysisLowPass, 9, kAnalysisHighPass, 7, out, oalloc, &len);
        rc != 0) {
        return rc;
    }
    if (int rc = putc_quantization_table(&quant_vals, out, oalloc, &len); rc != 0) return rc;
    if (int rc = putc_frame_header(w, h, m_shift, r_scale, out, oalloc, &len); rc != 0) return rc;

    std::vector<uint8_t> huff_buf;
    try {
        huff_buf.resize(static_cast<size_t>(num_pix));
    } catch (const std::bad_alloc&) {
        report("ERROR : wsq_encode_1 : malloc : huff_buf\n");
        return -13;
    }

    const int16_t* block1 = qdata.data();
    const int16_t* block2 = block1 + block_sizes[0];
    const int16_t* block3 = block2 + block_sizes[1];
    std::vector<HuffCode> codes;
    std::vector<uint8_t> huffbits;
    std::vector<uint8_t> huffvalues;

    // Table 0 codes block 1 alone.
    if (int rc = generate_huffman_table(&codes, &huffbits, &huffvalues, block1, &block_sizes[0], 1);
        rc != 0) {
        return rc;
    }
    if (int rc = put_table(0, huffbits, huffvalues, out, oalloc, &len); rc != 0) return rc;
    if (int rc = put_block(0, block1, block_sizes[0], codes, huff_buf, out, oalloc, &len);
        rc != 0) {
        return rc;
    }

    // Table 1 is generated from blocks 2 and 3 together and codes both.
    if (int rc = generate_huffman_table(&codes, &huffbits, &huffvalues, block2, &block_sizes[1], 2);
        rc != 0) {
        return rc;
    }
    if (int rc = put_table(1, huffbits, huffvalues, out, oalloc, &len); rc != 0) return rc;
    if (int rc = put_block(1, block2, block_sizes[1], codes, huff_buf, out, oalloc, &len);
        rc != 0) {
        return rc;
    }
    if (int rc = put_block(1, block3, block_sizes[2], codes, huff_buf, out, oalloc, &len);
        rc != 0) {
        return rc;
    }

    if (int rc = putc_u16(EOI_WSQ, out, oalloc, &len); rc != 0) return rc;

    wsq_data.resize(static_cast<size_t>(len));
    *odata = std::move(wsq_data);
    *olen = len;
    return 0;
}

}  // namespace wsq
