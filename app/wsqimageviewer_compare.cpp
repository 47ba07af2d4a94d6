// Side-by-side comparison: "Compare with..." puts a second picture in a pane beside the main
// view. With "Link views" on, both zoom (at one physical scale when both resolutions are
// known), scroll and step together; off, each pane goes its own way. Each pane has a facts
// line; either picture can be swapped with the other, closed or saved.
#include <QAction>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "compare_link.h"
#include "compare_pane.h"
#include "document.h"
#include "format_registry.h"
#include "viewer_messages.h"
#include "viewer_settings.h"
#include "wsqimageviewer.h"

namespace {

// Runs `f` with `flag` set, so that a change one view passes on does not come back.
template <typename F>
void guarded(bool& flag, F f) {
    if (flag) return;
    flag = true;
    f();
    flag = false;
}

}  // namespace

void wsqimageviewer::buildComparison() {
    m_viewMenu->addSeparator();
    m_viewMenu->addAction(tr("Compare with..."), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O),
                          this, &wsqimageviewer::chooseCompareFile);
    m_linkViewsAction = m_viewMenu->addAction(tr("Link views"));
    m_linkViewsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
    m_linkViewsAction->setCheckable(true);
    m_linkViewsAction->setChecked(viewersettings::value(viewersettings::kLinkViews, true).toBool());
    connect(m_linkViewsAction, &QAction::toggled, this, [this](bool on) {
        viewersettings::setValue(viewersettings::kLinkViews, on);
        if (on) comparisonFollowMain();
    });
    m_swapAction =
        m_viewMenu->addAction(tr("Swap pictures"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_X),
                              this, &wsqimageviewer::swapComparedPictures);
    m_closeCompareAction = m_viewMenu->addAction(tr("Close comparison"),
                                                 QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W),
                                                 this, &wsqimageviewer::closeComparison);
    m_swapAction->setEnabled(false);
    m_closeCompareAction->setEnabled(false);
}

bool wsqimageviewer::comparing() const {
    return m_comparePane != nullptr;
}

bool wsqimageviewer::viewsLinked() const {
    return comparing() && m_linkViewsAction->isChecked();
}

void wsqimageviewer::chooseCompareFile() {
    const QString fileName = QFileDialog::getOpenFileName(
        this, tr("Compare with"), QString(), document::openDialogFilters().join(QLatin1Char('\n')));
    if (!fileName.isEmpty()) compareWith(fileName);
}

bool wsqimageviewer::compareWith(const QString& fileName) {
    if (!m_pixmap || m_pixmap->isNull()) {
        QMessageBox::information(this, viewerMessageCaption(),
                                 tr("Open a picture first, then compare it with another."));
        return false;
    }
    const bool started = !comparing();
    if (started) startComparison();
    QString error;
    if (!m_comparePane->open(fileName, &error)) {
        if (started) closeComparison();
        QMessageBox::critical(this, viewerMessageCaption(),
                              tr("Cannot compare with %1: %2").arg(fileName, error));
        return false;
    }
    comparisonFollowMain();
    return true;
}

