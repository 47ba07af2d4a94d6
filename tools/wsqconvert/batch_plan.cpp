#include "batch_plan.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include "ansinist/transaction_file.h"
#include "convert_file.h"
#include "format_registry.h"

namespace wsqconvert {

namespace {

void collect(const BatchOptions& options, const QDir& dir, const QString& relative,
             std::vector<BatchItem>* items) {
    const QDir::SortFlags order = QDir::Name | QDir::IgnoreCase;
    for (const QFileInfo& file : dir.entryInfoList(QDir::Files, order)) {
        // Taken by the last extension, as the converter window's "*.ext" patterns take them
        // and as the load reads a name whose complete extension names no type.
        const QString extension = file.suffix().toLower();
        if (!document::readableType(extension, kScope)) continue;
        if (!options.fromTypes.isEmpty() && !options.fromTypes.contains(extension)) continue;
        BatchItem item;
        item.input = file.filePath();
        QString outputDir = options.outputDir;
        if (options.keepTree && !relative.isEmpty()) outputDir += QLatin1Char('/') + relative;
        const QString base = QDir::cleanPath(outputDir + QLatin1Char('/') + file.baseName());
        item.output = base + QLatin1Char('.') + options.toFormat;
        // Each picture of a transaction is an output of its own, BASE-N (N its record); one
        // that cannot be read stays one item, whose conversion says why.
        if (document::readableType(extension, kScope)->reader == document::Reader::Transaction) {
            const ansinist::OpenResult opened =
                ansinist::TransactionFile::open(QFile::encodeName(item.input).toStdString());
            if (opened.file) {
                for (const ansinist::Record& record : opened.file->transaction().records) {
                    if (!record.image) continue;
                    BatchItem picture = item;
                    picture.record = record.index;
                    picture.output = QStringLiteral("%1-%2.%3")
                                         .arg(base)
                                         .arg(record.index)
                                         .arg(options.toFormat);
                    items->push_back(picture);
                }
                continue;
            }
        }
        items->push_back(item);
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

}  // namespace

std::vector<BatchItem> planBatch(const BatchOptions& options) {
    std::vector<BatchItem> items;
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
    if (options.skipExisting) {
        for (BatchItem& item : items)
            if (item.collision.isEmpty() && QFileInfo::exists(item.output)) item.skipped = true;
    }
    return items;
}

}  // namespace wsqconvert
