#include "wsq_image_save.h"

#include <QFile>

#include "wsq/wsq.h"
#include "wsq_grey.h"

int encodeWsqImage(const QImage& image, double bitrate, int ppi, const char* comment,
                   std::vector<uint8_t>* encoded, QString* why) {
    const std::vector<uint8_t> grey = wsqgrey::greyBytes(image);
    wsq::Encoded result =
        wsq::encode(grey, image.width(), image.height(), static_cast<float>(bitrate), ppi, comment);
    if (result.error) {
        encoded->clear();
        if (why) *why = QString::fromLatin1(result.error.message.c_str());
        return result.error.code;
    }
    *encoded = std::move(result.bytes);
    return 0;
}

int writeWsqFile(const QString& outputName, const std::vector<uint8_t>& encoded) {
    const wsq::Error written = wsq::write_file(QFile::encodeName(outputName).constData(), encoded);
    return written.code == 0 ? 0 : written.code == -2 ? -2 : -3;
}
