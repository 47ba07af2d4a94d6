#include "convert_file.h"

#include <QFileInfo>

#include "document_load.h"
#include "document_save.h"
#include "failure_text.h"
#include "format_registry.h"

namespace wsqconvert {

QString convertFile(const QString& input, const QString& output,
                    const ConversionSettings& settings) {
    const QString extension = QFileInfo(output).suffix().toLower();
    const document::SaveFormat* format = document::saveFormatForExtension(extension);
    if (!format)
        return QStringLiteral("%1: cannot write files of type \"%2\"").arg(output, extension);

    if (const QString problem = inputProblem(input); !problem.isEmpty())
        return QStringLiteral("%1: %2").arg(input, problem);
    const document::Document doc = document::loadDocument(input);
    if (!doc.ok()) return QStringLiteral("%1: %2").arg(input, loadFailureText(doc));

    document::SaveSettings save = document::settingsKeeping(doc);
    save.wsqBitRate = settings.bitrate;
    if (settings.ppi) save.wsqPpi = *settings.ppi;
    save.wsqComment = settings.comment;
    const document::SaveResult result = document::saveDocument(doc, output, format->type, save);
    if (!result.ok()) return QStringLiteral("%1: %2").arg(output, saveFailureText(result));
    return QString();
}

}  // namespace wsqconvert
