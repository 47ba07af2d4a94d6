#include "wsqimport.h"

#include <QFile>

#include "wsq/wsq.h"
#include "wsq_grey.h"

namespace wsqimport {

WsqLoad loadWsqFile(const QString& fileName) {
    const wsq::FileBytes file = wsq::read_file(QFile::encodeName(fileName).constData());
    if (file.error) {
        WsqLoad load;
        switch (file.error.code) {
            case -2: load.failure = QObject::tr("Error opening file for reading"); break;
            case -3: load.failure = QObject::tr("Error: file stream size = NULL"); break;
            default: load.failure = QObject::tr("Error reading input file"); break;
        }
        return load;
    }
    return loadWsqBytes(file.bytes.data(), static_cast<int>(file.bytes.size()));
}

WsqLoad loadWsqBytes(const uint8_t* data, int length) {
    WsqLoad load;
    // The decode, then the walk to the first block for the comment (in that order, as the
    // lines they print show).
    const wsq::Decoded decoded =
        wsq::decode({data, length > 0 ? static_cast<size_t>(length) : size_t{0}});
    load.decodeResult = decoded.error.code;
    load.decodeMessage = QString::fromLatin1(decoded.error.message.c_str());
    WsqFacts& f = load.facts;
    f.width = decoded.facts.width;
    f.height = decoded.facts.height;
    f.depth = decoded.facts.depth;
    f.ppi = decoded.facts.ppi;
    f.lossyFlag = decoded.facts.lossy;
    f.encoder = decoded.facts.encoder;
    f.implementation = decoded.facts.software;

    const wsq::StreamFacts& stream = decoded.stream;
    if (stream.header_stop == wsq::CommentWalkStop::NoSoi) {
        load.failure = QObject::tr("Error reading SOI WSQ marker");
        return load;
    }
    if (stream.header_stop == wsq::CommentWalkStop::NoFirstMarker) {
        load.failure = QObject::tr("Error reading ANY WSQ marker");
        return load;
    }
    if (stream.header_comments > 0) {
        const std::string& last = stream.comments[stream.header_comments - 1];
        f.comment = QString::fromLatin1(last.data(), static_cast<qsizetype>(last.size()));
    }

    const std::vector<uint8_t>& pixels = decoded.pixels;
    const uint64_t expected = uint64_t(f.width > 0 ? f.width : 0) * uint64_t(f.height > 0 ? f.height : 0);
    if (expected > 0 && pixels.size() >= expected)
        load.image = wsqgrey::greyImage(pixels.data(), f.width, f.height);
    return load;
}

QString summaryLine(const WsqFacts& facts) {
    QString line = QStringLiteral("Image info: width = ") + QString::number(facts.width) +
                   QStringLiteral(", height =  ") + QString::number(facts.height);
    line += facts.ppi != -1 ? QStringLiteral(", dpi = ") + QString::number(facts.ppi)
                            : QStringLiteral(", dpi = unknown");
    line += QStringLiteral(", depth = ") + QString::number(facts.depth);
    line += QStringLiteral(", Comments: ") + facts.comment.value_or(QString());
    line += QStringLiteral(", implementation number =  ") + QString::number(facts.implementation);
    return line;
}

}  // namespace wsqimport
