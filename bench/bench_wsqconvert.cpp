// wsqconvert --batch on 200 synthetic 512 x 512 prints: WSQ to PNG and PNG to WSQ, with one job
// and with two, in the same run. Each run is the real binary, timed from spawn to exit; its peak
// resident memory comes from wait4. Reported: files per second, the speed-up of two jobs over
// one (the peer measured in the same run), and the peak memory of the process and per job.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QImage>
#include <QString>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

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
                 wsq::write_raw_from_memsize((wsqDir + "/" + name + ".wsq").c_str(),
                                             encoded.data(), length) == 0;
            QImage grey(pixels.data(), kSize, kSize, kSize, QImage::Format_Grayscale8);
            ok = ok && grey.save(QString::fromStdString(pngDir + "/" + name + ".png"), "PNG");
        }
    }
};

Inputs& inputs() {
    static Inputs instance;
    return instance;
}

struct RunResult {
    bool ok = false;
    double seconds = 0;
    long maxRssKiB = 0;
};

RunResult runBatch(const std::string& from, const std::string& to, const std::string& out,
                   int jobs) {
    std::filesystem::remove_all(out);
    const std::string binary = WSQ_BINARY_DIR "/tools/wsqconvert/wsqconvert";
    std::vector<std::string> args = {binary, "--batch", "--to", to, "--jobs",
                                     std::to_string(jobs), from, out};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    RunResult result;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, binary.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return result;
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    struct rusage usage {};
    if (wait4(pid, &status, 0, &usage) != pid) return result;
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.maxRssKiB = usage.ru_maxrss;
    result.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return result;
}

// Best time of each (direction, jobs) pair, for the speed-up printed at the end.
std::map<std::pair<int, int>, RunResult>& bestRuns() {
    static std::map<std::pair<int, int>, RunResult> runs;
    return runs;
}

const char* directionName(int direction) { return direction == 0 ? "WSQ to PNG" : "PNG to WSQ"; }

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
        std::printf("  %s: %.1f files/s with 1 job, %.1f with 2; speed-up %.2f; peak %.1f MiB "
                    "(1 job), %.1f MiB (2 jobs, %.1f per job)\n",
                    directionName(direction), kPrints / one->second.seconds,
                    kPrints / two->second.seconds, one->second.seconds / two->second.seconds,
                    one->second.maxRssKiB / 1024.0, two->second.maxRssKiB / 1024.0,
                    two->second.maxRssKiB / 2048.0);
    }
    return 0;
}
