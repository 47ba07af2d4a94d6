// wsqconvert at archive scale: 2,000 small prints (400 x 400 PNG to WSQ) converted by one
// process with two jobs, and by two shards (--shard 1/2 and 2/2, one job each) running at once;
// each with and without --log-json. Reported: files per second, and the cost of the log against
// no log in the same run (each case's best of its runs, the cases interleaved).
#include <benchmark/benchmark.h>

#include <QImage>
#include <QString>

#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "process_run.h"
#include "support/scratch_dir.h"
#include "synthprint.h"

namespace {

constexpr int kFiles = 2000;
constexpr int kDistinct = 40;  // prints drawn; the rest are copies under other names
constexpr int kSize = 400;

struct Archive {
    testsupport::ScratchDir dir;
    std::string in;
    bool ok = true;

    Archive() {
        in = dir.file("in");
        for (int i = 0; i < kFiles && ok; ++i) {
            const std::string sub = in + "/d" + std::to_string(i % 20);
            std::filesystem::create_directories(sub);
            const std::string name = sub + "/print" + std::to_string(i) + ".png";
            if (i >= kDistinct) {
                std::filesystem::copy_file(in + "/d" + std::to_string((i % kDistinct) % 20) +
                                               "/print" + std::to_string(i % kDistinct) + ".png",
                                           name);
                continue;
            }
            synthprint::PrintOptions options;
            options.width = options.height = kSize;
            options.seed = static_cast<uint32_t>(i + 1);
            const std::vector<uint8_t> pixels = synthprint::make_synthetic_print(options);
            QImage grey(pixels.data(), kSize, kSize, kSize, QImage::Format_Grayscale8);
            grey.setDotsPerMeterX(19685);
            grey.setDotsPerMeterY(19685);
            ok = grey.save(QString::fromStdString(name), "PNG");
        }
    }
};

Archive& archive() {
    static Archive instance;
    return instance;
}

const std::string kWsqconvert = WSQ_BINARY_DIR "/tools/wsqconvert/wsqconvert";

// One run of the whole archive: `shards` processes at once, each with jobs = 2 / shards.
double convertArchive(int shards, bool log) {
    Archive& a = archive();
    const std::string out = a.dir.file("out");
    std::filesystem::remove_all(out);
    std::filesystem::remove_all(a.dir.file("logs"));
    std::filesystem::create_directories(a.dir.file("logs"));
    std::vector<RunResult> results(static_cast<size_t>(shards));
    const auto start = std::chrono::steady_clock::now();
    {
        std::vector<std::jthread> processes;
        for (int s = 1; s <= shards; ++s) {
            std::vector<std::string> args = {kWsqconvert,
                                             "--batch",
                                             "--recursive",
                                             "--to",
                                             "wsq",
                                             "--jobs",
                                             std::to_string(2 / shards)};
            if (shards > 1)
                args.insert(args.end(),
                            {"--shard", std::to_string(s) + "/" + std::to_string(shards)});
            if (log)
                args.insert(args.end(),
                            {"--log-json", a.dir.file("logs/" + std::to_string(s) + ".jsonl")});
            args.insert(args.end(), {a.in, out});
            processes.emplace_back([&results, s, args] {
                results[static_cast<size_t>(s - 1)] = runProcess(args, false);
            });
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    for (const RunResult& r : results)
        if (!r.ok) return -1;
    return seconds;
}

std::map<std::pair<int, bool>, double>& best() {
    static std::map<std::pair<int, bool>, double> runs;
    return runs;
}

void BM_Archive(benchmark::State& state) {
    const int shards = static_cast<int>(state.range(0));
    if (!archive().ok) {
        state.SkipWithError("could not make the archive");
        return;
    }
    // The log and no log interleaved, so that the machine's changing load falls on both.
    for (auto _ : state) {
        double withLog = 0;
        for (const bool log : {false, true}) {
            const double seconds = convertArchive(shards, log);
            if (seconds < 0) {
                state.SkipWithError("wsqconvert failed");
                return;
            }
            double& b = best()[{shards, log}];
            if (b == 0 || seconds < b) b = seconds;
            withLog = seconds;
        }
        state.SetIterationTime(withLog);
    }
    const double plain = best()[{shards, false}], logged = best()[{shards, true}];
    state.SetLabel(shards == 1 ? "one process, 2 jobs" : "2 shards at once, 1 job each");
    state.counters["files_per_s"] = kFiles / plain;
    state.counters["files_per_s_log"] = kFiles / logged;
    state.counters["log_cost_pct"] = 100.0 * (logged - plain) / plain;
}

BENCHMARK(BM_Archive)
    ->Arg(1)
    ->Arg(2)
    ->ArgNames({"shards"})
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
