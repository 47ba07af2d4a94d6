// The conformance streams as files, for tests that reach them through Qt alone (header only, so
// that a test program linking nothing of ours may use it; Qt 5 and Qt 6). WSQ_CONFORMANCE_DIR is
// the test's compile definition.
#pragma once

#include <QDir>
#include <QImage>
#include <QString>
#include <QStringList>

namespace testsupport {

// Every stream of the folder, by path.
inline QStringList conformanceStreams() {
    const QDir folder(QStringLiteral(WSQ_CONFORMANCE_DIR));
    QStringList streams;
    for (const QString& name : folder.entryList({QStringLiteral("*.wsq")}, QDir::Files))
        streams << folder.filePath(name);
    return streams;
}

// The independent decode of a stream (its ".dec.png"), as 8-bit grey.
inline QImage referenceDecode(const QString& stream) {
    QString name = stream;
    name.replace(QStringLiteral(".wsq"), QStringLiteral(".dec.png"));
    return QImage(name).convertToFormat(QImage::Format_Grayscale8);
}

}  // namespace testsupport
