// No test waits for a person: a box that opens while no ModalWatcher expects one is closed at
// once and fails the test with its text; a box a test expects is left to its watcher.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <QDialog>
#include <QMessageBox>
#include <QTest>

#include "support/modal_watcher.h"
#include "support/qt_app_env.h"
#include "wsqimageviewer.h"

namespace {

void plantCriticalBox() {
    QMessageBox::critical(nullptr, QStringLiteral("WSQ viewer"), QStringLiteral("planted text"));
}

void plantDialog() {
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("planted dialog"));
    dialog.exec();
}

void loadUnsupportedFile() {
    wsqimageviewer window;
    window.load(QStringLiteral("/nowhere/picture.unknown"));
}

}  // namespace

TEST(ModalGuard, PlantedBoxIsClosedAndReportedWithItsText) {
    EXPECT_NONFATAL_FAILURE(plantCriticalBox(), "\"WSQ viewer\": planted text");
    EXPECT_NONFATAL_FAILURE(plantDialog(), "\"planted dialog\"");
    // The viewer's own boxes are caught the same way.
    EXPECT_NONFATAL_FAILURE(loadUnsupportedFile(), "the file type is not supported");
}

TEST(ModalGuard, ExpectedBoxIsLeftToTheWatcher) {
    testsupport::ModalWatcher watcher;
    plantCriticalBox();
    ASSERT_EQ(watcher.seen().size(), 1);
    EXPECT_EQ(watcher.seen()[0].text, "planted text");
}

TEST(ModalGuard, ModalWindowThatIsOnlyShownIsNotTouched) {
    QDialog dialog;
    dialog.setModal(true);
    dialog.show();
    QCoreApplication::processEvents();
    QTest::qWait(50);
    EXPECT_TRUE(dialog.isVisible());
}
