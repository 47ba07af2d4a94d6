#include "wsq_plugin.h"

#include "wsq_handler.h"

QImageIOPlugin::Capabilities WsqPlugin::capabilities(QIODevice* device,
                                                     const QByteArray& format) const {
    if (format == "wsq") return CanRead | CanWrite;
    // Asked about content: only a stream that starts like WSQ.
    if (!format.isEmpty() || !device || !device->isOpen()) return {};
    Capabilities capabilities;
    if (device->isReadable() && WsqHandler::canRead(device)) capabilities |= CanRead;
    return capabilities;
}

QImageIOHandler* WsqPlugin::create(QIODevice* device, const QByteArray& format) const {
    auto* handler = new WsqHandler;
    handler->setDevice(device);
    handler->setFormat(format.isEmpty() ? QByteArray("wsq") : format);
    return handler;
}
