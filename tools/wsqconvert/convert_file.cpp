#include "convert_file.h"

#include <QFile>
#include <QFileInfo>

#include "ansinist/transaction_file.h"
#include "document_load.h"
#include "document_save.h"
#include "failure_text.h"
#include "format_registry.h"
#include "stored_resolution.h"
#include "wsq/wsq.h"
#include "wsq_budget.h"

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

// Below this, a resolution an input states is more likely a program's default than a scan's.
constexpr int kLowestScanPpi = 250;

// Writes the WSQ stream that fits in `maxBytes`.
document::SaveResult saveWsqWithin(const QImage& image, const QString& output,
                                   const document::SaveSettings& save, qint64 maxBytes,
                                   ConversionReport* report) {
    document::SaveResult result;
    const document::BudgetedWsq budgeted =
        document::encodeWsqWithin(image, save, static_cast<size_t>(maxBytes));
    report->encodes = budgeted.encodes;
    report->bitrate = budgeted.bitrate;
    if (budgeted.encoded.error) {
        result.failure = document::SaveFailure::EncodeFailed;
        result.code = budgeted.encoded.error.code;
        result.error = QString::fromStdString(budgeted.encoded.error.message);
        return result;
    }
    if (!budgeted.fits()) {
        // Not the encoder's failure: the text is the whole reason.
        result.failure = document::SaveFailure::WriterFailed;
        result.error = QStringLiteral(
                           "does not fit in %1 bytes: the WSQ stream at the lowest bit rate "
                           "tried, %2, is %3 bytes")
                           .arg(maxBytes)
                           .arg(budgeted.bitrate)
                           .arg(budgeted.smallest);
        return result;
    }
    const wsq::Error written =
        wsq::write_file(QFile::encodeName(output).constData(), budgeted.encoded.bytes);
    if (written) {
        result.failure = written.code == -2 ? document::SaveFailure::CannotCreate
                                            : document::SaveFailure::WriteFailed;
        result.code = written.code;
        result.error = QString::fromStdString(written.message);
        return result;
    }
    result.bytes = static_cast<qint64>(budgeted.encoded.bytes.size());
    return result;
}

}  // namespace

bool writableOutput(const QString& extension) {
    return document::saveFormatForExtension(extension) != nullptr ||
           extension == QLatin1String(kPgmExtension);
}

QString outputExtensionList() {
    return document::writableExtensionList() + QLatin1Char(' ') + QLatin1String(kPgmExtension);
}

ConversionReport convert(const QString& input, const QString& output,
                         const ConversionSettings& settings, std::optional<int> record) {
    ConversionReport report;
    const auto fail = [&](const QString& file, const QString& why) {
        report.error = QStringLiteral("%1: %2").arg(file, why);
        return report;
    };
    const QString extension = QFileInfo(output).suffix().toLower();
    const document::SaveFormat* format = document::saveFormatForExtension(extension);
    const bool pgm = extension == QLatin1String(kPgmExtension);
    if (!format && !pgm)
        return fail(output, QStringLiteral("cannot write files of type \"%1\"").arg(extension));
    report.wsqOutput = format && format->type == document::SaveType::Wsq;

    const document::LoadOptions options{.greyPictures = true, .scope = kScope};
    document::Document doc;
    if (settings.inputType.isEmpty()) {
        if (const QString problem = inputProblem(input); !problem.isEmpty())
            return fail(input, problem);
        doc = document::loadDocument(input, options);
    } else {
        const QFileInfo info(input);
        if (!info.exists()) return fail(input, QStringLiteral("no such file"));
        if (info.isDir()) return fail(input, QStringLiteral("is a directory"));
        doc = document::loadDocumentAs(input, settings.inputType, options);
    }
    report.inputBytes = doc.fileSize;
    const bool transaction = doc.transaction != nullptr;
    if (record && !transaction && doc.failure != document::LoadFailure::Unreadable)
        return fail(input, QStringLiteral("--record picks a picture of an ANSI/NIST transaction"));
    if (!doc.ok()) return fail(input, loadFailureText(doc));
    if (!doc.damage.isEmpty()) {
        if (!settings.acceptDamaged)
            return fail(input, QStringLiteral("damaged file: %1").arg(doc.damage));
        report.damage = doc.damage;
    }

    size_t page = 0;
    if (transaction) {
        if (const QString why = pickRecord(&doc, record, &page); !why.isEmpty())
            return fail(input, why);
    }
    const QImage& picture = doc.pages[page].image;
    report.width = picture.width();
    report.height = picture.height();
    report.inputPpi = document::pageResolution(doc, page);

    document::SaveSettings save = document::settingsKeeping(doc, page);
    save.wsqBitRate = settings.bitrate;
    save.wsqComment = settings.comment;
    save.keepGrey = true;
    const int ppi = settings.ppi.value_or(report.inputPpi);
    if (report.wsqOutput) {
        save.wsqPpi = ppi > 0 ? ppi : kAssumedPpi;
        if (ppi <= 0)
            report.warning =
                QStringLiteral("no resolution in %1; %2 ppi assumed").arg(input).arg(kAssumedPpi);
        else if (!settings.ppi && ppi < kLowestScanPpi)
            // Many programs write 72 or 96 dpi into every picture they save.
            report.warning = QStringLiteral(
                                 "%1 states %2 ppi, less than fingerprint scans have; "
                                 "--ppi sets the resolution")
                                 .arg(input)
                                 .arg(ppi);
        report.outputPpi = save.wsqPpi;
        report.bitrate = settings.bitrate;
        report.encodes = 1;
    } else if (ppi > 0 && format && document::statesResolution(format->type)) {
        save.resolution = ppi;
        report.outputPpi = ppi;
    }

    document::SaveResult result;
    if (pgm)
        result = document::savePgm(picture, output);
    else if (report.wsqOutput && settings.maxBytes)
        result = saveWsqWithin(picture, output, save, *settings.maxBytes, &report);
    else
        result = document::savePicture(picture, output, format->type, save);
    if (!result.ok()) return fail(output, saveFailureText(result));
    report.outputBytes = result.bytes;
    return report;
}

QString convertFile(const QString& input, const QString& output, const ConversionSettings& settings,
                    std::optional<int> record) {
    return convert(input, output, settings, record).error;
}

}  // namespace wsqconvert
