#include "convert_file.h"

#include <QFileInfo>

#include "ansinist/transaction_file.h"
#include "document_load.h"
#include "document_save.h"
#include "failure_text.h"
#include "format_registry.h"

namespace wsqconvert {

namespace {

// The page of a transaction's record, decoded; or why there is none.
QString pickRecord(document::Document* doc, std::optional<int> record, size_t* page) {
    const std::vector<document::Page>& pages = doc->pages;
    if (!record) {
        if (pages.size() != 1)
            return QStringLiteral(
                       "holds %1 pictures: choose one with --record N, or write "
                       "them all with --extract")
                .arg(pages.size());
        *page = 0;
    } else {
        const size_t records = doc->transaction->transaction().records.size();
        if (*record < 1 || static_cast<size_t>(*record) > records)
            return QStringLiteral("record %1: no such record (the file has %2)")
                .arg(*record)
                .arg(records);
        *page = pages.size();
        for (size_t i = 0; i < pages.size(); ++i)
            if (pages[i].record == *record) *page = i;
        if (*page == pages.size()) {
            const int type = doc->transaction->transaction().records[size_t(*record) - 1].type;
            return QStringLiteral("record %1: a Type-%2 record holds no picture")
                .arg(*record)
                .arg(type);
        }
    }
    if (!document::decodePage(doc, *page))
        return QStringLiteral("record %1: cannot decode: %2")
            .arg(pages[*page].record)
            .arg(pages[*page].problem);
    return QString();
}

}  // namespace

bool writableOutput(const QString& extension) {
    return document::saveFormatForExtension(extension) != nullptr ||
           extension == QLatin1String(kPgmExtension);
}

QString outputExtensionList() {
    return document::writableExtensionList() + QLatin1Char(' ') + QLatin1String(kPgmExtension);
}

QString convertFile(const QString& input, const QString& output, const ConversionSettings& settings,
                    std::optional<int> record) {
    const QString extension = QFileInfo(output).suffix().toLower();
    const document::SaveFormat* format = document::saveFormatForExtension(extension);
    const bool pgm = extension == QLatin1String(kPgmExtension);
    if (!format && !pgm)
        return QStringLiteral("%1: cannot write files of type \"%2\"").arg(output, extension);

    if (const QString problem = inputProblem(input); !problem.isEmpty())
        return QStringLiteral("%1: %2").arg(input, problem);
    // Grey pictures stay 8-bit grey from the reader to the writer.
    document::Document doc = document::loadDocument(input, {.greyPictures = true});
    const bool transaction = doc.transaction != nullptr;
    if (record && !transaction && doc.failure != document::LoadFailure::Unreadable)
        return QStringLiteral("%1: --record picks a picture of an ANSI/NIST transaction")
            .arg(input);
    if (!doc.ok()) return QStringLiteral("%1: %2").arg(input, loadFailureText(doc));

    size_t page = 0;
    if (transaction) {
        if (const QString why = pickRecord(&doc, record, &page); !why.isEmpty())
            return QStringLiteral("%1: %2").arg(input, why);
    }

    document::SaveSettings save = document::settingsKeeping(doc, page);
    save.wsqBitRate = settings.bitrate;
    if (settings.ppi) save.wsqPpi = *settings.ppi;
    save.wsqComment = settings.comment;
    save.keepGrey = true;
    const document::SaveResult result =
        pgm ? document::savePgm(doc.pages[page].image, output)
            : document::savePicture(doc.pages[page].image, output, format->type, save);
    if (!result.ok()) return QStringLiteral("%1: %2").arg(output, saveFailureText(result));
    return QString();
}

}  // namespace wsqconvert
