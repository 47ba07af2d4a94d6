// Saving the current picture: the Save dialog, the nine save types, and the WSQ properties
// window that asks for the bit rate, the resolution and the comment of a WSQ file.
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QStatusBar>

#include "library_image_save.h"
#include "toolkit_image_io.h"
#include "viewer_messages.h"
#include "wsq_image_save.h"
#include "wsqfilewindow.h"
#include "wsqimageviewer.h"

namespace {

constexpr int kTransientMessageMs = 2000;

struct SaveType {
    const char* filter;     // the Save dialog's entry
    const char* extension;  // always appended to the name
    const char* format;     // the toolkit writer's format, or null
    const char* name;       // the format's name in messages
};

// Save type k (from 1) is entry k - 1.
constexpr SaveType kSaveTypes[] = {
    {"WSQ - FBI's Wavelet Scalar Quantization (*.wsq)", ".wsq", nullptr, "WSQ"},
    {"BMP - Windows bitmaps (*.bmp)", ".bmp", "BMP", "BMP"},
    {"TIF - Tagged Information File Format (*.tif)", ".tif", nullptr, "TIFF"},
    {"PNG - Portable network graphic images (*.png)", ".png", nullptr, "PNG"},
    {"JPG - Joint Photographic Experts Group images (*.jpg)", ".jpg", nullptr, "JPEG"},
    {"RGB - Silicon Graphics International true color images (*.rgb)", ".rgb", nullptr,
     "SGI image"},
    {"TGA - Truevision Targa Graphics images (*.tga)", ".tga", nullptr, "Targa"},
    {"XBM - X Bitmap Graphic images (*.xbm)", ".xbm", "XBM", "XBM"},
    {"XPM - BMC Software Patrol UNIX Icon File (*.xpm)", ".xpm", "XPM", "XPM"},
};
constexpr int kSaveTypeCount = static_cast<int>(std::size(kSaveTypes));

const SaveType* saveType(int file_type) {
    return file_type >= 1 && file_type <= kSaveTypeCount ? &kSaveTypes[file_type - 1] : nullptr;
}

}  // namespace

void wsqimageviewer::createWsqFileWindow() {
    m_wsqFileWindow = new WSQFileWindow(this, "WSQFilePropertiesDialog", true);
}

void wsqimageviewer::save(const QString& fileName, int file_type) {
    m_lastSaveWritten = false;
    const SaveType* type = saveType(file_type);
    // A load that failed leaves no picture, or an empty one: nothing to write.
    if (!m_pixmap || m_pixmap->isNull() || !type) return;
    if (file_type == 1) {
        m_lastSaveWritten = saveWsq(fileName);
        return;
    }
    m_savedFileName = fileName + QLatin1String(type->extension);
    if (type->format)
        m_lastSaveWritten = saveWithToolkit(m_savedFileName, type->format);
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
    QStringList filters;
    for (const SaveType& type : kSaveTypes) filters << QString::fromLatin1(type.filter);
    QString selected;
    const QString name = QFileDialog::getSaveFileName(this, QString(), QString(),
                                                      filters.join(QStringLiteral(";;")),
                                                      &selected);
    if (name.isEmpty()) {
        statusBar()->showMessage(tr("Saving aborted"), kTransientMessageMs);
        return;
    }
    const int type = static_cast<int>(filters.indexOf(selected)) + 1;
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
