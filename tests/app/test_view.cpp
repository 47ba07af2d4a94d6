// The image view: zoom arithmetic and the zoom steps, edge dragging, drag scrolling, the
// override cursor, the clipboard and the tool-bar toggle.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include "imagelabel.h"
#include "support/modal_watcher.h"
#include "support/qt_app_env.h"
#include "viewer_test_helpers.h"
#include "wsqimageviewer.h"
#include "zoom_steps.h"

using viewertest::menuEntry;
using viewertest::patternImage;

TEST(ZoomArithmetic, ZoomInTruncatesTheExtendedProductAndStopsPast2000) {
    struct Row {
        int from, to;
    };
    for (const Row row :
         {Row{10, 11}, Row{100, 119}, Row{500, 599}, Row{1666, 1999}, Row{1, 1}, Row{0, 0}}) {
        SCOPED_TRACE(row.from);
        const std::optional<QSize> size = zoomInSize(QSize(row.from, row.from));
        ASSERT_TRUE(size.has_value());
        EXPECT_EQ(*size, QSize(row.to, row.to));
    }
    // 1667 x 1.2 = 2000.4: too wide, or too high.
    EXPECT_FALSE(zoomInSize(QSize(1667, 10)).has_value());
    EXPECT_FALSE(zoomInSize(QSize(10, 1667)).has_value());
    EXPECT_EQ(zoomInSize(QSize(1666, 500)), QSize(1999, 599));
}

TEST(ZoomArithmetic, ZoomOutTestsTheExactQuotientAgainst10) {
    EXPECT_EQ(zoomOutSize(QSize(120, 599)), QSize(100, 499));
    EXPECT_EQ(zoomOutSize(QSize(12, 12)), QSize(10, 10));
    EXPECT_EQ(zoomOutSize(QSize(599, 599)), QSize(499, 499));
    EXPECT_FALSE(zoomOutSize(QSize(11, 500)).has_value());
    EXPECT_FALSE(zoomOutSize(QSize(500, 11)).has_value());
    EXPECT_FALSE(zoomOutSize(QSize(0, 0)).has_value());
}

TEST(ZoomArithmetic, ZoomFitUsesIntegerDivisionForBothOrientations) {
    // Window no wider than high: fit the width, unless the height then overflows.
    EXPECT_EQ(zoomFitSize(QSize(480, 480), QSize(1000, 500)), QSize(465, 232));
    EXPECT_EQ(zoomFitSize(QSize(480, 480), QSize(500, 1000)), QSize(200, 400));
    EXPECT_EQ(zoomFitSize(QSize(480, 480), QSize(10, 10)), QSize(465, 465));
    // Window wider than high: fit the height, unless the width then overflows.
    EXPECT_EQ(zoomFitSize(QSize(800, 480), QSize(1000, 500)), QSize(800, 400));
    EXPECT_EQ(zoomFitSize(QSize(800, 480), QSize(2000, 500)), QSize(785, 196));
    EXPECT_EQ(zoomFitSize(QSize(800, 480), QSize(300, 600)), QSize(200, 400));
    // An image without pixels has no aspect ratio: no fit instead of a division by zero.
    EXPECT_FALSE(zoomFitSize(QSize(480, 480), QSize(0, 0)).has_value());
    EXPECT_FALSE(zoomFitSize(QSize(480, 480), QSize(10, 0)).has_value());
}

TEST(ZoomArithmetic, EdgeDragSizesStayVisible) {
    EXPECT_EQ(visibleShownSize(300, 200), QSize(300, 200));
    EXPECT_EQ(visibleShownSize(1, 1), QSize(1, 1));
    EXPECT_EQ(visibleShownSize(0, 5), QSize(1, 5));
    EXPECT_EQ(visibleShownSize(5, -280), QSize(5, 1));
}

