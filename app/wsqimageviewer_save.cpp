// Saving the current picture: the Save dialog, the nine save types, and the WSQ properties
// window that asks for the bit rate, the resolution and the comment of a WSQ file.
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QStatusBar>

#include "format_registry.h"
#include "library_image_save.h"
#include "toolkit_image_io.h"
#include "viewer_messages.h"
#include "wsq_image_save.h"
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
    const document::SaveFormat& format = *document::saveFormat(*type);
    if (format.writer == document::Writer::Wsq) {
        m_lastSaveWritten = saveWsq(fileName);
        return;
    }
    // The type's extension is always appended, whatever the name ends with.
    m_savedFileName = fileName + QLatin1Char('.') + QLatin1String(format.extension);
    if (format.writer == document::Writer::Toolkit)
        m_lastSaveWritten = saveWithToolkit(m_savedFileName, format.toolkitFormat);
    else
        m_lastSaveWritten = saveWithRasterLibrary(m_savedFileName, file_type);
}

bool wsqimageviewer::saveWithToolkit(const QString& outputName, const char* format) {
    // Written beside the target and renamed over it only when complete, so a failed write
    // leaves an existing file of that name as it was.
    const int written = saveToolkitImage(m_pixmap->toImage(), outputName, format);
    if (written == -2) {
        QMessageBox::warning(this, viewerMessageCaption(),
                             tr("Error opening file for writing") + QStringLiteral("\n") +
                                 outputName);
        return false;
    }
    if (written != 0) {
        QMessageBox::warning(this, viewerMessageCaption(),
                             tr("Error writing output file") + QStringLiteral("\n") + outputName);
        return false;
    }
    return true;
}

// TIFF, PNG, JPEG, SGI image and Targa are written by the raster library from three colour
// planes. A failed write is reported with the library's message.
bool wsqimageviewer::saveWithRasterLibrary(const QString& outputName, int file_type) {
    QString errorText;
    if (saveLibraryImage(m_pixmap->toImage(), outputName, file_type, &errorText)) return true;
    QMessageBox::warning(this, viewerMessageCaption(), errorText);
    return false;
}

bool wsqimageviewer::saveWsq(const QString& fileName) {
    m_wsqSaveAccepted = true;
    double bitrate = 0.75;
    int ppi = 500;
    const auto readFields = [&] {
        bitrate = m_wsqFileWindow->bitrateEdit->text().toDouble();
        ppi = m_wsqFileWindow->ppiEdit->text().toInt();
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

    std::vector<uint8_t> encoded;
    QString why;
    const int encodeResult = encodeWsqImage(m_pixmap->toImage(), bitrate, ppi,
                                            m_commentText.constData(), &encoded, &why);
    if (encodeResult != 0) {
        QString text = tr("The picture could not be encoded as WSQ (error %1)").arg(encodeResult);
        if (!why.isEmpty()) text += QStringLiteral(": ") + why;
        QMessageBox::warning(this, viewerMessageCaption(), text);
        return false;
    }

    m_savedFileName = fileName + QStringLiteral(".wsq");
    const int written = writeWsqFile(m_savedFileName, encoded);
    if (written == -2) {
        QMessageBox::warning(this, viewerMessageCaption(), tr("Error opening file for writing"));
        return false;
    }
    if (written != 0) {
        QMessageBox::warning(this, viewerMessageCaption(), tr("Error writing output file"));
        return false;
    }
    return true;
}

void wsqimageviewer::choose_save() {
    m_interactiveSave = 1;
    const QStringList filters = document::saveDialogFilters();
    QString selected;
    const QString name = QFileDialog::getSaveFileName(this, QString(), QString(),
                                                      filters.join(QStringLiteral(";;")),
                                                      &selected);
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
