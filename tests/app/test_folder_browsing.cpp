// Stepping through a folder: natural order, the files a reader takes, no wrapping at the ends,
// the keys and the mouse's back and forward buttons, keeping zoom and position between pictures
// of one size, and the recent files of the File menu.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include "folder_listing.h"
#include "natural_order.h"
#include "support/qt_app_env.h"
#include "viewer_startup.h"
#include "viewer_test_helpers.h"
#include "wsqimageviewer.h"

using document::FolderStep;
using viewertest::menuEntry;
using viewertest::menuTitled;

namespace {

TEST(NaturalOrder, DigitRunsCompareByValueAndLettersWithoutCase) {
    QStringList names = {"print10.png",
                         "print2.png",
                         "Print1.png",
                         "print02.wsq",
                         "mark.wsq",
                         "print1a.png",
                         "print.png",
                         "99.bmp",
                         "100.bmp",
                         "print2.png.bak",
                         "a0000000000000000000000000000001.png",
                         "a2.png"};
    std::sort(names.begin(), names.end(), document::naturalLess);
    EXPECT_EQ(names, QStringList({"99.bmp", "100.bmp", "a0000000000000000000000000000001.png",
                                  "a2.png", "mark.wsq", "print.png", "Print1.png", "print1a.png",
                                  "print2.png", "print2.png.bak", "print02.wsq", "print10.png"}));
    // Strict: names equal but for case or leading zeros are still ordered, one way only.
    EXPECT_NE(document::naturalLess("a1", "A1"), document::naturalLess("A1", "a1"));
    EXPECT_NE(document::naturalLess("a01", "a1"), document::naturalLess("a1", "a01"));
    EXPECT_FALSE(document::naturalLess("same", "same"));
}

class FolderTest : public ::testing::Test {
protected:
    QString write(const QString& name, int width = 30, int height = 20, int shade = 100) {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(qRgb(shade, shade, shade));
        const QString path = m_dir.filePath(name);
        EXPECT_TRUE(image.save(path, "PNG"));
        return path;
    }
    QString writeBytes(const QString& name, const QByteArray& bytes) {
        QFile f(m_dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    }
    QString shownName(wsqimageviewer& w) { return QFileInfo(w.fileName()).fileName(); }

    QTemporaryDir m_dir;
};

TEST_F(FolderTest, ListsOpenableFilesOnlyInNaturalOrder) {
    write("print10.png");
    write("print2.png");
    write("print1.png");
    writeBytes("notes.txt", "text");
    writeBytes("a.b.c", "x");
    QDir(m_dir.path()).mkdir("sub.png");  // a folder is not a file
    const QStringList files = document::openableFilesIn(m_dir.path());
    QStringList names;
    for (const QString& f : files) names << QFileInfo(f).fileName();
    EXPECT_EQ(names, QStringList({"print1.png", "print2.png", "print10.png"}));
    EXPECT_TRUE(document::openableFilesIn(m_dir.filePath("missing")).isEmpty());
}

TEST_F(FolderTest, StepsStopAtTheEndsAndFindTheirWayFromADeletedFile) {
    const QString p1 = write("p1.png"), p2 = write("p2.png"), p10 = write("p10.png");
    const QStringList files = document::openableFilesIn(m_dir.path());
    EXPECT_EQ(document::steppedFile(files, p1, FolderStep::Next), p2);
    EXPECT_EQ(document::steppedFile(files, p2, FolderStep::Next), p10);
    EXPECT_EQ(document::steppedFile(files, p10, FolderStep::Next), "");  // no wrapping
    EXPECT_EQ(document::steppedFile(files, p1, FolderStep::Previous), "");
    EXPECT_EQ(document::steppedFile(files, p10, FolderStep::Previous), p2);
    EXPECT_EQ(document::steppedFile(files, p2, FolderStep::First), p1);
    EXPECT_EQ(document::steppedFile(files, p2, FolderStep::Last), p10);
    EXPECT_EQ(document::steppedFile(files, p1, FolderStep::First), "");  // already there
    // p5 was deleted after it was opened: steps go on from where it stood.
    const QString p5 = m_dir.filePath("p5.png");
    EXPECT_EQ(document::steppedFile(files, p5, FolderStep::Next), p10);
    EXPECT_EQ(document::steppedFile(files, p5, FolderStep::Previous), p2);
    EXPECT_EQ(document::steppedFile({}, p1, FolderStep::Next), "");
}

TEST_F(FolderTest, KeysAndMouseButtonsStepTheWindowThroughTheFolder) {
    write("print1.png");
    write("print2.png");
    write("print10.png");
    writeBytes("readme.txt", "not a picture");
    wsqimageviewer window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.load(m_dir.filePath("print2.png"));

    struct Entry {
        const char* text;
        QKeySequence key;
    };
    for (const Entry& e : {Entry{"Next picture", QKeySequence(Qt::Key_PageDown)},
                           Entry{"Previous picture", QKeySequence(Qt::Key_PageUp)},
                           Entry{"First picture", QKeySequence(Qt::Key_Home)},
                           Entry{"Last picture", QKeySequence(Qt::Key_End)}}) {
        QAction* action = menuEntry(window, e.text);
        ASSERT_NE(action, nullptr) << e.text;
        EXPECT_EQ(action->shortcut(), e.key) << e.text;
        EXPECT_TRUE(menuTitled(window, "&View")->actions().contains(action));
    }

    QTest::keyClick(&window, Qt::Key_PageDown);
    EXPECT_EQ(shownName(window), "print10.png");
    QTest::keyClick(&window, Qt::Key_PageDown);  // the last one: stays
    EXPECT_EQ(shownName(window), "print10.png");
    EXPECT_EQ(viewertest::statusText(window), "No other picture in this direction");
    QTest::keyClick(&window, Qt::Key_Home);
    EXPECT_EQ(shownName(window), "print1.png");
    QTest::keyClick(&window, Qt::Key_PageUp);
    EXPECT_EQ(shownName(window), "print1.png");
    QTest::keyClick(&window, Qt::Key_End);
    EXPECT_EQ(shownName(window), "print10.png");
    // A step is the user's choice of a picture, as the Open dialog is: Save and Copy work.
    EXPECT_TRUE(menuEntry(window, "&Save picture...")->isEnabled());
    EXPECT_TRUE(menuEntry(window, "&Copy")->isEnabled());

    QWidget* label = window.findChild<QWidget*>("imagelabel");
    QTest::mouseClick(label, Qt::BackButton);
    EXPECT_EQ(shownName(window), "print2.png");
    QTest::mouseClick(label, Qt::ForwardButton);
    EXPECT_EQ(shownName(window), "print10.png");
    // The designed press handling never saw those buttons: no hand cursor is left stacked.
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(FolderTest, KeepZoomAndPositionHoldsForPicturesOfOneSizeOnly) {
    write("a1.png", 600, 500, 50);
    write("a2.png", 600, 500, 150);
    write("a3.png", 500, 500, 250);
    wsqimageviewer window;
    window.show();
    window.load(m_dir.filePath("a1.png"));
    QAction* keep = menuEntry(window, "Keep zoom and position");
    ASSERT_NE(keep, nullptr);
    EXPECT_TRUE(keep->isCheckable());
    EXPECT_FALSE(keep->isChecked());

    QAction* next = menuEntry(window, "Next picture");
    auto* scroll = window.findChild<QScrollArea*>();
    auto zoomInTwiceAndScroll = [&] {
        QAction* zoomIn = nullptr;
        for (QAction* a : window.findChild<QToolBar*>("file operations")->actions())
            if (a->text() == "Zoom In") zoomIn = a;
        zoomIn->trigger();
        zoomIn->trigger();
        scroll->horizontalScrollBar()->setValue(40);
        scroll->verticalScrollBar()->setValue(30);
    };
    // Off: the next picture comes at full size, as after any load.
    zoomInTwiceAndScroll();
    EXPECT_GT(window.shownWidth(), 600);
    next->trigger();
    EXPECT_EQ(shownName(window), "a2.png");
    EXPECT_EQ(QSize(window.shownWidth(), window.shownHeight()), QSize(600, 500));

    keep->trigger();
    zoomInTwiceAndScroll();
    const QSize zoomed(window.shownWidth(), window.shownHeight());
    menuEntry(window, "Previous picture")->trigger();
    EXPECT_EQ(shownName(window), "a1.png");
    EXPECT_EQ(QSize(window.shownWidth(), window.shownHeight()), zoomed);
    EXPECT_EQ(window.findChild<QWidget*>("imagelabel")->property("pixmap").value<QPixmap>().size(),
              zoomed);
    EXPECT_EQ(scroll->horizontalScrollBar()->value(), 40);
    EXPECT_EQ(scroll->verticalScrollBar()->value(), 30);
    // A picture of another size starts afresh.
    next->trigger();
    next->trigger();
    EXPECT_EQ(shownName(window), "a3.png");
    EXPECT_EQ(QSize(window.shownWidth(), window.shownHeight()), QSize(500, 500));

    // The toggle is remembered.
    wsqimageviewer second;
    EXPECT_TRUE(menuEntry(second, "Keep zoom and position")->isChecked());
}

TEST_F(FolderTest, RecentFilesFollowTheDesignedFileEntriesAndClear) {
    const QString one = write("one.png"), two = write("two.png");
    auto recentMenu = [](wsqimageviewer& w) { return w.findChild<QMenu*>("recentFilesMenu"); };
    auto recentNames = [&](wsqimageviewer& w) {
        QStringList names;
        if (QMenu* menu = recentMenu(w))
            for (QAction* a : menu->actions())
                if (!a->isSeparator()) names << a->text();
        return names;
    };
    {
        wsqimageviewer window;
        EXPECT_EQ(recentMenu(window), nullptr);  // nothing yet: the File menu is as designed
        // The converter loads every file it converts through the window: not a choice of the
        // user's, so not a recent file.
        window.load(one);
        EXPECT_EQ(recentMenu(window), nullptr);
        openCommandLineFile(window, one);
        openCommandLineFile(window, two);
        openCommandLineFile(window, one);
        openCommandLineFile(window, m_dir.filePath("missing.png"));
        EXPECT_EQ(recentNames(window), QStringList({"one.png", "two.png", "Clear"}));
        const QList<QAction*> file = menuTitled(window, "&File")->actions();
        ASSERT_EQ(file.size(), 6);
        EXPECT_EQ(file[3]->text(), "&Quit");
        EXPECT_TRUE(file[4]->isSeparator());
        EXPECT_EQ(file[5]->menu(), recentMenu(window));
    }
    wsqimageviewer window;
    EXPECT_EQ(recentNames(window), QStringList({"one.png", "two.png", "Clear"}));
    recentMenu(window)->actions()[1]->trigger();
    EXPECT_EQ(window.fileName(), two);
    recentMenu(window)->actions().last()->trigger();
    QTest::qWait(1);
    EXPECT_EQ(recentMenu(window), nullptr);
    EXPECT_EQ(menuTitled(window, "&File")->actions().size(), 4);
    wsqimageviewer third;
    EXPECT_EQ(recentMenu(third), nullptr);
}

}  // namespace
