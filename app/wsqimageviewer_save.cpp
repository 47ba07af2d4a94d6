// Saving the current picture and the WSQ properties window. Saving is not part of the
// program yet: the Save command says so instead of pretending to write a file.
#include <QMessageBox>

#include "viewer_messages.h"
#include "wsqimageviewer.h"

void wsqimageviewer::createWsqFileWindow() {}

void wsqimageviewer::save(const QString& /*fileName*/, int /*file_type*/) {
    if (!m_pixmap) return;
    QMessageBox::warning(this, viewerMessageCaption(), tr("Saving pictures is not available yet"));
}

void wsqimageviewer::choose_save() {
    m_interactiveSave = 1;
    QMessageBox::warning(this, viewerMessageCaption(), tr("Saving pictures is not available yet"));
}
