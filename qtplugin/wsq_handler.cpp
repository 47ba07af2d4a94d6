#include "wsq_handler.h"

#include <QIODevice>
#include <QImage>
#include <QMap>
#include <QString>
#include <QStringList>

#include <cmath>
#include <cstring>
#include <span>
#include <vector>

namespace {

constexpr double kMetresPerInch = 0.0254;

bool startsLikeWsq(const QByteArray& head) {
    return head.size() >= 4 && uchar(head[0]) == 0xFF && uchar(head[1]) == 0xA0 &&
           uchar(head[2]) == 0xFF;
}

// Reads the device to its end, refusing more than the whole-file reads of the codec take.
std::optional<QByteArray> readBounded(QIODevice* device) {
    if (!device || !device->isReadable()) return std::nullopt;
    constexpr qint64 limit = qint64(wsq::kMaxWholeFileBytes);
    if (!device->isSequential() && device->size() - device->pos() > limit) return std::nullopt;
    QByteArray bytes;
    char chunk[65536];
    for (;;) {
        const qint64 n = device->read(chunk, sizeof chunk);
        if (n < 0) return std::nullopt;
        if (n == 0) {
            // A sequential device may have more to come.
            if (device->isSequential() && device->waitForReadyRead(0)) continue;
            break;
        }
        if (bytes.size() + n > limit) return std::nullopt;
        bytes.append(chunk, int(n));
    }
    return bytes;
}

std::span<const uint8_t> asSpan(const QByteArray& bytes) {
    return {reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())};
}

QString latin1(const std::string& text) {
    return QString::fromLatin1(text.data(), int(text.size()));
}

bool isNistcom(const std::string& comment) {
    return comment.rfind("NIST_COM", 0) == 0;
}

// The image texts of a stream: the first NISTCOM comment under its key, the other comments
// joined by blank lines under "Comment", and NISTCOM's resolution under "PPI" when it has one.
QMap<QString, QString> streamTexts(const std::vector<std::string>& all, int ppi) {
    QMap<QString, QString> texts;
    if (ppi > 0) texts.insert(QLatin1String(WsqHandler::kPpiKey), QString::number(ppi));
    QStringList comments;
    for (const std::string& comment : all) {
        if (isNistcom(comment) && !texts.contains(QLatin1String(WsqHandler::kNistcomKey)))
            texts.insert(QLatin1String(WsqHandler::kNistcomKey), latin1(comment));
        else
            comments << latin1(comment);
    }
    if (!comments.isEmpty())
        texts.insert(QLatin1String(WsqHandler::kCommentKey), comments.join(QStringLiteral("\n\n")));
    return texts;
}

// The texts as the Description option gives them: "key: value" pairs separated by blank lines,
// each value on one line (QImageReader reads them that way).
QString describedTexts(const std::vector<std::string>& all, int ppi) {
    const QMap<QString, QString> texts = streamTexts(all, ppi);
    QStringList pairs;
    for (auto it = texts.cbegin(); it != texts.cend(); ++it)
        pairs << it.key() + QStringLiteral(": ") + it.value().simplified();
    return pairs.join(QStringLiteral("\n\n"));
}

// "key: value" pairs separated by blank lines, as QImageWriter::setText hands them over.
QString describedText(const QByteArray& description, const QString& key) {
    const QString text = QString::fromUtf8(description);
    for (const QString& pair : text.split(QStringLiteral("\n\n"))) {
        const int colon = int(pair.indexOf(QStringLiteral(": ")));
        if (colon > 0 && pair.left(colon).simplified() == key) return pair.mid(colon + 2);
    }
    return QString();
}

// The picture as the codec takes it: 8-bit grey kept as it is, anything else as the viewer's
// grey, (red + green + blue) / 3, truncated.
std::vector<uint8_t> greyBytes(const QImage& image) {
    const int width = image.width(), height = image.height();
    std::vector<uint8_t> grey(size_t(width) * size_t(height));
    if (image.format() == QImage::Format_Grayscale8) {
        for (int y = 0; y < height; ++y)
            std::memcpy(grey.data() + size_t(y) * size_t(width), image.constScanLine(y),
                        size_t(width));
        return grey;
    }
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        uint8_t* out = grey.data() + size_t(y) * size_t(width);
        for (int x = 0; x < width; ++x)
            out[x] = uint8_t((qRed(row[x]) + qGreen(row[x]) + qBlue(row[x])) / 3);
    }
    return grey;
}

}  // namespace

bool WsqHandler::canRead(QIODevice* device) {
    return device && startsLikeWsq(device->peek(4));
}

float WsqHandler::bitRateForQuality(int quality) {
    if (quality < 0) return kDefaultBitRate;
    return std::max(0.1f, float(std::min(quality, 100)) * 0.03f);
}

bool WsqHandler::canRead() const {
    if (m_bytesRead) return m_bytes && startsLikeWsq(*m_bytes);
    if (!canRead(device())) return false;
    setFormat("wsq");
    return true;
}

