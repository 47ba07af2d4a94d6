#include "thumbnail.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImageWriter>

#include "convert_file.h"
#include "document_load.h"
#include "failure_text.h"
#include "fileio/atomic_file.h"
#include "format_registry.h"

namespace wsqconvert {

namespace {

// A WSQ stream starts with SOI (0xFFA0) and another marker, whatever the file is called.
bool startsLikeWsq(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray head = file.read(4);
    return head.size() == 4 && uchar(head[0]) == 0xFF && uchar(head[1]) == 0xA0 &&
           uchar(head[2]) == 0xFF;
}

// A WSQ stream under a name that gives no readable type.
bool wsqByContent(const QString& input) {
    return !document::readableTypeForFileName(input) && startsLikeWsq(input);
}

// The first page of a transaction that decodes; the file's only page otherwise.
QString pickPicture(document::Document* doc, QImage* picture) {
    if (!doc->transaction) {
        *picture = doc->picture();
        return QString();
    }
    QString problem = QStringLiteral("the transaction holds no picture");
    for (size_t i = 0; i < doc->pages.size(); ++i) {
        if (document::decodePage(doc, i)) {
            *picture = doc->pages[i].image;
            return QString();
        }
        problem = QStringLiteral("record %1: cannot decode: %2")
                      .arg(doc->pages[i].record)
                      .arg(doc->pages[i].problem);
    }
    return problem;
}

}  // namespace

QImage thumbnailPicture(const QImage& picture, int size) {
    if (picture.width() <= size && picture.height() <= size) return picture;
    return picture.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QString writeThumbnail(const QString& input, const QString& output, int size) {
    const bool byContent = wsqByContent(input);
    if (!byContent) {
        if (const QString problem = inputProblem(input); !problem.isEmpty())
            return QStringLiteral("%1: %2").arg(input, problem);
    }
    // Grey pictures come as 8-bit grey: four times less to scale, and a grey PNG.
    const document::LoadOptions options{.greyPictures = true, .scope = kScope};
    document::Document doc = byContent
                                 ? document::loadDocumentAs(input, QStringLiteral("wsq"), options)
                                 : document::loadDocument(input, options);
    if (!doc.ok()) return QStringLiteral("%1: %2").arg(input, loadFailureText(doc));
    QImage picture;
    if (const QString why = pickPicture(&doc, &picture); !why.isEmpty())
        return QStringLiteral("%1: %2").arg(input, why);
    if (picture.isNull()) return QStringLiteral("%1: the file holds no picture").arg(input);

    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(thumbnailPicture(picture, size)))
        return QStringLiteral("%1: %2").arg(output, writer.errorString());

    fileio::AtomicFile file;
    if (!file.open(QFile::encodeName(output).constData()))
        return QStringLiteral("%1: cannot create the file").arg(output);
    if (!file.write(png.constData(), size_t(png.size())) || !file.commit())
        return QStringLiteral("%1: writing the file failed").arg(output);
    return QString();
}

}  // namespace wsqconvert