class ViewTest : public ::testing::Test {
protected:
    void loadPicture(int width, int height) {
        const QString path = m_dir.filePath(QStringLiteral("p%1x%2.png").arg(width).arg(height));
        ASSERT_TRUE(patternImage(width, height).save(path));
        m_window.load(path);
        ASSERT_NE(m_window.currentPixmap(), nullptr);
    }
    void call(const char* slot) { ASSERT_TRUE(QMetaObject::invokeMethod(&m_window, slot)); }
    ImageLabel* label() { return m_window.findChild<ImageLabel*>("imagelabel"); }
    QSize shown() const { return QSize(m_window.shownWidth(), m_window.shownHeight()); }
    QSize labelPicture() { return label()->pixmap().size(); }

    QTemporaryDir m_dir;
    wsqimageviewer m_window;
};

TEST_F(ViewTest, ZoomStepsScaleTheShownPicture) {
    loadPicture(500, 500);
    call("zoomIn");
    EXPECT_EQ(shown(), QSize(599, 599));
    EXPECT_EQ(labelPicture(), QSize(599, 599));
    call("zoomOut");
    EXPECT_EQ(shown(), QSize(499, 499));
    EXPECT_EQ(labelPicture(), QSize(499, 499));
    call("zoomOriginal");
    EXPECT_EQ(shown(), QSize(500, 500));
    EXPECT_EQ(labelPicture(), QSize(500, 500));
    EXPECT_EQ(label()->pixmap().toImage().convertToFormat(QImage::Format_RGB32),
              patternImage(500, 500));
    // The zoom steps never touch the full-size image.
    EXPECT_EQ(m_window.currentPixmap()->size(), QSize(500, 500));
}

// Zoom Out rescales the picture as shown; Zoom In, Fit and edge drags start from the
// full-size image, so they never pile up scaling losses.
TEST_F(ViewTest, ZoomOutRescalesTheShownPictureTheOthersTheImage) {
    auto scaled = [](const QImage& image, int side) {
        return image.scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
            .convertToFormat(QImage::Format_RGB32);
    };
    auto shownImage = [this] {
        return label()->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
    };
    loadPicture(500, 500);
    const QImage original = m_window.currentPixmap()->toImage();
    call("zoomIn");
    const QImage zoomedIn = shownImage();
    EXPECT_EQ(zoomedIn, scaled(original, 599));
    call("zoomOut");
    EXPECT_EQ(shownImage(), scaled(zoomedIn, 499));
    EXPECT_NE(shownImage(), scaled(original, 499));
    call("zoomIn");  // 499 -> 598, from the full-size image again
    EXPECT_EQ(shown(), QSize(598, 598));
    EXPECT_EQ(shownImage(), scaled(original, 598));
}

TEST_F(ViewTest, ZoomLimitsAndFit) {
    loadPicture(1667, 20);
    call("zoomIn");
    EXPECT_EQ(shown(), QSize(1667, 20));
    loadPicture(1666, 20);
    call("zoomIn");
    // 20 x 1.2 lies just below 24 in extended precision.
    EXPECT_EQ(shown(), QSize(1999, 23));
    EXPECT_EQ(labelPicture(), QSize(1999, 23));

    loadPicture(100, 12);
    call("zoomOut");
    EXPECT_EQ(shown(), QSize(83, 10));
    call("zoomOut");
    EXPECT_EQ(shown(), QSize(83, 10));

    loadPicture(1000, 500);
    ASSERT_EQ(m_window.size(), QSize(480, 480));
    call("zoomFit");
    EXPECT_EQ(shown(), QSize(465, 232));
    EXPECT_EQ(labelPicture(), QSize(465, 232));
    loadPicture(500, 1000);
    call("zoomFit");
    EXPECT_EQ(shown(), QSize(200, 400));
    m_window.resize(800, 480);
    loadPicture(2000, 500);
    call("zoomFit");
    EXPECT_EQ(shown(), QSize(785, 196));
}

TEST_F(ViewTest, ZoomStepsWithoutAnImageDoNothing) {
    for (const char* slot : {"zoomIn", "zoomOut", "zoomFit", "zoomOriginal"}) {
        SCOPED_TRACE(slot);
        call(slot);
        EXPECT_EQ(shown(), QSize(0, 0));
        EXPECT_TRUE(label()->pixmap().isNull());
    }
    // A file that could not be decoded leaves an empty current image: still harmless.
    const QString junk = m_dir.filePath("junk.png");
    QFile file(junk);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("no picture");
    file.close();
    m_window.load(junk);
    for (const char* slot : {"zoomIn", "zoomOut", "zoomFit", "zoomOriginal"}) {
        SCOPED_TRACE(slot);
        call(slot);
        EXPECT_EQ(shown(), QSize(0, 0));
    }
}

