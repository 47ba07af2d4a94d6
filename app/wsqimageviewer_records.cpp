// The records panel of a transaction: the dock, its View menu entry, and the pictures the
// panel asks for.
#include <QAction>
#include <QMenu>
#include <QTimer>
#include <QWindow>

#include "document.h"
#include "records_panel.h"
#include "wsqimageviewer.h"

namespace {

constexpr int kFitTries = 25;
constexpr int kFitWaitMs = 20;

}  // namespace

void wsqimageviewer::buildRecordsPanel() {
    m_recordsPanel = new RecordsPanel(this);
    addDockWidget(Qt::RightDockWidgetArea, m_recordsPanel);
    m_recordsPanel->hide();

    m_recordsPanelAction = m_viewMenu->addAction(tr("Records panel"));
    m_recordsPanelAction->setCheckable(true);
    m_recordsPanelAction->setChecked(false);
    connect(m_recordsPanelAction, &QAction::triggered, m_recordsPanel, &QWidget::setVisible);
    // The dock's own close button hides it too.
    connect(m_recordsPanel->toggleViewAction(), &QAction::toggled, m_recordsPanelAction,
            &QAction::setChecked);
    connect(m_recordsPanel, &RecordsPanel::imageRecordChosen, this, &wsqimageviewer::showRecord);
}

void wsqimageviewer::showRecordsOf(const document::Document* doc) {
    if (!doc || !doc->transaction) {
        m_recordsPanel->clear();
        m_recordsPanel->hide();
        m_recordsPanelAction->setChecked(false);
        return;
    }
    m_recordsPanel->setDocument(*doc);
    if (m_recordsPanel->isHidden()) {
        m_recordsPanel->show();
        fitRecordsPanel(kFitTries);
    }
    m_recordsPanelAction->setChecked(true);
}

// The list has many columns: the panel gets half of the window when it comes up. A file named
// on the command line opens before the size the window was given reaches its widgets; then the
// panel waits for it a little.
void wsqimageviewer::fitRecordsPanel(int triesLeft) {
    if (m_recordsPanel->isHidden()) return;
    if (windowHandle() && windowHandle()->size() != size() && triesLeft > 0) {
        QTimer::singleShot(kFitWaitMs, this, [this, triesLeft] { fitRecordsPanel(triesLeft - 1); });
        return;
    }
    resizeDocks({m_recordsPanel}, {width() / 2}, Qt::Horizontal);
}

void wsqimageviewer::showRecord(int record) {
    for (int page = 0; page < pageCount(); ++page) {
        if (pageRecord(page) == record) {
            showPage(page);
            return;
        }
    }
}
