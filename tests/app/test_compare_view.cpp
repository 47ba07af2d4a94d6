// The comparison: a second picture in a pane beside the main view, linked (zoom at one physical
// scale, scroll, folder steps) and unlinked, the facts line of each pane, and swapping, closing
// and saving either picture.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "compare_link.h"
#include "compare_pane.h"
#include "support/image_metrics.h"
#include "support/modal_watcher.h"
#include "support/qt_app_env.h"
#include "viewer_test_helpers.h"
#include "wsq/wsq.h"
#include "wsqimageviewer.h"

using viewertest::menuEntry;

namespace {

TEST(CompareLink, ZoomKeepsOnePhysicalScaleAndScrollKeepsItsFraction) {
    // A 500 ppi mark at 150% beside a 1000 ppi exemplar: the exemplar at 75%.
    EXPECT_DOUBLE_EQ(document::linkedZoomFactor(1.5, 500, 1000), 0.75);
    EXPECT_DOUBLE_EQ(document::linkedZoomFactor(1.5, -1, 1000), 1.5);
    EXPECT_DOUBLE_EQ(document::linkedZoomFactor(1.5, 500, -1), 1.5);
    EXPECT_EQ(document::linkedScrollValue(50, 0, 100, 0, 300), 150);
    EXPECT_EQ(document::linkedScrollValue(100, 0, 100, 0, 7), 7);
    EXPECT_EQ(document::linkedScrollValue(40, 0, 0, 0, 300), 0);  // nothing to scroll from
}

class CompareTest : public ::testing::Test {
protected:
    void SetUp() override {
        QDir(m_dir.path()).mkdir("marks");
        QDir(m_dir.path()).mkdir("exemplars");
        m_mark1 = writeWsq("marks/mark1.wsq", 200, 150, 500, 1);
        m_mark2 = writeWsq("marks/mark2.wsq", 200, 150, 500, 2);
        m_exemplar1 = writePng("exemplars/ex1.png", 400, 300, 1000, 60);
        m_exemplar2 = writePng("exemplars/ex2.png", 400, 300, 1000, 180);
        m_window.show();
        m_window.load(m_mark1);
    }
    QString writeWsq(const QString& name, int w, int h, int ppi, uint32_t seed) {
        const std::vector<uint8_t> grey = testsupport::synthetic_print(w, h, seed);
        const wsq::Encoded encoded = wsq::encode(grey, w, h, 2.25f, ppi);
        EXPECT_FALSE(encoded.error);
        QFile f(m_dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char*>(encoded.bytes.data()), qint64(encoded.bytes.size()));
        return f.fileName();
    }
    QString writePng(const QString& name, int w, int h, int ppi, int shade) {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(qRgb(shade, shade, shade));
        image.setDotsPerMeterX(qRound(ppi / 0.0254));
        image.setDotsPerMeterY(qRound(ppi / 0.0254));
        EXPECT_TRUE(image.save(m_dir.filePath(name)));
        return m_dir.filePath(name);
    }
    ComparePane* pane() { return m_window.findChild<ComparePane*>("comparePane"); }
    QScrollArea* mainScroll() {
        for (QScrollArea* s : m_window.findChildren<QScrollArea*>())
            if (s->objectName() != "paneScroll") return s;
        return nullptr;
    }
    void mainZoomIn(int times) {
        for (QAction* a : m_window.findChild<QToolBar*>("file operations")->actions())
            if (a->text() == "Zoom In")
                for (int i = 0; i < times; ++i) a->trigger();
    }
    void click(const char* button) {
        auto* b = pane()->findChild<QToolButton*>(button);
        ASSERT_NE(b, nullptr) << button;
        b->click();
    }
    QString name(const QString& path) { return QFileInfo(path).fileName(); }

