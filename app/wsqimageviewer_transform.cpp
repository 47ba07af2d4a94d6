// View transforms: rotate, flip and invert what is shown. The window title says how the shown
// picture differs from the file, and a save of a transformed picture asks first.
#include <QAction>
#include <QMenu>
#include <QMessageBox>
#include <QStatusBar>

#include "viewer_messages.h"
#include "wsqimageviewer.h"
#include "zoom_steps.h"

namespace {

const QString kDesignedTitle = QStringLiteral("Tarvelon WSQ viewer");

}  // namespace

void wsqimageviewer::buildViewTransforms() {
    m_viewMenu->addSeparator();
    struct Entry {
        const char* text;
        QKeySequence key;
        void (document::ViewTransform::*change)();
    };
    const Entry entries[] = {
        {"Rotate left", QKeySequence(Qt::CTRL | Qt::Key_L), &document::ViewTransform::rotateLeft},
        {"Rotate right", QKeySequence(Qt::CTRL | Qt::Key_R), &document::ViewTransform::rotateRight},
        {"Flip horizontally", QKeySequence(Qt::CTRL | Qt::Key_H),
         &document::ViewTransform::flipHorizontally},
        {"Flip vertically", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_H),
         &document::ViewTransform::flipVertically},
        {"Invert", QKeySequence(Qt::CTRL | Qt::Key_N), &document::ViewTransform::invert},
    };
    for (const Entry& e : entries) {
        QAction* action = m_viewMenu->addAction(tr(e.text));
        action->setShortcut(e.key);
        const auto change = e.change;
        connect(action, &QAction::triggered, this, [this, change] { changeViewTransform(change); });
    }
}

void wsqimageviewer::changeViewTransform(void (document::ViewTransform::*change)()) {
    if (!m_pixmap || m_pixmap->isNull()) return;
    // Applied to the picture shown now, the change alone is what the picture needs.
    document::ViewTransform step;
    (step.*change)();
    (m_viewTransform.*change)();
    const QSize shown(m_shownWidth, m_shownHeight);
    m_pixmap = std::make_unique<QPixmap>(
        QPixmap::fromImage(document::transformedPicture(m_pixmap->toImage(), step)));
    // The zoom stays: a quarter turn swaps the shown sides.
    const QSize next = step.quarterTurns % 2 ? shown.transposed() : shown;
    if (next == m_pixmap->size()) {
        m_shownWidth = next.width();
        m_shownHeight = next.height();
        showPicture(*m_pixmap);
    } else {
        resizeShown(next.width(), next.height());
    }
    updateTransformTitle();
}

void wsqimageviewer::resetViewTransform() {
    m_viewTransform = {};
    updateTransformTitle();
}

void wsqimageviewer::updateTransformTitle() {
    const QString how = document::transformDescription(m_viewTransform);
    setWindowTitle(how.isEmpty() ? kDesignedTitle
                                 : kDesignedTitle + QStringLiteral(" (") + how + QLatin1Char(')'));
}

bool wsqimageviewer::confirmTransformedSave() {
    if (m_viewTransform.isIdentity()) return true;
    const QMessageBox::StandardButton answer =
        QMessageBox::question(this, viewerMessageCaption(),
                              tr("The picture is shown %1. Save the picture as it is shown?")
                                  .arg(document::transformDescription(m_viewTransform)),
                              QMessageBox::Save | QMessageBox::Cancel, QMessageBox::Cancel);
    if (answer == QMessageBox::Save) return true;
    statusBar()->showMessage(tr("Saving aborted"), 2000);
    return false;
}
