// Which files a batch converts and what each output is called, worked out in full before
// anything is written.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace wsqconvert {

struct BatchOptions {
    QString inputDir;   // the directory walked; empty when `files` lists the inputs
    QStringList files;  // the inputs of a --files-from list, in list order
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
    // The input's path below the input root (INDIR, or the list's common directory).
    QString relative;
    std::optional<int> record;  // the picture of a transaction this item converts
    // Set when the item is not converted: another input maps to the same output, or the
    // output is an input of the batch.
    QString collision;
    bool skipped = false;  // --skip-existing found the output
};

// The inputs, each with its output: OUTDIR/BASE.FORMAT, BASE being the file name up to its first
// ".", or with keepTree OUTDIR/SUBDIRS/BASE.FORMAT, SUBDIRS its directory below the input root.
// A directory's inputs come in the converter window's order (by name ignoring case; a
// directory's files before its subdirectories); a list's in list order, where a name of a type
// that cannot be read is an item of its own whose conversion says so. Collisions are found among
// all the items; --skip-existing is left to markExisting.
std::vector<BatchItem> planBatch(const BatchOptions& options);

// Marks the items whose outputs exist (for --skip-existing).
void markExisting(std::vector<BatchItem>* items);

}  // namespace wsqconvert