    QTemporaryDir m_dir;
    QString m_mark1, m_mark2, m_exemplar1, m_exemplar2;
    wsqimageviewer m_window;
};

TEST_F(CompareTest, LinkedPanesZoomAtOnePhysicalScaleScrollAndStepTogether) {
    QAction* link = menuEntry(m_window, "Link views");
    ASSERT_NE(link, nullptr);
    EXPECT_TRUE(link->isChecked());  // on at first start
    EXPECT_FALSE(menuEntry(m_window, "Swap pictures")->isEnabled());
    ASSERT_TRUE(m_window.compareWith(m_exemplar1));
    ASSERT_NE(pane(), nullptr);
    EXPECT_NE(m_window.findChild<QSplitter*>("compareSplitter"), nullptr);
    EXPECT_TRUE(menuEntry(m_window, "Swap pictures")->isEnabled());

    // Each pane's facts line.
    EXPECT_EQ(m_window.findChild<QLabel*>("mainFacts")->text(),
              "mark1.wsq  WSQ 200 x 150, 500 ppi  zoom 100%");
    // The 1000 ppi exemplar, twice the pixels per inch, starts at half size: one scale.
    EXPECT_EQ(pane()->factsLine(), "ex1.png  PNG 400 x 300, 1000 ppi  zoom 50%");

    mainZoomIn(5);
    const int mainWidth = m_window.shownWidth();
    EXPECT_NEAR(pane()->shownSize().width(), mainWidth, 1);
    // The pane's own zoom drives the main view too.
    click("paneZoomIn");
    EXPECT_GT(m_window.shownWidth(), mainWidth);
    EXPECT_NEAR(pane()->shownSize().width(), m_window.shownWidth(), 1);

    // Scrolling either view scrolls the other to the same place.
    mainZoomIn(2);
    QTest::qWait(20);  // the scroll areas take their new ranges in the layout pass
    QScrollBar* mainBar = mainScroll()->horizontalScrollBar();
    QScrollBar* paneBar = pane()->scrollArea()->horizontalScrollBar();
    ASSERT_GT(mainBar->maximum(), 0);
    ASSERT_GT(paneBar->maximum(), 0);
    mainBar->setValue(mainBar->maximum());
    EXPECT_EQ(paneBar->value(), paneBar->maximum());
    paneBar->setValue(0);
    EXPECT_EQ(mainBar->value(), 0);

    // Next steps both, each through its own folder.
    menuEntry(m_window, "Next picture")->trigger();
    EXPECT_EQ(name(m_window.fileName()), "mark2.wsq");
    EXPECT_EQ(name(pane()->fileName()), "ex2.png");
    click("panePrevious");
    EXPECT_EQ(name(m_window.fileName()), "mark1.wsq");
    EXPECT_EQ(name(pane()->fileName()), "ex1.png");
}

TEST_F(CompareTest, UnlinkedPanesGoTheirOwnWay) {
    ASSERT_TRUE(m_window.compareWith(m_exemplar1));
    menuEntry(m_window, "Link views")->trigger();
    const double paneFactor = pane()->zoomFactor();
    mainZoomIn(3);
    EXPECT_DOUBLE_EQ(pane()->zoomFactor(), paneFactor);
    const int mainWidth = m_window.shownWidth();
    click("paneZoomOut");
    EXPECT_LT(pane()->zoomFactor(), paneFactor);
    EXPECT_EQ(m_window.shownWidth(), mainWidth);

    mainZoomIn(3);
    pane()->setZoomFactor(3.0);
    QTest::qWait(20);
    QScrollBar* paneBar = pane()->scrollArea()->horizontalScrollBar();
    ASSERT_GT(paneBar->maximum(), 17);
    paneBar->setValue(17);
    mainScroll()->horizontalScrollBar()->setValue(mainScroll()->horizontalScrollBar()->maximum());
    EXPECT_EQ(paneBar->value(), 17);

    click("paneNext");
    EXPECT_EQ(name(pane()->fileName()), "ex2.png");
    EXPECT_EQ(name(m_window.fileName()), "mark1.wsq");
    menuEntry(m_window, "Next picture")->trigger();
    EXPECT_EQ(name(m_window.fileName()), "mark2.wsq");
    EXPECT_EQ(name(pane()->fileName()), "ex2.png");

    // Remembered.
    wsqimageviewer second;
    EXPECT_FALSE(menuEntry(second, "Link views")->isChecked());
}

TEST_F(CompareTest, EitherPictureCanBeSwappedClosedOrSaved) {
    ASSERT_TRUE(m_window.compareWith(m_exemplar1));
    menuEntry(m_window, "Swap pictures")->trigger();
    EXPECT_EQ(name(m_window.fileName()), "ex1.png");
    EXPECT_EQ(name(pane()->fileName()), "mark1.wsq");
    EXPECT_EQ(m_window.currentPixmap()->size(), QSize(400, 300));

    // Saving the pane's picture goes through the designed Save dialog and leaves both in place.
    {
        testsupport::ModalWatcher watcher([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            viewertest::answerFileDialog(dialog, m_dir.filePath("saved-mark"),
                                         "PNG - Portable network graphic images (*.png)");
        });
        click("paneSave");
        ASSERT_EQ(watcher.seen().size(), 1);
    }
    const QImage saved(m_dir.filePath("saved-mark.png"));
    EXPECT_EQ(saved.size(), QSize(200, 150));
    EXPECT_EQ(name(m_window.fileName()), "ex1.png");
    EXPECT_EQ(name(pane()->fileName()), "mark1.wsq");

    // Closing the main picture keeps the other one, alone in the designed view.
    m_window.findChild<QToolButton*>("mainClose")->click();
    EXPECT_EQ(name(m_window.fileName()), "mark1.wsq");
    EXPECT_EQ(m_window.centralWidget(), mainScroll());
    QTest::qWait(1);
    EXPECT_EQ(pane(), nullptr);

    // Closing the pane leaves the main view as it was.
    ASSERT_TRUE(m_window.compareWith(m_exemplar2));
    click("paneClose");
    QTest::qWait(1);
    EXPECT_EQ(pane(), nullptr);
    EXPECT_EQ(m_window.centralWidget(), mainScroll());
    EXPECT_EQ(name(m_window.fileName()), "mark1.wsq");
    EXPECT_FALSE(menuEntry(m_window, "Close comparison")->isEnabled());
}

TEST_F(CompareTest, AFileWithoutAPictureSaysSoAndOpensNoPane) {
    QFile f(m_dir.filePath("broken.png"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a png");
    f.close();
    testsupport::ModalWatcher watcher;
    EXPECT_FALSE(m_window.compareWith(f.fileName()));
    ASSERT_EQ(watcher.seen().size(), 1);
    EXPECT_TRUE(watcher.seen()[0].text.startsWith("Cannot compare with"));
    QTest::qWait(1);
    EXPECT_EQ(pane(), nullptr);
    EXPECT_EQ(m_window.centralWidget(), mainScroll());
}

}  // namespace
