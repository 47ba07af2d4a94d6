// --info: what a file is. WSQ files are described through the codec (frame numbers, comments,
// NISTCOM entries, segments); other files by their reader (format, size, depth).
#pragma once

#include <QJsonObject>
#include <QString>

namespace wsqconvert {

struct FileInfo {
    QJsonObject facts;  // always holds "file"; the rest as far as the file could be read
    QString error;      // empty when the file was described in full
};

FileInfo describeFile(const QString& fileName);

// The facts as indented "name: value" lines, the file name first.
QString infoText(const QJsonObject& facts);

}  // namespace wsqconvert