const std::optional<QByteArray>& WsqHandler::streamBytes() const {
    if (!m_bytesRead) {
        m_bytesRead = true;
        m_bytes = readBounded(device());
    }
    return m_bytes;
}

const wsq::StreamFacts* WsqHandler::streamFacts() const {
    if (!m_facts) {
        const std::optional<QByteArray>& bytes = streamBytes();
        if (!bytes) return nullptr;
        // The host program's standard error is not ours to write on.
        const wsq::DiagnosticCapture quiet(wsq::DiagnosticCapture::Echo::Off);
        m_facts = wsq::inspect_stream(asSpan(*bytes));
    }
    return &*m_facts;
}

bool WsqHandler::read(QImage* image) {
    const std::optional<QByteArray>& bytes = streamBytes();
    if (!bytes || !startsLikeWsq(*bytes)) return false;
    const wsq::DiagnosticCapture quiet(wsq::DiagnosticCapture::Echo::Off);
    const wsq::Decoded decoded = wsq::decode(asSpan(*bytes));
    const int width = decoded.facts.width, height = decoded.facts.height;
    if (decoded.error ||
        !wsq::image_size_acceptable(uint64_t(std::max(width, 0)), uint64_t(std::max(height, 0))) ||
        decoded.pixels.size() != size_t(width) * size_t(height))
        return false;

    QImage result(width, height, QImage::Format_Grayscale8);
    if (result.isNull()) return false;
    for (int y = 0; y < height; ++y)
        std::memcpy(result.scanLine(y), decoded.pixels.data() + size_t(y) * size_t(width),
                    size_t(width));
    if (decoded.facts.ppi > 0) {
        const int dpm = int(std::lround(decoded.facts.ppi / kMetresPerInch));
        result.setDotsPerMeterX(dpm);
        result.setDotsPerMeterY(dpm);
    }
    const QMap<QString, QString> texts = streamTexts(decoded.stream.comments, decoded.facts.ppi);
    for (auto it = texts.cbegin(); it != texts.cend(); ++it) result.setText(it.key(), it.value());
    *image = std::move(result);
    return true;
}

bool WsqHandler::write(const QImage& image) {
    QIODevice* out = device();
    if (image.isNull() || !out || !out->isWritable()) return false;
    if (!wsq::image_size_acceptable(uint64_t(image.width()), uint64_t(image.height())))
        return false;

    float bitRate = bitRateForQuality(m_quality);
    QString rateText = image.text(QLatin1String(kBitRateKey));
    if (rateText.isEmpty()) rateText = describedText(m_description, QLatin1String(kBitRateKey));
    if (!rateText.isEmpty()) {
        bool ok = false;
        const double rate = rateText.trimmed().toDouble(&ok);
        if (!ok || !(rate > 0.0) || rate > 100.0) return false;
        bitRate = float(rate);
    }
    QString comment = image.text(QLatin1String(kCommentKey));
    if (comment.isEmpty()) comment = describedText(m_description, QLatin1String(kCommentKey));
    const QByteArray commentBytes = comment.toLatin1();

    int ppi = int(std::lround(image.dotsPerMeterX() * kMetresPerInch));
    if (ppi < 1) ppi = 500;

    const std::vector<uint8_t> grey = greyBytes(image);
    const wsq::DiagnosticCapture quiet(wsq::DiagnosticCapture::Echo::Off);
    const wsq::Encoded encoded =
        wsq::encode(grey, image.width(), image.height(), bitRate, ppi,
                    comment.isEmpty() ? nullptr : commentBytes.constData());
    if (encoded.error) return false;
    return out->write(reinterpret_cast<const char*>(encoded.bytes.data()),
                      qint64(encoded.bytes.size())) == qint64(encoded.bytes.size());
}

bool WsqHandler::supportsOption(ImageOption option) const {
    return option == Size || option == ImageFormat || option == Quality || option == Description;
}

QVariant WsqHandler::option(ImageOption option) const {
    switch (option) {
        case Size: {
            // From the frame header: nothing is decoded.
            const wsq::StreamFacts* facts = streamFacts();
            if (!facts || !facts->has_frame || facts->frame.width <= 0 || facts->frame.height <= 0)
                return QVariant();
            return QSize(facts->frame.width, facts->frame.height);
        }
        case ImageFormat:
            return int(QImage::Format_Grayscale8);
        case Quality:
            return m_quality;
        case Description: {
            // A writer's texts as they were set; a reader's comments and resolution from the
            // header walk, as "key: value" pairs, for QImageReader::text() ahead of the read.
            if (!m_description.isEmpty() || !device() || !device()->isReadable())
                return QString::fromUtf8(m_description);
            const wsq::StreamFacts* facts = streamFacts();
            return facts ? describedTexts(facts->comments, facts->frame.ppi) : QString();
        }
        default:
            return QVariant();
    }
}

void WsqHandler::setOption(ImageOption option, const QVariant& value) {
    if (option == Quality) {
        bool ok = false;
        const int quality = value.toInt(&ok);
        m_quality = ok ? std::min(quality, 100) : -1;
    } else if (option == Description) {
        m_description = value.toString().toUtf8();
    }
}
