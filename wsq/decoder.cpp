// The WSQ decoder: codestream in memory to 8-bit grey pixels.
#include "wsq/decoder.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <new>

#include "wsq/codec_state.h"
#include "wsq/codestream.h"
#include "wsq/diagnostics.h"
#include "wsq/huffman_decode.h"
#include "wsq/image_limits.h"
#include "wsq/nistcom.h"
#include "wsq/quantization.h"
#include "wsq/wavelet.h"

namespace wsq {

namespace {

// Decoder tables live for one call. The quantization table is forgotten as well: a stream
// without a DQT segment must fail, not be unquantized with the bin widths the previous file
// left behind.
void reset_decoder_tables(DecodeState& state) {
    state.dtt_table = TransformTable{};
    state.dqt_table = QuantTable{};
    for (HuffmanTable& table : state.dht_table) table.tabdef = 0;
}

void release_decoder_tables(DecodeState& state) {
    state.dtt_table.lofilt = std::vector<float>();
    state.dtt_table.hifilt = std::vector<float>();
    state.dtt_table.lo_def = 0;
    state.dtt_table.hi_def = 0;
}

// Releases the filters on every way out of a decode.
struct TableRelease {
    DecodeState& state;
    ~TableRelease() { release_decoder_tables(state); }
};

// A frame must have pixels and fit the pixel limit before anything image-sized is allocated.
int check_frame_size(int width, int height) {
    if (width == 0 || height == 0) {
        report("ERROR: wsq_decode_mem : frame of %d x %d pixels is empty\n", width, height);
        return -22;
    }
    if (!image_size_acceptable(static_cast<uint64_t>(width), static_cast<uint64_t>(height))) {
        report(
            "ERROR: wsq_decode_mem : frame of %d x %d pixels exceeds the limit of %llu "
            "pixels\n",
            width, height, static_cast<unsigned long long>(kMaxImagePixels));
        return -23;
    }
    return 0;
}

}  // namespace

int read_ppi_from_comments(int* oppi, const uint8_t* idata, int ilen) {
    FeatureListPtr nistcom;
    if (int ret = find_nistcom_list(&nistcom, idata, ilen)) return ret;
    if (!nistcom) {
        *oppi = -1;
        return 0;
    }
    std::optional<std::string> value;
    if (int ret = extractfet_ret(&value, "PPI", nistcom.get())) return ret;
    if (!value) {
        *oppi = -1;
        return 0;
    }
    *oppi = nistcom_int_value(*value);
    return 0;
}

void float_image_to_bytes_reference(uint8_t* odata, const float* img, int width, int height,
                                    float m_shift, float r_scale) {
    const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (size_t i = 0; i < n; ++i) {
        const double v = static_cast<double>(img[i]) * r_scale + m_shift + 0.5;
        if (v < 0.0 || v != v)
            odata[i] = 0;  // a NaN from a corrupt stream is taken as black
        else if (v > 255.0)
            odata[i] = 255;
        else
            odata[i] = static_cast<uint8_t>(v);
    }
}

void float_image_to_bytes(uint8_t* odata, const float* img, int width, int height, float m_shift,
                          float r_scale) {
    const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
    size_t i = 0;
#ifdef __SSE2__
    // Eight samples at a time, with the same double arithmetic as one at a time. maxpd gives
    // its second operand (0) for a NaN, as the scalar code does; the clamped value is then
    // truncated.
    const __m128d scale = _mm_set1_pd(r_scale);
    const __m128d shift = _mm_set1_pd(m_shift);
    const __m128d half = _mm_set1_pd(0.5);
    const __m128d zero = _mm_setzero_pd();
    const __m128d top = _mm_set1_pd(255.0);
    auto four = [&](const float* f) {
        const __m128 x = _mm_loadu_ps(f);
        const __m128d lo = _mm_cvtps_pd(x);
        const __m128d hi = _mm_cvtps_pd(_mm_movehl_ps(x, x));
        auto clamp = [&](__m128d v) {
            v = _mm_add_pd(_mm_add_pd(_mm_mul_pd(v, scale), shift), half);
            return _mm_cvttpd_epi32(_mm_min_pd(_mm_max_pd(v, zero), top));
        };
        return _mm_unpacklo_epi64(clamp(lo), clamp(hi));
    };
    for (; i + 8 <= n; i += 8) {
        const __m128i a = four(img + i);
        const __m128i b = four(img + i + 4);
        const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(a, b), _mm_setzero_si128());
        _mm_storel_epi64(reinterpret_cast<__m128i*>(odata + i), bytes);
    }
#endif
    if (i < n)
        float_image_to_bytes_reference(odata + i, img + i, static_cast<int>(n - i), 1, m_shift,
                                       r_scale);
}

