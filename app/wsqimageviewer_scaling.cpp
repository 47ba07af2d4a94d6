// Crisp zoom: the View menu's "Smooth scaling" toggle (on, as designed, at first start and
// remembered). Off, a picture shown larger than its own size repeats its pixels instead of
// blending them; the zoom steps and their sizes stay as they are.
#include <QAction>
#include <QMenu>

#include "view_scaling.h"
#include "viewer_settings.h"
#include "wsqimageviewer.h"
#include "zoom_steps.h"

void wsqimageviewer::buildSmoothScalingToggle() {
    m_smoothScalingAction = m_viewMenu->addAction(tr("Smooth scaling"));
    m_smoothScalingAction->setCheckable(true);
    m_smoothScalingAction->setChecked(
        viewersettings::value(viewersettings::kSmoothScaling, true).toBool());
    connect(m_smoothScalingAction, &QAction::toggled, this, [this](bool on) {
        viewersettings::setValue(viewersettings::kSmoothScaling, on);
        // The picture is shown again at its size, scaled the new way.
        if (m_pixmap && QSize(m_shownWidth, m_shownHeight) != m_pixmap->size())
            showPicture(scaledForView(*m_pixmap, visibleShownSize(m_shownWidth, m_shownHeight)));
    });
}

bool wsqimageviewer::smoothScaling() const {
    return !m_smoothScalingAction || m_smoothScalingAction->isChecked();
}

QPixmap wsqimageviewer::scaledForView(const QPixmap& source, QSize size) const {
    // Without smoothing, an enlarged picture is made from the full-size one, so every shown
    // pixel repeats a pixel of the file (Zoom Out would otherwise start from a shown copy).
    const bool crisp =
        !smoothScaling() && m_pixmap && document::shownEnlarged(m_pixmap->size(), size);
    const QPixmap& from = crisp ? *m_pixmap : source;
    return QPixmap::fromImage(document::scaledForView(from.toImage(), size, !crisp));
}
