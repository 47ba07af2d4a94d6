// WSQ decode and encode throughput (Mpixel/s) on synthetic prints of 512 x 512 and 1600 x 1500,
// beside libjpeg-turbo and OpenJPEG coding the same picture to about the same size, in the same
// run. Before the timings it prints the rate table: bytes, achieved bits per pixel and PSNR of
// each codec at 0.75, 1.0 and 2.25 bits per pixel.
#include <benchmark/benchmark.h>

#include <jpeglib.h>
#ifdef WSQ_BENCH_OPENJPEG
#include <openjpeg.h>
#endif

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include "support/image_metrics.h"
#include "wsq/decoder.h"
#include "wsq/encoder.h"

namespace {

struct Picture {
    int w, h;
    std::vector<uint8_t> px;
};

const Picture& picture(int index) {
    static const Picture pictures[2] = {
        {512, 512, testsupport::synthetic_print(512, 512, 7)},
        {1600, 1500, testsupport::synthetic_print(1600, 1500, 8)},
    };
    return pictures[index];
}

// --- WSQ -------------------------------------------------------------------------------------

std::vector<uint8_t> wsq_encode(const Picture& p, float rate) {
    std::vector<uint8_t> out;
    int len = 0;
    if (wsq::wsq_encode_1(&out, &len, rate, p.px.data(), p.w, p.h, 8, 500, nullptr) != 0) {
        std::fprintf(stderr, "bench: WSQ encoding failed\n");
        std::exit(1);
    }
    return out;
}

std::vector<uint8_t> wsq_decode(const std::vector<uint8_t>& s) {
    std::vector<uint8_t> px;
    int w, h, d, ppi, lossy, enc, sw;
    if (wsq::wsq_decode_mem(&px, &w, &h, &d, &ppi, &lossy, &enc, &sw, s.data(),
                            static_cast<int>(s.size())) != 0) {
        std::fprintf(stderr, "bench: WSQ decoding failed\n");
        std::exit(1);
    }
    return px;
}

// --- libjpeg-turbo ---------------------------------------------------------------------------

std::vector<uint8_t> jpeg_encode(const Picture& p, int quality) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buf = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buf, &size);
    c.image_width = static_cast<JDIMENSION>(p.w);
    c.image_height = static_cast<JDIMENSION>(p.h);
    c.input_components = 1;
    c.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    c.optimize_coding = TRUE;
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(p.px.data() + static_cast<size_t>(c.next_scanline) * p.w);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::vector<uint8_t> out(buf, buf + size);
    std::free(buf);
    return out;
}

