#include "convert_file.h"

#include <QFileInfo>

#include "format_registry.h"
#include "picture_io.h"

namespace wsqconvert {

QString convertFile(const QString& input, const QString& output,
                    const ConversionSettings& settings) {
    const QString extension = QFileInfo(output).suffix().toLower();
    const document::SaveFormat* format = document::saveFormatForExtension(extension);
    if (!format)
        return QStringLiteral("%1: cannot write files of type \"%2\"").arg(output, extension);
    const int saveType = static_cast<int>(format->type);

    const LoadedPicture picture = loadPicture(input);
    if (picture.image.isNull()) return QStringLiteral("%1: %2").arg(input, picture.error);

    WsqSaveParameters wsq;
    wsq.bitrate = settings.bitrate;
    wsq.ppi = settings.ppi ? *settings.ppi : picture.wsqPpi > 0 ? picture.wsqPpi : 500;
    wsq.comment = settings.comment;
    const QString error = savePicture(picture.image, output, saveType, wsq, picture.tiffSave);
    if (!error.isEmpty()) return QStringLiteral("%1: %2").arg(output, error);
    return QString();
}

}  // namespace wsqconvert
