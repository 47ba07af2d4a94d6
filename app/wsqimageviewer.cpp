// The main window: construction, the frame of load with its toolkit branch, the display
// step, the Open dialog and the about box.
#include "wsqimageviewer.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMoveEvent>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include "document_load.h"
#include "embedded_images.h"
#include "format_registry.h"
#include "imagefile/image_file_io.h"
#include "imagelabel.h"
#include "main_window_pointer.h"
#include "records_panel.h"
#include "stored_resolution.h"
#include "viewer_messages.h"
#include "wsqaboutdialog.h"

namespace {

constexpr int kWindowSide = 480;
constexpr int kTransientMessageMs = 2000;

}  // namespace

wsqimageviewer::wsqimageviewer() : QMainWindow(nullptr) {
    setObjectName(QStringLiteral("TarvelonWSQviewer"));
    setAttribute(Qt::WA_DeleteOnClose);
    registerEmbeddedImages();

    const QRect desktop = QGuiApplication::primaryScreen()->geometry();
    move((desktop.width() - kWindowSide) / 2, (desktop.height() - kWindowSide) / 2);
    resize(kWindowSide, kWindowSide);

    setWindowIcon(embeddedPixmap(QStringLiteral("EYE_symbol_32x32_003.png")));
    setWindowTitle(QStringLiteral("Tarvelon WSQ viewer"));

    buildZoomToolbar();
    buildMenus();
    buildRecordsPanel();
    buildFactsPanel();
    buildFolderBrowsing();
    buildSmoothScalingToggle();
    buildPhysicalSize();
    buildViewTransforms();
    buildComparison();
    buildDamageNotice();

    m_scrollView = new QScrollArea(this);
    m_scrollView->setWidgetResizable(false);
    m_imageLabel = new ImageLabel;
    m_imageLabel->setObjectName(QStringLiteral("imagelabel"));
    m_imageLabel->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    m_imageLabel->setCursor(QCursor(embeddedPixmap(QStringLiteral("cursor_hand.png")), -1, -1));
    m_scrollView->setWidget(m_imageLabel);
    // The label always covers the whole view, so the picture sits in its centre.
    m_scrollView->viewport()->installEventFilter(this);

    createWsqFileWindow();
    buildPixelReadout();

    setCentralWidget(m_scrollView);
    setAcceptDrops(true);
    statusBar()->showMessage(tr("Ready"), kTransientMessageMs);
}

wsqimageviewer::~wsqimageviewer() {
    if (mainWindow() == this) setMainWindow(nullptr);
}

void wsqimageviewer::buildZoomToolbar() {
    m_zoomToolbar = addToolBar(tr("Zoom Operations"));
    m_zoomToolbar->setObjectName(QStringLiteral("file operations"));

    struct ZoomButton {
        const char* icon;
        const char* text;
        void (wsqimageviewer::*slot)();
        const char* objectName;
        const char* whatsThis;
    };
    const ZoomButton buttons[] = {
        {"zoom_in_16x16_white.png", "Zoom In", &wsqimageviewer::zoomIn, "zoom picture in",
         "<p><img source=\"fileopen\"> Click this button to zoom in images </p>"},
        {"zoom_out_16x16_white.png", "Zoom Out", &wsqimageviewer::zoomOut, "zoom picture out",
         "<p>Click this button to zoom out images</p>"},
        {"zoom_fit_view_16x16.png", "Zoom Fit", &wsqimageviewer::zoomFit, "zoom picture fit",
         nullptr},
        {"zoom_original_size_16x16.png", "Zoom Original Size", &wsqimageviewer::zoomOriginal,
         "zoom picture original size", nullptr},
    };
    for (const ZoomButton& b : buttons) {
        QAction* action = m_zoomToolbar->addAction(
            QIcon(embeddedPixmap(QString::fromLatin1(b.icon))), tr(b.text), this, b.slot);
        action->setStatusTip(QString());
        QWidget* button = m_zoomToolbar->widgetForAction(action);
        button->setObjectName(QString::fromLatin1(b.objectName));
        if (b.whatsThis) {
            action->setWhatsThis(tr(b.whatsThis));
            button->setWhatsThis(tr(b.whatsThis));
        }
    }
}

