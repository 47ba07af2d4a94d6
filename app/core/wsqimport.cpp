#include "wsqimport.h"

#include <QFile>

#include "wsq/decoder.h"
#include "wsq/raw_file.h"
#include "wsq/wsq.h"
#include "wsq_grey.h"

namespace wsqimport {

namespace {

// Comments are zero-terminated texts to the encoder, so the text ends at the first NUL byte.
QString commentText(const std::string& bytes) {
    const size_t end = bytes.find('\0');
    const std::string text = end == std::string::npos ? bytes : bytes.substr(0, end);
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

WsqLoad loadWsqFile(const QString& fileName) {
    std::vector<uint8_t> data;
    int length = 0;
    const int result =
        wsq::read_raw_from_filesize(QFile::encodeName(fileName).constData(), &data, &length);
    if (result != 0) {
        WsqLoad load;
        switch (result) {
            case -2: load.failure = QObject::tr("Error opening file for reading"); break;
            case -3: load.failure = QObject::tr("Error: file stream size = NULL"); break;
            default: load.failure = QObject::tr("Error reading input file"); break;
        }
        return load;
    }
    return loadWsqBytes(data.data(), length);
}

WsqLoad loadWsqBytes(const uint8_t* data, int length) {
    WsqLoad load;
    WsqFacts& f = load.facts;
    std::vector<uint8_t> pixels;
    load.decodeResult = wsq::wsq_decode_mem(&pixels, &f.width, &f.height, &f.depth, &f.ppi,
                                            &f.lossyFlag, &f.encoder, &f.implementation, data,
                                            length);
    if (load.decodeResult < 0) {
        f = WsqFacts{};
        pixels.clear();
    }

    std::vector<std::string> comments;
    wsq::CommentWalkStop stop = wsq::CommentWalkStop::FirstBlock;
    wsq::read_comments_before_first_block(&comments, data, length, &stop);
    if (stop == wsq::CommentWalkStop::NoSoi) {
        load.failure = QObject::tr("Error reading SOI WSQ marker");
        return load;
    }
    if (stop == wsq::CommentWalkStop::NoFirstMarker) {
        load.failure = QObject::tr("Error reading ANY WSQ marker");
        return load;
    }
    if (!comments.empty()) f.comment = commentText(comments.back());

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
