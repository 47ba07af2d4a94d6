#include "file_list.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cstdio>

namespace wsqconvert {

FileList readFileList(const QString& name, bool nulSeparated) {
    FileList list;
    QFile file;
    const bool standardInput = name == QLatin1String("-");
    const bool opened = standardInput ? file.open(stdin, QIODevice::ReadOnly)
                                      : (file.setFileName(name), file.open(QIODevice::ReadOnly));
    if (!opened) {
        list.error = QStringLiteral("%1: cannot read the file list").arg(name);
        return list;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        list.error = QStringLiteral("%1: cannot read the file list").arg(name);
        return list;
    }
    QSet<QString> seen;
    for (QByteArray entry : bytes.split(nulSeparated ? '\0' : '\n')) {
        if (!nulSeparated && entry.endsWith('\r')) entry.chop(1);
        if (entry.isEmpty()) continue;
        const QString path = QFile::decodeName(entry);
        const QString key = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
        if (seen.contains(key)) continue;
        seen.insert(key);
        list.files << path;
    }
    return list;
}

QString commonDirectory(const QStringList& files) {
    if (files.isEmpty()) return QString();
    QStringList common = QFileInfo(files.front()).path().split(QLatin1Char('/'));
    for (const QString& file : files) {
        const QStringList parts = QFileInfo(file).path().split(QLatin1Char('/'));
        qsizetype n = 0;
        while (n < common.size() && n < parts.size() && common[n] == parts[n]) ++n;
        common.resize(n);
    }
    const QString joined = common.join(QLatin1Char('/'));
    return joined.isEmpty() ? QStringLiteral("/") : joined;
}

}  // namespace wsqconvert
