// wsqconvert --thumbnail on a 1600 x 1500 synthetic print beside ImageMagick's
// convert -thumbnail on the same picture as PNG, in the same run: each run is the real program,
// timed from spawn to exit. Reported: milliseconds per thumbnail (best of 10) and the ratio to
// ImageMagick. The file managers' thumbnail size of 256 is asked for.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QString>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "process_run.h"
#include "support/scratch_dir.h"
#include "synthprint.h"
#include "wsq/encoder.h"
#include "wsq/raw_file.h"

namespace {

constexpr int kWidth = 1600, kHeight = 1500;
// ImageMagick's own program (a stand-in may come first on PATH).
constexpr const char* kImageMagick = "/usr/bin/convert";

struct Inputs {
    testsupport::ScratchDir dir;
    std::string wsq = dir.file("print.wsq"), png = dir.file("print.png"), out = dir.file("t.png");
    bool ok = true;

    Inputs() {
        synthprint::PrintOptions options;
        options.width = kWidth;
        options.height = kHeight;
        options.seed = 7;
        const std::vector<uint8_t> pixels = synthprint::make_synthetic_print(options);
        std::vector<uint8_t> encoded;
        int length = 0;
        ok = wsq::wsq_encode_1(&encoded, &length, 0.75f, pixels.data(), kWidth, kHeight, 8, 500,
                               nullptr) == 0 &&
             wsq::write_raw_from_memsize(wsq.c_str(), encoded.data(), length) == 0;
        const QImage grey(pixels.data(), kWidth, kHeight, kWidth, QImage::Format_Grayscale8);
        ok = ok && grey.save(QString::fromStdString(png), "PNG");
    }
};

Inputs& inputs() {
    static Inputs instance;
    return instance;
}

// Seconds from spawn to a successful exit, or a negative number.
double timeRun(std::vector<std::string> args) {
    const RunResult run = runProcess(std::move(args), false);
    return run.ok ? run.seconds : -1;
}

enum Program { WsqconvertFromWsq, WsqconvertFromPng, ImageMagickFromPng };
const char* kNames[] = {"wsqconvert --thumbnail 256 print.wsq",
                        "wsqconvert --thumbnail 256 print.png",
                        "convert print.png -thumbnail 256x256"};

std::map<int, double>& best() {
    static std::map<int, double> seconds;
    return seconds;
}

void BM_Thumbnail(benchmark::State& state) {
    const int program = static_cast<int>(state.range(0));
    Inputs& in = inputs();
    if (!in.ok) {
        state.SkipWithError("could not make the inputs");
        return;
    }
    if (program == ImageMagickFromPng && access(kImageMagick, X_OK) != 0) {
        state.SkipWithError("ImageMagick is not installed");
        return;
    }
    const std::string wsqconvert = WSQ_BINARY_DIR "/tools/wsqconvert/wsqconvert";
    const std::vector<std::string> args =
        program == ImageMagickFromPng
            ? std::vector<std::string>{kImageMagick, in.png, "-thumbnail", "256x256", in.out}
            : std::vector<std::string>{wsqconvert, "--thumbnail", "256",
                                       program == WsqconvertFromWsq ? in.wsq : in.png, in.out};
    double fastest = 0;
    for (auto _ : state) {
        const double seconds = timeRun(args);
        if (seconds < 0) {
            state.SkipWithError("the program failed");
            return;
        }
        state.SetIterationTime(seconds);
        if (fastest == 0 || seconds < fastest) fastest = seconds;
    }
    best()[program] = fastest;
    state.SetLabel(kNames[program]);
    state.counters["best_ms"] = fastest * 1000;
}

BENCHMARK(BM_Thumbnail)
    ->DenseRange(0, 2)
    ->ArgName("program")
    ->Iterations(10)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\n256 px thumbnails of a %d x %d print, best of 10 runs:\n", kWidth, kHeight);
    const auto peer = best().find(ImageMagickFromPng);
    for (const auto& [program, seconds] : best()) {
        std::printf("  %-40s %7.1f ms", kNames[program], seconds * 1000);
        if (peer != best().end()) std::printf("  (%.2f x ImageMagick)", seconds / peer->second);
        std::printf("\n");
    }
    return 0;
}
