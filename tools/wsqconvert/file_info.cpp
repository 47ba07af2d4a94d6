#include "file_info.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonArray>

#include <string>
#include <vector>

#include "file_types.h"
#include "imagefile/extension_key.h"
#include "imagefile/formats.h"
#include "imagefile/image_error.h"
#include "imagefile/image_file_io.h"
#include "png_chunk_bounds.h"
#include "wsq/decoder.h"
#include "wsq/nistcom.h"
#include "wsq/raw_file.h"
#include "wsq/wsq.h"
#include "wsq_segments.h"

namespace wsqconvert {

namespace {

QString latin1(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

void describeWsq(const QString& fileName, FileInfo* info) {
    QJsonObject& facts = info->facts;
    facts[QStringLiteral("format")] = QStringLiteral("WSQ");
    std::vector<uint8_t> data;
    int length = 0;
    if (const int ret =
            wsq::read_raw_from_filesize(QFile::encodeName(fileName).constData(), &data, &length)) {
        info->error = QStringLiteral("cannot read the file (error %1)").arg(ret);
        return;
    }
    facts[QStringLiteral("size")] = length;

    std::vector<uint8_t> pixels;
    int w = 0, h = 0, depth = 8, ppi = -1, lossy = 0, encoder = 0, software = 0;
    const int decoded = wsq::wsq_decode_mem(&pixels, &w, &h, &depth, &ppi, &lossy, &encoder,
                                            &software, data.data(), length);
    if (decoded == 0 && w > 0 && h > 0) {
        facts[QStringLiteral("width")] = w;
        facts[QStringLiteral("height")] = h;
        facts[QStringLiteral("depth")] = depth;
        facts[QStringLiteral("ppi")] = ppi;
        facts[QStringLiteral("lossy")] = lossy;
        facts[QStringLiteral("encoder")] = encoder;
        facts[QStringLiteral("software")] = software;
    } else {
        info->error = decoded != 0 ? QStringLiteral("cannot decode (WSQ error %1)").arg(decoded)
                                   : QStringLiteral("cannot decode: the file holds no picture");
    }

    std::vector<std::string> comments;
    wsq::read_comments_before_first_block(&comments, data.data(), length);
    QJsonArray commentArray;
    for (const std::string& comment : comments) commentArray.append(latin1(comment));
    facts[QStringLiteral("comments")] = commentArray;

    wsq::FeatureListPtr nistcom;
    QJsonArray entries;
    if (wsq::find_nistcom_list(&nistcom, data.data(), length) == 0 && nistcom) {
        for (int i = 0; i < nistcom->num; ++i) {
            QJsonObject entry;
            entry[QStringLiteral("name")] = latin1(nistcom->names[static_cast<size_t>(i)]);
            const std::optional<std::string>& value = nistcom->values[static_cast<size_t>(i)];
            entry[QStringLiteral("value")] = value ? QJsonValue(latin1(*value)) : QJsonValue();
            entries.append(entry);
        }
    }
    facts[QStringLiteral("nistcom")] = entries;

    std::vector<WsqSegment> segments;
    QString why;
    const bool complete = listWsqSegments(data.data(), data.size(), &segments, &why);
    QJsonArray segmentArray;
    for (const WsqSegment& segment : segments) {
        QJsonObject entry;
        entry[QStringLiteral("marker")] = QLatin1String(wsqMarkerName(segment.marker));
        entry[QStringLiteral("offset")] = static_cast<qint64>(segment.offset);
        entry[QStringLiteral("length")] = static_cast<qint64>(segment.length);
        segmentArray.append(entry);
    }
    facts[QStringLiteral("segments")] = segmentArray;
    if (!complete) facts[QStringLiteral("segments_end")] = why;
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
    const QString extension = completeExtension(fileName);
    const LoadBranch branch = loadBranchForFileName(fileName);
    const QFileInfo file(fileName);
    if (branch == LoadBranch::None)
        info.error = QStringLiteral("cannot read files of type \"%1\"").arg(extension);
    else if (!file.exists())
        info.error = QStringLiteral("no such file");
    else if (file.isDir())
        info.error = QStringLiteral("is a directory");
    else if (branch == LoadBranch::Wsq)
        describeWsq(fileName, &info);
    else if (branch == LoadBranch::RasterLibrary)
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
