#include "folder_listing.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

#include "format_registry.h"
#include "natural_order.h"

namespace document {

QStringList openableFilesIn(const QString& folder) {
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists()) return {};
    QStringList names;
    for (const QFileInfo& info : dir.entryInfoList(QDir::Files | QDir::Readable)) {
        if (readableTypeForFileName(info.fileName())) names << info.fileName();
    }
    std::sort(names.begin(), names.end(), naturalLess);
    QStringList files;
    for (const QString& name : names) files << dir.absoluteFilePath(name);
    return files;
}

QString steppedFile(const QStringList& files, const QString& current, FolderStep step) {
    if (files.isEmpty()) return {};
    const QString currentPath = QFileInfo(current).absoluteFilePath();
    const QString currentName = QFileInfo(current).fileName();
    // The first file that does not sort before the current one.
    const auto firstNotBefore = std::find_if(files.begin(), files.end(), [&](const QString& path) {
        return !naturalLess(QFileInfo(path).fileName(), currentName);
    });
    const qsizetype at = firstNotBefore - files.begin();
    const bool present = at < files.size() && files[at] == currentPath;
    qsizetype target = -1;
    switch (step) {
        case FolderStep::First:
            target = 0;
            break;
        case FolderStep::Last:
            target = files.size() - 1;
            break;
        case FolderStep::Previous:
            target = at - 1;
            break;
        case FolderStep::Next:
            target = present ? at + 1 : at;
            break;
    }
    if (target < 0 || target >= files.size() || files[target] == currentPath) return {};
    return files[target];
}

}  // namespace document
