// The converter window without a run: its form, the list of input types and its ticking, the
// output formats, and the four directory checks with their boxes.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include "converter/convert_window_access.h"
#include "converter/customlistitem.h"
#include "support/modal_watcher.h"
#include "support/qt_app_env.h"

namespace {

class ConvertWindowForm : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<ConvertWindow>(nullptr, "convertwindow", true);
    }

    CustomListItem* entry(const QString& label) {
        const auto found = window->fileTypeListBox->findItems(label, Qt::MatchExactly);
        return found.isEmpty() ? nullptr : static_cast<CustomListItem*>(found.first());
    }

    std::unique_ptr<ConvertWindow> window;
};

TEST_F(ConvertWindowForm, FormTextsAndState) {
    EXPECT_EQ(window->objectName(), "convertwindow");
    EXPECT_EQ(window->windowTitle(), "File format converter");
    EXPECT_GE(window->width(), 352);
    EXPECT_GE(window->height(), 377);
    EXPECT_EQ(window->fileTypeListBox->headerItem()->text(0), "File type");
    EXPECT_EQ(window->subdirectoriesCheckBox->text(), "I&nclude subdirectories");
    EXPECT_EQ(window->subdirectoriesCheckBox->shortcut(), QKeySequence("Alt+N"));
    EXPECT_EQ(window->startConversionButton->shortcut(), QKeySequence("Alt+A"));
    EXPECT_EQ(window->stopConversionButton->text(), "St&op conversion");
    EXPECT_FALSE(window->stopConversionButton->isEnabled());
    EXPECT_EQ(window->closeButton->shortcut(), QKeySequence("Alt+L"));
    EXPECT_EQ(window->completionLabel->text(), "0");
    EXPECT_EQ(window->textLabel6->text(), "%");
    EXPECT_FALSE(window->selectInputDirectoryButton->icon().isNull());
    EXPECT_FALSE(window->windowIcon().isNull());
    EXPECT_EQ(window->findChild<QWidget*>("selectOututDirectoryButton"),
              window->selectOututDirectoryButton);
}

TEST_F(ConvertWindowForm, InputTypesInTableOrderAndOutputFormatsWithTheFirstSelected) {
    QTreeWidget* list = window->fileTypeListBox;
    // The designed entries (the placeholder entry is gone), then the transactions' entry.
    ASSERT_EQ(list->topLevelItemCount(), 19);
    EXPECT_EQ(list->topLevelItem(18)->text(0), "ANSI/NIST files");
    EXPECT_EQ(ConvertWindowTest::patternByLabel(*window).value("ANSI/NIST files"),
              "*.eft *.an2 *.nist *.ebts *.int");
    EXPECT_EQ(list->topLevelItem(0)->text(0), "WSQ - FBI's Wavelet Scalar Quantization");
    EXPECT_EQ(list->topLevelItem(1)->text(0),
              "TIFF - Macintosh Tagged Information File Format images");
    EXPECT_EQ(list->topLevelItem(17)->text(0), "MNG - Muti-image Network Graphic Animation");
    for (int i = 0; i < 18; ++i) EXPECT_EQ(list->topLevelItem(i)->checkState(0), Qt::Unchecked);
    EXPECT_EQ(ConvertWindowTest::patternByLabel(*window).value("PSD - Photoshop images"), "*.psd");
    EXPECT_EQ(ConvertWindowTest::patternByLabel(*window).size(), 19);

    QComboBox* formats = window->outputFileFormatComboBox;
    ASSERT_EQ(formats->count(), 9);
    EXPECT_EQ(formats->currentIndex(), 0);
    EXPECT_EQ(formats->itemText(0), "WSQ - FBI's Wavelet Scalar Quantization (*.wsq)");
    EXPECT_EQ(formats->itemText(8), "XPM - BMC Software Patrol UNIX Icon File (*.xpm)");
}

TEST_F(ConvertWindowForm, TickingKeepsPatternsInTickingOrderAndUntickingRemoves) {
    entry("WSQ - FBI's Wavelet Scalar Quantization")->activate();
    entry("TIF - PC Tagged Information File Format images")->activate();
    EXPECT_EQ(ConvertWindowTest::selectedPatterns(*window), QStringList({"*.wsq", "*.tif"}));
    EXPECT_TRUE(entry("WSQ - FBI's Wavelet Scalar Quantization")->isOn());

    entry("WSQ - FBI's Wavelet Scalar Quantization")->activate();
    EXPECT_EQ(ConvertWindowTest::selectedPatterns(*window), QStringList({"*.tif"}));
    EXPECT_FALSE(entry("WSQ - FBI's Wavelet Scalar Quantization")->isOn());

    entry("PSD - Photoshop images")->activate();
    EXPECT_EQ(ConvertWindowTest::selectedPatterns(*window), QStringList({"*.tif", "*.psd"}));
}

