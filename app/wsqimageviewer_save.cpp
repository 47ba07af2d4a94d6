// Saving the current picture: the Save dialog, the nine save types, and the WSQ properties
// window that asks for the bit rate, the resolution and the comment of a WSQ file.
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QStatusBar>

#include "document_save.h"
#include "format_registry.h"
#include "imagefile/save_settings.h"
#include "viewer_messages.h"
#include "wsqfilewindow.h"
#include "wsqimageviewer.h"

namespace {

constexpr int kTransientMessageMs = 2000;

}  // namespace

void wsqimageviewer::createWsqFileWindow() {
    m_wsqFileWindow = new WSQFileWindow(this, "WSQFilePropertiesDialog", true);
}

void wsqimageviewer::save(const QString& fileName, int file_type) {
    m_lastSaveWritten = false;
    const std::optional<document::SaveType> type = document::saveTypeFromCode(file_type);
    // A load that failed leaves no picture, or an empty one: nothing to write.
    if (!m_pixmap || m_pixmap->isNull() || !type) return;
    if (!confirmTransformedSave()) return;
    const document::SaveFormat& format = *document::saveFormat(*type);
    if (format.writer == document::Writer::Wsq) {
        m_lastSaveWritten = saveWsq(fileName);
        return;
    }
    // The type's extension is always appended, whatever the name ends with.
    m_savedFileName = fileName + QLatin1Char('.') + QLatin1String(format.extension);
    // The raster library writes a TIFF as the last TIFF read was stored.
    document::SaveSettings settings;
    settings.tiff = imagefile::GlobalTiffSaveInfo();
    const document::SaveResult result =
        document::savePicture(m_pixmap->toImage(), m_savedFileName, *type, settings);
    if (!result.ok()) warnSaveFailed(result, m_savedFileName);
    m_lastSaveWritten = result.ok();
}

void wsqimageviewer::warnSaveFailed(const document::SaveResult& result, const QString& outputName) {
    QString text;
    switch (result.failure) {
        case document::SaveFailure::CannotCreate:
            text = tr("Error opening file for writing") + QStringLiteral("\n") + outputName;
            break;
        case document::SaveFailure::WriterFailed:
            text = tr("Could not write %1: %2").arg(outputName, result.error);
            break;
        default:
            text = tr("Error writing output file") + QStringLiteral("\n") + outputName;
            break;
    }
    QMessageBox::warning(this, viewerMessageCaption(), text);
}

bool wsqimageviewer::saveWsq(const QString& fileName) {
    m_wsqSaveAccepted = true;
    document::SaveSettings settings;
    const auto readFields = [&] {
        settings.wsqBitRate = m_wsqFileWindow->bitrateEdit->text().toDouble();
        settings.wsqPpi = m_wsqFileWindow->ppiEdit->text().toInt();
        m_commentText = m_wsqFileWindow->commenttextEdit->text().toLatin1();
    };
    if (m_interactiveSave != 1) {
        readFields();
    } else {
        m_wsqFileWindow->bitrateEdit->setText(QString::number(0.75, 'g', 6));
        m_wsqFileWindow->ppiEdit->setText(QStringLiteral("500"));
        m_wsqFileWindow->commenttextEdit->setText(QStringLiteral("Tarvelon"));
        if (m_wsqFileWindow->exec() == QDialog::Accepted) {
            readFields();
        } else {
            m_wsqSaveAccepted = false;
        }
    }
    if (!m_wsqSaveAccepted) return false;
    // The comment last entered, also when the window was not shown (an empty text is a comment
    // of its own, not none).
    settings.wsqComment = QByteArray(m_commentText.constData());

    m_savedFileName = fileName + QStringLiteral(".wsq");
    const document::SaveResult result = document::savePicture(m_pixmap->toImage(), m_savedFileName,
                                                              document::SaveType::Wsq, settings);
    switch (result.failure) {
        case document::SaveFailure::None:
            showSavedWsqFacts();
            return true;
        case document::SaveFailure::EncodeFailed: {
            QString text =
                tr("The picture could not be encoded as WSQ (error %1)").arg(result.code);
            if (!result.error.isEmpty()) text += QStringLiteral(": ") + result.error;
            QMessageBox::warning(this, viewerMessageCaption(), text);
            return false;
        }
        case document::SaveFailure::CannotCreate:
            QMessageBox::warning(this, viewerMessageCaption(),
                                 tr("Error opening file for writing"));
            return false;
        default:
            QMessageBox::warning(this, viewerMessageCaption(), tr("Error writing output file"));
            return false;
    }
}

void wsqimageviewer::choose_save() {
    m_interactiveSave = 1;
    const QStringList filters = document::saveDialogFilters();
    QString selected;
    const QString name = QFileDialog::getSaveFileName(
        this, QString(), QString(), filters.join(QStringLiteral(";;")), &selected);
    if (name.isEmpty()) {
        statusBar()->showMessage(tr("Saving aborted"), kTransientMessageMs);
        return;
    }
    // The entries are the save formats in code order; a filter not in the list saves nothing.
    const qsizetype entry = filters.indexOf(selected);
    const int type = entry < 0 ? 0 : static_cast<int>(document::saveFormats()[entry].type);
    if (!m_pixmap || m_pixmap->isNull()) {
        QMessageBox::warning(this, viewerMessageCaption(), tr("There is no picture to save"));
        return;
    }
    save(name, type);
    if (m_lastSaveWritten)
        statusBar()->showMessage(tr("File %1 saved").arg(m_savedFileName), kTransientMessageMs);
    else if (type == 1 && !m_wsqSaveAccepted)
        statusBar()->showMessage(tr("Saving aborted"), kTransientMessageMs);
}
