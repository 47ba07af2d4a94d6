// The facts panel beside the picture: the dock, its View menu entry (remembered between runs),
// and what it is told after a load and after a WSQ save.
#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <algorithm>

#include "document.h"
#include "document_facts.h"
#include "facts_panel.h"
#include "viewer_settings.h"
#include "wsqimageviewer.h"

namespace {

constexpr int kFactsPanelWidth = 300;

}  // namespace

void wsqimageviewer::buildFactsPanel() {
    m_factsPanel = new FactsPanel(this);
    addDockWidget(Qt::RightDockWidgetArea, m_factsPanel);
    const bool shown = viewersettings::value(viewersettings::kFactsPanel, false).toBool();
    m_factsPanel->setVisible(shown);

    m_factsPanelAction = m_viewMenu->addAction(tr("Facts panel"));
    m_factsPanelAction->setCheckable(true);
    m_factsPanelAction->setChecked(shown);
    m_factsPanelAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    connect(m_factsPanelAction, &QAction::triggered, this, [this](bool on) {
        m_factsPanel->setVisible(on);
        // Room for the values beside the names.
        if (on)
            resizeDocks({m_factsPanel}, {std::max(kFactsPanelWidth, width() / 3)}, Qt::Horizontal);
        viewersettings::setValue(viewersettings::kFactsPanel, on);
    });
    // The dock's own close button hides it too, and is remembered as well.
    connect(m_factsPanel, &FactsPanel::closedByUser, this, [this] {
        m_factsPanelAction->setChecked(false);
        viewersettings::setValue(viewersettings::kFactsPanel, false);
    });
}

void wsqimageviewer::showFactsOf(const document::Document* doc) {
    if (!doc) {
        m_factsPanel->clear();
        return;
    }
    m_factsPanel->setDocument(*doc, m_pixmap ? m_pixmap->toImage() : QImage());
}

void wsqimageviewer::showSavedWsqFacts() {
    const QFileInfo saved(m_savedFileName);
    m_factsPanel->showSavedWsq(document::savedWsqFacts(m_savedFileName, saved.size(),
                                                       m_pixmap->width(), m_pixmap->height()));
}
