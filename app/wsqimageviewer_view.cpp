// The image view of the main window: the zoom steps, drag scrolling with the hand cursor,
// resizing the picture by dragging its edges, the clipboard and the tool-bar toggle.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolBar>
#include <cstdlib>

#include "embedded_images.h"
#include "imagelabel.h"
#include "viewer_messages.h"
#include "wsqimageviewer.h"
#include "zoom_steps.h"

namespace {

// How close (in pixels) a press must be to an edge of the picture to drag that edge.
constexpr int kEdgeGrip = 9;
// The picture's top edge lies this far below the main window's top in the press formula.
constexpr int kTopOffset = 50;

}  // namespace

void wsqimageviewer::zoomIn() {
    if (!m_pixmap) return;
    const std::optional<QSize> size = zoomInSize(QSize(m_shownWidth, m_shownHeight));
    if (!size) return;
    m_shownWidth = size->width();
    m_shownHeight = size->height();
    showPicture(scaledForView(*m_pixmap, *size));
}

void wsqimageviewer::zoomOut() {
    const QPixmap shown = m_imageLabel->pixmap();
    if (shown.isNull()) return;
    const std::optional<QSize> size = zoomOutSize(QSize(m_shownWidth, m_shownHeight));
    if (!size) return;
    m_shownWidth = size->width();
    m_shownHeight = size->height();
    // Zoom Out rescales what is shown, not the full-size image.
    showPicture(scaledForView(shown, *size));
}

void wsqimageviewer::zoomFit() {
    if (!m_pixmap) return;
    const std::optional<QSize> size = zoomFitSize(this->size(), m_pixmap->size());
    if (!size) return;
    m_shownHeight = size->height();
    m_shownWidth = size->width();
    showPicture(scaledForView(*m_pixmap, visibleShownSize(m_shownWidth, m_shownHeight)));
}

void wsqimageviewer::zoomOriginal() {
    if (!m_pixmap) return;
    m_shownWidth = m_pixmap->width();
    m_shownHeight = m_pixmap->height();
    showPicture(*m_pixmap);
}

void wsqimageviewer::resizeShown(int width, int height) {
    if (!m_pixmap) return;
    const QSize size = visibleShownSize(width, height);
    m_shownHeight = size.height();
    m_shownWidth = size.width();
    showPicture(scaledForView(*m_pixmap, size));
}

void wsqimageviewer::mousePressEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    const int x = pos.x(), y = pos.y();
    const int w = m_shownWidth, h = m_shownHeight;
    const int cx = (w + m_imageLabel->width()) / 2;
    const int top = (m_imageLabel->height() - h) / 2 + kTopOffset;

    m_lastMouseX = x;
    m_lastMouseY = y;
    QApplication::setOverrideCursor(
        QCursor(embeddedPixmap(QStringLiteral("cursor_hand1.png")), -1, -1));

    if (std::abs(cx - x) <= kEdgeGrip) m_dragRight = true;
    if (std::abs(cx - x - w) <= kEdgeGrip) m_dragLeft = true;
    if (std::abs(top - y) <= kEdgeGrip) m_dragTop = true;
    if (std::abs(h + top - y) <= kEdgeGrip) m_dragBottom = true;

    QMainWindow::mousePressEvent(e);
}

bool wsqimageviewer::event(QEvent* e) {
    if (e->type() == QEvent::MouseMove) {
        if (dragOut(static_cast<QMouseEvent*>(e))) return true;
        // The position the event was made at, which is where the cursor was.
        const QPoint p = mapFromGlobal(static_cast<QMouseEvent*>(e)->globalPosition().toPoint());
        // The picture follows the hand: moving right scrolls the view to the left.
        if (p.x() != m_lastMouseX) {
            QScrollBar* bar = m_scrollView->horizontalScrollBar();
            bar->setValue(bar->value() + m_lastMouseX - p.x());
            m_lastMouseX = p.x();
        }
        if (p.y() != m_lastMouseY) {
            QScrollBar* bar = m_scrollView->verticalScrollBar();
            bar->setValue(bar->value() + m_lastMouseY - p.y());
            m_lastMouseY = p.y();
        }
        const int W = width(), H = height();
        if (m_dragRight) resizeShown(2 * p.x() - W, m_shownHeight);
        if (m_dragLeft) resizeShown(W - 2 * p.x(), m_shownHeight);
        if (m_dragTop) resizeShown(m_shownWidth, H + kTopOffset - 2 * p.y());
        if (m_dragBottom) resizeShown(m_shownWidth, 2 * p.y() - H);
        return QMainWindow::event(e);
    }
    if (e->type() == QEvent::MouseButtonRelease) {
        QApplication::restoreOverrideCursor();
        m_dragLeft = m_dragRight = m_dragTop = m_dragBottom = false;
    }
    return QMainWindow::event(e);
}

void wsqimageviewer::mouseReleaseEvent(QMouseEvent* e) {
    // The press pushed one cursor and event() has popped it; a pop with nothing stacked
    // does nothing.
    QApplication::restoreOverrideCursor();
    setCursor(Qt::ArrowCursor);
    m_dragLeft = m_dragRight = m_dragTop = m_dragBottom = false;
    QMainWindow::mouseReleaseEvent(e);
}

void wsqimageviewer::copyPicture() {
    const QPixmap shown = m_imageLabel->pixmap();
    if (shown.isNull()) return;
    QApplication::clipboard()->setImage(shown.toImage());
}

void wsqimageviewer::pastePicture() {
    QClipboard* clipboard = QApplication::clipboard();
    const QImage image = clipboard->image();
    if (image.isNull()) {
        QMessageBox::warning(this, viewerMessageCaption(), tr("The clipboard has no image"));
        return;
    }
    m_pixmap = std::make_unique<QPixmap>(QPixmap::fromImage(image));
    m_dragOutFile.clear();  // the pasted picture is no file's
    resetViewTransform();
    showPicture(*m_pixmap);
    m_shownHeight = m_pixmap->height();
    m_shownWidth = m_pixmap->width();
}

void wsqimageviewer::showZoomToolbar() {
    if (m_zoomToolbar->isHidden()) {
        m_zoomToolbar->show();
        m_zoomToolbarAction->setChecked(true);
    } else {
        m_zoomToolbar->hide();
        m_zoomToolbarAction->setChecked(false);
    }
}

void wsqimageviewer::editMenuAction() {
    m_copyAction->setEnabled(m_pixmap != nullptr);
}
