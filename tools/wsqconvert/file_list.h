// The input list of `--files-from`: one path a line, or NUL-separated, from a file or standard
// input.
#pragma once

#include <QString>
#include <QStringList>

namespace wsqconvert {

struct FileList {
    QStringList files;  // in list order, each once, empty entries dropped
    QString error;      // why the list could not be read
};

// Reads the list `name` ("-": standard input). Lines may end in "\r\n"; a path that is listed
// again is taken once.
FileList readFileList(const QString& name, bool nulSeparated);

// The deepest directory holding every one of `files` (absolute, clean paths).
QString commonDirectory(const QStringList& files);

}  // namespace wsqconvert
