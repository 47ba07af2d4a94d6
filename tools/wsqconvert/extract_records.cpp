#include "extract_records.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "ansinist/codes.h"
#include "ansinist/picture.h"
#include "ansinist/transaction_file.h"
#include "failure_text.h"

namespace wsqconvert {

namespace {

bool isJp2File(std::span<const uint8_t> data) {
    static constexpr uint8_t kSignature[] = {0x00, 0x00, 0x00, 0x0C, 0x6A, 0x50,
                                             0x20, 0x20, 0x0D, 0x0A, 0x87, 0x0A};
    return data.size() >= sizeof kSignature &&
           std::equal(std::begin(kSignature), std::end(kSignature), data.begin());
}

// The file's extension and, for raw pictures, the PNM header; empty extension when the record
// cannot be written as a file of its own.
QString extensionFor(const ansinist::ImageInfo& image, std::span<const uint8_t> data,
                     QByteArray* header, QString* why) {
    using ansinist::Compression;
    switch (image.compression) {
        case Compression::Wsq:
            return QStringLiteral("wsq");
        case Compression::JpegBaseline:
        case Compression::JpegLossless:
            return QStringLiteral("jpg");
        case Compression::Jpeg2000:
        case Compression::Jpeg2000Lossless:
            return isJp2File(data) ? QStringLiteral("jp2") : QStringLiteral("j2k");
        case Compression::Png:
            return QStringLiteral("png");
        case Compression::None: {
            const int channels = image.bitsPerPixel == 8 ? 1 : image.bitsPerPixel == 24 ? 3 : 0;
            const uint64_t expected = uint64_t(image.width) * uint64_t(image.height) * channels;
            if (channels == 0 || expected == 0 || data.size() < expected) {
                *why = QStringLiteral("raw pictures of %1 bits a pixel are not written")
                           .arg(image.bitsPerPixel);
                if (channels != 0)
                    *why = QStringLiteral("the raw picture holds %1 bytes, not %2")
                               .arg(data.size())
                               .arg(expected);
                return QString();
            }
            *header = (channels == 1 ? "P5\n" : "P6\n");
            if (image.ppi) *header += "# resolution " + QByteArray::number(*image.ppi) + " ppi\n";
            *header += QByteArray::number(image.width) + ' ' + QByteArray::number(image.height) +
                       "\n255\n";
            return channels == 1 ? QStringLiteral("pgm") : QStringLiteral("ppm");
        }
        case Compression::Unknown:
            break;
    }
    *why = QStringLiteral("the compression \"%1\" is not known")
               .arg(QString::fromStdString(image.compressionText));
    return QString();
}

}  // namespace

ExtractResult extractRecords(const QString& fileName, const QString& outputDir) {
    ExtractResult result;
    if (const QString problem = inputProblem(fileName); !problem.isEmpty()) {
        result.failures << QStringLiteral("%1: %2").arg(fileName, problem);
        return result;
    }
    const ansinist::OpenResult opened =
        ansinist::TransactionFile::open(QFile::encodeName(fileName).toStdString());
    if (!opened.file) {
        result.failures << QStringLiteral("%1: %2").arg(fileName,
                                                        QString::fromStdString(opened.error));
        return result;
    }
    if (!QDir().mkpath(outputDir)) {
        result.failures << QStringLiteral("%1: cannot create the directory").arg(outputDir);
        return result;
    }
    const QString base = QFileInfo(fileName).baseName();
    int pictures = 0;
    for (const ansinist::Record& record : opened.file->transaction().records) {
        if (!record.image) continue;
        ++pictures;
        const QString what = QStringLiteral("%1: record %2").arg(fileName).arg(record.index);
        const std::span<const uint8_t> data = ansinist::imageData(*opened.file, record);
        if (!record.problem.empty() || data.empty()) {
            result.failures << QStringLiteral("%1: %2").arg(
                what, record.problem.empty() ? QStringLiteral("holds no picture data")
                                             : QString::fromStdString(record.problem));
            continue;
        }
        QByteArray header;
        QString why;
        const QString extension = extensionFor(*record.image, data, &header, &why);
        if (extension.isEmpty()) {
            result.failures << QStringLiteral("%1: %2").arg(what, why);
            continue;
        }
        QString name = QStringLiteral("%1-%2-%3").arg(base).arg(record.index).arg(record.type);
        if (!record.image->positions.empty())
            name += QStringLiteral("-%1").arg(record.image->positions.front());
        const QString path = QDir(outputDir).filePath(name + QLatin1Char('.') + extension);
        QSaveFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(header) != header.size() ||
            out.write(reinterpret_cast<const char*>(data.data()), qint64(data.size())) !=
                qint64(data.size()) ||
            !out.commit()) {
            result.failures << QStringLiteral("%1: %2").arg(path, out.errorString());
            continue;
        }
        QString facts = QStringLiteral("Type-%1").arg(record.type);
        for (int position : record.image->positions)
            if (const char* positionName = ansinist::positionName(record.type, position);
                *positionName)
                facts += QStringLiteral(", ") + QString::fromUtf8(positionName);
        facts += record.image->ppi ? QStringLiteral(", %1 ppi").arg(*record.image->ppi)
                                   : QStringLiteral(", resolution unknown");
        result.written << QStringLiteral("%1 (%2)").arg(path, facts);
    }
    if (pictures == 0) result.failures << QStringLiteral("%1: holds no picture").arg(fileName);
    return result;
}

}  // namespace wsqconvert
