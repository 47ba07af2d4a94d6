#include "file_info.h"

#include <QJsonArray>

#include <string>

#include "ansinist/codes.h"
#include "ansinist/transaction_file.h"
#include "convert_file.h"
#include "document_load.h"
#include "failure_text.h"
#include "format_registry.h"

namespace wsqconvert {

namespace {

QString latin1(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// The frame numbers when the file decoded, every comment ahead of the first block, the NISTCOM
// entries and the segments, all from the load's one walk over the stream.
void describeWsq(const document::Document& doc, FileInfo* info) {
    QJsonObject& facts = info->facts;
    facts[QStringLiteral("format")] = QStringLiteral("WSQ");
    if (doc.failure == document::LoadFailure::Unreadable) {
        info->error = QStringLiteral("cannot read the file (error %1)").arg(doc.code);
        if (!doc.detail.isEmpty()) info->error += QStringLiteral(": ") + doc.detail;
        return;
    }
    facts[QStringLiteral("size")] = doc.fileSize;
    if (doc.ok()) {
        const wsq::ImageFacts& frame = *doc.wsqFrame;
        facts[QStringLiteral("width")] = frame.width;
        facts[QStringLiteral("height")] = frame.height;
        facts[QStringLiteral("depth")] = frame.depth;
        facts[QStringLiteral("ppi")] = frame.ppi;
        facts[QStringLiteral("lossy")] = frame.lossy;
        facts[QStringLiteral("encoder")] = frame.encoder;
        facts[QStringLiteral("software")] = frame.software;
    } else {
        info->error = doc.code != 0
                          ? wsqFailureText(QStringLiteral("cannot decode"), doc.code, doc.detail)
                          : QStringLiteral("cannot decode: the file holds no picture");
    }

    const wsq::StreamFacts& stream = *doc.wsqStream;
    QJsonArray commentArray;
    for (size_t i = 0; i < stream.header_comments && i < stream.comments.size(); ++i)
        commentArray.append(latin1(stream.comments[i]));
    facts[QStringLiteral("comments")] = commentArray;

    QJsonArray entries;
    if (stream.nistcom) {
        for (const wsq::NistcomEntry& nistcom : *stream.nistcom) {
            QJsonObject entry;
            entry[QStringLiteral("name")] = latin1(nistcom.name);
            entry[QStringLiteral("value")] =
                nistcom.value ? QJsonValue(latin1(*nistcom.value)) : QJsonValue();
            entries.append(entry);
        }
    }
    facts[QStringLiteral("nistcom")] = entries;

    QJsonArray segmentArray;
    for (const wsq::Segment& segment : stream.segments) {
        QJsonObject entry;
        entry[QStringLiteral("marker")] = QLatin1String(wsq::marker_name(segment.marker));
        entry[QStringLiteral("offset")] = static_cast<qint64>(segment.offset);
        entry[QStringLiteral("length")] = static_cast<qint64>(segment.length);
        segmentArray.append(entry);
    }
    facts[QStringLiteral("segments")] = segmentArray;
    if (!stream.segments_end.empty())
        facts[QStringLiteral("segments_end")] = latin1(stream.segments_end);
}

// Every record in file order; image records with their picture's facts.
void describeTransaction(const document::Document& doc, FileInfo* info) {
    QJsonObject& facts = info->facts;
    facts[QStringLiteral("format")] = QStringLiteral("ANSI/NIST");
    if (!doc.transaction) {
        info->error = doc.error;
        return;
    }
    const ansinist::Transaction& transaction = doc.transaction->transaction();
    facts[QStringLiteral("size")] = doc.fileSize;
    facts[QStringLiteral("version")] = QString::fromStdString(transaction.version);
    QJsonArray records;
    for (const ansinist::Record& record : transaction.records) {
        QJsonObject entry;
        entry[QStringLiteral("index")] = record.index;
        entry[QStringLiteral("type")] = record.type;
        entry[QStringLiteral("name")] = QString::fromUtf8(ansinist::recordTypeName(record.type));
        if (record.idc) entry[QStringLiteral("idc")] = *record.idc;
        if (const std::optional<ansinist::ImageInfo>& image = record.image) {
            QJsonArray codes, names;
            for (int position : image->positions) {
                codes.append(position);
                names.append(QString::fromUtf8(ansinist::positionName(record.type, position)));
            }
            entry[QStringLiteral("fgp")] = codes;
            entry[QStringLiteral("positions")] = names;
            entry[QStringLiteral("imp")] =
                image->impression ? QJsonValue(*image->impression) : QJsonValue();
            entry[QStringLiteral("width")] = image->width;
            entry[QStringLiteral("height")] = image->height;
            entry[QStringLiteral("ppi")] = image->ppi ? QJsonValue(*image->ppi) : QJsonValue();
            entry[QStringLiteral("depth")] = image->bitsPerPixel;
            entry[QStringLiteral("compression")] =
                QString::fromLatin1(ansinist::compressionName(image->compression));
            entry[QStringLiteral("bytes")] = static_cast<qint64>(image->dataLength);
        }
        if (!record.problem.empty())
            entry[QStringLiteral("problem")] = QString::fromStdString(record.problem);
        records.append(entry);
    }
    facts[QStringLiteral("records")] = records;
    if (!transaction.walkEnd.empty()) {
        facts[QStringLiteral("records_end")] = QString::fromStdString(transaction.walkEnd);
        info->error = QStringLiteral("the records stop short: %1")
                          .arg(QString::fromStdString(transaction.walkEnd));
    }
}

// Format (the extension for the library's formats, what Qt found in the content for the
// others), size and the depth the file stores.
void describePicture(const document::Document& doc, FileInfo* info) {
    QJsonObject& facts = info->facts;
    if (!doc.ok()) {
        info->error = loadFailureText(doc);
        if (doc.type->reader == document::Reader::RasterLibrary)
            facts[QStringLiteral("format")] = doc.extension.toUpper();
        return;
    }
    const document::PageFacts& page = doc.pages.front().facts;
    facts[QStringLiteral("format")] =
        doc.type->reader == document::Reader::RasterLibrary ? doc.extension.toUpper() : doc.format;
    facts[QStringLiteral("width")] = page.width;
    facts[QStringLiteral("height")] = page.height;
    if (page.depth > 0) facts[QStringLiteral("depth")] = page.depth;
}

QString valueText(const QJsonValue& value) {
    if (value.isDouble()) return QString::number(value.toInteger());
    if (value.isNull()) return QStringLiteral("(none)");
    return value.toString();
}

}  // namespace

FileInfo describeFile(const QString& fileName) {
    FileInfo info;
    info.facts[QStringLiteral("file")] = fileName;
    info.error = inputProblem(fileName);
    if (info.error.isEmpty()) {
        const document::Document doc = document::loadDocument(fileName, {.scope = kScope});
        if (doc.type->reader == document::Reader::Wsq)
            describeWsq(doc, &info);
        else if (doc.type->reader == document::Reader::Transaction)
            describeTransaction(doc, &info);
        else
            describePicture(doc, &info);
    }
    if (!info.error.isEmpty()) info.facts[QStringLiteral("error")] = info.error;
    return info;
}

QString infoText(const QJsonObject& facts) {
    QString text = facts.value(QStringLiteral("file")).toString() + QLatin1Char('\n');
    static const char* const kScalars[] = {"format", "version", "size",  "width",   "height",
                                           "depth",  "ppi",     "lossy", "encoder", "software"};
    for (const char* key : kScalars) {
        const QJsonValue value = facts.value(QLatin1String(key));
        if (!value.isUndefined())
            text += QStringLiteral("  %1: %2\n").arg(QLatin1String(key), valueText(value));
    }
    const QJsonArray comments = facts.value(QStringLiteral("comments")).toArray();
    for (qsizetype i = 0; i < comments.size(); ++i) {
        // A comment may span lines (NISTCOM lists do); its lines are indented under it.
        QString comment = comments.at(i).toString();
        comment.replace(QLatin1Char('\n'), QStringLiteral("\n      "));
        text += QStringLiteral("  comment %1: %2\n").arg(i + 1).arg(comment);
    }
    if (facts.contains(QStringLiteral("nistcom"))) {
        const QJsonArray entries = facts.value(QStringLiteral("nistcom")).toArray();
        text += QStringLiteral("  NISTCOM: %1\n")
                    .arg(entries.isEmpty()
                             ? QStringLiteral("none")
                             : QString::number(entries.size()) + QStringLiteral(" entries"));
        for (const QJsonValue& entry : entries)
            text += QStringLiteral("    %1 %2\n")
                        .arg(entry[QStringLiteral("name")].toString(),
                             valueText(entry[QStringLiteral("value")]));
    }
    if (facts.contains(QStringLiteral("records"))) {
        text += QStringLiteral("  records:\n");
        for (const QJsonValue& record : facts.value(QStringLiteral("records")).toArray()) {
            QString line = QStringLiteral("    %1 Type-%2 %3")
                               .arg(record[QStringLiteral("index")].toInt())
                               .arg(record[QStringLiteral("type")].toInt())
                               .arg(record[QStringLiteral("name")].toString());
            if (record.toObject().contains(QStringLiteral("width"))) {
                QStringList positions;
                for (const QJsonValue& name : record[QStringLiteral("positions")].toArray())
                    if (!name.toString().isEmpty()) positions << name.toString();
                line += QStringLiteral(": %1 x %2, %3, %4")
                            .arg(record[QStringLiteral("width")].toInt())
                            .arg(record[QStringLiteral("height")].toInt())
                            .arg(record[QStringLiteral("ppi")].isNull()
                                     ? QStringLiteral("resolution unknown")
                                     : QStringLiteral("%1 ppi").arg(
                                           record[QStringLiteral("ppi")].toInt()))
                            .arg(record[QStringLiteral("compression")].toString());
                if (!positions.isEmpty()) line += QStringLiteral(", ") + positions.join(", ");
            }
            if (record.toObject().contains(QStringLiteral("problem")))
                line += QStringLiteral(" (%1)").arg(record[QStringLiteral("problem")].toString());
            text += line + QLatin1Char('\n');
        }
    }
    if (facts.contains(QStringLiteral("segments"))) {
        text += QStringLiteral("  segments:\n");
        for (const QJsonValue& segment : facts.value(QStringLiteral("segments")).toArray())
            text += QStringLiteral("    %1 offset %2 length %3\n")
                        .arg(segment[QStringLiteral("marker")].toString())
                        .arg(segment[QStringLiteral("offset")].toInteger())
                        .arg(segment[QStringLiteral("length")].toInteger());
        if (facts.contains(QStringLiteral("segments_end")))
            text += QStringLiteral("    (walk stopped: %1)\n")
                        .arg(facts.value(QStringLiteral("segments_end")).toString());
    }
    return text;
}

}  // namespace wsqconvert
