#include "toolkit_image_io.h"

#include <QImageReader>
#include <QSaveFile>

#include "png_chunk_bounds.h"

QImage loadToolkitImage(const QString& fileName, QString* errorText) {
    if (pngChunkRunsPastEnd(fileName)) {
        if (errorText) *errorText = pngChunkRunsPastEndText();
        return QImage();
    }
    QImageReader reader(fileName);
    const QImage image = reader.read();
    if (image.isNull()) {
        if (errorText) *errorText = reader.errorString();
        return image;
    }
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                         : QImage::Format_RGB32);
}

int saveToolkitImage(const QImage& image, const QString& outputName, const char* format) {
    QSaveFile file(outputName);
    if (!file.open(QIODevice::WriteOnly)) return -2;
    if (!image.save(&file, format) || !file.commit()) {
        file.cancelWriting();
        return -3;
    }
    return 0;
}
