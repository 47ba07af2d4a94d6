// Stepping through the pictures of the current file's folder (Page Down and Page Up, Home and
// End, the mouse's back and forward buttons), keeping the zoom and the scroll position between
// pictures of one size, and the recent files of the File menu.
#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>

#include "compare_pane.h"
#include "document.h"
#include "folder_listing.h"
#include "imagelabel.h"
#include "viewer_settings.h"
#include "wsqimageviewer.h"

namespace {

constexpr int kTransientMessageMs = 2000;
constexpr int kRecentFiles = 10;

// Turns the mouse's back and forward buttons into folder steps wherever they are pressed over
// the window, before the press reaches the designed drag handling.
class BackForwardButtons : public QObject {
public:
    BackForwardButtons(QObject* parent, std::function<void(document::FolderStep)> step)
        : QObject(parent), m_step(std::move(step)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonRelease ||
            e->type() == QEvent::MouseButtonDblClick) {
            const Qt::MouseButton button = static_cast<QMouseEvent*>(e)->button();
            if (button == Qt::BackButton || button == Qt::ForwardButton) {
                if (e->type() == QEvent::MouseButtonPress)
                    m_step(button == Qt::BackButton ? document::FolderStep::Previous
                                                    : document::FolderStep::Next);
                return true;
            }
        }
        return QObject::eventFilter(watched, e);
    }

private:
    std::function<void(document::FolderStep)> m_step;
};

}  // namespace

void wsqimageviewer::buildFolderBrowsing() {
    m_viewMenu->addSeparator();
    struct Step {
        const char* text;
        QKeySequence key;
        document::FolderStep step;
    };
    const Step steps[] = {
        {"Next picture", QKeySequence(Qt::Key_PageDown), document::FolderStep::Next},
        {"Previous picture", QKeySequence(Qt::Key_PageUp), document::FolderStep::Previous},
        {"First picture", QKeySequence(Qt::Key_Home), document::FolderStep::First},
        {"Last picture", QKeySequence(Qt::Key_End), document::FolderStep::Last},
    };
    for (const Step& s : steps) {
        QAction* action = m_viewMenu->addAction(tr(s.text));
        action->setShortcut(s.key);
        const document::FolderStep step = s.step;
        connect(action, &QAction::triggered, this, [this, step] { stepFolder(step); });
    }
    m_keepZoomAction = m_viewMenu->addAction(tr("Keep zoom and position"));
    m_keepZoomAction->setCheckable(true);
    m_keepZoomAction->setChecked(viewersettings::value(viewersettings::kKeepZoom, false).toBool());
    connect(m_keepZoomAction, &QAction::toggled, this,
            [](bool on) { viewersettings::setValue(viewersettings::kKeepZoom, on); });

    auto* buttons = new BackForwardButtons(this, [this](document::FolderStep s) { stepFolder(s); });
    installEventFilter(buttons);
    rebuildRecentFilesMenu();
}

void wsqimageviewer::stepFolder(document::FolderStep step) {
    // Linked comparison panes step together, each through its own folder.
    if (viewsLinked()) m_comparePane->step(step);
    if (m_fileName.isEmpty()) return;
    const QStringList files = document::openableFilesIn(QFileInfo(m_fileName).absolutePath());
    const QString target = document::steppedFile(files, m_fileName, step);
    if (target.isEmpty()) {
        statusBar()->showMessage(tr("No other picture in this direction"), kTransientMessageMs);
        return;
    }
    openBrowsed(target);
}

// Opens a file the user chose without the Open dialog (a folder step, a recent file): as the
// dialog does, Save and Copy are enabled afterwards.
void wsqimageviewer::openBrowsed(const QString& fileName) {
    const QSize before = m_pixmap ? m_pixmap->size() : QSize();
    const QSize shown(m_shownWidth, m_shownHeight);
    const int scrollX = m_scrollView->horizontalScrollBar()->value();
    const int scrollY = m_scrollView->verticalScrollBar()->value();
    load(fileName);
    rememberRecentFile(fileName);
    m_saveAction->setEnabled(true);
    m_copyAction->setEnabled(true);
    if (!m_keepZoomAction->isChecked() || !m_pixmap || m_pixmap->isNull() ||
        m_pixmap->size() != before)
        return;
    if (shown != m_pixmap->size()) resizeShown(shown.width(), shown.height());
    m_scrollView->horizontalScrollBar()->setValue(scrollX);
    m_scrollView->verticalScrollBar()->setValue(scrollY);
}

void wsqimageviewer::rememberRecentFile(const QString& fileName) {
    if (!m_document || m_fileName != fileName) return;
    const QString path = QFileInfo(fileName).absoluteFilePath();
    QStringList recent = viewersettings::value(viewersettings::kRecentFiles, {}).toStringList();
    recent.removeAll(path);
    recent.prepend(path);
    while (recent.size() > kRecentFiles) recent.removeLast();
    viewersettings::setValue(viewersettings::kRecentFiles, recent);
    rebuildRecentFilesMenu();
}

// The File menu keeps its designed entries; the recent files follow them once there are any.
void wsqimageviewer::rebuildRecentFilesMenu() {
    const QStringList recent =
        viewersettings::value(viewersettings::kRecentFiles, {}).toStringList();
    if (recent.isEmpty()) {
        delete m_recentFilesSeparator;
        m_recentFilesSeparator = nullptr;
        if (m_recentFilesMenu) m_recentFilesMenu->deleteLater();
        if (m_recentFilesMenu) m_fileMenu->removeAction(m_recentFilesMenu->menuAction());
        m_recentFilesMenu = nullptr;
        return;
    }
    if (!m_recentFilesMenu) {
        m_recentFilesSeparator = m_fileMenu->addSeparator();
        m_recentFilesMenu = m_fileMenu->addMenu(tr("Recent files"));
        m_recentFilesMenu->setObjectName(QStringLiteral("recentFilesMenu"));
    }
    m_recentFilesMenu->clear();
    for (const QString& path : recent) {
        QAction* entry = m_recentFilesMenu->addAction(QFileInfo(path).fileName());
        entry->setData(path);
        entry->setToolTip(path);
        connect(entry, &QAction::triggered, this, [this, path] { openBrowsed(path); });
    }
    m_recentFilesMenu->addSeparator();
    m_recentFilesMenu->addAction(tr("Clear"), this, [this] {
        viewersettings::setValue(viewersettings::kRecentFiles, QStringList());
        // The menu that holds this entry goes away: leave its own signal first.
        QMetaObject::invokeMethod(
            this, [this] { rebuildRecentFilesMenu(); }, Qt::QueuedConnection);
    });
}