std::vector<uint8_t> jpeg_decode(const std::vector<uint8_t>& s) {
    jpeg_decompress_struct d;
    jpeg_error_mgr err;
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, s.data(), static_cast<unsigned long>(s.size()));
    jpeg_read_header(&d, TRUE);
    jpeg_start_decompress(&d);
    std::vector<uint8_t> px(static_cast<size_t>(d.output_width) * d.output_height);
    while (d.output_scanline < d.output_height) {
        JSAMPROW row = px.data() + static_cast<size_t>(d.output_scanline) * d.output_width;
        jpeg_read_scanlines(&d, &row, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    return px;
}

// The quality whose file size is closest to `bytes`.
int jpeg_quality_for(const Picture& p, size_t bytes) {
    int best = 50;
    long best_diff = -1;
    for (int q = 1; q <= 100; ++q) {
        const long diff = std::labs(static_cast<long>(jpeg_encode(p, q).size()) - long(bytes));
        if (best_diff < 0 || diff < best_diff) {
            best = q;
            best_diff = diff;
        }
    }
    return best;
}

// --- OpenJPEG --------------------------------------------------------------------------------

#ifdef WSQ_BENCH_OPENJPEG
struct MemStream {
    std::vector<uint8_t> data;
    size_t pos = 0;
};

OPJ_SIZE_T mem_write(void* buf, OPJ_SIZE_T n, void* user) {
    auto* m = static_cast<MemStream*>(user);
    if (m->pos + n > m->data.size()) m->data.resize(m->pos + n);
    std::memcpy(m->data.data() + m->pos, buf, n);
    m->pos += n;
    return n;
}
OPJ_SIZE_T mem_read(void* buf, OPJ_SIZE_T n, void* user) {
    auto* m = static_cast<MemStream*>(user);
    if (m->pos >= m->data.size()) return static_cast<OPJ_SIZE_T>(-1);
    n = std::min(n, m->data.size() - m->pos);
    std::memcpy(buf, m->data.data() + m->pos, n);
    m->pos += n;
    return n;
}
OPJ_OFF_T mem_skip(OPJ_OFF_T n, void* user) {
    auto* m = static_cast<MemStream*>(user);
    m->pos = static_cast<size_t>(static_cast<OPJ_OFF_T>(m->pos) + n);
    return n;
}
OPJ_BOOL mem_seek(OPJ_OFF_T n, void* user) {
    static_cast<MemStream*>(user)->pos = static_cast<size_t>(n);
    return OPJ_TRUE;
}

opj_stream_t* mem_stream(MemStream* m, bool input) {
    opj_stream_t* s = opj_stream_create(1 << 16, input ? OPJ_TRUE : OPJ_FALSE);
    opj_stream_set_user_data(s, m, nullptr);
    opj_stream_set_user_data_length(s, m->data.size());
    if (input) {
        opj_stream_set_read_function(s, mem_read);
    } else {
        opj_stream_set_write_function(s, mem_write);
    }
    opj_stream_set_skip_function(s, mem_skip);
    opj_stream_set_seek_function(s, mem_seek);
    return s;
}

// A J2K codestream with the irreversible 9/7 wavelet, one layer at the given compression ratio.
std::vector<uint8_t> j2k_encode(const Picture& p, float ratio) {
    opj_cparameters_t params;
    opj_set_default_encoder_parameters(&params);
    params.tcp_numlayers = 1;
    params.tcp_rates[0] = ratio;
    params.cp_disto_alloc = 1;
    params.irreversible = 1;
    params.numresolution = 6;
    opj_image_cmptparm_t cmpt;
    std::memset(&cmpt, 0, sizeof cmpt);
    cmpt.dx = cmpt.dy = 1;
    cmpt.w = static_cast<OPJ_UINT32>(p.w);
    cmpt.h = static_cast<OPJ_UINT32>(p.h);
    cmpt.prec = 8;
    cmpt.sgnd = 0;
    opj_image_t* image = opj_image_create(1, &cmpt, OPJ_CLRSPC_GRAY);
    image->x1 = cmpt.w;
    image->y1 = cmpt.h;
    for (size_t i = 0; i < p.px.size(); ++i) image->comps[0].data[i] = p.px[i];
    opj_codec_t* codec = opj_create_compress(OPJ_CODEC_J2K);
    opj_setup_encoder(codec, &params, image);
    MemStream m;
    opj_stream_t* s = mem_stream(&m, false);
    bool ok = opj_start_compress(codec, image, s) && opj_encode(codec, s) &&
              opj_end_compress(codec, s);
    opj_stream_destroy(s);
    opj_destroy_codec(codec);
    opj_image_destroy(image);
    if (!ok) {
        std::fprintf(stderr, "bench: OpenJPEG encoding failed\n");
        std::exit(1);
    }
    m.data.resize(m.pos);
    return m.data;
}

std::vector<uint8_t> j2k_decode(const std::vector<uint8_t>& bytes) {
    MemStream m;
    m.data = bytes;
    opj_stream_t* s = mem_stream(&m, true);
    opj_dparameters_t params;
    opj_set_default_decoder_parameters(&params);
    opj_codec_t* codec = opj_create_decompress(OPJ_CODEC_J2K);
    opj_setup_decoder(codec, &params);
    opj_image_t* image = nullptr;
    std::vector<uint8_t> px;
    if (opj_read_header(s, codec, &image) && opj_decode(codec, s, image) &&
        opj_end_decompress(codec, s)) {
        const size_t n = static_cast<size_t>(image->comps[0].w) * image->comps[0].h;
        px.resize(n);
        for (size_t i = 0; i < n; ++i) {
            px[i] = static_cast<uint8_t>(std::clamp(image->comps[0].data[i], 0, 255));
        }
    }
    if (image) opj_image_destroy(image);
    opj_destroy_codec(codec);
    opj_stream_destroy(s);
    return px;
}
#endif

// --- matched sizes ---------------------------------------------------------------------------

struct Matched {
    std::vector<uint8_t> wsq;
    int jpeg_quality = 0;
    std::vector<uint8_t> jpeg;
    float j2k_ratio = 0;
    std::vector<uint8_t> j2k;
};

const Matched& matched(int index, float rate) {
    static std::map<std::pair<int, int>, Matched> cache;
    const auto key = std::make_pair(index, static_cast<int>(rate * 100));
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
    const Picture& p = picture(index);
    Matched m;
    m.wsq = wsq_encode(p, rate);
    m.jpeg_quality = jpeg_quality_for(p, m.wsq.size());
    m.jpeg = jpeg_encode(p, m.jpeg_quality);
#ifdef WSQ_BENCH_OPENJPEG
    // The ratio that gives the WSQ size; OpenJPEG's rate control lands close below it.
    m.j2k_ratio = static_cast<float>(double(p.px.size()) / double(m.wsq.size()));
    m.j2k = j2k_encode(p, m.j2k_ratio);
#endif
    return cache.emplace(key, std::move(m)).first->second;
}

void print_rate_table() {
    std::printf("%-11s %-6s %-10s %8s %8s %8s\n", "image", "target", "codec", "bytes", "bpp",
                "PSNR");
    for (int index = 0; index < 2; ++index) {
        const Picture& p = picture(index);
        char name[32];
        std::snprintf(name, sizeof name, "%dx%d", p.w, p.h);
        for (float rate : {0.75f, 1.0f, 2.25f}) {
            const Matched& m = matched(index, rate);
            const double pixels = double(p.px.size());
            auto row = [&](const char* codec, const std::vector<uint8_t>& bytes,
                           const std::vector<uint8_t>& decoded) {
                std::printf("%-11s %-6.2f %-10s %8zu %8.3f %8.2f\n", name, rate, codec,
                            bytes.size(), 8.0 * double(bytes.size()) / pixels,
                            testsupport::psnr(p.px, decoded));
            };
            row("WSQ", m.wsq, wsq_decode(m.wsq));
            char jname[32];
            std::snprintf(jname, sizeof jname, "JPEG q%d", m.jpeg_quality);
            row(jname, m.jpeg, jpeg_decode(m.jpeg));
#ifdef WSQ_BENCH_OPENJPEG
            row("JPEG 2000", m.j2k, j2k_decode(m.j2k));
#endif
        }
    }
    std::fflush(stdout);
}

void set_pixel_rate(benchmark::State& state, const Picture& p) {
    state.counters["Mpixel/s"] = benchmark::Counter(double(p.px.size()) * 1e-6,
                                                    benchmark::Counter::kIsIterationInvariantRate);
}

void BM_WsqDecode(benchmark::State& state) {
    const Picture& p = picture(static_cast<int>(state.range(0)));
    const Matched& m = matched(static_cast<int>(state.range(0)), 0.75f);
    for (auto _ : state) benchmark::DoNotOptimize(wsq_decode(m.wsq));
    set_pixel_rate(state, p);
}

void BM_JpegDecode(benchmark::State& state) {
    const Picture& p = picture(static_cast<int>(state.range(0)));
    const Matched& m = matched(static_cast<int>(state.range(0)), 0.75f);
    for (auto _ : state) benchmark::DoNotOptimize(jpeg_decode(m.jpeg));
    set_pixel_rate(state, p);
}

void BM_WsqEncode(benchmark::State& state) {
    const Picture& p = picture(static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(wsq_encode(p, 0.75f));
    set_pixel_rate(state, p);
}

void BM_JpegEncode(benchmark::State& state) {
    const Picture& p = picture(static_cast<int>(state.range(0)));
    const Matched& m = matched(static_cast<int>(state.range(0)), 0.75f);
    for (auto _ : state) benchmark::DoNotOptimize(jpeg_encode(p, m.jpeg_quality));
    set_pixel_rate(state, p);
}

#ifdef WSQ_BENCH_OPENJPEG
void BM_OpenJpegEncode(benchmark::State& state) {
    const Picture& p = picture(static_cast<int>(state.range(0)));
    const Matched& m = matched(static_cast<int>(state.range(0)), 0.75f);
    for (auto _ : state) benchmark::DoNotOptimize(j2k_encode(p, m.j2k_ratio));
    set_pixel_rate(state, p);
}
BENCHMARK(BM_OpenJpegEncode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
#endif

BENCHMARK(BM_WsqDecode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegDecode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WsqEncode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegEncode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    print_rate_table();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
