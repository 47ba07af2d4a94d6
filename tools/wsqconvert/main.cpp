// wsqconvert: the WSQ viewer's conversions from a shell.
//   wsqconvert [options] INPUT OUTPUT
//   wsqconvert --info [--json] FILE...
//   wsqconvert --extract FILE OUTDIR
//   wsqconvert --thumbnail SIZE INPUT OUTPUT
//   wsqconvert --batch --to FORMAT [options] INDIR OUTDIR
//   wsqconvert --files-from LIST --to FORMAT [options] OUTDIR
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

#include "batch_run.h"
#include "command_line.h"
#include "conversion_log.h"
#include "convert_file.h"
#include "extract_records.h"
#include "file_info.h"
#include "standard_streams.h"
#include "stop_signals.h"
#include "thumbnail.h"
#include "wsq/wsq.h"

namespace {

using namespace wsqconvert;

ConversionSettings settingsFrom(const CommandLine& cl) {
    ConversionSettings settings;
    settings.bitrate = cl.bitrate;
    settings.ppi = cl.ppi;
    if (cl.comment) settings.comment = cl.comment->toLatin1();
    settings.maxBytes = cl.maxBytes;
    settings.acceptDamaged = cl.acceptDamaged;
    return settings;
}

int cores() {
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

// One conversion, INPUT OUTPUT, either of them "-".
int runConvert(const CommandLine& cl) {
    QString input = cl.operands.at(0);
    QString output = cl.operands.at(1);
    ConversionSettings settings = settingsFrom(cl);
    if (!cl.fromTypes.isEmpty()) settings.inputType = cl.fromTypes.front();
    ConversionLog log;
    if (!cl.logJson.isEmpty()) {
        if (const QString error = log.open(cl.logJson); !error.isEmpty()) {
            std::fprintf(stderr, "wsqconvert: %s\n", qPrintable(error));
            return 1;
        }
    }
    const bool toStdout = output == QLatin1String("-");
    if (toStdout && isatty(STDOUT_FILENO)) {
        std::fprintf(stderr,
                     "wsqconvert: standard output is a terminal: give OUTPUT a name or "
                     "redirect it\n");
        return 2;
    }
    StreamFile stdinFile, stdoutFile;
    if (input == QLatin1String("-")) {
        if (!stdinFile.create(settings.inputType) || !stdinFile.fillFromStandardInput()) {
            std::fprintf(stderr, "wsqconvert: cannot read standard input\n");
            return 1;
        }
        input = stdinFile.path();
    }
    if (toStdout) {
        if (!stdoutFile.create(cl.toFormat)) {
            std::fprintf(stderr, "wsqconvert: cannot make a temporary file for standard output\n");
            return 1;
        }
        output = stdoutFile.path();
    }
    // The messages name the streams, not the temporary files behind them.
    const auto named = [&](QString text) {
        if (!stdinFile.path().isEmpty())
            text.replace(stdinFile.path(), QStringLiteral("standard input"));
        if (!stdoutFile.path().isEmpty())
            text.replace(stdoutFile.path(), QStringLiteral("standard output"));
        return text;
    };

    // One file: the codec's passes may use the cores a batch would give to other files.
    const wsq::ParallelPasses passes(cores());
    const auto began = std::chrono::steady_clock::now();
    ConversionReport report = convert(input, output, settings, cl.record);
    report.error = named(report.error);
    report.warning = named(report.warning);
    if (!report.warning.isEmpty())
        std::fprintf(stderr, "wsqconvert: warning: %s\n", qPrintable(report.warning));
    if (!report.damage.isEmpty())
        std::fprintf(stderr,
                     "wsqconvert: warning: %s: damaged file: %s; converted what could be read\n",
                     qPrintable(named(input)), qPrintable(report.damage));
    QString sha;
    if (report.ok() && log.isOpen()) {
        QFile file(output);
        QCryptographicHash hash(QCryptographicHash::Sha256);
        if (file.open(QIODevice::ReadOnly) && hash.addData(&file))
            sha = QString::fromLatin1(hash.result().toHex());
    }
    if (report.ok() && toStdout && !stdoutFile.copyToStandardOutput())
        report.error = QStringLiteral("standard output: cannot write the picture whole");
    if (log.isOpen()) {
        const qint64 ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::steady_clock::now() - began)
                              .count();
        log.write(
            conversionEntry(cl.operands.at(0), cl.operands.at(1), cl.record, report, sha, ms));
    }
    if (!report.ok()) {
        std::fprintf(stderr, "wsqconvert: %s\n", qPrintable(report.error));
        return 1;
    }
    return 0;
}

int runInfo(const CommandLine& cl) {
    int status = 0;
    QJsonArray all;
    for (const QString& file : cl.operands) {
        const FileInfo info = describeFile(file);
        if (!info.error.isEmpty()) {
            std::fprintf(stderr, "wsqconvert: %s: %s\n", qPrintable(file), qPrintable(info.error));
            status = 1;
        }
        if (cl.json)
            all.append(info.facts);
        else
            std::fputs(infoText(info.facts).toLocal8Bit().constData(), stdout);
    }
    if (cl.json) std::fputs(QJsonDocument(all).toJson(QJsonDocument::Indented).constData(), stdout);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    handleStopSignals();
    // A closed pipe on standard output is a write error to report, not a reason to die with a
    // temporary file left behind.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication application(argc, argv);
    QStringList arguments = application.arguments();
    arguments.removeFirst();

    const ParseResult parsed = parseCommandLine(arguments);
    if (!parsed.error.isEmpty()) {
        std::fprintf(stderr, "wsqconvert: %s\n%sTry 'wsqconvert --help' for more information.\n",
                     qPrintable(parsed.error), qPrintable(usageText()));
        return 2;
    }
    const CommandLine& cl = parsed.commandLine;
    switch (cl.mode) {
        case Mode::Help:
            std::fputs(helpText().toLocal8Bit().constData(), stdout);
            return 0;
        case Mode::Version:
            std::printf("wsqconvert (WSQ viewer) %s\n", WSQCONVERT_VERSION);
            return 0;
        case Mode::Info:
            return runInfo(cl);
        case Mode::Extract: {
            const ExtractResult extracted = extractRecords(cl.operands.at(0), cl.operands.at(1));
            for (const QString& line : extracted.written)
                std::printf("%s\n", line.toLocal8Bit().constData());
            for (const QString& line : extracted.failures)
                std::fprintf(stderr, "wsqconvert: %s\n", qPrintable(line));
            return extracted.failures.isEmpty() ? 0 : 1;
        }
        case Mode::Thumbnail: {
            const QString error =
                writeThumbnail(cl.operands.at(0), cl.operands.at(1), cl.thumbnailSize);
            if (error.isEmpty()) return 0;
            std::fprintf(stderr, "wsqconvert: %s\n", qPrintable(error));
            return 1;
        }
        case Mode::Batch: {
            BatchRun run;
            if (cl.filesFrom.isEmpty()) {
                run.options.inputDir = cl.operands.at(0);
                run.options.outputDir = cl.operands.at(1);
            } else {
                run.filesFrom = cl.filesFrom;
                run.nullSeparated = cl.nullSeparated;
                run.options.outputDir = cl.operands.at(0);
            }
            run.options.toFormat = cl.toFormat;
            run.options.fromTypes = cl.fromTypes;
            run.options.recursive = cl.recursive;
            run.options.keepTree = cl.keepTree;
            run.options.skipExisting = cl.skipExisting;
            run.settings = settingsFrom(cl);
            run.jobs = cl.jobs > 0 ? cl.jobs : cores();
            run.shard = cl.shard;
            run.logPath = cl.logJson;
            run.retryFailed = cl.retryFailed;
            run.failFast = cl.failFast;
            return runBatch(std::move(run));
        }
        case Mode::Convert:
            break;
    }
    return runConvert(cl);
}
