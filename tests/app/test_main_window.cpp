// The main window as it starts: geometry, caption, menus, tool bar, status bar, view, the
// embedded pictures, and what the command-line start leaves enabled.
#include <gtest/gtest.h>

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QToolBar>
#include <QToolButton>
#include <memory>

#include "embedded_images.h"
#include "imagelabel.h"
#include "main_window_pointer.h"
#include "support/qt_app_env.h"
#include "viewer_startup.h"
#include "viewer_test_helpers.h"
#include "wsqimageviewer.h"

using viewertest::menuEntry;
using viewertest::menuTitled;

TEST(MainWindow, StartsAsAnEmptyCentredWindowWithItsNames) {
    wsqimageviewer window;
    EXPECT_EQ(window.size(), QSize(480, 480));
    const QRect desktop = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(window.pos(), QPoint((desktop.width() - 480) / 2, (desktop.height() - 480) / 2));
    EXPECT_EQ(window.windowTitle(), "Tarvelon WSQ viewer");
    EXPECT_EQ(window.objectName(), "TarvelonWSQviewer");
    EXPECT_TRUE(window.testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_FALSE(window.windowIcon().isNull());
    EXPECT_EQ(viewertest::statusText(window), "Ready");
    EXPECT_EQ(window.currentPixmap(), nullptr);
    EXPECT_EQ(window.shownWidth(), 0);
    EXPECT_EQ(window.shownHeight(), 0);

    auto* view = qobject_cast<QScrollArea*>(window.centralWidget());
    ASSERT_NE(view, nullptr);
    auto* label = window.findChild<ImageLabel*>("imagelabel");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(view->widget(), label);
    EXPECT_STREQ(label->metaObject()->className(), "ImageLabel");
    EXPECT_EQ(label->alignment(), Qt::AlignHCenter | Qt::AlignVCenter);
    EXPECT_EQ(label->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(label->cursor().hotSpot(), QPoint(16, 16));
}

TEST(MainWindow, ReadyIsATransientMessage) {
    wsqimageviewer window;
    ASSERT_EQ(viewertest::statusText(window), "Ready");
    QTest::qWait(2300);
    EXPECT_EQ(viewertest::statusText(window), "");
}

TEST(MainWindow, MenusInOrderWithTextsKeysAndStates) {
    wsqimageviewer window;
    QStringList titles;
    for (QAction* action : window.menuBar()->actions())
        titles << (action->isSeparator() ? QStringLiteral("|") : action->text());
    EXPECT_EQ(titles, QStringList({"&File", "|", "&Edit", "&View", "&Tools", "&Help"}));

    struct Entry {
        const char* menu;
        const char* text;
        QKeySequence key;
        bool enabled;
        bool hasIcon;
    };
    const Entry entries[] = {
        {"&File", "&Open picture...", QKeySequence("Ctrl+O"), true, true},
        {"&File", "&Save picture...", QKeySequence("Ctrl+S"), false, true},
        {"&File", "&Quit", QKeySequence("Ctrl+Q"), true, false},
        {"&Edit", "&Copy", QKeySequence("Ctrl+C"), false, false},
        {"&Edit", "&Paste", QKeySequence("Ctrl+V"), true, false},
        {"&View", "Show zoom toolbar", QKeySequence(), true, false},
        {"&Tools", "File format converter", QKeySequence(), true, false},
        {"&Help", "&About", QKeySequence("F1"), true, false},
    };
    for (const Entry& e : entries) {
        SCOPED_TRACE(e.text);
        QMenu* menu = menuTitled(window, e.menu);
        ASSERT_NE(menu, nullptr);
        QAction* action = menuEntry(window, e.text);
        ASSERT_NE(action, nullptr);
        EXPECT_TRUE(menu->actions().contains(action));
        EXPECT_EQ(action->shortcut(), e.key);
        EXPECT_EQ(action->isEnabled(), e.enabled);
        EXPECT_EQ(!action->icon().isNull(), e.hasIcon);
    }
    QStringList fileEntries;
    for (QAction* action : menuTitled(window, "&File")->actions())
        fileEntries << (action->isSeparator() ? QStringLiteral("|") : action->text());
    EXPECT_EQ(fileEntries, QStringList({"&Open picture...", "&Save picture...", "|", "&Quit"}));

    QAction* toggle = menuEntry(window, "Show zoom toolbar");
    EXPECT_TRUE(toggle->isCheckable());
    EXPECT_TRUE(toggle->isChecked());
}

TEST(MainWindow, ZoomToolbarHasFourNamedButtons) {
    wsqimageviewer window;
    window.show();
    auto* toolbar = window.findChild<QToolBar*>("file operations");
    ASSERT_NE(toolbar, nullptr);
    EXPECT_EQ(toolbar->windowTitle(), "Zoom Operations");
    EXPECT_TRUE(toolbar->isVisible());

    struct Button {
        const char* objectName;
        const char* text;
        const char* whatsThis;
    };
    const Button buttons[] = {
        {"zoom picture in", "Zoom In",
         "<p><img source=\"fileopen\"> Click this button to zoom in images </p>"},
        {"zoom picture out", "Zoom Out", "<p>Click this button to zoom out images</p>"},
        {"zoom picture fit", "Zoom Fit", ""},
        {"zoom picture original size", "Zoom Original Size", ""},
    };
    QList<QToolButton*> inOrder;
    for (QAction* action : toolbar->actions())
        inOrder << qobject_cast<QToolButton*>(toolbar->widgetForAction(action));
    ASSERT_EQ(inOrder.size(), 4);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(buttons[i].objectName);
        QToolButton* button = inOrder[i];
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->objectName(), buttons[i].objectName);
        EXPECT_EQ(button->defaultAction()->text(), buttons[i].text);
        EXPECT_EQ(button->whatsThis(), buttons[i].whatsThis);
        EXPECT_FALSE(button->icon().isNull());
    }
}

