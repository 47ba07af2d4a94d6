// WsqHandler: reads and writes WSQ for any Qt 5 or Qt 6 program through QImageReader and
// QImageWriter (the image-format plug-in's handler). Built twice from this source, once for each
// Qt; it reaches the codec through wsq/wsq.h only.
#pragma once

#include <QByteArray>
#include <QImageIOHandler>
#include <QVariant>

#include <optional>

#include "wsq/wsq.h"

class WsqHandler : public QImageIOHandler {
public:
    // The image text keys the handler reads and writes. A picture read carries its plain comments
    // (joined by blank lines) under "Comment", its NISTCOM comment under "NISTCOM" and NISTCOM's
    // resolution under "PPI" (QImageReader::text() gives them ahead of the read); a write stores
    // "Comment" as its comment and takes the bit rate from "BitRate" (bits per pixel, a decimal
    // number), which wins over the Quality option. "NISTCOM" and "PPI" are never written back:
    // the encoder writes its own NISTCOM, with the image's resolution.
    static constexpr const char* kCommentKey = "Comment";
    static constexpr const char* kNistcomKey = "NISTCOM";
    static constexpr const char* kPpiKey = "PPI";
    static constexpr const char* kBitRateKey = "BitRate";

    // The bit rate of a write without a Quality option or a BitRate text.
    static constexpr float kDefaultBitRate = 0.75f;

    bool canRead() const override;
    bool read(QImage* image) override;
    bool write(const QImage& image) override;

    bool supportsOption(ImageOption option) const override;
    QVariant option(ImageOption option) const override;
    void setOption(ImageOption option, const QVariant& value) override;

    int imageCount() const override { return 1; }

    // A WSQ stream starts with SOI (0xFFA0) and another marker. Peeks without consuming.
    static bool canRead(QIODevice* device);
    // The bit rate of a Quality option q (0 to 100): q / 100 x 3 bits per pixel, so 25 gives
    // the usual 0.75 and 75 gives 2.25, never below 0.1; -1 (none) gives the default.
    static float bitRateForQuality(int quality);

private:
    // The whole stream, read once from the device and kept for option() and read(); null when
    // it cannot be read or is larger than any stream we accept.
    const std::optional<QByteArray>& streamBytes() const;
    // inspect_stream of streamBytes(), once.
    const wsq::StreamFacts* streamFacts() const;

    int m_quality = -1;
    QByteArray m_description;  // the Description option: "key: value" pairs for a write
    mutable bool m_bytesRead = false;
    mutable std::optional<QByteArray> m_bytes;
    mutable std::optional<wsq::StreamFacts> m_facts;
};