TEST_F(ConvertWindowForm, ClickAnywhereOnTheLineOrSpaceTogglesOnce) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QTreeWidget* list = window->fileTypeListBox;
    QTreeWidgetItem* png = entry("PNG - Portable network graphic images");
    const QRect line = list->visualItemRect(png);

    // On the text, far from the box.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      QPoint(line.right() - 5, line.center().y()));
    EXPECT_EQ(png->checkState(0), Qt::Checked);
    EXPECT_EQ(ConvertWindowTest::selectedPatterns(*window), QStringList({"*.png"}));

    // On the box itself: one toggle, not two.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      QPoint(line.left() + 10, line.center().y()));
    EXPECT_EQ(png->checkState(0), Qt::Unchecked);
    EXPECT_TRUE(ConvertWindowTest::selectedPatterns(*window).isEmpty());

    list->setCurrentItem(png);
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_EQ(png->checkState(0), Qt::Checked);
    EXPECT_EQ(ConvertWindowTest::selectedPatterns(*window), QStringList({"*.png"}));
}

TEST_F(ConvertWindowForm, DirectoryChecksShowTheirBoxAndStopBeforeCollecting) {
    QTemporaryDir tmp;
    const QString caption = "WSQ viewer";
    testsupport::ModalWatcher watcher;
    const auto& boxes = watcher.seen();

    ConvertWindowTest::startConversion(*window);
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].icon, QMessageBox::Warning);
    EXPECT_EQ(boxes[0].caption, caption);
    EXPECT_EQ(boxes[0].text, "Please select input directory");

    window->inputDirectoryLineEdit->setText(tmp.path() + "/missing");
    ConvertWindowTest::startConversion(*window);
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_EQ(boxes[1].text,
              "The input directory does not exist.\nPlease select another input directory.");

    window->inputDirectoryLineEdit->setText(tmp.path());
    ConvertWindowTest::startConversion(*window);
    ASSERT_EQ(boxes.size(), 3);
    EXPECT_EQ(boxes[2].text, "Please select output directory");

    const QString orphan = tmp.path() + "/no/parent";
    window->outputDirectoryLineEdit->setText(orphan);
    ConvertWindowTest::startConversion(*window);
    ASSERT_EQ(boxes.size(), 5);
    EXPECT_EQ(boxes[3].icon, QMessageBox::Warning);
    EXPECT_EQ(boxes[3].text,
              "The output directory does not exist.\nTrying to create new directory\n" + orphan);
    EXPECT_EQ(boxes[4].icon, QMessageBox::Critical);
    EXPECT_EQ(boxes[4].text, "Failed to create output directory.");
    EXPECT_FALSE(QDir(tmp.path() + "/no").exists());
    for (const auto& b : boxes) EXPECT_EQ(b.caption, caption);
    EXPECT_TRUE(window->startConversionButton->isEnabled());
    EXPECT_FALSE(window->stopConversionButton->isEnabled());
}

TEST_F(ConvertWindowForm, MissingOutputDirectoryIsCreatedAndAnEmptyRunCompletes) {
    QTemporaryDir tmp;
    testsupport::ModalWatcher watcher;
    const auto& boxes = watcher.seen();
    window->inputDirectoryLineEdit->setText(tmp.path());
    window->outputDirectoryLineEdit->setText(tmp.path() + "/out");
    ConvertWindowTest::startConversion(*window);
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_TRUE(boxes[0].text.startsWith("The output directory does not exist."));
    EXPECT_EQ(boxes[1].icon, QMessageBox::Information);
    EXPECT_EQ(boxes[1].text, "Conversion completed");
    EXPECT_TRUE(QDir(tmp.path() + "/out").exists());
    EXPECT_EQ(window->completionProgressBar->value(), 0);
    EXPECT_EQ(window->completionLabel->text(), "0");
    EXPECT_EQ(ConvertWindowTest::stopRequested(*window), 1);
}

}  // namespace
