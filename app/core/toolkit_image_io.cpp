#include "toolkit_image_io.h"

#include <QImageReader>
#include <QSaveFile>

#include "decoder_messages.h"
#include "png_chunk_bounds.h"
#include "toolkit_damage.h"

ToolkitRead readToolkitImage(const QString& fileName) {
    ToolkitRead read;
    if (pngChunkRunsPastEnd(fileName)) {
        read.error = pngChunkRunsPastEndText();
        return read;
    }
    QImageReader reader(fileName);
    const QByteArray format = reader.format();
    read.format = QString::fromLatin1(format).toUpper();
    // Only read() touches the file's data: asking the handler for the stored pixel format first
    // makes Qt's JPEG reader crash on a file cut short. The picture comes in its stored format.
    QImage image;
    std::vector<DecoderMessages::Message> messages;
    {
        const DecoderMessages collector;
        image = reader.read();
        messages = collector.messages();
    }
    if (image.isNull()) {
        read.error = reader.errorString();
        return read;
    }
    read.damage = toolkitDamage(fileName, format, messages);
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
