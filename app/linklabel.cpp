#include "linklabel.h"

#include <QMessageBox>
#include <QProcess>

#include "viewer_messages.h"

LinkLabel::LinkLabel(const QString& webAddress, QWidget* parent)
    : QLabel(parent), m_webAddress(webAddress), m_browser(new QProcess(this)) {
    m_browser->setProgram(QStringLiteral("firefox"));
    m_browser->setArguments({m_webAddress});
}

void LinkLabel::mousePressEvent(QMouseEvent* /*e*/) {
    if (m_browser->startDetached()) return;
    if (QProcess::startDetached(QStringLiteral("konqueror"), {m_webAddress})) return;
    if (QProcess::startDetached(QStringLiteral("nestcape"), {m_webAddress})) return;
    QMessageBox::warning(
        this, viewerMessageCaption(),
        tr("Unable to launch web browser: \nfirefox, konqueror or nestcape not found."));
}
