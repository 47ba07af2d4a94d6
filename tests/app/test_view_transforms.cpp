// View transforms: any sequence of turns, flips and inverts shows what doing them one by one
// shows, the title says how the picture is shown, a new picture comes as it is, the zoom
// survives a turn, and a save of a transformed picture asks first and writes what is shown.
#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolBar>

#include "support/modal_watcher.h"
#include "support/qt_app_env.h"
#include "view_transform.h"
#include "viewer_test_helpers.h"
#include "wsqimageviewer.h"

using document::ViewTransform;
using viewertest::menuEntry;
using viewertest::patternImage;

namespace {

using Change = void (ViewTransform::*)();

QImage applyStep(const QImage& image, Change change) {
    ViewTransform step;
    (step.*change)();
    return document::transformedPicture(image, step);
}

TEST(ViewTransform, AnySequenceEqualsItsStepsAndDescribesItself) {
    const Change changes[] = {&ViewTransform::rotateRight, &ViewTransform::rotateLeft,
                              &ViewTransform::flipHorizontally, &ViewTransform::flipVertically,
                              &ViewTransform::invert};
    const QImage original = patternImage(7, 4);
    // The step pictures by hand: a vertical flip is Qt's mirrored(false, true).
    EXPECT_EQ(applyStep(original, &ViewTransform::flipVertically), original.mirrored(false, true));
    EXPECT_EQ(applyStep(original, &ViewTransform::rotateRight).pixel(3, 0), original.pixel(0, 0));

    uint32_t seed = 12345;
    for (int run = 0; run < 200; ++run) {
        SCOPED_TRACE(run);
        ViewTransform composed;
        QImage stepwise = original;
        const int length = run % 9;
        for (int i = 0; i < length; ++i) {
            seed = seed * 1103515245u + 12345u;
            const Change change = changes[(seed >> 16) % 5];
            (composed.*change)();
            stepwise = applyStep(stepwise, change);
        }
        ASSERT_EQ(document::transformedPicture(original, composed), stepwise);
        EXPECT_EQ(composed.isIdentity(), stepwise == original);
        // Every shown pixel maps back to the file's pixel it shows.
        ViewTransform geometry = composed;
        geometry.inverted = false;
        const QImage shown = document::transformedPicture(original, geometry);
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                ASSERT_EQ(original.pixel(document::sourcePixel({x, y}, shown.size(), geometry)),
                          shown.pixel(x, y));
    }

    ViewTransform t;
    EXPECT_EQ(document::transformDescription(t), "");
    t.rotateRight();
    EXPECT_EQ(document::transformDescription(t), "rotated 90\u00B0 right");
    t.invert();
    EXPECT_EQ(document::transformDescription(t), "rotated 90\u00B0 right, inverted");
    t = {};
    t.flipVertically();
    EXPECT_EQ(document::transformDescription(t), "flipped vertically");
    t.flipHorizontally();
    EXPECT_EQ(document::transformDescription(t), "rotated 180\u00B0");
}

class TransformWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_original = patternImage(30, 20);
        m_path = m_dir.filePath("mark.png");
        ASSERT_TRUE(m_original.save(m_path));
        m_window.load(m_path);
    }
    QImage current() {
        return m_window.currentPixmap()->toImage().convertToFormat(QImage::Format_RGB32);
    }

    QTemporaryDir m_dir;
    QString m_path;
    QImage m_original;
    wsqimageviewer m_window;
};

TEST_F(TransformWindowTest, EntriesChangeWhatIsShownAndTheTitleSaysSo) {
    struct Entry {
        const char* text;
        const char* key;
    };
    for (const Entry& e : {Entry{"Rotate left", "Ctrl+L"}, Entry{"Rotate right", "Ctrl+R"},
                           Entry{"Flip horizontally", "Ctrl+H"},
                           Entry{"Flip vertically", "Ctrl+Shift+H"}, Entry{"Invert", "Ctrl+N"}}) {
        QAction* action = menuEntry(m_window, e.text);
        ASSERT_NE(action, nullptr) << e.text;
        EXPECT_EQ(action->shortcut(), QKeySequence(e.key)) << e.text;
    }
    EXPECT_EQ(m_window.windowTitle(), "Tarvelon WSQ viewer");

    // Zoomed in first: the turn keeps the zoom, with the sides swapped.
    for (QAction* a : m_window.findChild<QToolBar*>("file operations")->actions())
        if (a->text() == "Zoom In") a->trigger();
    const QSize zoomed(m_window.shownWidth(), m_window.shownHeight());
    menuEntry(m_window, "Rotate right")->trigger();
    EXPECT_EQ(m_window.currentPixmap()->size(), QSize(20, 30));
    EXPECT_EQ(QSize(m_window.shownWidth(), m_window.shownHeight()), zoomed.transposed());
    EXPECT_EQ(m_window.windowTitle(), "Tarvelon WSQ viewer (rotated 90\u00B0 right)");
    menuEntry(m_window, "Invert")->trigger();
    QImage expected = m_original.transformed(QTransform().rotate(90));
    expected.invertPixels();
    EXPECT_EQ(current(), expected.convertToFormat(QImage::Format_RGB32));
    EXPECT_EQ(m_window.windowTitle(), "Tarvelon WSQ viewer (rotated 90\u00B0 right, inverted)");

    // Undone step by step, the file's picture and the designed title come back.
    menuEntry(m_window, "Invert")->trigger();
    menuEntry(m_window, "Rotate left")->trigger();
    EXPECT_EQ(current(), m_original.convertToFormat(QImage::Format_RGB32));
    EXPECT_EQ(m_window.windowTitle(), "Tarvelon WSQ viewer");

    // A new load shows its file as it is.
    menuEntry(m_window, "Flip vertically")->trigger();
    EXPECT_NE(m_window.windowTitle(), "Tarvelon WSQ viewer");
    m_window.load(m_path);
    EXPECT_EQ(m_window.windowTitle(), "Tarvelon WSQ viewer");
    EXPECT_EQ(current(), m_original.convertToFormat(QImage::Format_RGB32));
}

TEST_F(TransformWindowTest, SavingATransformedPictureAsksAndWritesWhatIsShown) {
    // Untransformed: no question (the guard would fail the test on any box).
    m_window.save(m_dir.filePath("plain"), 4);
    ASSERT_TRUE(m_window.lastSaveWritten());

    menuEntry(m_window, "Flip horizontally")->trigger();
    {
        testsupport::ModalWatcher watcher;  // declines
        m_window.save(m_dir.filePath("declined"), 4);
        ASSERT_EQ(watcher.seen().size(), 1);
        EXPECT_EQ(watcher.seen()[0].caption, "WSQ viewer");
        EXPECT_EQ(watcher.seen()[0].text,
                  "The picture is shown flipped horizontally. Save the picture as it is shown?");
    }
    EXPECT_FALSE(m_window.lastSaveWritten());
    EXPECT_FALSE(QFile::exists(m_dir.filePath("declined.png")));

    {
        testsupport::ModalWatcher watcher([](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            box->button(QMessageBox::Save)->click();
        });
        m_window.save(m_dir.filePath("agreed"), 4);
        ASSERT_EQ(watcher.seen().size(), 1);
    }
    ASSERT_TRUE(m_window.lastSaveWritten());
    const QImage written(m_dir.filePath("agreed.png"));
    EXPECT_EQ(written.convertToFormat(QImage::Format_RGB32),
              m_original.mirrored(true, false).convertToFormat(QImage::Format_RGB32));
}

}  // namespace
