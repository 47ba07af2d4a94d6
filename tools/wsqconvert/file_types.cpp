#include "file_types.h"

#include <QFileInfo>

namespace wsqconvert {

const QStringList& readableExtensions() {
    static const QStringList extensions = {"wsq", "tif", "tiff", "png", "jpg", "jpeg", "bmp",
                                           "tga", "cel", "rgb",  "gif", "psd", "iff",  "pcx",
                                           "xbm", "xpm", "pnm",  "mng"};
    return extensions;
}

bool isReadableExtension(const QString& lowerCaseExtension) {
    return loadBranchForFileName(QStringLiteral("x.") + lowerCaseExtension) != LoadBranch::None;
}

std::optional<int> outputSaveType(const QString& lowerCaseExtension) {
    struct Entry {
        const char* extension;
        int saveType;
    };
    static constexpr Entry kOutputs[] = {
        {"wsq", 1}, {"bmp", 2}, {"tif", 3}, {"tiff", 3}, {"png", 4}, {"jpg", 5},
        {"jpeg", 5}, {"rgb", 6}, {"tga", 7}, {"xbm", 8},  {"xpm", 9},
    };
    for (const Entry& e : kOutputs)
        if (lowerCaseExtension == QLatin1String(e.extension)) return e.saveType;
    return std::nullopt;
}

QString outputExtension(const QString& fileName) { return QFileInfo(fileName).suffix().toLower(); }

}  // namespace wsqconvert
