// Stands in for the raster library's reader until it is hooked up to the viewer: nothing is
// decoded and the user is told so.
#include "library_image_load.h"

#include <QCoreApplication>
#include <QFileInfo>

ImageLoadResult loadLibraryImage(const QString& fileName) {
    ImageLoadResult result;
    result.available = false;
    result.statusLine =
        QCoreApplication::translate("wsqimageviewer",
                                    "%1 files cannot be opened yet: this format is not available")
            .arg(QFileInfo(fileName).completeSuffix().toUpper());
    return result;
}
