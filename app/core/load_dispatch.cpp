#include "load_dispatch.h"

#include <QFileInfo>

QString completeExtension(const QString& fileName) {
    return QFileInfo(fileName).completeSuffix().toLower();
}

LoadBranch loadBranchForFileName(const QString& fileName) {
    static const QStringList toolkit = {"png", "bmp",  "xbm", "xpm", "pnm",
                                        "jpg", "jpeg", "gif", "mng"};
    static const QStringList rasterLibrary = {"tif", "tiff", "tga", "cel",
                                              "rgb", "psd",  "iff", "pcx"};
    const QString extension = completeExtension(fileName);
    if (extension == QLatin1String("wsq")) return LoadBranch::Wsq;
    if (toolkit.contains(extension)) return LoadBranch::Toolkit;
    if (rasterLibrary.contains(extension)) return LoadBranch::RasterLibrary;
    return LoadBranch::None;
}
