// wsqconvert as a whole process, timed from spawn to exit, its peak resident memory from wait4.
// 1. --batch on 200 synthetic 512 x 512 prints: WSQ to PNG and PNG to WSQ, with one job and with
//    two; reported: files per second, the speed-up of two jobs over one, peak memory.
// 2. One 3200 x 3000 print, each conversion beside its peer in the same run: WSQ to PGM, BMP
//    and PNG against djpeg writing PGM and BMP from a JPEG of the same picture, and PNG and PNM
//    to WSQ at 0.75 against opj_compress to the same size; Mpixel/s, ratios, peak bytes a pixel.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QImage>
#include <QString>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "process_run.h"
#include "support/scratch_dir.h"
#include "synthprint.h"
#include "wsq/encoder.h"
#include "wsq/raw_file.h"

extern char** environ;

namespace {

constexpr int kPrints = 200;
constexpr int kSize = 512;

struct Inputs {
    testsupport::ScratchDir dir;
    std::string wsqDir, pngDir;
    bool ok = true;

    Inputs() {
        wsqDir = dir.file("wsq");
        pngDir = dir.file("png");
        std::filesystem::create_directories(wsqDir);
        std::filesystem::create_directories(pngDir);
        for (int i = 0; i < kPrints && ok; ++i) {
            synthprint::PrintOptions options;
            options.width = options.height = kSize;
            options.seed = static_cast<uint32_t>(i + 1);
            const std::vector<uint8_t> pixels = synthprint::make_synthetic_print(options);
            std::vector<uint8_t> encoded;
            int length = 0;
            const std::string name = "print" + std::to_string(i);
            ok = wsq::wsq_encode_1(&encoded, &length, 0.75f, pixels.data(), kSize, kSize, 8, 500,
                                   nullptr) == 0 &&
                 wsq::write_raw_from_memsize((wsqDir + "/" + name + ".wsq").c_str(), encoded.data(),
                                             length) == 0;
            QImage grey(pixels.data(), kSize, kSize, kSize, QImage::Format_Grayscale8);
            ok = ok && grey.save(QString::fromStdString(pngDir + "/" + name + ".png"), "PNG");
        }
    }
};

Inputs& inputs() {
    static Inputs instance;
    return instance;
}

const std::string kWsqconvert = WSQ_BINARY_DIR "/tools/wsqconvert/wsqconvert";

RunResult runBatch(const std::string& from, const std::string& to, const std::string& out,
                   int jobs) {
    std::filesystem::remove_all(out);
    return runProcess(
        {kWsqconvert, "--batch", "--to", to, "--jobs", std::to_string(jobs), from, out});
}

// Best time of each (direction, jobs) pair, for the speed-up printed at the end.
std::map<std::pair<int, int>, RunResult>& bestRuns() {
    static std::map<std::pair<int, int>, RunResult> runs;
    return runs;
}

const char* directionName(int direction) {
    return direction == 0 ? "WSQ to PNG" : "PNG to WSQ";
}

void BM_Batch(benchmark::State& state) {
    const int direction = static_cast<int>(state.range(0));
    const int jobs = static_cast<int>(state.range(1));
    Inputs& in = inputs();
    if (!in.ok) {
        state.SkipWithError("could not make the inputs");
        return;
    }
    const std::string from = direction == 0 ? in.wsqDir : in.pngDir;
    const std::string to = direction == 0 ? "png" : "wsq";
    const std::string out = in.dir.file("out");
    RunResult best;
    for (auto _ : state) {
        const RunResult run = runBatch(from, to, out, jobs);
        if (!run.ok) {
            state.SkipWithError("wsqconvert failed");
            return;
        }
        state.SetIterationTime(run.seconds);
        if (best.seconds == 0 || run.seconds < best.seconds) best = run;
    }
    bestRuns()[{direction, jobs}] = best;
    state.SetLabel(directionName(direction));
    state.counters["files_per_s"] = kPrints / best.seconds;
    state.counters["peak_MiB"] = best.maxRssKiB / 1024.0;
    state.counters["peak_MiB_per_job"] = best.maxRssKiB / 1024.0 / jobs;
}

BENCHMARK(BM_Batch)
    ->ArgsProduct({{0, 1}, {1, 2}})
    ->ArgNames({"png_in", "jobs"})
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

// ---- One large print, beside the peers.

constexpr int kBigWidth = 3200;
constexpr int kBigHeight = 3000;
constexpr double kBigMpixels = kBigWidth * kBigHeight / 1e6;

std::string findProgram(const char* name) {
    for (const char* dir : {"/usr/bin", "/usr/local/bin", "/bin"}) {
        const std::string path = std::string(dir) + "/" + name;
        if (access(path.c_str(), X_OK) == 0) return path;
    }
    return std::string();
}

struct BigInputs {
    testsupport::ScratchDir dir;
    std::string wsq, png, pnm, jpg, pgm;
    std::string djpeg = findProgram("djpeg"), opj = findProgram("opj_compress");
    size_t wsqBytes = 0;
    bool ok = true;

