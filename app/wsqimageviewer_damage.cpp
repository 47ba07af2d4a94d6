// The notice of a damaged file: the window shows what could be read of it (the document's
// pages) and says for a while in the status bar that the file is damaged and why; then the
// file's summary line, which the notice covered, comes back as it was.
#include <QFileInfo>
#include <QStatusBar>

#include <utility>

#include "document.h"
#include "wsqimageviewer.h"

namespace {

constexpr int kDamageNoticeMs = 5000;

}  // namespace

void wsqimageviewer::buildDamageNotice() {
    // QStatusBar clears a timed message when its time is up. The summary line the load set goes
    // back then, unless another message has taken the notice's place meanwhile.
    connect(statusBar(), &QStatusBar::messageChanged, this, [this](const QString& text) {
        if (m_damageNotice.isEmpty() || text == m_damageNotice) return;
        m_damageNotice.clear();
        const QString summary = std::exchange(m_summaryUnderNotice, QString());
        if (text.isEmpty()) statusBar()->showMessage(summary);
    });
}

void wsqimageviewer::noticeDamage(const document::Document& doc) {
    if (doc.damage.isEmpty()) return;
    const QString notice = tr("%1: damaged file: %2; showing what could be read")
                               .arg(QFileInfo(doc.fileName).fileName(), doc.damage);
    // A notice that follows another (the compared file after the main one) covers the same line.
    if (m_damageNotice.isEmpty()) m_summaryUnderNotice = statusBar()->currentMessage();
    m_damageNotice = notice;
    statusBar()->showMessage(notice, kDamageNoticeMs);
}
