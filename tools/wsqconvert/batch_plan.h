// Which files a batch converts and what each output is called, worked out in full before
// anything is written.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace wsqconvert {

struct BatchOptions {
    QString inputDir;
    QString outputDir;
    QString toFormat;       // output extension, lower case
    QStringList fromTypes;  // lower-case extensions; empty: every readable one
    bool recursive = false;
    bool keepTree = false;
    bool skipExisting = false;
};

struct BatchItem {
    QString input;
    QString output;
    std::optional<int> record;  // the picture of a transaction this item converts
    // Set when the item is not converted: another input maps to the same output, or the
    // output is an input of the batch.
    QString collision;
    bool skipped = false;  // --skip-existing found the output
};

// The inputs in the converter window's order (by name ignoring case; a directory's files
// before its subdirectories), each with its output: OUTDIR/BASE.FORMAT, BASE being the file
// name up to its first ".", or with keepTree OUTDIR/SUBDIRS/BASE.FORMAT.
std::vector<BatchItem> planBatch(const BatchOptions& options);

}  // namespace wsqconvert
