// Drag and drop on the main window: a file dropped opens as File > Open would open it (the
// first one of several), a folder opens its first picture; dragging the picture out of the
// view hands the file's URL to whatever takes the drop.
#include <QApplication>
#include <QDir>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollArea>
#include <QStatusBar>
#include <QUrl>

#include "first_picture.h"
#include "wsqimageviewer.h"

namespace {

// The first local file or folder among the URLs of a drag; empty when there is none.
QString firstLocalPath(const QMimeData* data) {
    if (!data || !data->hasUrls()) return QString();
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && QFileInfo::exists(url.toLocalFile())) return url.toLocalFile();
    return QString();
}

// The side of the picture that goes with the pointer during a drag out.
constexpr int kDragPictureSide = 96;

}  // namespace

void wsqimageviewer::dragEnterEvent(QDragEnterEvent* e) {
    if (!firstLocalPath(e->mimeData()).isEmpty()) e->acceptProposedAction();
}

void wsqimageviewer::dragMoveEvent(QDragMoveEvent* e) {
    if (!firstLocalPath(e->mimeData()).isEmpty()) e->acceptProposedAction();
}

void wsqimageviewer::dropEvent(QDropEvent* e) {
    QString path = firstLocalPath(e->mimeData());
    if (path.isEmpty()) return;
    e->acceptProposedAction();
    if (QFileInfo(path).isDir()) {
        const QString folder = path;
        path = document::firstPictureIn(folder);
        if (path.isEmpty()) {
            statusBar()->showMessage(tr("No picture in %1").arg(QDir::toNativeSeparators(folder)));
            return;
        }
    }
    open(path);
}

bool wsqimageviewer::dragOut(QMouseEvent* e) {
    if (!(e->buttons() & Qt::LeftButton) || m_dragOutFile.isEmpty() || !m_pixmap ||
        m_pixmap->isNull() || m_dragLeft || m_dragRight || m_dragTop || m_dragBottom)
        return false;
    // Inside the view a drag scrolls the picture; it becomes a drag out once it leaves.
    const QWidget* viewport = m_scrollView->viewport();
    if (viewport->rect().contains(viewport->mapFromGlobal(e->globalPosition().toPoint())))
        return false;

    auto* urls = new QMimeData;
    urls->setUrls({QUrl::fromLocalFile(QFileInfo(m_dragOutFile).absoluteFilePath())});
    auto* drag = new QDrag(this);
    drag->setMimeData(urls);
    drag->setPixmap(m_pixmap->scaled(kDragPictureSide, kDragPictureSide, Qt::KeepAspectRatio,
                                     Qt::SmoothTransformation));
    // The drag takes the release: the hand cursor and any edge grip end here.
    QApplication::restoreOverrideCursor();
    drag->exec(Qt::CopyAction | Qt::LinkAction, Qt::CopyAction);
    m_dragLeft = m_dragRight = m_dragTop = m_dragBottom = false;
    return true;
}
