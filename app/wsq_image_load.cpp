// Stands in for the WSQ reader until the codec is hooked up to the viewer: nothing is
// decoded and the user is told so.
#include "wsq_image_load.h"

#include <QCoreApplication>

ImageLoadResult loadWsqImage(const QString& /*fileName*/) {
    ImageLoadResult result;
    result.available = false;
    result.statusLine = QCoreApplication::translate(
        "wsqimageviewer", "WSQ files cannot be opened yet: this format is not available");
    return result;
}