TEST(MainWindow, WhatsThisHelpShowsTheOpenFolderIcon) {
    wsqimageviewer window;
    auto* button = window.findChild<QToolButton*>("zoom picture in");
    ASSERT_NE(button, nullptr);
    QTextDocument help;
    help.setHtml(button->whatsThis());
    QString imageName;
    for (QTextBlock block = help.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat())
                imageName = it.fragment().charFormat().toImageFormat().name();
    EXPECT_EQ(imageName, "fileopen");
    const QVariant image = help.resource(QTextDocument::ImageResource, QUrl(imageName));
    ASSERT_EQ(image.userType(), QMetaType::QPixmap);
    EXPECT_EQ(image.value<QPixmap>().size(), QSize(16, 13));
}

TEST(EmbeddedImages, NamesSizesAndDepths) {
    struct Picture {
        const char* name;
        QSize size;
        bool indexed16;
    };
    const Picture pictures[] = {
        {"zoom_in_16x16_white.png", {16, 16}, true},
        {"zoom_out_16x16_white.png", {16, 16}, true},
        {"zoom_fit_view_16x16.png", {16, 16}, true},
        {"zoom_original_size_16x16.png", {16, 16}, true},
        {"logo_slogan_0001_200.png", {200, 69}, true},
        {"EYE_symbol_32x32_003.png", {32, 32}, true},
        {"cursor_hand1.png", {32, 32}, false},
        {"cursor_hand.png", {32, 32}, false},
    };
    for (const Picture& p : pictures) {
        SCOPED_TRACE(p.name);
        const QPixmap pixmap = embeddedPixmap(p.name);
        ASSERT_FALSE(pixmap.isNull());
        EXPECT_EQ(pixmap.size(), p.size);
        // The stored file, not the display form: depth 8 with 16 colours, or 32 with alpha.
        const QImage stored(QStringLiteral(":/images/") + p.name);
        if (p.indexed16) {
            EXPECT_EQ(stored.format(), QImage::Format_Indexed8);
            EXPECT_EQ(stored.colorCount(), 16);
            EXPECT_FALSE(stored.hasAlphaChannel());
        } else {
            EXPECT_EQ(stored.depth(), 32);
            EXPECT_TRUE(stored.hasAlphaChannel());
        }
    }
    EXPECT_TRUE(embeddedPixmap("no_such_picture.png").isNull());
    EXPECT_TRUE(embeddedPixmap("").isNull());
    EXPECT_TRUE(embeddedPixmap("../images/cursor_hand.png").isNull());
    EXPECT_EQ(fileOpenIcon().size(), QSize(16, 13));
    EXPECT_EQ(diskIcon().size(), QSize(14, 14));
}

TEST(CommandLine, LoadedFileLeavesSaveAndCopyDisabled) {
    QTemporaryDir dir;
    const QString png = dir.filePath("start.png");
    ASSERT_TRUE(viewertest::patternImage(64, 48).save(png));
    wsqimageviewer window;
    openCommandLineFile(window, png);
    ASSERT_NE(window.currentPixmap(), nullptr);
    EXPECT_EQ(window.currentPixmap()->size(), QSize(64, 48));
    EXPECT_FALSE(menuEntry(window, "&Save picture...")->isEnabled());
    EXPECT_FALSE(menuEntry(window, "&Copy")->isEnabled());

    wsqimageviewer other;
    openCommandLineFile(other, dir.filePath("missing.png"));
    EXPECT_EQ(other.currentPixmap(), nullptr);
    EXPECT_EQ(other.fileName(), "");
}

TEST(MainWindowPointer, IsClearedWhenTheWindowGoes) {
    auto window = std::make_unique<wsqimageviewer>();
    setMainWindow(window.get());
    EXPECT_EQ(mainWindow(), window.get());
    window.reset();
    EXPECT_EQ(mainWindow(), nullptr);
}
