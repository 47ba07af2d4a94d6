// True size: the arithmetic from the picture's and the screen's resolution, the View entry at a
// calibrated screen resolution, the calibration dialog, and the message for a picture without
// a resolution.
#include <gtest/gtest.h>

#include <QDoubleSpinBox>
#include <QFile>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>

#include "physical_size.h"
#include "screen_calibration_dialog.h"
#include "support/image_metrics.h"
#include "support/modal_watcher.h"
#include "support/qt_app_env.h"
#include "viewer_settings.h"
#include "viewer_test_helpers.h"
#include "wsq/wsq.h"
#include "wsqimageviewer.h"

using document::PhysicalSizeProblem;
using viewertest::menuEntry;

namespace {

TEST(PhysicalSize, ScalesByScreenOverPictureResolutionAndRefusesWhatItCannotShow) {
    using document::physicalShownSize;
    // An 800 x 750 print at 500 ppi is 1.6 x 1.5 inches: 153.6 x 144 pixels at 96 ppi.
    EXPECT_EQ(physicalShownSize({800, 750}, 500, 96).shown, QSize(154, 144));
    EXPECT_EQ(physicalShownSize({800, 750}, 1000, 250).shown, QSize(200, 188));
    EXPECT_EQ(physicalShownSize({800, 750}, 100, 100).shown, QSize(800, 750));
    EXPECT_EQ(physicalShownSize({3, 3}, 1000, 96).shown, QSize(1, 1));  // never nothing
    EXPECT_EQ(physicalShownSize({800, 750}, -1, 96).problem,
              PhysicalSizeProblem::NoPictureResolution);
    EXPECT_EQ(physicalShownSize({800, 750}, 500, 0).problem,
              PhysicalSizeProblem::NoScreenResolution);
    EXPECT_EQ(physicalShownSize({5000, 10}, 10, 96).problem, PhysicalSizeProblem::TooLarge);
    EXPECT_TRUE(physicalShownSize({5000, 10}, 10, 96).shown.isEmpty());

    // A 400-pixel line measured at 101.6 mm (4 inches) means 100 pixels per inch.
    EXPECT_DOUBLE_EQ(document::screenPpiFromRuler(400, 101.6), 100.0);
    EXPECT_EQ(document::screenPpiFromRuler(400, 0), 0.0);
}

class PhysicalWindowTest : public ::testing::Test {
protected:
    QString writeWsq(int width, int height, int ppi) {
        const std::vector<uint8_t> grey = testsupport::synthetic_print(width, height, 4);
        const wsq::Encoded encoded = wsq::encode(grey, width, height, 2.25f, ppi);
        EXPECT_FALSE(encoded.error);
        QFile f(m_dir.filePath("print.wsq"));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char*>(encoded.bytes.data()), qint64(encoded.bytes.size()));
        return f.fileName();
    }
    QSize shown(wsqimageviewer& w) { return {w.shownWidth(), w.shownHeight()}; }

    QTemporaryDir m_dir;
};

TEST_F(PhysicalWindowTest, CalibratedScreenShowsOneInchAsOneInch) {
    viewersettings::setValue(viewersettings::kScreenPpi, 100.0);
    wsqimageviewer window;
    window.load(writeWsq(200, 150, 500));
    QAction* zoom = menuEntry(window, "Zoom to physical size");
    ASSERT_NE(zoom, nullptr);
    EXPECT_EQ(zoom->shortcut(), QKeySequence("Ctrl+P"));
    zoom->trigger();
    EXPECT_EQ(shown(window), QSize(40, 30));

    // The user measures the 400-pixel line at 50.8 mm: 200 ppi, remembered.
    {
        testsupport::ModalWatcher watcher([](QWidget* modal) {
            auto* dialog = qobject_cast<ScreenCalibrationDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            // It proposes what the current value means: 400 px at 100 ppi is 101.6 mm.
            EXPECT_DOUBLE_EQ(dialog->findChild<QDoubleSpinBox*>("measuredLength")->value(), 101.6);
            dialog->setMeasuredMillimetres(50.8);
            dialog->accept();
        });
        menuEntry(window, "Calibrate screen...")->trigger();
        ASSERT_EQ(watcher.seen().size(), 1);
    }
    EXPECT_DOUBLE_EQ(viewersettings::value(viewersettings::kScreenPpi, 0).toDouble(), 200.0);
    zoom->trigger();
    EXPECT_EQ(shown(window), QSize(80, 60));

    // Cancelling changes nothing; the reset button goes back to the screen's own value.
    {
        testsupport::ModalWatcher watcher;
        menuEntry(window, "Calibrate screen...")->trigger();
    }
    EXPECT_DOUBLE_EQ(viewersettings::value(viewersettings::kScreenPpi, 0).toDouble(), 200.0);
    {
        testsupport::ModalWatcher watcher(
            [](QWidget* modal) { modal->findChild<QPushButton*>("resetCalibration")->click(); });
        menuEntry(window, "Calibrate screen...")->trigger();
    }
    EXPECT_EQ(viewersettings::value(viewersettings::kScreenPpi, 0).toDouble(), 0.0);
}

TEST_F(PhysicalWindowTest, PictureWithoutResolutionSaysSoAndKeepsItsSize) {
    viewersettings::setValue(viewersettings::kScreenPpi, 100.0);
    // A bitmap whose header gives 0 pixels per metre.
    QImage image(60, 40, QImage::Format_RGB32);
    image.fill(Qt::gray);
    const QString path = m_dir.filePath("plain.bmp");
    ASSERT_TRUE(image.save(path));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.seek(38);
    f.write(QByteArray(8, '\0'));
    f.close();

    wsqimageviewer window;
    window.load(path);
    testsupport::ModalWatcher watcher;
    menuEntry(window, "Zoom to physical size")->trigger();
    ASSERT_EQ(watcher.seen().size(), 1);
    EXPECT_EQ(watcher.seen()[0].caption, "WSQ viewer");
    EXPECT_EQ(watcher.seen()[0].text,
              "The picture has no resolution, so its physical size is not known.");
    EXPECT_EQ(shown(window), QSize(60, 40));
}

}  // namespace