    BigInputs() {
        synthprint::PrintOptions options;
        options.width = kBigWidth;
        options.height = kBigHeight;
        options.seed = 7;
        const std::vector<uint8_t> pixels = synthprint::make_synthetic_print(options);
        wsq = dir.file("print.wsq");
        png = dir.file("print.png");
        pnm = dir.file("print.pnm");
        pgm = dir.file("print.pgm");
        jpg = dir.file("print.jpg");
        std::vector<uint8_t> encoded;
        int length = 0;
        ok = wsq::wsq_encode_1(&encoded, &length, 0.75f, pixels.data(), kBigWidth, kBigHeight, 8,
                               500, nullptr) == 0 &&
             wsq::write_raw_from_memsize(wsq.c_str(), encoded.data(), length) == 0;
        wsqBytes = static_cast<size_t>(length);
        QImage grey(pixels.data(), kBigWidth, kBigHeight, kBigWidth, QImage::Format_Grayscale8);
        ok = ok && grey.save(QString::fromStdString(png), "PNG") &&
             grey.save(QString::fromStdString(pgm), "PGM") &&
             std::filesystem::copy_file(pgm, pnm) &&
             grey.save(QString::fromStdString(jpg), "JPEG", 90);
    }
};

BigInputs& bigInputs() {
    static BigInputs instance;
    return instance;
}

enum BigCase { WsqToPgm, WsqToBmp, WsqToPng, PngToWsq, PnmToWsq, kBigCases };
const char* const kBigCaseNames[] = {"WSQ to PGM", "WSQ to BMP", "WSQ to PNG", "PNG to WSQ",
                                     "PNM to WSQ"};

// Best runs of each case: ours, and the peer's.
std::map<int, std::pair<RunResult, RunResult>>& bigRuns() {
    static std::map<int, std::pair<RunResult, RunResult>> runs;
    return runs;
}

std::vector<std::string> oursFor(BigCase c, const BigInputs& in) {
    const std::string out = in.dir.file("out");
    switch (c) {
        case WsqToPgm:
            return {kWsqconvert, in.wsq, out + ".pgm"};
        case WsqToBmp:
            return {kWsqconvert, in.wsq, out + ".bmp"};
        case WsqToPng:
            return {kWsqconvert, in.wsq, out + ".png"};
        case PngToWsq:
            return {kWsqconvert, "--bitrate", "0.75", in.png, out + ".wsq"};
        default:
            return {kWsqconvert, "--bitrate", "0.75", in.pnm, out + ".wsq"};
    }
}

std::vector<std::string> peerFor(BigCase c, const BigInputs& in) {
    const std::string out = in.dir.file("peer");
    if (c == WsqToBmp) return {in.djpeg, "-bmp", "-outfile", out + ".bmp", in.jpg};
    if (c == WsqToPgm || c == WsqToPng) return {in.djpeg, "-outfile", out + ".pgm", in.jpg};
    // The same compression ratio as the WSQ stream.
    const double ratio = double(kBigWidth) * kBigHeight / double(in.wsqBytes);
    return {in.opj, "-i", in.pgm, "-o", out + ".j2k", "-r", std::to_string(ratio)};
}

void BM_LargePrint(benchmark::State& state) {
    const auto c = static_cast<BigCase>(state.range(0));
    BigInputs& in = bigInputs();
    if (!in.ok || in.djpeg.empty() || in.opj.empty()) {
        state.SkipWithError("no inputs, or djpeg / opj_compress missing");
        return;
    }
    std::pair<RunResult, RunResult> best;
    for (auto _ : state) {
        const RunResult ours = runProcess(oursFor(c, in));
        const RunResult peer = runProcess(peerFor(c, in));
        if (!ours.ok || !peer.ok) {
            state.SkipWithError(ours.ok ? "the peer failed" : "wsqconvert failed");
            return;
        }
        state.SetIterationTime(ours.seconds);
        if (best.first.seconds == 0 || ours.seconds < best.first.seconds) best.first = ours;
        if (best.second.seconds == 0 || peer.seconds < best.second.seconds) best.second = peer;
    }
    bigRuns()[c] = best;
    state.SetLabel(kBigCaseNames[c]);
    state.counters["Mpixel_per_s"] = kBigMpixels / best.first.seconds;
    state.counters["peer_Mpixel_per_s"] = kBigMpixels / best.second.seconds;
    state.counters["ratio"] = best.second.seconds / best.first.seconds;
    state.counters["peak_B_per_pixel"] = best.first.maxRssKiB * 1024.0 / (kBigMpixels * 1e6);
}

BENCHMARK(BM_LargePrint)
    ->DenseRange(0, kBigCases - 1)
    ->ArgName("case")
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\n%d prints of %d x %d, best of 3 runs each:\n", kPrints, kSize, kSize);
    for (int direction = 0; direction < 2; ++direction) {
        const auto one = bestRuns().find({direction, 1});
        const auto two = bestRuns().find({direction, 2});
        if (one == bestRuns().end() || two == bestRuns().end()) continue;
        std::printf(
            "  %s: %.1f files/s with 1 job, %.1f with 2; speed-up %.2f; peak %.1f MiB "
            "(1 job), %.1f MiB (2 jobs, %.1f per job)\n",
            directionName(direction), kPrints / one->second.seconds, kPrints / two->second.seconds,
            one->second.seconds / two->second.seconds, one->second.maxRssKiB / 1024.0,
            two->second.maxRssKiB / 1024.0, two->second.maxRssKiB / 2048.0);
    }
    std::printf("\nOne %d x %d print (%.1f Mpixel), whole processes, best of 5 each:\n", kBigWidth,
                kBigHeight, kBigMpixels);
    for (const auto& [c, runs] : bigRuns()) {
        const bool decode = c <= WsqToPng;
        std::printf(
            "  %-11s %6.1f Mpixel/s, peak %5.1f MiB (%.1f B/pixel);  %s %6.1f Mpixel/s, "
            "peak %5.1f MiB;  ours / peer %.2f\n",
            kBigCaseNames[c], kBigMpixels / runs.first.seconds, runs.first.maxRssKiB / 1024.0,
            runs.first.maxRssKiB * 1024.0 / (kBigMpixels * 1e6), decode ? "djpeg" : "opj_compress",
            kBigMpixels / runs.second.seconds, runs.second.maxRssKiB / 1024.0,
            runs.second.seconds / runs.first.seconds);
    }
    return 0;
}
