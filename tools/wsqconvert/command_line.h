// The command line of wsqconvert: one conversion, --info, --batch, --extract or --thumbnail,
// parsed into one record.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace wsqconvert {

enum class Mode { Convert, Info, Batch, Extract, Thumbnail, Help, Version };

struct CommandLine {
    Mode mode = Mode::Convert;
    // Conversion settings (one file and batch).
    double bitrate = 0.75;
    std::optional<int> ppi;          // unset: the input's WSQ resolution, else 500
    std::optional<QString> comment;  // unset: no comment
    // --record: the picture of a transaction to convert (its record number, Type-1 being 1)
    std::optional<int> record;
    // --info
    bool json = false;
    // --thumbnail: the side of the square the picture is fitted into
    int thumbnailSize = 0;
    // --batch
    QString toFormat;       // output extension, lower case
    QStringList fromTypes;  // input extensions, lower case; empty: every readable one
    bool recursive = false;
    bool keepTree = false;
    int jobs = 0;  // 0: the number of cores
    bool skipExisting = false;
    // Operands: INPUT OUTPUT (one conversion, --thumbnail), FILE..., INDIR OUTDIR, or FILE OUTDIR
    // (--extract).
    QStringList operands;
};

// The parsed command line, or an error text for a usage error (exit status 2).
struct ParseResult {
    CommandLine commandLine;
    QString error;
};

ParseResult parseCommandLine(const QStringList& arguments);

QString usageText();
QString helpText();

}  // namespace wsqconvert
