// The pixel readout: which pixel a point of the view shows at any zoom, the grey or RGB value,
// millimetres at 500 ppi, the field beside the designed summary line, and moves without a
// button that must not scroll the view.
#include <gtest/gtest.h>

#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>

#include "pixel_readout.h"
#include "support/image_metrics.h"
#include "support/qt_app_env.h"
#include "viewer_test_helpers.h"
#include "wsq/wsq.h"
#include "wsqimageviewer.h"

namespace {

TEST(PixelReadout, PointsMapToPicturePixelsAtAnyScale) {
    using document::picturePixelAt;
    const QPoint origin(10, 20);
    // 100%: one to one, the edges included, nothing outside.
    EXPECT_EQ(picturePixelAt({10, 20}, origin, {50, 40}, {50, 40}), QPoint(0, 0));
    EXPECT_EQ(picturePixelAt({59, 59}, origin, {50, 40}, {50, 40}), QPoint(49, 39));
    EXPECT_EQ(picturePixelAt({60, 30}, origin, {50, 40}, {50, 40}), std::nullopt);
    EXPECT_EQ(picturePixelAt({9, 30}, origin, {50, 40}, {50, 40}), std::nullopt);
    // 300%: three shown pixels per picture pixel.
    EXPECT_EQ(picturePixelAt({10 + 5, 20 + 8}, origin, {150, 120}, {50, 40}), QPoint(1, 2));
    EXPECT_EQ(picturePixelAt({10 + 149, 20 + 119}, origin, {150, 120}, {50, 40}), QPoint(49, 39));
    // Zoomed out to 40 x 32: every shown pixel stands for 1.25 picture pixels.
    EXPECT_EQ(picturePixelAt({10 + 39, 20 + 31}, origin, {40, 32}, {50, 40}), QPoint(48, 38));
    EXPECT_EQ(picturePixelAt({10, 20}, origin, {0, 0}, {50, 40}), std::nullopt);
}

TEST(PixelReadout, TextGivesGreyOrRgbAndMillimetresWhenTheResolutionIsKnown) {
    QImage image(600, 10, QImage::Format_RGB32);
    image.fill(qRgb(77, 77, 77));
    image.setPixel(500, 5, qRgb(10, 200, 30));
    EXPECT_EQ(document::pixelReadoutText(image, {250, 5}, true, 500),
              "x 250, y 5  grey 77  12.70 mm, 0.25 mm");
    EXPECT_EQ(document::pixelReadoutText(image, {500, 5}, false, 500),
              "x 500, y 5  RGB 10, 200, 30  25.40 mm, 0.25 mm");
    EXPECT_EQ(document::pixelReadoutText(image, {500, 5}, false, -1),
              "x 500, y 5  RGB 10, 200, 30");
    EXPECT_EQ(document::pixelReadoutText(image, {600, 5}, true, 500), "");
}

class ReadoutWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_window));
    }
    QLabel* readout() { return m_window.findChild<QLabel*>("pixelReadout"); }
    QLabel* label() { return m_window.findChild<QLabel*>("imagelabel"); }
    // Moves the cursor, without a button, to the point of the label that shows pixel (x, y).
    void hover(int x, int y) {
        const QSize shown = label()->pixmap().size();
        const QRect at = QStyle::alignedRect(Qt::LeftToRight, label()->alignment(), shown,
                                             label()->contentsRect());
        const double sx = double(shown.width()) / m_window.currentPixmap()->width();
        const double sy = double(shown.height()) / m_window.currentPixmap()->height();
        QTest::mouseMove(label(), at.topLeft() + QPoint(int((x + 0.5) * sx), int((y + 0.5) * sy)));
    }

    QTemporaryDir m_dir;
    wsqimageviewer m_window;
};

TEST_F(ReadoutWindowTest, WsqAt500PpiReadsGreyAndMillimetresBesideTheSummary) {
    const std::vector<uint8_t> grey = testsupport::synthetic_print(200, 150, 3);
    const wsq::Encoded encoded = wsq::encode(grey, 200, 150, 2.25f, 500);
    ASSERT_FALSE(encoded.error);
    const QString path = m_dir.filePath("print.wsq");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char*>(encoded.bytes.data()), qint64(encoded.bytes.size()));
    f.close();
    m_window.load(path);
    ASSERT_NE(readout(), nullptr);
    // Empty, the field takes no room from the designed summary line.
    EXPECT_LT(readout()->sizeHint().width(), 20);
    const QString summary = viewertest::statusText(m_window);
    EXPECT_TRUE(summary.startsWith("Image info: width = 200")) << summary.toStdString();

    const int value = qGray(m_window.currentPixmap()->toImage().pixel(100, 50));
    hover(100, 50);
    EXPECT_EQ(readout()->text(), QString("x 100, y 50  grey %1  5.08 mm, 2.54 mm").arg(value));
    // The designed summary line stays.
    EXPECT_EQ(viewertest::statusText(m_window), summary);
    // At a zoom the same pixel reads the same.
    for (QAction* a : m_window.findChildren<QAction*>())
        if (a->text() == "Zoom In") a->trigger();
    hover(100, 50);
    EXPECT_TRUE(readout()->text().startsWith(QString("x 100, y 50  grey %1").arg(value)))
        << readout()->text().toStdString();
}

TEST_F(ReadoutWindowTest, ColourPixelsReadRgbAndMovesWithoutAButtonDoNotScroll) {
    QImage image(900, 700, QImage::Format_RGB32);
    image.fill(qRgb(1, 2, 3));
    image.setPixel(12, 7, qRgb(250, 128, 4));
    image.setDotsPerMeterX(qRound(250 / 0.0254));
    image.setDotsPerMeterY(qRound(250 / 0.0254));
    const QString path = m_dir.filePath("colour.png");
    ASSERT_TRUE(image.save(path));
    m_window.load(path);
    auto* scroll = m_window.findChild<QScrollArea*>();
    scroll->horizontalScrollBar()->setValue(0);
    scroll->verticalScrollBar()->setValue(0);
    hover(12, 7);
    // The resolution is the one the PNG's pHYs chunk states.
    EXPECT_EQ(readout()->text(), "x 12, y 7  RGB 250, 128, 4  1.22 mm, 0.71 mm");
    hover(40, 30);
    EXPECT_EQ(scroll->horizontalScrollBar()->value(), 0);
    EXPECT_EQ(scroll->verticalScrollBar()->value(), 0);
    // A turned and inverted view still reads the file's pixel and value.
    for (const char* entry : {"Rotate right", "Invert"})
        viewertest::menuEntry(m_window, entry)->trigger();
    // Pixel (12, 7) of the 900 x 700 file now shows at (700 - 1 - 7, 12).
    scroll->horizontalScrollBar()->setValue(scroll->horizontalScrollBar()->maximum());
    scroll->verticalScrollBar()->setValue(0);
    hover(692, 12);
    EXPECT_EQ(readout()->text(), "x 12, y 7  RGB 250, 128, 4  1.22 mm, 0.71 mm");
    // Leaving the picture clears the field.
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(label(), &leave);
    EXPECT_EQ(readout()->text(), "");
}

}  // namespace
