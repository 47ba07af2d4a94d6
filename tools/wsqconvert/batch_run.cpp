#include "batch_run.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "conversion_log.h"
#include "file_list.h"
#include "progress_line.h"
#include "retry_log.h"
#include "shard.h"

namespace wsqconvert {

namespace {

QString fileSha256(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QString();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file)) return QString();
    return QString::fromLatin1(hash.result().toHex());
}

int failBefore(const QString& text) {
    std::fprintf(stderr, "wsqconvert: %s\n", qPrintable(text));
    return 1;
}

}  // namespace

int runBatch(BatchRun run) {
    BatchOptions& options = run.options;
    if (run.filesFrom.isEmpty()) {
        const QFileInfo inputDir(options.inputDir);
        if (!inputDir.isDir())
            return failBefore(QStringLiteral("%1: %2").arg(
                options.inputDir, inputDir.exists() ? QStringLiteral("not a directory")
                                                    : QStringLiteral("no such directory")));
    } else {
        FileList list = readFileList(run.filesFrom, run.nullSeparated);
        if (!list.error.isEmpty()) return failBefore(list.error);
        options.inputDir.clear();
        options.files = std::move(list.files);
    }
    std::optional<FailedInputs> retry;
    if (!run.retryFailed.isEmpty()) {
        retry = readFailedInputs(run.retryFailed);
        if (!retry->error.isEmpty()) return failBefore(retry->error);
        if (retry->unreadableLines > 0)
            std::fprintf(stderr,
                         "wsqconvert: %s: %d lines are not log entries; they were left out\n",
                         qPrintable(run.retryFailed), retry->unreadableLines);
    }
    if (!QDir().mkpath(options.outputDir))
        return failBefore(
            QStringLiteral("%1: cannot create the output directory").arg(options.outputDir));
    ConversionLog log;
    if (!run.logPath.isEmpty()) {
        if (const QString error = log.open(run.logPath); !error.isEmpty()) return failBefore(error);
    }

    // The whole batch is planned, whatever the shard, so that collisions are the same in every
    // shard as in one run.
    const bool skipExisting = options.skipExisting;
    options.skipExisting = false;
    std::vector<BatchItem> items = planBatch(options);
    if (retry) {
        std::erase_if(items, [&](const BatchItem& item) {
            return !retry->keys.contains(retryKey(item.input, item.record));
        });
    }
    if (items.empty()) {
        std::printf("wsqconvert: no input%s\n", retry ? " that the log marks failed" : "");
        return kExitNoInput;
    }
    if (run.shard) {
        std::erase_if(items, [&](const BatchItem& item) {
            return shardOf(item.relative, run.shard->count) != run.shard->index;
        });
    }
    if (skipExisting) markExisting(&items);

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
            if (log.isOpen()) log.write(itemEntry(items[i], kStatusCollision, items[i].collision));
        } else if (items[i].skipped) {
            ++skipped;
            if (log.isOpen()) log.write(itemEntry(items[i], kStatusSkipped, QString()));
        } else {
            work.push_back(i);
        }
    }

    const auto start = std::chrono::steady_clock::now();
    ProgressLine progress(static_cast<int>(work.size()), isatty(fileno(stderr)) == 1);
    std::atomic<bool> stop{run.failFast && !failed.isEmpty()};
    std::atomic<bool> logFailed{false};
    std::atomic<size_t> next{0};
    std::atomic<int> converted{0};
    std::vector<QString> failures(items.size());
    const auto worker = [&] {
        for (;;) {
            if (stop.load()) return;
            const size_t k = next.fetch_add(1);
            if (k >= work.size()) return;
            const BatchItem& item = items[work[k]];
            const auto began = std::chrono::steady_clock::now();
            ConversionReport report;
            const QString outputDir = QFileInfo(item.output).path();
            if (!QDir().mkpath(outputDir))
                report.error = QStringLiteral("%1: cannot create the directory").arg(outputDir);
            else
                report = convert(item.input, item.output, run.settings, item.record);
            if (report.ok()) {
                ++converted;
                if (!report.warning.isEmpty())
                    progress.error(QStringLiteral("wsqconvert: warning: ") + report.warning);
                if (!report.damage.isEmpty())
                    progress.error(
                        QStringLiteral("wsqconvert: warning: %1: damaged file: %2; converted "
                                       "what could be read")
                            .arg(item.input, report.damage));
            } else {
                failures[work[k]] = report.error;
                progress.error(QStringLiteral("wsqconvert: ") + report.error);
                if (run.failFast) stop.store(true);
            }
            if (log.isOpen()) {
                const qint64 ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                                      std::chrono::steady_clock::now() - began)
                                      .count();
                const QString sha = report.ok() ? fileSha256(item.output) : QString();
                if (!log.write(
                        conversionEntry(item.input, item.output, item.record, report, sha, ms)))
                    logFailed.store(true);
            }
            progress.advance();
        }
    };

    const int threads =
        std::max(1, std::min<int>(run.jobs, static_cast<int>(std::max<size_t>(work.size(), 1))));
    {
        std::vector<std::jthread> pool;
        for (int t = 1; t < threads; ++t) pool.emplace_back(worker);
        worker();
    }
    progress.finish();

    for (size_t k : work)
        if (!failures[k].isEmpty()) failed << items[k].input;
    const int workFailed = static_cast<int>(
        std::count_if(work.begin(), work.end(), [&](size_t k) { return !failures[k].isEmpty(); }));
    const int notStarted = static_cast<int>(work.size()) - converted.load() - workFailed;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("wsqconvert: %d converted, %d skipped, %lld failed", converted.load(), skipped,
                static_cast<long long>(failed.size()));
    if (notStarted > 0) std::printf(", %d not started (stopped after a failure)", notStarted);
    std::printf(" in %.2f s (%.1f files/s, %d jobs", seconds,
                seconds > 0 ? converted.load() / seconds : 0.0, threads);
    if (run.shard) std::printf(", shard %d/%d", run.shard->index, run.shard->count);
    std::printf(")\n");
    std::fflush(stdout);
    if (!failed.isEmpty()) {
        std::fprintf(stderr, "wsqconvert: failed:\n");
        for (const QString& input : failed) std::fprintf(stderr, "  %s\n", qPrintable(input));
    }
    if (logFailed.load())
        std::fprintf(stderr, "wsqconvert: %s: the log could not be written whole\n",
                     qPrintable(run.logPath));
    return failed.isEmpty() && notStarted == 0 && !logFailed.load() ? 0 : 1;
}

}  // namespace wsqconvert
