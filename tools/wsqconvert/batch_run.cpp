#include "batch_run.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <thread>

#include "progress_line.h"

namespace wsqconvert {

namespace {

// Set by the first interrupt: the workers finish the files they have and take no more. Every
// write goes through a temporary file, so nothing is left half-written either way.
std::atomic<bool> g_stopRequested{false};

extern "C" void requestStop(int) {
    g_stopRequested.store(true);
    std::signal(SIGINT, SIG_DFL);
}

}  // namespace

int runBatch(const BatchOptions& options, const ConversionSettings& settings, int jobs) {
    const QFileInfo inputDir(options.inputDir);
    if (!inputDir.isDir()) {
        std::fprintf(stderr, "wsqconvert: %s: %s\n", qPrintable(options.inputDir),
                     inputDir.exists() ? "not a directory" : "no such directory");
        return 1;
    }
    if (!QDir().mkpath(options.outputDir)) {
        std::fprintf(stderr, "wsqconvert: %s: cannot create the output directory\n",
                     qPrintable(options.outputDir));
        return 1;
    }

    std::vector<BatchItem> items = planBatch(options);
    std::vector<size_t> work;
    QStringList failed;
    QSet<QString> collisionsReported;
    int skipped = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        if (!items[i].collision.isEmpty()) {
            if (!collisionsReported.contains(items[i].collision)) {
                collisionsReported.insert(items[i].collision);
                std::fprintf(stderr, "wsqconvert: %s\n", qPrintable(items[i].collision));
            }
            failed << items[i].input;
        } else if (items[i].skipped) {
            ++skipped;
        } else {
            work.push_back(i);
        }
    }

    const auto start = std::chrono::steady_clock::now();
    ProgressLine progress(static_cast<int>(work.size()), isatty(fileno(stderr)) == 1);
    std::atomic<size_t> next{0};
    std::atomic<int> converted{0};
    std::vector<QString> failures(items.size());
    const auto worker = [&] {
        for (;;) {
            if (g_stopRequested.load()) return;
            const size_t k = next.fetch_add(1);
            if (k >= work.size()) return;
            const BatchItem& item = items[work[k]];
            QString error;
            const QString outputDir = QFileInfo(item.output).path();
            if (!QDir().mkpath(outputDir))
                error = QStringLiteral("%1: cannot create the directory").arg(outputDir);
            else
                error = convertFile(item.input, item.output, settings, item.record);
            if (error.isEmpty()) {
                ++converted;
            } else {
                failures[work[k]] = error;
                progress.error(QStringLiteral("wsqconvert: ") + error);
            }
            progress.advance();
        }
    };

    const int threads =
        std::max(1, std::min<int>(jobs, static_cast<int>(std::max<size_t>(work.size(), 1))));
    g_stopRequested.store(false);
    std::signal(SIGINT, requestStop);
    {
        std::vector<std::jthread> pool;
        for (int t = 1; t < threads; ++t) pool.emplace_back(worker);
        worker();
    }
    std::signal(SIGINT, SIG_DFL);
    progress.finish();

    for (size_t k : work)
        if (!failures[k].isEmpty()) failed << items[k].input;
    const int notDone = static_cast<int>(work.size()) - converted.load() -
                        static_cast<int>(std::count_if(work.begin(), work.end(), [&](size_t k) {
                            return !failures[k].isEmpty();
                        }));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("wsqconvert: %d converted, %d skipped, %lld failed", converted.load(), skipped,
                static_cast<long long>(failed.size()));
    if (notDone > 0) std::printf(", %d not started (interrupted)", notDone);
    std::printf(" in %.2f s (%.1f files/s, %d jobs)\n", seconds,
                seconds > 0 ? converted.load() / seconds : 0.0, threads);
    std::fflush(stdout);
    if (!failed.isEmpty()) {
        std::fprintf(stderr, "wsqconvert: failed:\n");
        for (const QString& input : failed) std::fprintf(stderr, "  %s\n", qPrintable(input));
    }
    return failed.isEmpty() && notDone == 0 ? 0 : 1;
}

}  // namespace wsqconvert
