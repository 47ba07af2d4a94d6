#include "failure_text.h"

#include <QFileInfo>

#include "convert_file.h"
#include "format_registry.h"

namespace wsqconvert {

QString wsqFailureText(const QString& what, int code, const QString& message) {
    QString text = QStringLiteral("%1 (WSQ error %2)").arg(what).arg(code);
    if (!message.isEmpty()) text += QStringLiteral(": ") + message;
    return text;
}

QString inputProblem(const QString& fileName) {
    const QString extension = document::dispatchExtension(fileName, kScope);
    if (!document::readableType(extension, kScope))
        return QStringLiteral("cannot read files of type \"%1\"").arg(extension);
    const QFileInfo info(fileName);
    if (!info.exists()) return QStringLiteral("no such file");
    if (info.isDir()) return QStringLiteral("is a directory");
    return QString();
}

QString loadFailureText(const document::Document& doc) {
    using document::LoadFailure;
    const bool wsq = doc.type && doc.type->reader == document::Reader::Wsq;
    switch (doc.failure) {
        case LoadFailure::None:
            return QString();
        case LoadFailure::UnsupportedType:
        case LoadFailure::Unreadable:
            return doc.error;
        case LoadFailure::NotAStream:
            // The codec's code and line, and what the window says of such a file.
            if (doc.code == 0) return doc.error;
            return wsqFailureText(QStringLiteral("cannot decode"), doc.code, doc.detail) +
                   QStringLiteral(" (%1)").arg(doc.error);
        case LoadFailure::Undecodable:
            if (wsq && doc.code != 0)
                return wsqFailureText(QStringLiteral("cannot decode"), doc.code, doc.detail);
            return QStringLiteral("cannot decode: %1").arg(doc.error);
    }
    return doc.error;
}

QString saveFailureText(const document::SaveResult& result) {
    using document::SaveFailure;
    switch (result.failure) {
        case SaveFailure::None:
            return QString();
        case SaveFailure::EncodeFailed:
            return wsqFailureText(QStringLiteral("cannot encode as WSQ"), result.code,
                                  result.error);
        case SaveFailure::CannotCreate:
            return QStringLiteral("Error opening file for writing");
        case SaveFailure::WriteFailed:
            return QStringLiteral("Error writing output file");
        case SaveFailure::NoPicture:
        case SaveFailure::WriterFailed:
            return result.error;
    }
    return result.error;
}

}  // namespace wsqconvert
