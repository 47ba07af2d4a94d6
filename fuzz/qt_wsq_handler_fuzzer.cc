// The image-format plug-in's read path over arbitrary bytes: the handler as QImageReader drives
// it (content check; size, format and comment options from the header; then the read). A picture
// read must be 8-bit grey and of the size the header gave; a failed read leaves no picture.
#include <QBuffer>
#include <QImage>
#include <QVariant>

#include <climits>
#include <cstdint>
#include <cstdlib>

#include "wsq_frame_pixels.h"
#include "wsq_handler.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > INT_MAX) return 0;
    QBuffer buffer;
    buffer.setData(reinterpret_cast<const char*>(data), int(size));
    if (!buffer.open(QIODevice::ReadOnly)) std::abort();

    WsqHandler handler;
    handler.setDevice(&buffer);
    const bool readable = handler.canRead();
    const QVariant frame = handler.option(QImageIOHandler::Size);
    handler.option(QImageIOHandler::Description);
    if (handler.option(QImageIOHandler::ImageFormat).toInt() != QImage::Format_Grayscale8)
        std::abort();
    if (fuzzsupport::frame_pixels(data, int(size)) > fuzzsupport::kFuzzMaxPixels) return 0;

    QImage image;
    if (!handler.read(&image)) {
        if (!image.isNull()) std::abort();
        return 0;
    }
    if (!readable || image.format() != QImage::Format_Grayscale8) std::abort();
    if (frame.isValid() && frame.toSize() != image.size()) std::abort();
    return 0;
}
