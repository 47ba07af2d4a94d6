#include "batch_plan.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include "ansinist/transaction_file.h"
#include "convert_file.h"
#include "file_list.h"
#include "format_registry.h"

namespace wsqconvert {

namespace {

// The items of one input file: one, or one per picture of a transaction. `subdirs` is the
// file's directory below the input root ("" at the root).
void addFile(const BatchOptions& options, const QFileInfo& file, const QString& path,
             const QString& subdirs, std::vector<BatchItem>* items) {
    BatchItem item;
    item.input = path;
    item.relative =
        subdirs.isEmpty() ? file.fileName() : subdirs + QLatin1Char('/') + file.fileName();
    QString outputDir = options.outputDir;
    if (options.keepTree && !subdirs.isEmpty()) outputDir += QLatin1Char('/') + subdirs;
    const QString base = QDir::cleanPath(outputDir + QLatin1Char('/') + file.baseName());
    item.output = base + QLatin1Char('.') + options.toFormat;
    // Each picture of a transaction is an output of its own, BASE-N (N its record); one that
    // cannot be read stays one item, whose conversion says why.
    const document::ReadableType* type = document::readableType(file.suffix().toLower(), kScope);
    if (type && type->reader == document::Reader::Transaction) {
        const ansinist::OpenResult opened =
            ansinist::TransactionFile::open(QFile::encodeName(path).toStdString());
        if (opened.file) {
            for (const ansinist::Record& record : opened.file->transaction().records) {
                if (!record.image) continue;
                BatchItem picture = item;
                picture.record = record.index;
                picture.output =
                    QStringLiteral("%1-%2.%3").arg(base).arg(record.index).arg(options.toFormat);
                items->push_back(picture);
            }
            return;
        }
    }
    items->push_back(item);
}

bool typeTaken(const BatchOptions& options, const QString& extension) {
    return options.fromTypes.isEmpty() || options.fromTypes.contains(extension);
}

void collect(const BatchOptions& options, const QDir& dir, const QString& relative,
             std::vector<BatchItem>* items) {
    const QDir::SortFlags order = QDir::Name | QDir::IgnoreCase;
    for (const QFileInfo& file : dir.entryInfoList(QDir::Files, order)) {
        // Taken by the last extension, as the converter window's "*.ext" patterns take them
        // and as the load reads a name whose complete extension names no type.
        const QString extension = file.suffix().toLower();
        if (!document::readableType(extension, kScope) || !typeTaken(options, extension)) continue;
        addFile(options, file, file.filePath(), relative, items);
    }
    if (!options.recursive) return;
    // Linked directories are not followed (a link to a parent would never end), and an output
    // directory inside the input tree is not walked.
    const QString outputDir = QFileInfo(options.outputDir).canonicalFilePath();
    for (const QString& sub :
         dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, order)) {
        const QDir subDir(dir.filePath(sub));
        if (!outputDir.isEmpty() && subDir.canonicalPath() == outputDir) continue;
        collect(options, subDir, relative.isEmpty() ? sub : relative + QLatin1Char('/') + sub,
                items);
    }
}

void collectList(const BatchOptions& options, std::vector<BatchItem>* items) {
    QStringList absolute;
    for (const QString& file : options.files)
        absolute << QDir::cleanPath(QFileInfo(file).absoluteFilePath());
    const QDir root(commonDirectory(absolute));
    for (qsizetype i = 0; i < options.files.size(); ++i) {
        const QFileInfo file(absolute[i]);
        if (!typeTaken(options, file.suffix().toLower())) continue;
        QString subdirs = root.relativeFilePath(file.path());
        if (subdirs == QLatin1String(".")) subdirs.clear();
        addFile(options, file, options.files[i], subdirs, items);
    }
}

}  // namespace

std::vector<BatchItem> planBatch(const BatchOptions& options) {
    std::vector<BatchItem> items;
    if (options.inputDir.isEmpty())
        collectList(options, &items);
    else
        collect(options, QDir(options.inputDir), QString(), &items);

    QHash<QString, std::vector<size_t>> byOutput;
    for (size_t i = 0; i < items.size(); ++i) byOutput[items[i].output].push_back(i);
    for (auto it = byOutput.cbegin(); it != byOutput.cend(); ++it) {
        if (it.value().size() < 2) continue;
        QStringList inputs;
        for (size_t i : it.value()) inputs << items[i].input;
        for (size_t i : it.value())
            items[i].collision = QStringLiteral(
                                     "%1: would be written from each of %2; none of "
                                     "them is converted")
                                     .arg(it.key(), inputs.join(QStringLiteral(", ")));
    }
    // Converting into the input directory could replace an input (a.jpg to a.jpg) with a
    // lossy copy of itself: such an item is refused.
    QSet<QString> inputs;
    for (const BatchItem& item : items) inputs.insert(QFileInfo(item.input).absoluteFilePath());
    for (BatchItem& item : items) {
        if (item.collision.isEmpty() && inputs.contains(QFileInfo(item.output).absoluteFilePath()))
            item.collision = QStringLiteral("%1: is an input of this batch; it is not replaced")
                                 .arg(item.output);
    }
    if (options.skipExisting) markExisting(&items);
    return items;
}

void markExisting(std::vector<BatchItem>* items) {
    for (BatchItem& item : *items)
        if (item.collision.isEmpty() && QFileInfo::exists(item.output)) item.skipped = true;
}

}  // namespace wsqconvert
