// The WSQ branch of the main window's load: the file is read whole, decoded, walked for its
// comment, and described in the summary line.
#include "wsq_image_load.h"

#include "wsqimport.h"

ImageLoadResult loadWsqImage(const QString& fileName) {
    const wsqimport::WsqLoad load = wsqimport::loadWsqFile(fileName);
    ImageLoadResult result;
    if (!load.failure.isEmpty()) {
        result.errorText = load.failure;
        return result;
    }
    result.image = load.image;
    result.statusLine = wsqimport::summaryLine(load.facts);
    return result;
}