// Presses and moves go to the main window in its own coordinates, as they arrive from the
// label and the scroll view.
class EdgeDragTest : public ViewTest {
protected:
    void SetUp() override {
        m_window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_window));
        loadPicture(200, 100);
        m_cx = (200 + label()->width()) / 2;
        m_top = (label()->height() - 100) / 2 + 50;
    }
    void drag(QPoint from, QPoint to) {
        QTest::mousePress(&m_window, Qt::LeftButton, {}, from);
        QTest::mouseMove(&m_window, to);
    }
    void release(QPoint at) { QTest::mouseRelease(&m_window, Qt::LeftButton, {}, at); }
    int m_cx = 0;
    int m_top = 0;
};

TEST_F(EdgeDragTest, RightEdge) {
    const int y = m_top + 50;
    drag(QPoint(m_cx, y), QPoint(400, y));
    EXPECT_EQ(shown(), QSize(2 * 400 - 480, 100));
    EXPECT_EQ(labelPicture(), QSize(320, 100));
    // Left of the window's centre the formula asks for a negative width: one pixel is shown.
    QTest::mouseMove(&m_window, QPoint(100, y));
    EXPECT_EQ(shown(), QSize(1, 100));
    EXPECT_EQ(labelPicture(), QSize(1, 100));
    release(QPoint(100, y));
    QTest::mouseMove(&m_window, QPoint(300, y));  // after the release nothing is dragged
    EXPECT_EQ(shown(), QSize(1, 100));
}

TEST_F(EdgeDragTest, LeftEdge) {
    const int y = m_top + 50;
    drag(QPoint(m_cx - 200 + 3, y), QPoint(60, y));
    EXPECT_EQ(shown(), QSize(480 - 2 * 60, 100));
    QTest::mouseMove(&m_window, QPoint(240, y));
    EXPECT_EQ(shown(), QSize(1, 100));
    release(QPoint(240, y));
}

TEST_F(EdgeDragTest, TopAndBottomEdges) {
    const int x = m_cx - 100;
    drag(QPoint(x, m_top - 4), QPoint(x, 100));
    EXPECT_EQ(shown(), QSize(200, 480 + 50 - 2 * 100));
    QTest::mouseMove(&m_window, QPoint(x, 265));
    EXPECT_EQ(shown(), QSize(200, 1));
    release(QPoint(x, 265));

    m_window.load(m_window.fileName());
    drag(QPoint(x, m_top + 100 + 6), QPoint(x, 400));
    EXPECT_EQ(shown(), QSize(200, 2 * 400 - 480));
    QTest::mouseMove(&m_window, QPoint(x, 240));
    EXPECT_EQ(shown(), QSize(200, 1));
    release(QPoint(x, 240));
}

TEST_F(ViewTest, DraggingThePictureScrollsTheViewTheOtherWay) {
    m_window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_window));
    loadPicture(1200, 1200);
    auto* view = qobject_cast<QScrollArea*>(m_window.centralWidget());
    QScrollBar* horizontal = view->horizontalScrollBar();
    QScrollBar* vertical = view->verticalScrollBar();
    ASSERT_GT(horizontal->maximum(), 300);
    ASSERT_GT(vertical->maximum(), 300);
    horizontal->setValue(200);
    vertical->setValue(200);

    // A point well inside the picture, away from its edges.
    const QPoint start = label()->mapFromParent(QPoint(150, 150));
    QTest::mousePress(label(), Qt::LeftButton, {}, start);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BitmapCursor);
    QTest::mouseMove(label(), start + QPoint(30, 0));
    EXPECT_EQ(horizontal->value(), 170);
    EXPECT_EQ(vertical->value(), 200);
    QTest::mouseMove(label(), label()->mapFromParent(QPoint(180, 130)));
    EXPECT_EQ(horizontal->value(), 170);
    EXPECT_EQ(vertical->value(), 220);
    QTest::mouseRelease(label(), Qt::LeftButton, {}, label()->mapFromParent(QPoint(180, 130)));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(m_window.cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(shown(), QSize(1200, 1200));  // no edge was grabbed
}

