// The image-format plug-in: offers WsqHandler under the key "wsq" and the MIME type
// image/x-wsq (wsq.json) to QImageReader and QImageWriter.
#pragma once

#include <QImageIOPlugin>

class WsqPlugin : public QImageIOPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QImageIOHandlerFactoryInterface_iid FILE "wsq.json")

public:
    Capabilities capabilities(QIODevice* device, const QByteArray& format) const override;
    QImageIOHandler* create(QIODevice* device, const QByteArray& format) const override;
};
