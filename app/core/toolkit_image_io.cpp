#include "toolkit_image_io.h"

#include <QImageReader>
#include <QSaveFile>

#include "png_chunk_bounds.h"

ToolkitRead readToolkitImage(const QString& fileName) {
    ToolkitRead read;
    if (pngChunkRunsPastEnd(fileName)) {
        read.error = pngChunkRunsPastEndText();
        return read;
    }
    QImageReader reader(fileName);
    read.format = QString::fromLatin1(reader.format()).toUpper();
    // Only read() touches the file's data: asking the handler for the stored pixel format first
    // makes Qt's JPEG reader crash on a file cut short. The picture comes in its stored format.
    const QImage image = reader.read();
    if (image.isNull()) {
        read.error = reader.errorString();
        return read;
    }
    read.depth = image.depth();
    read.image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                               : QImage::Format_RGB32);
    return read;
}

QImage loadToolkitImage(const QString& fileName, QString* errorText) {
    ToolkitRead read = readToolkitImage(fileName);
    if (errorText && read.image.isNull()) *errorText = read.error;
    return std::move(read.image);
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