TEST_F(ViewTest, CopyThenPasteRestoresTheZoomedPicture) {
    loadPicture(500, 500);
    call("zoomIn");
    call("copyPicture");
    const QImage copied = QApplication::clipboard()->image();
    ASSERT_EQ(copied.size(), QSize(599, 599));

    loadPicture(40, 30);
    const QString line = viewertest::statusText(m_window);
    call("pastePicture");
    ASSERT_NE(m_window.currentPixmap(), nullptr);
    EXPECT_EQ(m_window.currentPixmap()->size(), QSize(599, 599));
    EXPECT_EQ(shown(), QSize(599, 599));
    EXPECT_EQ(labelPicture(), QSize(599, 599));
    EXPECT_EQ(label()->pixmap().toImage().convertToFormat(QImage::Format_RGB32),
              copied.convertToFormat(QImage::Format_RGB32));
    EXPECT_EQ(viewertest::statusText(m_window), line);
    // Pasted pictures zoom like loaded ones.
    call("zoomOriginal");
    EXPECT_EQ(shown(), QSize(599, 599));
}

TEST_F(ViewTest, PasteWithoutAnImageWarns) {
    loadPicture(40, 30);
    QApplication::clipboard()->setText("just text");
    testsupport::ModalWatcher watcher;
    call("pastePicture");
    ASSERT_EQ(watcher.seen().size(), 1);
    EXPECT_EQ(watcher.seen()[0].caption, "WSQ viewer");
    EXPECT_EQ(watcher.seen()[0].text, "The clipboard has no image");
    EXPECT_EQ(watcher.seen()[0].icon, QMessageBox::Warning);
    EXPECT_EQ(m_window.currentPixmap()->size(), QSize(40, 30));
}

TEST_F(ViewTest, CopyWithNothingShownLeavesTheClipboard) {
    QApplication::clipboard()->setText("kept");
    call("copyPicture");
    EXPECT_EQ(QApplication::clipboard()->text(), "kept");
    EXPECT_TRUE(QApplication::clipboard()->image().isNull());
}

TEST_F(ViewTest, ToolbarToggleFollowsTheCheckMark) {
    m_window.show();
    auto* toolbar = m_window.findChild<QToolBar*>("file operations");
    QAction* toggle = menuEntry(m_window, "Show zoom toolbar");
    ASSERT_TRUE(toolbar->isVisible());
    toggle->trigger();
    EXPECT_FALSE(toolbar->isVisible());
    EXPECT_FALSE(toggle->isChecked());
    call("showZoomToolbar");
    EXPECT_TRUE(toolbar->isVisible());
    EXPECT_TRUE(toggle->isChecked());
    call("showZoomToolbar");
    EXPECT_FALSE(toolbar->isVisible());
    EXPECT_FALSE(toggle->isChecked());
    // Shown again from the tool-bar area's context menu: the check mark follows.
    toolbar->toggleViewAction()->trigger();
    EXPECT_TRUE(toolbar->isVisible());
    EXPECT_TRUE(toggle->isChecked());
    toolbar->toggleViewAction()->trigger();
    EXPECT_FALSE(toggle->isChecked());
    call("showZoomToolbar");
    EXPECT_TRUE(toolbar->isVisible());
}

TEST_F(ViewTest, EditMenuActionEnablesCopyExactlyWithAnImage) {
    QAction* copy = menuEntry(m_window, "&Copy");
    call("editMenuAction");
    EXPECT_FALSE(copy->isEnabled());
    loadPicture(10, 10);
    call("editMenuAction");
    EXPECT_TRUE(copy->isEnabled());
    {
        testsupport::ModalWatcher watcher;  // "the file type is not supported"
        m_window.load(m_dir.filePath("none.unknown"));
    }
    call("editMenuAction");
    EXPECT_FALSE(copy->isEnabled());
}
