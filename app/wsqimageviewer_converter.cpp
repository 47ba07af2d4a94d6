// The Tools menu's file format converter. The converter window is not part of the program
// yet: the menu entry says so.
#include <QMessageBox>

#include "viewer_messages.h"
#include "wsqimageviewer.h"

void wsqimageviewer::fileConverter() {
    QMessageBox::information(this, viewerMessageCaption(),
                             tr("The file format converter is not available yet"));
}
