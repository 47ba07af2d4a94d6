// Crisp zoom: with "Smooth scaling" off a picture shown larger than its own size repeats its
// pixels (nearest neighbour), shrinking stays smooth, the designed zoom sizes do not change, and
// the toggle is remembered and shows the current picture again at once.
#include <gtest/gtest.h>

#include <QLabel>
#include <QSet>
#include <QTemporaryDir>
#include <QToolBar>

#include "support/qt_app_env.h"
#include "view_scaling.h"
#include "viewer_test_helpers.h"
#include "wsqimageviewer.h"

using viewertest::menuEntry;

namespace {

// Black and white pixels in a checker pattern: any blending shows as a grey in between.
QImage checker(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    return image;
}

QSet<int> greyLevels(const QImage& image) {
    QSet<int> levels;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) levels.insert(qGray(image.pixel(x, y)));
    return levels;
}

TEST(ViewScaling, ThreeHundredPercentRepeatsEveryPixelThreeByThree) {
    QImage source(5, 4, QImage::Format_RGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) source.setPixel(x, y, qRgb(x * 50, y * 60, 7));
    const QImage crisp = document::scaledForView(source, QSize(15, 12), false);
    ASSERT_EQ(crisp.size(), QSize(15, 12));
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 15; ++x)
            ASSERT_EQ(crisp.pixel(x, y), source.pixel(x / 3, y / 3)) << x << "," << y;
    // Smooth, as designed, blends neighbours.
    const QImage smooth = document::scaledForView(source, QSize(15, 12), true);
    EXPECT_NE(smooth.pixel(2, 0), source.pixel(0, 0));
    // Shrinking is smooth either way: nearest neighbour would drop pixels.
    const QImage big = checker(40, 40);
    EXPECT_EQ(document::scaledForView(big, QSize(20, 20), false),
              document::scaledForView(big, QSize(20, 20), true));
    // Enlarged along one side only still counts as enlarged.
    EXPECT_TRUE(document::shownEnlarged(QSize(40, 40), QSize(41, 10)));
    EXPECT_FALSE(document::shownEnlarged(QSize(40, 40), QSize(40, 40)));
}

class CrispZoomTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QString path = m_dir.filePath("checker.png");
        ASSERT_TRUE(checker(50, 50).save(path));
        m_window.load(path);
    }
    void zoomIn(int times) {
        for (QAction* a : m_window.findChild<QToolBar*>("file operations")->actions())
            if (a->text() == "Zoom In")
                for (int i = 0; i < times; ++i) a->trigger();
    }
    QImage shown() { return m_window.findChild<QLabel*>("imagelabel")->pixmap().toImage(); }

    QTemporaryDir m_dir;
    wsqimageviewer m_window;
};

TEST_F(CrispZoomTest, OffShowsOnlyTheFilesPixelsAtTheDesignedSizes) {
    QAction* smooth = menuEntry(m_window, "Smooth scaling");
    ASSERT_NE(smooth, nullptr);
    EXPECT_TRUE(smooth->isCheckable());
    EXPECT_TRUE(smooth->isChecked());  // on at first start, as designed

    zoomIn(6);
    const QSize zoomed(m_window.shownWidth(), m_window.shownHeight());
    EXPECT_EQ(zoomed, QSize(141, 141));  // the designed steps: 50, 59, 70, 83, 99, 118, 141
    EXPECT_GT(greyLevels(shown()).size(), 2);

    // Switching it off shows the same size again, without blending.
    smooth->trigger();
    EXPECT_EQ(QSize(m_window.shownWidth(), m_window.shownHeight()), zoomed);
    EXPECT_EQ(shown().size(), zoomed);
    EXPECT_EQ(greyLevels(shown()), QSet<int>({0, 255}));
    zoomIn(1);
    EXPECT_EQ(QSize(m_window.shownWidth(), m_window.shownHeight()), QSize(169, 169));
    EXPECT_EQ(greyLevels(shown()), QSet<int>({0, 255}));
    // Zoom Out, which rescales what is shown, stays crisp while the picture is still enlarged.
    for (QAction* a : m_window.findChild<QToolBar*>("file operations")->actions())
        if (a->text() == "Zoom Out") a->trigger();
    EXPECT_EQ(greyLevels(shown()), QSet<int>({0, 255}));

    // Remembered for the next window.
    wsqimageviewer second;
    EXPECT_FALSE(menuEntry(second, "Smooth scaling")->isChecked());
    smooth->trigger();
    EXPECT_GT(greyLevels(shown()).size(), 2);
}

}  // namespace