int wsq_decode_mem(std::vector<uint8_t>* odata, int* ow, int* oh, int* od, int* oppi,
                   int* lossyflag, int* oencoder, int* osoftware, const uint8_t* idata, int ilen) {
    codec_state().debug = 0;
    DecodeState state;
    reset_decoder_tables(state);
    TableRelease release{state};

    const uint8_t* cur = idata;
    const uint8_t* end = idata + (ilen > 0 ? ilen : 0);
    uint16_t marker = 0;
    if (int ret = getc_marker_wsq(&marker, SoiOnly, &cur, end)) return ret;
    if (int ret = getc_marker_wsq(&marker, TablesOrSof, &cur, end)) return ret;
    while (marker != SOF_WSQ) {
        if (int ret = getc_table_wsq(marker, &state.dtt_table, &state.dqt_table, &state.dht_table,
                                     &cur, end))
            return ret;
        if (int ret = getc_marker_wsq(&marker, TablesOrSof, &cur, end)) return ret;
    }

    if (!state.dtt_table.lo_def || !state.dtt_table.hi_def) {
        // No transform table: nothing can be reconstructed. Not a failure, but no image.
        odata->clear();
        *ow = 0;
        *oh = 0;
        *od = 8;
        *lossyflag = 1;
        *oencoder = 0;
        *osoftware = 0;
        return 0;
    }

    if (int ret = getc_frame_header(&state.frm_header_wsq, &cur, end)) return ret;
    const int width = state.frm_header_wsq.width;
    const int height = state.frm_header_wsq.height;
    if (int ret = check_frame_size(width, height)) return ret;

    int ppi = -1;
    if (int ret = read_ppi_from_comments(&ppi, idata, ilen)) return ret;

    build_subband_trees(state.w_tree, W_TREELEN, state.q_tree, Q_TREELEN, width, height);

    const size_t num_pix = static_cast<size_t>(width) * static_cast<size_t>(height);
    std::vector<float> fdata;
    {
        // Coefficients the blocks do not supply (a stream that ends early) stay 0.
        std::vector<int16_t> qdata;
        try {
            qdata.assign(num_pix, 0);
        } catch (const std::bad_alloc&) {
            report("ERROR: wsq_decode_mem : malloc : qdata1\n");
            return -20;
        }
        if (int ret =
                huffman_decode_blocks(qdata.data(), {width, height, state.q_tree}, &state.dtt_table,
                                      &state.dqt_table, &state.dht_table, &cur, end))
            return ret;
        if (int ret = unquantize(&fdata, &state.dqt_table, state.q_tree, Q_TREELEN, qdata.data(),
                                 width, height))
            return ret;
    }

    if (int ret =
            wsq_reconstruct(fdata.data(), width, height, state.w_tree, W_TREELEN, &state.dtt_table))
        return ret;

    std::vector<uint8_t> cdata;
    try {
        cdata.resize(num_pix);
    } catch (const std::bad_alloc&) {
        report("ERROR: wsq_decode_mem : malloc : cdata\n");
        return -21;
    }
    float_image_to_bytes(cdata.data(), fdata.data(), width, height, state.frm_header_wsq.m_shift,
                         state.frm_header_wsq.r_scale);

    *odata = std::move(cdata);
    *ow = width;
    *oh = height;
    *od = 8;
    *oppi = ppi;
    *lossyflag = 1;
    *oencoder = state.frm_header_wsq.WSQ_encoder;
    *osoftware = state.frm_header_wsq.Software;
    return 0;
}

}  // namespace wsq
