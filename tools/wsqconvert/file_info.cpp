#include "file_info.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonArray>

#include <string>

#include "format_registry.h"
#include "imagefile/extension_key.h"
#include "imagefile/formats.h"
#include "imagefile/image_error.h"
#include "imagefile/image_file_io.h"
#include "picture_io.h"
#include "png_chunk_bounds.h"
#include "wsq/wsq.h"

namespace wsqconvert {

namespace {

QString latin1(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

void describeWsq(const QString& fileName, FileInfo* info) {
    QJsonObject& facts = info->facts;
    facts[QStringLiteral("format")] = QStringLiteral("WSQ");
    const wsq::FileBytes file = wsq::read_file(QFile::encodeName(fileName).constData());
    if (file.error) {
        info->error = QStringLiteral("cannot read the file (error %1)").arg(file.error.code);
        if (!file.error.message.empty())
            info->error += QStringLiteral(": ") + latin1(file.error.message);
        return;
    }
    facts[QStringLiteral("size")] = static_cast<qint64>(file.bytes.size());

    const wsq::Decoded decoded = wsq::decode(file.bytes);
    const wsq::ImageFacts& image = decoded.facts;
    if (!decoded.error && image.width > 0 && image.height > 0) {
        facts[QStringLiteral("width")] = image.width;
        facts[QStringLiteral("height")] = image.height;
        facts[QStringLiteral("depth")] = image.depth;
        facts[QStringLiteral("ppi")] = image.ppi;
        facts[QStringLiteral("lossy")] = image.lossy;
        facts[QStringLiteral("encoder")] = image.encoder;
        facts[QStringLiteral("software")] = image.software;
    } else {
        info->error = decoded.error
                          ? wsqFailureText(QStringLiteral("cannot decode"), decoded.error.code,
                                           latin1(decoded.error.message))
                          : QStringLiteral("cannot decode: the file holds no picture");
    }

    // The comments the viewer reads: those ahead of the first block.
    const wsq::StreamFacts& stream = decoded.stream;
    QJsonArray commentArray;
    for (size_t i = 0; i < stream.header_comments; ++i)
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

void describeLibraryFile(const QString& fileName, const QString& extension, FileInfo* info) {
    QJsonObject& facts = info->facts;
    facts[QStringLiteral("format")] = extension.toUpper();
    const QByteArray name = QFile::encodeName(fileName);
    imagefile::BitmapImage record;
    record.dibLayout = 1;
    uint32_t code = 0;
    if (imagefile::ExtensionKey(name.constData()) == "TIF") {
        imagefile::TiffSaveInfo tiff;
        code = imagefile::ReadTiffFile(name.constData(), &record, &tiff);
    } else {
        code = imagefile::ReadBitmapFile(name.constData(), &record);
    }
    if (code != imagefile::kNoError) {
        info->error = QStringLiteral("cannot decode: %1")
                          .arg(QString::fromLatin1(imagefile::ImageErrorMessage(code)));
        return;
    }
    facts[QStringLiteral("width")] = static_cast<qint64>(record.width);
    facts[QStringLiteral("height")] = static_cast<qint64>(record.height);
    facts[QStringLiteral("depth")] = record.bitsPerPixel;
}

void describeToolkitFile(const QString& fileName, FileInfo* info) {
    QJsonObject& facts = info->facts;
    if (pngChunkRunsPastEnd(fileName)) {
        info->error = QStringLiteral("cannot decode: %1").arg(pngChunkRunsPastEndText());
        return;
    }
    QImageReader reader(fileName);
    const QSize size = reader.size();
    const QImage::Format format = reader.imageFormat();
    if (!reader.canRead() || !size.isValid()) {
        info->error = QStringLiteral("cannot decode: %1").arg(reader.errorString());
        return;
    }
    facts[QStringLiteral("format")] = QString::fromLatin1(reader.format()).toUpper();
    facts[QStringLiteral("width")] = size.width();
    facts[QStringLiteral("height")] = size.height();
    if (format != QImage::Format_Invalid)
        facts[QStringLiteral("depth")] = QImage::toPixelFormat(format).bitsPerPixel();
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
    const QString extension = document::dispatchExtension(fileName);
    const document::ReadableType* type = document::readableType(extension);
    const QFileInfo file(fileName);
    if (!type)
        info.error = QStringLiteral("cannot read files of type \"%1\"").arg(extension);
    else if (!file.exists())
        info.error = QStringLiteral("no such file");
    else if (file.isDir())
        info.error = QStringLiteral("is a directory");
    else if (type->reader == document::Reader::Wsq)
        describeWsq(fileName, &info);
    else if (type->reader == document::Reader::RasterLibrary)
        describeLibraryFile(fileName, extension, &info);
    else
        describeToolkitFile(fileName, &info);
    if (!info.error.isEmpty()) info.facts[QStringLiteral("error")] = info.error;
    return info;
}

QString infoText(const QJsonObject& facts) {
    QString text = facts.value(QStringLiteral("file")).toString() + QLatin1Char('\n');
    static const char* const kScalars[] = {"format", "size",    "width",    "height", "depth",
                                           "ppi",    "lossy",   "encoder",  "software"};
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
                    .arg(entries.isEmpty() ? QStringLiteral("none") : QString::number(entries.size()) + QStringLiteral(" entries"));
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
