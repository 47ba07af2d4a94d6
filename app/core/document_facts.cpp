#include "document_facts.h"

#include <QFileInfo>

#include "stored_resolution.h"

namespace document {

namespace {

QString number(double value, int decimals) {
    return QString::number(value, 'f', decimals);
}

QString bytesText(qint64 bytes) {
    return QString::number(bytes);
}

// Comment bytes are Latin-1 as the encoder writes them; control characters would break rows.
QString commentText(const std::string& text) {
    QString s = QString::fromLatin1(text.data(), qsizetype(text.size()));
    for (QChar& c : s)
        if (c.unicode() < 0x20 && c != QLatin1Char('\n')) c = QLatin1Char(' ');
    return s;
}

void addCompression(std::vector<FactRow>& rows, qint64 bytes, int width, int height) {
    if (bytes <= 0 || width <= 0 || height <= 0) return;
    rows.push_back(
        {QStringLiteral("Bits per pixel"), number(achievedBitRate(bytes, width, height), 3)});
    rows.push_back({QStringLiteral("Compression ratio"),
                    number(compressionRatio(bytes, width, height), 2) + QStringLiteral(" : 1")});
}

}  // namespace

double achievedBitRate(qint64 bytes, int width, int height) {
    if (width <= 0 || height <= 0) return 0;
    return double(bytes) * 8.0 / (double(width) * double(height));
}

double compressionRatio(qint64 bytes, int width, int height) {
    if (bytes <= 0 || width <= 0 || height <= 0) return 0;
    return double(width) * double(height) / double(bytes);
}

std::vector<FactRow> savedWsqFacts(const QString& fileName, qint64 bytes, int width, int height) {
    std::vector<FactRow> rows;
    rows.push_back({QStringLiteral("Saved as"), QFileInfo(fileName).fileName()});
    rows.push_back({QStringLiteral("Bytes"), bytesText(bytes)});
    addCompression(rows, bytes, width, height);
    return rows;
}

DocumentFacts documentFacts(const Document& doc) {
    DocumentFacts facts;
    std::vector<FactRow>& rows = facts.file;
    rows.push_back({QStringLiteral("Name"), QFileInfo(doc.fileName).fileName()});
    if (doc.fileSize >= 0) rows.push_back({QStringLiteral("Bytes"), bytesText(doc.fileSize)});
    rows.push_back({QStringLiteral("Format"), doc.format});
    if (!doc.ok() && !doc.error.isEmpty()) rows.push_back({QStringLiteral("Problem"), doc.error});
    // A damaged file's picture is what could be read of it; the panel says so beside its facts.
    if (!doc.damage.isEmpty()) rows.push_back({QStringLiteral("Damaged"), doc.damage});

    if (doc.wsqStream) {
        const wsq::StreamFacts& stream = *doc.wsqStream;
        // The frame header as the walk found it; a stream that did not decode still has one.
        const wsq::ImageFacts& frame = stream.has_frame ? stream.frame
                                       : doc.wsqFrame   ? *doc.wsqFrame
                                                        : wsq::ImageFacts{};
        const int ppi = doc.wsqFrame && doc.wsqFrame->ppi != -1 ? doc.wsqFrame->ppi : frame.ppi;
        rows.push_back({QStringLiteral("Width"), QString::number(frame.width)});
        rows.push_back({QStringLiteral("Height"), QString::number(frame.height)});
        rows.push_back(
            {QStringLiteral("Resolution"),
             ppi > 0 ? QString::number(ppi) + QStringLiteral(" ppi") : QStringLiteral("unknown")});
        rows.push_back({QStringLiteral("Depth"), QString::number(frame.depth)});
        rows.push_back({QStringLiteral("Lossy"),
                        doc.ok() ? QStringLiteral("yes") : QStringLiteral("unknown")});
        rows.push_back({QStringLiteral("Encoder"), QString::number(frame.encoder)});
        rows.push_back({QStringLiteral("Software"), QString::number(frame.software)});
        addCompression(rows, doc.fileSize, frame.width, frame.height);
        for (const std::string& comment : stream.comments) facts.comments << commentText(comment);
        if (stream.nistcom)
            for (const wsq::NistcomEntry& entry : *stream.nistcom)
                facts.nistcom.push_back(
                    {QString::fromLatin1(entry.name.c_str()),
                     entry.value ? QString::fromLatin1(entry.value->c_str()) : QString()});
        for (const wsq::Segment& segment : stream.segments)
            facts.segments.push_back(
                {QString::fromLatin1(wsq::marker_name(segment.marker)),
                 QStringLiteral("offset %1, length %2").arg(segment.offset).arg(segment.length)});
        if (!stream.segments_end.empty())
            facts.segments.push_back(
                {QStringLiteral("(end)"), QString::fromStdString(stream.segments_end)});
        return facts;
    }

    if (doc.pages.empty()) return facts;
    const PageFacts& page = doc.pages.front().facts;
    const QImage& image = doc.pages.front().image;
    const int width = image.isNull() ? page.width : image.width();
    const int height = image.isNull() ? page.height : image.height();
    rows.push_back({QStringLiteral("Width"), QString::number(width)});
    rows.push_back({QStringLiteral("Height"), QString::number(height)});
    if (const int ppi = pageResolution(doc, 0); ppi > 0)
        rows.push_back({QStringLiteral("Resolution"), QString::number(ppi) + " ppi"});
    const int depth = page.depth > 0 ? page.depth : (image.isNull() ? 0 : image.depth());
    if (depth > 0) rows.push_back({QStringLiteral("Depth"), QString::number(depth)});
    if (!image.isNull())
        rows.push_back({QStringLiteral("Colours"),
                        image.allGray() ? QStringLiteral("grey") : QStringLiteral("colour")});
    return facts;
}

}  // namespace document
