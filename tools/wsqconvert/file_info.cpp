#include "file_info.h"

#include <QJsonArray>

#include <string>

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
        const document::Document doc = document::loadDocument(fileName);
        if (doc.type->reader == document::Reader::Wsq)
            describeWsq(doc, &info);
        else
            describePicture(doc, &info);
    }
    if (!info.error.isEmpty()) info.facts[QStringLiteral("error")] = info.error;
    return info;
}

QString infoText(const QJsonObject& facts) {
    QString text = facts.value(QStringLiteral("file")).toString() + QLatin1Char('\n');
    static const char* const kScalars[] = {"format", "size",  "width",   "height",  "depth",
                                           "ppi",    "lossy", "encoder", "software"};
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
