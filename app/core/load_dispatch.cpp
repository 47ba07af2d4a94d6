#include "load_dispatch.h"

#include <QFileInfo>

namespace {

LoadBranch branchForExtension(const QString& extension) {
    static const QStringList toolkit = {"png", "bmp",  "xbm", "xpm", "pnm",
                                        "jpg", "jpeg", "gif", "mng"};
    static const QStringList rasterLibrary = {"tif", "tiff", "tga", "cel",
                                              "rgb", "psd",  "iff", "pcx"};
    if (extension == QLatin1String("wsq")) return LoadBranch::Wsq;
    if (toolkit.contains(extension)) return LoadBranch::Toolkit;
    if (rasterLibrary.contains(extension)) return LoadBranch::RasterLibrary;
    return LoadBranch::None;
}

}  // namespace

QString completeExtension(const QString& fileName) {
    return QFileInfo(fileName).completeSuffix().toLower();
}

QString dispatchExtension(const QString& fileName) {
    const QString complete = completeExtension(fileName);
    if (branchForExtension(complete) != LoadBranch::None) return complete;
    // Names with dots are everyday names (dates, versions, initials): john.doe.wsq is a WSQ file.
    const QString last = QFileInfo(fileName).suffix().toLower();
    if (branchForExtension(last) != LoadBranch::None) return last;
    return complete;
}

LoadBranch loadBranchForFileName(const QString& fileName) {
    return branchForExtension(dispatchExtension(fileName));
}
