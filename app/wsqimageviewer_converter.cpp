// The Tools menu's file format converter: one window, made on first use and shown again with
// the settings the user left in it.
#include "convertwindow.h"
#include "wsqimageviewer.h"

void wsqimageviewer::fileConverter() {
    if (!m_convertWindow) m_convertWindow = new ConvertWindow(this, "convertwindow", true);
    m_convertWindow->show();
}
