// The pixel readout: a permanent status-bar field beside the designed summary line with the
// position, the value and, when the resolution is known, the millimetres of the pixel under
// the cursor.
#include <QLabel>
#include <QMouseEvent>
#include <QStatusBar>
#include <QStyle>

#include "document.h"
#include "imagelabel.h"
#include "pixel_readout.h"
#include "wsqimageviewer.h"

namespace {

// Follows the cursor over the picture. A move without a button pressed stops here: the
// designed drag scrolling of the window only ever sees moves with a button held.
class CursorFollower : public QObject {
public:
    CursorFollower(QObject* parent, std::function<void(QPoint)> moved, std::function<void()> left)
        : QObject(parent), m_moved(std::move(moved)), m_left(std::move(left)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::MouseMove) {
            auto* move = static_cast<QMouseEvent*>(e);
            m_moved(move->position().toPoint());
            if (move->buttons() == Qt::NoButton) return true;
        } else if (e->type() == QEvent::Leave) {
            m_left();
        }
        return QObject::eventFilter(watched, e);
    }

private:
    std::function<void(QPoint)> m_moved;
    std::function<void()> m_left;
};

}  // namespace

void wsqimageviewer::buildPixelReadout() {
    m_pixelReadout = new QLabel;
    m_pixelReadout->setObjectName(QStringLiteral("pixelReadout"));
    // Empty, it takes no room from the designed summary line beside it.
    m_pixelReadout->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    statusBar()->addPermanentWidget(m_pixelReadout);
    m_imageLabel->setMouseTracking(true);
    m_imageLabel->installEventFilter(new CursorFollower(
        this, [this](QPoint p) { updatePixelReadout(p); }, [this] { m_pixelReadout->clear(); }));
}

void wsqimageviewer::updatePixelReadout(QPoint labelPoint) {
    const QPixmap shown = m_imageLabel->pixmap();
    if (!m_pixmap || m_pixmap->isNull() || shown.isNull()) {
        m_pixelReadout->clear();
        return;
    }
    // A turned, flipped or inverted view reads the file's own pixel: its position and value. A
    // transform always starts from the page shown (a load, a page or a paste sets it back).
    const bool transformed = !m_viewTransform.isIdentity() && m_document &&
                             size_t(m_shownPage) < m_document->pages.size() &&
                             !m_document->pages[size_t(m_shownPage)].image.isNull();
    if (m_pixmap->cacheKey() != m_readoutKey) {
        m_readoutImage =
            transformed ? m_document->pages[size_t(m_shownPage)].image : m_pixmap->toImage();
        m_readoutGrey = m_readoutImage.allGray();
        m_readoutKey = m_pixmap->cacheKey();
    }
    // The label draws its picture centred in its contents.
    const QSize shownSize = shown.deviceIndependentSize().toSize();
    const QRect at = QStyle::alignedRect(m_imageLabel->layoutDirection(), m_imageLabel->alignment(),
                                         shownSize, m_imageLabel->contentsRect());
    std::optional<QPoint> pixel =
        document::picturePixelAt(labelPoint, at.topLeft(), shownSize, m_pixmap->size());
    if (pixel && transformed)
        pixel = document::sourcePixel(*pixel, m_pixmap->size(), m_viewTransform);
    const int ppi = shownPictureResolution();
    m_pixelReadout->setText(
        pixel ? document::pixelReadoutText(m_readoutImage, *pixel, m_readoutGrey, ppi) : QString());
}

int wsqimageviewer::shownPictureResolution() const {
    if (!m_pixmap || !m_document || m_shownPage < 0 ||
        size_t(m_shownPage) >= m_document->pages.size())
        return -1;
    // A picture pasted since the load is not the page, whose resolution then does not apply.
    const QSize page = m_document->pages[size_t(m_shownPage)].image.size();
    if ((m_viewTransform.quarterTurns % 2 ? page.transposed() : page) != m_pixmap->size())
        return -1;
    return m_shownPpi;
}