void wsqimageviewer::startComparison() {
    auto* mainPane = new QWidget;
    mainPane->setObjectName(QStringLiteral("mainPane"));
    auto* layout = new QVBoxLayout(mainPane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto* bar = new QHBoxLayout;
    m_mainFacts = new QLabel;
    m_mainFacts->setObjectName(QStringLiteral("mainFacts"));
    m_mainFacts->setTextInteractionFlags(Qt::TextSelectableByMouse);
    bar->addWidget(m_mainFacts, 1);
    auto* close = new QToolButton;
    close->setObjectName(QStringLiteral("mainClose"));
    close->setText(tr("Close"));
    close->setToolTip(tr("Close this pane; the other picture stays"));
    connect(close, &QToolButton::clicked, this, &wsqimageviewer::closeMainPicture);
    bar->addWidget(close);
    layout->addLayout(bar);
    // The designed view moves into the left pane as it is; closing the comparison gives it back.
    QWidget* view = takeCentralWidget();
    layout->addWidget(view, 1);

    m_compareSplitter = new QSplitter(Qt::Horizontal);
    m_compareSplitter->setObjectName(QStringLiteral("compareSplitter"));
    m_compareSplitter->addWidget(mainPane);
    m_comparePane = new ComparePane;
    m_compareSplitter->addWidget(m_comparePane);
    setCentralWidget(m_compareSplitter);
    if (width() < 2 * kComparisonSideWidth) resize(2 * kComparisonSideWidth, height());
    // Two halves of the window, whatever each pane's picture asks for.
    m_compareSplitter->setStretchFactor(0, 1);
    m_compareSplitter->setStretchFactor(1, 1);
    m_compareSplitter->setSizes({width() / 2, width() / 2});

    connect(m_comparePane, &ComparePane::zoomedByUser, this, &wsqimageviewer::paneZoomed);
    connect(m_comparePane, &ComparePane::stepAsked, this, [this](document::FolderStep step) {
        if (viewsLinked())
            stepFolder(step);
        else
            m_comparePane->step(step);
    });
    connect(m_comparePane, &ComparePane::openAsked, this, &wsqimageviewer::chooseCompareFile);
    connect(m_comparePane, &ComparePane::saveAsked, this, &wsqimageviewer::saveComparedPicture);
    connect(m_comparePane, &ComparePane::closeAsked, this, &wsqimageviewer::closeComparison);
    connect(m_comparePane, &ComparePane::damagedFileShown, this, &wsqimageviewer::noticeDamage);
    const auto link = [this](QScrollBar* from, QScrollBar* to) {
        connect(from, &QScrollBar::valueChanged, m_comparePane, [this, from, to](int value) {
            if (!viewsLinked()) return;
            guarded(m_linking, [&] {
                to->setValue(document::linkedScrollValue(value, from->minimum(), from->maximum(),
                                                         to->minimum(), to->maximum()));
            });
        });
    };
    QScrollArea* pane = m_comparePane->scrollArea();
    link(m_scrollView->horizontalScrollBar(), pane->horizontalScrollBar());
    link(m_scrollView->verticalScrollBar(), pane->verticalScrollBar());
    link(pane->horizontalScrollBar(), m_scrollView->horizontalScrollBar());
    link(pane->verticalScrollBar(), m_scrollView->verticalScrollBar());
    m_swapAction->setEnabled(true);
    m_closeCompareAction->setEnabled(true);
}

void wsqimageviewer::closeComparison() {
    if (!comparing()) return;
    QWidget* splitter = takeCentralWidget();
    m_scrollView->setParent(nullptr);
    setCentralWidget(m_scrollView);
    m_comparePane = nullptr;
    m_mainFacts = nullptr;
    m_compareSplitter = nullptr;
    splitter->deleteLater();
    splitter->hide();
    m_swapAction->setEnabled(false);
    m_closeCompareAction->setEnabled(false);
}

// The main view's picture goes; the compared one becomes the main picture.
void wsqimageviewer::closeMainPicture() {
    if (!comparing()) return;
    const QString other = m_comparePane->fileName();
    closeComparison();
    openBrowsed(other);
}

void wsqimageviewer::swapComparedPictures() {
    if (!comparing() || m_fileName.isEmpty()) return;
    const QString left = m_fileName;
    const QString right = m_comparePane->fileName();
    guarded(m_linking, [&] { load(right); });
    QString error;
    if (!m_comparePane->open(left, &error))
        QMessageBox::critical(this, viewerMessageCaption(), error);
    comparisonFollowMain();
}

// The designed save, with its dialogs and checks, for the compared picture: the two change
// sides for the save and back again.
void wsqimageviewer::saveComparedPicture() {
    if (!comparing()) return;
    swapComparedPictures();
    choose_save();
    swapComparedPictures();
}

void wsqimageviewer::paneZoomed(double factor) {
    if (!viewsLinked() || !m_pixmap || m_pixmap->isNull()) {
        m_comparePane->setZoomFactor(factor);
        return;
    }
    guarded(m_linking, [&] {
        const double mainFactor =
            document::linkedZoomFactor(factor, m_comparePane->ppi(), shownPictureResolution());
        resizeShown(int(std::lround(m_pixmap->width() * mainFactor)),
                    int(std::lround(m_pixmap->height() * mainFactor)));
        m_comparePane->setZoomFactor(factor);
    });
    comparisonFollowMain();
}

// Called whenever the main view shows a picture anew: the facts line, and, when linked, the
// pane's zoom.
void wsqimageviewer::comparisonFollowMain() {
    if (!comparing() || !m_pixmap || m_pixmap->isNull() || !m_document) return;
    m_mainFacts->setText(document::paneFactsLine(*m_document, shownPictureResolution(),
                                                 m_pixmap->size(),
                                                 QSize(m_shownWidth, m_shownHeight)));
    if (!viewsLinked() || m_linking) return;
    const double factor = double(m_shownWidth) / m_pixmap->width();
    guarded(m_linking, [&] {
        m_comparePane->setZoomFactor(
            document::linkedZoomFactor(factor, shownPictureResolution(), m_comparePane->ppi()));
    });
}
