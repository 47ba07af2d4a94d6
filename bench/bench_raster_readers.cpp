// Reading speed of the PCX, Photoshop, IFF ILBM and FLI readers on pictures of 1600 x 1200,
// written by peer tools (ImageMagick, netpbm) or, for FLI, by the benchmark itself. Pillow
// decodes the same PCX, Photoshop and FLI files in the same run; its best time per picture is
// reported beside ours as the counters pillow_ms and ratio (our time / Pillow's).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "imagefile/formats.h"
#include "support/peer_image_tools.h"
#include "support/scratch_dir.h"

namespace {

constexpr uint32_t kWidth = 1600;
constexpr uint32_t kHeight = 1200;

struct Files {
    testsupport::ScratchDir dir;
    std::string pcx, psd, iff, fli;
};

std::vector<uint8_t> BuildFli(const testsupport::RgbPicture& picture) {
    std::vector<uint8_t> out(128, 0);
    auto put16 = [](std::vector<uint8_t>& v, size_t at, uint32_t x) {
        v[at] = static_cast<uint8_t>(x);
        v[at + 1] = static_cast<uint8_t>(x >> 8);
    };
    put16(out, 4, 0xAF12);
    put16(out, 6, 1);
    put16(out, 8, kWidth);
    put16(out, 10, kHeight);
    put16(out, 12, 8);
    std::vector<uint8_t> palette = {1, 0, 0, 0};
    for (int i = 0; i < 256; ++i)
        for (int c = 0; c < 3; ++c) palette.push_back(static_cast<uint8_t>(i * (c + 1)));
    std::vector<uint8_t> brun;
    for (uint32_t y = 0; y < kHeight; ++y) {
        brun.push_back(0);
        uint32_t x = 0;
        while (x < kWidth) {
            const uint8_t v = picture.pixel(x, y)[0];
            uint32_t run = 1;
            while (x + run < kWidth && run < 127 && picture.pixel(x + run, y)[0] == v) ++run;
            brun.push_back(static_cast<uint8_t>(run));
            brun.push_back(v);
            x += run;
        }
    }
    auto sub = [](uint16_t type, const std::vector<uint8_t>& data) {
        std::vector<uint8_t> s(6);
        const uint32_t size = static_cast<uint32_t>(data.size() + 6);
        for (int i = 0; i < 4; ++i) s[i] = static_cast<uint8_t>(size >> (8 * i));
        s[4] = static_cast<uint8_t>(type);
        s[5] = static_cast<uint8_t>(type >> 8);
        s.insert(s.end(), data.begin(), data.end());
        return s;
    };
    std::vector<uint8_t> body = sub(4, palette);
    std::vector<uint8_t> pixels = sub(15, brun);
    body.insert(body.end(), pixels.begin(), pixels.end());
    std::vector<uint8_t> frame(16, 0);
    const uint32_t size = static_cast<uint32_t>(body.size() + 16);
    for (int i = 0; i < 4; ++i) frame[i] = static_cast<uint8_t>(size >> (8 * i));
    frame[4] = 0xFA;
    frame[5] = 0xF1;
    frame[6] = 2;
    frame.insert(frame.end(), body.begin(), body.end());
    out.insert(out.end(), frame.begin(), frame.end());
    return out;
}

Files& TheFiles() {
    static std::unique_ptr<Files> files = [] {
        auto f = std::make_unique<Files>();
        const std::string rgb = f->dir.file("rgb.ppm"), pal = f->dir.file("pal.ppm");
        const testsupport::RgbPicture palette = testsupport::PalettePattern(kWidth, kHeight, 200);
        testsupport::WritePpm(rgb, testsupport::TestPattern(kWidth, kHeight));
        testsupport::WritePpm(pal, palette);
        f->pcx = f->dir.file("a.pcx");
        f->psd = f->dir.file("a.psd");
        f->iff = f->dir.file("a.iff");
        testsupport::RunCommand("convert " + rgb + " " + f->pcx);
        testsupport::RunCommand("convert " + rgb + " " + f->psd);
        testsupport::RunCommand("ppmtoilbm -fixplanes 8 " + pal + " > " + f->iff);
        f->fli = f->dir.write("a.fli", BuildFli(palette));
        return f;
    }();
    return *files;
}

// Pillow's best time in milliseconds for opening and decoding `path`, or 0 without Pillow.
double PillowMilliseconds(const std::string& path) {
    if (!testsupport::PillowAvailable()) return 0;
    const std::string script =
        "import sys, time\nfrom PIL import Image\nbest = 1e9\n"
        "for _ in range(10):\n"
        "    t = time.perf_counter(); im = Image.open(sys.argv[1]); im.load()\n"
        "    best = min(best, time.perf_counter() - t)\n"
        "print(best * 1000)\n";
    const std::string command =
        testsupport::PillowPython() + " -c " + testsupport::ShellQuote(script) + " " + path;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return 0;
    double ms = 0;
    if (std::fscanf(pipe, "%lf", &ms) != 1) ms = 0;
    pclose(pipe);
    return ms;
}

template <uint32_t (*Reader)(const char*, imagefile::BitmapImage*)>
void ReadLoop(benchmark::State& state, const std::string& path, bool withPeer) {
    double best = 1e9;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        imagefile::BitmapImage image;
        if (Reader(path.c_str(), &image) != 0) {
            state.SkipWithError("read failed");
            return;
        }
        benchmark::DoNotOptimize(image.bits.data());
        best = std::min(best, std::chrono::duration<double, std::milli>(
                                  std::chrono::steady_clock::now() - start).count());
    }
    state.counters["ours_ms"] = best;
    if (withPeer) {
        const double peer = PillowMilliseconds(path);
        if (peer > 0) {
            state.counters["pillow_ms"] = peer;
            state.counters["ratio"] = best / peer;
        }
    }
}

void BM_ReadPcx24(benchmark::State& state) { ReadLoop<imagefile::ReadPcxFile>(state, TheFiles().pcx, true); }
void BM_ReadPsdRle24(benchmark::State& state) { ReadLoop<imagefile::ReadPsdFile>(state, TheFiles().psd, true); }
void BM_ReadIff8(benchmark::State& state) { ReadLoop<imagefile::ReadIffFile>(state, TheFiles().iff, false); }
void BM_ReadFlcBrun(benchmark::State& state) { ReadLoop<imagefile::ReadCelFile>(state, TheFiles().fli, true); }

BENCHMARK(BM_ReadPcx24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadPsdRle24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadIff8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadFlcBrun)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
