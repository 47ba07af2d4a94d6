// wsqconvert: the WSQ viewer's conversions from a shell.
//   wsqconvert [--bitrate R] [--ppi N] [--comment TEXT] INPUT OUTPUT
//   wsqconvert --info [--json] FILE...
//   wsqconvert --extract FILE OUTDIR
//   wsqconvert --thumbnail SIZE INPUT OUTPUT
//   wsqconvert --batch --to FORMAT [options] INDIR OUTDIR
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>

#include <cstdio>
#include <thread>

#include "batch_run.h"
#include "command_line.h"
#include "convert_file.h"
#include "extract_records.h"
#include "file_info.h"
#include "thumbnail.h"
#include "wsq/wsq.h"

namespace {

using namespace wsqconvert;

ConversionSettings settingsFrom(const CommandLine& cl) {
    ConversionSettings settings;
    settings.bitrate = cl.bitrate;
    settings.ppi = cl.ppi;
    if (cl.comment) settings.comment = cl.comment->toLatin1();
    return settings;
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
            BatchOptions options;
            options.inputDir = cl.operands.at(0);
            options.outputDir = cl.operands.at(1);
            options.toFormat = cl.toFormat;
            options.fromTypes = cl.fromTypes;
            options.recursive = cl.recursive;
            options.keepTree = cl.keepTree;
            options.skipExisting = cl.skipExisting;
            const int jobs =
                cl.jobs > 0 ? cl.jobs
                            : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
            return runBatch(options, settingsFrom(cl), jobs);
        }
        case Mode::Convert:
            break;
    }
    // One file: the codec's passes may use the cores a batch would give to other files.
    const wsq::ParallelPasses passes(
        std::max(1, static_cast<int>(std::thread::hardware_concurrency())));
    const QString error =
        convertFile(cl.operands.at(0), cl.operands.at(1), settingsFrom(cl), cl.record);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "wsqconvert: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
