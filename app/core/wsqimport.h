// WSQ files into the viewer, without any widget: reading and decoding a file, the comment it
// carries and the summary line of its facts.
#pragma once

#include <cstdint>
#include <optional>

#include <QImage>
#include <QString>

namespace wsqimport {

// The facts of one WSQ load, with the values a failed decode leaves.
struct WsqFacts {
    int width = 0;
    int height = 0;
    int depth = 8;
    int ppi = -1;  // -1: the file gives no resolution
    int lossyFlag = 0;
    int encoder = 0;
    int implementation = 0;
    std::optional<QString> comment;  // the last comment before the first block
};

// What a WSQ load produced: either a failure text for the critical box, or the picture (null
// when the file did not decode) with its facts.
struct WsqLoad {
    QString failure;  // empty on success
    QImage image;
    WsqFacts facts;
    // The decoder's result: 0, or its negative code when the file did not decode, and then
    // the line the codec printed for it (empty when it printed none).
    int decodeResult = 0;
    QString decodeMessage;
};

// Reads the whole file, decodes it and walks it for its comment. A file that cannot be read, or
// whose codestream does not begin with SOI and another marker, gives a failure text; a file that
// does not decode gives a null image with the facts of a failed decode.
WsqLoad loadWsqFile(const QString& fileName);

// The same for bytes already in memory (the walk and the decode of loadWsqFile).
WsqLoad loadWsqBytes(const uint8_t* data, int length);

// "Image info: width = ..., height =  ..., dpi = ..., depth = ..., Comments: ...,
// implementation number =  ...".
QString summaryLine(const WsqFacts& facts);

}  // namespace wsqimport
