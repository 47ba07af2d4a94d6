#include "wsq_image_save.h"

#include <QFile>

#include "wsq/encoder.h"
#include "wsq/raw_file.h"
#include "wsq_grey.h"

int encodeWsqImage(const QImage& image, double bitrate, int ppi, const char* comment,
                   std::vector<uint8_t>* encoded) {
    const std::vector<uint8_t> grey = wsqgrey::greyBytes(image);
    std::vector<uint8_t> bytes;
    int length = 0;
    const int result = wsq::wsq_encode_1(&bytes, &length, static_cast<float>(bitrate), grey.data(),
                                         image.width(), image.height(), 8, ppi, comment);
    if (result != 0) {
        encoded->clear();
        return result;
    }
    if (length < 0 || static_cast<size_t>(length) > bytes.size()) length = 0;
    bytes.resize(static_cast<size_t>(length));
    *encoded = std::move(bytes);
    return 0;
}

int writeWsqFile(const QString& outputName, const std::vector<uint8_t>& encoded) {
    const int written =
        wsq::write_raw_from_memsize(QFile::encodeName(outputName).constData(), encoded.data(),
                                    static_cast<int>(encoded.size()));
    return written == 0 ? 0 : written == -2 ? -2 : -3;
}
