// The command line of wsqconvert: one conversion, --info, --batch (a directory or a file list),
// --extract or --thumbnail, parsed into one record.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace wsqconvert {

enum class Mode { Convert, Info, Batch, Extract, Thumbnail, Help, Version };

// --shard I/N: the I-th of N slices of a batch's inputs, I from 1.
struct Shard {
    int index = 1;
    int count = 1;
};

struct CommandLine {
    Mode mode = Mode::Convert;
    // Conversion settings (one file and batch).
    double bitrate = 0.75;
    std::optional<int> ppi;          // unset: the input's resolution; WSQ outputs else 500
    std::optional<QString> comment;  // unset: no comment
    std::optional<qint64> maxBytes;  // WSQ outputs: the largest stream allowed
    bool acceptDamaged = false;      // convert what a damaged input holds
    QString logJson;                 // the JSON-lines log; empty: none
    // --record: the picture of a transaction to convert (its record number, Type-1 being 1)
    std::optional<int> record;
    // --info
    bool json = false;
    // --thumbnail: the side of the square the picture is fitted into
    int thumbnailSize = 0;
    // --to: a batch's output extension, or the type of OUTPUT "-"; lower case
    QString toFormat;
    // --from: a batch's input extensions, or the type one INPUT is read as; lower case; empty:
    // every readable one (batch), the name's (one conversion)
    QStringList fromTypes;
    // --batch
    QString filesFrom;  // the file list ("-": standard input); empty: INDIR
    bool nullSeparated = false;
    std::optional<Shard> shard;
    QString retryFailed;  // a log whose failed inputs are converted again
    bool failFast = false;
    bool recursive = false;
    bool keepTree = false;
    int jobs = 0;  // 0: the number of cores
    bool skipExisting = false;
    // Operands: INPUT OUTPUT (one conversion, --thumbnail), FILE..., INDIR OUTDIR, OUTDIR (with
    // --files-from), or FILE OUTDIR (--extract).
    QStringList operands;
};

// The parsed command line, or an error text for a usage error (exit status 2).
struct ParseResult {
    CommandLine commandLine;
    QString error;
};

ParseResult parseCommandLine(const QStringList& arguments);

// A size with an optional unit: K, M, G (1024, 1024², 1024³) or KB, MB, GB (1000, ...).
std::optional<qint64> parseSize(const QString& text);

QString usageText();
QString helpText();

}  // namespace wsqconvert
