// True size: "Zoom to physical size" shows the picture so that one inch of print is one inch
// on screen, from the picture's resolution and the screen's; "Calibrate screen..." lets the
// user correct the screen's resolution with a ruler (remembered as view/screenPpi).
#include <QAction>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QStatusBar>

#include "physical_size.h"
#include "screen_calibration_dialog.h"
#include "viewer_messages.h"
#include "viewer_settings.h"
#include "wsqimageviewer.h"

void wsqimageviewer::buildPhysicalSize() {
    QAction* zoom = m_viewMenu->addAction(tr("Zoom to physical size"));
    zoom->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    connect(zoom, &QAction::triggered, this, &wsqimageviewer::zoomPhysical);
    m_viewMenu->addAction(tr("Calibrate screen..."), this, &wsqimageviewer::calibrateScreen);
}

double wsqimageviewer::screenPpi() const {
    const double calibrated = viewersettings::value(viewersettings::kScreenPpi, 0.0).toDouble();
    if (calibrated > 0) return calibrated;
    const QScreen* s = screen();
    return s ? s->physicalDotsPerInchX() : 0.0;
}

void wsqimageviewer::zoomPhysical() {
    if (!m_pixmap || m_pixmap->isNull()) return;
    const int ppi = shownPictureResolution();
    const document::PhysicalSize size =
        document::physicalShownSize(m_pixmap->size(), ppi, screenPpi());
    switch (size.problem) {
        case document::PhysicalSizeProblem::None:
            resizeShown(size.shown.width(), size.shown.height());
            statusBar()->showMessage(tr("Physical size: %1 ppi picture on a %2 ppi screen")
                                         .arg(ppi)
                                         .arg(screenPpi(), 0, 'f', 1),
                                     2000);
            return;
        case document::PhysicalSizeProblem::NoPictureResolution:
            QMessageBox::information(this, viewerMessageCaption(),
                                     tr("The picture has no resolution, so its physical size "
                                        "is not known."));
            return;
        case document::PhysicalSizeProblem::NoScreenResolution:
            QMessageBox::information(this, viewerMessageCaption(),
                                     tr("The screen's resolution is not known: calibrate the "
                                        "screen first (View > Calibrate screen...)."));
            return;
        case document::PhysicalSizeProblem::TooLarge:
            QMessageBox::information(this, viewerMessageCaption(),
                                     tr("At its physical size the picture would be more than "
                                        "%1 pixels wide or high.")
                                         .arg(document::kPhysicalSideLimit));
            return;
    }
}

void wsqimageviewer::calibrateScreen() {
    ScreenCalibrationDialog dialog(this, screenPpi());
    if (dialog.exec() != QDialog::Accepted) return;
    viewersettings::setValue(viewersettings::kScreenPpi,
                             dialog.resetAsked() ? 0.0 : dialog.screenPpi());
}