void wsqimageviewer::buildMenus() {
    m_fileMenu = menuBar()->addMenu(tr("&File"));
    m_openAction = m_fileMenu->addAction(QIcon(fileOpenIcon()), tr("&Open picture..."),
                                         QKeySequence(Qt::CTRL | Qt::Key_O), this,
                                         &wsqimageviewer::choose_load);
    m_saveAction = m_fileMenu->addAction(QIcon(diskIcon()), tr("&Save picture..."),
                                         QKeySequence(Qt::CTRL | Qt::Key_S), this,
                                         &wsqimageviewer::choose_save);
    m_saveAction->setEnabled(false);
    m_fileMenu->addSeparator();
    m_fileMenu->addAction(tr("&Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q), qApp,
                          &QApplication::closeAllWindows);

    menuBar()->addSeparator();

    m_editMenu = menuBar()->addMenu(tr("&Edit"));
    m_copyAction = m_editMenu->addAction(tr("&Copy"), QKeySequence(Qt::CTRL | Qt::Key_C), this,
                                         &wsqimageviewer::copyPicture);
    m_copyAction->setEnabled(false);
    m_pasteAction = m_editMenu->addAction(tr("&Paste"), QKeySequence(Qt::CTRL | Qt::Key_V), this,
                                          &wsqimageviewer::pastePicture);

    m_viewMenu = menuBar()->addMenu(tr("&View"));
    m_zoomToolbarAction =
        m_viewMenu->addAction(tr("Show zoom toolbar"), this, &wsqimageviewer::showZoomToolbar);
    m_zoomToolbarAction->setCheckable(true);
    m_zoomToolbarAction->setChecked(true);
    // The tool bar can also be hidden from the tool-bar area's own context menu.
    connect(m_zoomToolbar, &QToolBar::visibilityChanged, m_zoomToolbarAction, &QAction::setChecked);

    QMenu* toolsMenu = menuBar()->addMenu(tr("&Tools"));
    toolsMenu->addAction(tr("File format converter"), this, &wsqimageviewer::fileConverter);

    QMenu* helpMenu = menuBar()->addMenu(tr("&Help"));
    helpMenu->addAction(tr("&About"), QKeySequence(Qt::Key_F1), this, &wsqimageviewer::about);
}

void wsqimageviewer::load(const QString& fileName) {
    m_fileName = fileName;
    m_dragOutFile.clear();
    m_pixmap.reset();
    m_document.reset();

    auto loaded = std::make_unique<document::Document>(document::loadDocument(fileName));
    const document::Document& doc = *loaded;
    switch (doc.failure) {
        case document::LoadFailure::UnsupportedType:
            // The label keeps what it showed; the box says why nothing new is shown.
            QMessageBox::critical(this, viewerMessageCaption(),
                                  tr("Cannot open %1: the file type is not supported")
                                      .arg(QDir::toNativeSeparators(fileName)));
            showRecordsOf(nullptr);
            showFactsOf(nullptr);
            return;
        case document::LoadFailure::Unreadable:
        case document::LoadFailure::NotAStream:
            QMessageBox::critical(this, viewerMessageCaption(), doc.error);
            showRecordsOf(nullptr);
            showFactsOf(nullptr);
            return;
        case document::LoadFailure::None:
        case document::LoadFailure::Undecodable:
            // A picture that did not decode is shown as an empty 0 x 0 one, without a word.
            break;
    }
    keepLibraryReadSettings(doc);
    m_pixmap = std::make_unique<QPixmap>(QPixmap::fromImage(doc.picture()));
    statusBar()->showMessage(document::summaryLine(doc));
    m_document = std::move(loaded);
    m_dragOutFile = fileName;
    m_shownPage = 0;
    m_shownPpi = document::pageResolution(*m_document, 0);
    resetViewTransform();
    showLoadedPixmap();
    showRecordsOf(m_document.get());
    showFactsOf(m_document.get());
    noticeDamage(*m_document);
}

int wsqimageviewer::pageCount() const {
    return m_document ? static_cast<int>(m_document->pages.size()) : 0;
}

int wsqimageviewer::pageRecord(int page) const {
    return page >= 0 && page < pageCount() ? m_document->pages[size_t(page)].record : 0;
}

bool wsqimageviewer::showPage(int page) {
    if (page < 0 || page >= pageCount()) return false;
    document::decodePage(m_document.get(), size_t(page));
    m_shownPage = page;
    m_shownPpi = document::pageResolution(*m_document, size_t(page));
    resetViewTransform();
    m_pixmap = std::make_unique<QPixmap>(QPixmap::fromImage(m_document->pages[size_t(page)].image));
    statusBar()->showMessage(m_document->transaction
                                 ? document::recordSummaryLine(*m_document, size_t(page))
                                 : document::summaryLine(*m_document));
    showLoadedPixmap();
    if (m_document->transaction)
        m_recordsPanel->recordShown(pageRecord(page), m_document->pages[size_t(page)].image);
    return true;
}

// The window reads the library's formats as the library's designed read does, settings left
// behind included.
void wsqimageviewer::keepLibraryReadSettings(const document::Document& doc) {
    if (doc.type && doc.type->reader == document::Reader::RasterLibrary)
        imagefile::KeepLibraryReadSettings(doc.tiff, doc.trueColourDepth);
}

void wsqimageviewer::showLoadedPixmap() {
    m_shownHeight = m_pixmap->height();
    m_shownWidth = m_pixmap->width();
    m_imageLabel->setScaledContents(false);
    m_imageLabel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    showPicture(*m_pixmap);
}

void wsqimageviewer::showPicture(const QPixmap& picture) {
    m_imageLabel->setPixmap(picture);
    fitImageLabelToView();
    comparisonFollowMain();
}

void wsqimageviewer::fitImageLabelToView() {
    const QPixmap shown = m_imageLabel->pixmap();
    const int frame = 2 * m_imageLabel->frameWidth();
    const QSize pictureSize = shown.isNull() ? QSize(0, 0) : shown.size() + QSize(frame, frame);
    m_imageLabel->resize(pictureSize.expandedTo(m_scrollView->viewport()->size()));
}

bool wsqimageviewer::eventFilter(QObject* watched, QEvent* e) {
    if (m_scrollView && watched == m_scrollView->viewport() && e->type() == QEvent::Resize)
        fitImageLabelToView();
    return QMainWindow::eventFilter(watched, e);
}

void wsqimageviewer::choose_load() {
    const QString fileName = QFileDialog::getOpenFileName(
        this, QString(), QString(), document::openDialogFilters().join(QLatin1Char('\n')));
    if (!fileName.isEmpty()) {
        open(fileName);
    } else {
        statusBar()->showMessage(tr("Loading aborted"), kTransientMessageMs);
    }
}

void wsqimageviewer::open(const QString& fileName) {
    load(fileName);
    rememberRecentFile(fileName);
    m_saveAction->setEnabled(true);
    m_copyAction->setEnabled(true);
}

void wsqimageviewer::about() {
    WSQAboutDialog dialog(this, nullptr, true);
    dialog.exec();
}

void wsqimageviewer::closeEvent(QCloseEvent* e) {
    e->accept();
}

void wsqimageviewer::moveEvent(QMoveEvent* e) {
    QMainWindow::moveEvent(e);
}
