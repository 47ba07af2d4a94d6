#include "first_picture.h"

#include <QDir>

#include "format_registry.h"

namespace document {

QString firstPictureIn(const QString& folder) {
    const QDir dir(folder);
    const QStringList names =
        dir.entryList(QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : names)
        if (readableTypeForFileName(name)) return dir.filePath(name);
    return QString();
}

}  // namespace document
