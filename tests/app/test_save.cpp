// Saving: the WSQ properties window (form, interactive and silent modes), the grey bytes a WSQ
// save encodes, the save types with their appended extensions, the Save dialog, and saves that
// fail without destroying the file already there.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QSizeGrip>
#include <QTemporaryDir>
#include <QTimer>

#include "support/image_metrics.h"
#include "support/modal_watcher.h"
#include "support/qt_app_env.h"
#include "viewer_test_helpers.h"
#include "wsq/decoder.h"
#include "wsq/encoder.h"
#include "wsq_grey.h"
#include "wsqfilewindow.h"
#include "wsqimageviewer.h"

using viewertest::answerFileDialog;
using viewertest::patternImage;
using viewertest::statusText;

namespace {

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class SaveTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_properties = m_window.findChild<WSQFileWindow*>("WSQFilePropertiesDialog");
        ASSERT_NE(m_properties, nullptr);
    }
    void loadPicture(const QImage& image) {
        const QString path = m_dir.filePath("source.png");
        ASSERT_TRUE(image.save(path, "PNG"));
        m_window.load(path);
        ASSERT_NE(m_window.currentPixmap(), nullptr);
    }
    QString path(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
    wsqimageviewer m_window;
    WSQFileWindow* m_properties = nullptr;
};

TEST_F(SaveTest, PropertiesFormHasItsNamesGeometryAndTexts) {
    WSQFileWindow* w = m_properties;
    EXPECT_EQ(w->parent(), &m_window);
    EXPECT_TRUE(w->isModal());
    EXPECT_EQ(w->windowTitle(), "WSQ Properties");
    EXPECT_GE(w->width(), 330);
    EXPECT_GE(w->height(), 145);
    EXPECT_TRUE(w->isSizeGripEnabled());
    struct Row {
        QWidget* widget;
        const char* name;
        QRect geometry;
    };
    const Row rows[] = {
        {w->textLabel1, "textLabel1", {10, 10, 120, 16}},
        {w->textLabel2, "textLabel2", {10, 40, 120, 16}},
        {w->textLabel3, "textLabel3", {10, 70, 121, 16}},
        {w->bitrateEdit, "bitrateEdit", {140, 10, 180, 21}},
        {w->ppiEdit, "ppiEdit", {140, 40, 181, 21}},
        {w->commenttextEdit, "commenttextEdit", {140, 70, 181, 21}},
        {w->Layout1, "Layout1", {9, 110, 310, 23}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.widget->objectName(), row.name);
        EXPECT_EQ(row.widget->geometry(), row.geometry);
    }
    EXPECT_EQ(w->textLabel1->text(), "Bitrate");
    EXPECT_EQ(w->textLabel2->text(), "Pixels per inch (ppi)");
    EXPECT_EQ(w->textLabel3->text(), "Comment text");
    EXPECT_EQ(w->buttonOk->text(), "&OK");
    EXPECT_TRUE(w->buttonOk->shortcut().isEmpty());
    EXPECT_TRUE(w->buttonOk->isDefault());
    EXPECT_EQ(w->buttonCancel->text(), "C&ancel");
    EXPECT_EQ(w->buttonCancel->shortcut(), QKeySequence("Alt+A"));
    EXPECT_EQ(w->buttonOk->parentWidget(), w->Layout1);
    EXPECT_EQ(w->buttonCancel->parentWidget(), w->Layout1);
}

TEST_F(SaveTest, InteractiveSaveOpensWithTheDefaultsEveryTimeAndCancelWritesNothing) {
    loadPicture(patternImage(64, 64));
    m_window.m_interactiveSave = 1;
    QStringList opened;
    testsupport::ModalWatcher watcher([&](QWidget* modal) {
        if (modal == m_properties) {
            opened << m_properties->bitrateEdit->text() + "|" + m_properties->ppiEdit->text() +
                          "|" + m_properties->commenttextEdit->text();
            m_properties->bitrateEdit->setText("2.5");
            m_properties->commenttextEdit->setText("typed");
            m_properties->buttonCancel->click();
        } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->reject();
        }
    });
    m_window.save(path("scan"), 1);
    m_window.save(path("scan"), 1);
    EXPECT_EQ(opened, QStringList({"0.75|500|Tarvelon", "0.75|500|Tarvelon"}));
    EXPECT_EQ(m_properties->m_accepted, 0);
    EXPECT_EQ(watcher.seen().size(), 2);  // the properties window only: a cancel is no failure
    EXPECT_FALSE(QFile::exists(path("scan.wsq")));
    EXPECT_TRUE(m_window.savedFileName().isEmpty());
    // The fields stay as the user left them.
    EXPECT_EQ(m_properties->bitrateEdit->text(), "2.5");
}

TEST_F(SaveTest, SilentSaveDoesNotShowThePropertiesWindow) {
    loadPicture(patternImage(64, 64));
    m_window.m_interactiveSave = 0;
    m_properties->bitrateEdit->setText("1.5");
    testsupport::ModalWatcher watcher;
    m_window.save(path("silent"), 1);
    for (const auto& seen : watcher.seen()) EXPECT_NE(seen.className, "WSQFileWindow");
    EXPECT_EQ(m_properties->bitrateEdit->text(), "1.5");
}

TEST(GreyBytes, AverageOfTheThreeColoursTruncated) {
    QImage image(3, 2, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(255, 255, 254));
    image.setPixel(1, 0, qRgb(1, 1, 0));
    image.setPixel(2, 0, qRgb(10, 20, 31));
    image.setPixel(0, 1, qRgb(0, 0, 0));
    image.setPixel(1, 1, qRgb(255, 255, 255));
    image.setPixel(2, 1, qRgb(0, 0, 2));
    EXPECT_EQ(wsqgrey::greyBytes(image), (std::vector<uint8_t>{254, 0, 20, 0, 255, 0}));
    // Pictures of other depths are taken as 32-bit values first.
    EXPECT_EQ(wsqgrey::greyBytes(image.convertToFormat(QImage::Format_RGB16)).size(), 6u);

    const std::vector<uint8_t> grey = {0, 128, 255, 7};
    const QImage back = wsqgrey::greyImage(grey.data(), 2, 2);
    EXPECT_EQ(back.pixel(1, 0), 0xFF808080u);
    EXPECT_EQ(back.pixel(1, 1), 0xFF070707u);
    EXPECT_EQ(wsqgrey::greyBytes(back), grey);
}

TEST_F(SaveTest, ToolkitTypesAlwaysAppendTheirExtension) {
    const QImage picture = patternImage(30, 20);
    loadPicture(picture);
    testsupport::ModalWatcher watcher;
    struct Row {
        int type;
        const char* name;
        const char* written;
    };
    const Row rows[] = {{2, "scan", "scan.bmp"},
                        {2, "scan.bmp", "scan.bmp.bmp"},
                        {8, "bits", "bits.xbm"},
                        {9, "pix", "pix.xpm"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.written);
        m_window.save(path(row.name), row.type);
        EXPECT_EQ(m_window.savedFileName(), path(row.written));
        EXPECT_TRUE(QFile::exists(path(row.written)));
    }
    EXPECT_EQ(QImage(path("scan.bmp")).convertToFormat(QImage::Format_RGB32), picture);
    EXPECT_EQ(QImage(path("pix.xpm")).convertToFormat(QImage::Format_RGB32), picture);
    EXPECT_EQ(QImage(path("bits.xbm")).size(), picture.size());
    EXPECT_TRUE(watcher.seen().isEmpty());

    // Codes outside 1 to 9 write nothing and keep the last output name.
    m_window.save(path("none"), 10);
    m_window.save(path("none"), 0);
    EXPECT_EQ(m_window.savedFileName(), path("pix.xpm"));
    EXPECT_EQ(QDir(m_dir.path()).entryList({"none*"}, QDir::Files).size(), 0);
}

TEST_F(SaveTest, PngFilterWritesThroughTheLibrary) {
    loadPicture(patternImage(24, 12));
    testsupport::ModalWatcher watcher([&](QWidget* modal) {
        if (auto* dialog = qobject_cast<QFileDialog*>(modal))
            answerFileDialog(dialog, path("out"), "PNG - Portable network graphic images (*.png)");
    });
    QMetaObject::invokeMethod(&m_window, "choose_save");
    ASSERT_TRUE(QFile::exists(path("out.png")));
    EXPECT_EQ(QImage(path("out.png")).convertToFormat(QImage::Format_RGB32),
              patternImage(24, 12).convertToFormat(QImage::Format_RGB32));
    EXPECT_EQ(statusText(m_window), QString("File %1 saved").arg(path("out.png")));
}

TEST_F(SaveTest, WithoutAPictureNothingIsWrittenOrShown) {
    testsupport::ModalWatcher watcher;
    for (int type = 1; type <= 9; ++type) m_window.save(path("empty"), type);
    m_window.load(path("missing.png"));  // the toolkit gives an empty picture
    m_window.save(path("empty"), 2);
    EXPECT_TRUE(watcher.seen().isEmpty());
    EXPECT_TRUE(QDir(m_dir.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(SaveTest, SaveDialogTakesTheTypeFromTheFilterAndReportsOnlyWrittenFiles) {
    loadPicture(patternImage(20, 10));
    QStringList filters;
    testsupport::ModalWatcher watcher([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        filters = dialog->nameFilters();
        answerFileDialog(dialog, path("chosen"),
                         "XPM - BMC Software Patrol UNIX Icon File (*.xpm)");
    });
    QMetaObject::invokeMethod(&m_window, "choose_save");
    ASSERT_EQ(filters.size(), 9);
    EXPECT_EQ(filters[0], "WSQ - FBI's Wavelet Scalar Quantization (*.wsq)");
    EXPECT_EQ(filters[2], "TIF - Tagged Information File Format (*.tif)");
    EXPECT_EQ(filters[5], "RGB - Silicon Graphics International true color images (*.rgb)");
    EXPECT_EQ(m_window.m_interactiveSave, 1);
    EXPECT_EQ(m_window.savedFileName(), path("chosen.xpm"));
    EXPECT_TRUE(QFile::exists(path("chosen.xpm")));
    EXPECT_EQ(statusText(m_window), "File " + path("chosen.xpm") + " saved");
}

TEST_F(SaveTest, SaveDialogCancelledOrFailedSaveDoesNotClaimSuccess) {
    {
        testsupport::ModalWatcher noPicture([&](QWidget* modal) {
            if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
                answerFileDialog(dialog, path("nothing"));
            } else if (auto* d = qobject_cast<QDialog*>(modal)) {
                d->reject();
            }
        });
        QMetaObject::invokeMethod(&m_window, "choose_save");
        ASSERT_EQ(noPicture.seen().size(), 2);
        EXPECT_EQ(noPicture.seen()[1].text, "There is no picture to save");
        EXPECT_FALSE(statusText(m_window).contains("saved"));
    }

    loadPicture(patternImage(20, 10));
    {
        testsupport::ModalWatcher cancelled;  // rejects the Save dialog
        QMetaObject::invokeMethod(&m_window, "choose_save");
        EXPECT_EQ(statusText(m_window), "Saving aborted");
    }
    {
        // The WSQ filter, then Cancel in the properties window.
        testsupport::ModalWatcher wsqCancelled([&](QWidget* modal) {
            if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
                answerFileDialog(dialog, path("scan"),
                                 "WSQ - FBI's Wavelet Scalar Quantization (*.wsq)");
            } else if (auto* d = qobject_cast<QDialog*>(modal)) {
                d->reject();
            }
        });
        QMetaObject::invokeMethod(&m_window, "choose_save");
        EXPECT_EQ(statusText(m_window), "Saving aborted");
        EXPECT_FALSE(QFile::exists(path("scan.wsq")));
    }
}

// A write that fails half-way (the file-size limit stops it) leaves the old file as it was.
// Run in a child process, whose limit does not touch the test.
TEST_F(SaveTest, FailedToolkitWriteKeepsTheExistingFile) {
    const QString target = path("kept.bmp");
    {
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old contents");
    }
    loadPicture(patternImage(200, 200));  // about 120 KB as BMP
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        testsupport::ModalWatcher watcher;
        m_window.save(path("kept"), 2);
        const bool warned = watcher.seen().size() == 1 &&
                            watcher.seen()[0].text.startsWith("Error writing output file");
        _exit(warned ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the failed write was not reported";
    EXPECT_EQ(contents(target), "old contents");
    EXPECT_EQ(QDir(m_dir.path()).entryList({"kept*"}, QDir::Files), QStringList({"kept.bmp"}));
}

TEST_F(SaveTest, NamesWithNonAsciiCharactersSave) {
    loadPicture(patternImage(12, 12));
    const QString name = path(QString::fromUtf8("Abdruck größe 測試"));
    m_window.save(name, 2);
    EXPECT_TRUE(QFile::exists(name + ".bmp"));
}

// The WSQ saves, through the encoder and the writer.

// Answers the WSQ properties window with these texts and OK.
testsupport::ModalWatcher::Handler okWith(WSQFileWindow* w, QStringList* opened,
                                          const QString& bitrate, const QString& ppi,
                                          const QString& comment) {
    return [=](QWidget* modal) {
        if (modal != w) {
            if (auto* d = qobject_cast<QDialog*>(modal)) d->reject();
            return;
        }
        *opened << w->bitrateEdit->text() + "|" + w->ppiEdit->text() + "|" +
                       w->commenttextEdit->text();
        w->bitrateEdit->setText(bitrate);
        w->ppiEdit->setText(ppi);
        w->commenttextEdit->setText(comment);
        w->buttonOk->click();
    };
}

TEST_F(SaveTest, WsqSaveWritesGreyWithTheEnteredPropertiesAndAppendsItsExtension) {
    QImage colour(96, 90, QImage::Format_RGB32);
    colour.fill(qRgb(255, 255, 254));
    loadPicture(colour);
    QStringList opened;
    testsupport::ModalWatcher watcher(okWith(m_properties, &opened, "1.5", "1000", "left thumb"));
    m_window.m_interactiveSave = 1;
    m_window.save(path("scan"), 1);
    m_window.save(path("scan.wsq"), 1);
    EXPECT_EQ(opened, QStringList({"0.75|500|Tarvelon", "0.75|500|Tarvelon"}));
    EXPECT_EQ(m_properties->m_accepted, 1);
    EXPECT_EQ(m_window.savedFileName(), path("scan.wsq.wsq"));
    ASSERT_TRUE(QFile::exists(path("scan.wsq")));
    ASSERT_TRUE(QFile::exists(path("scan.wsq.wsq")));

    m_window.load(path("scan.wsq"));
    const QString line = statusText(m_window);
    EXPECT_TRUE(
        line.startsWith("Image info: width = 96, height =  90, dpi = 1000, depth = 8, "
                        "Comments: left thumb, "))
        << line.toStdString();
    ASSERT_NE(m_window.currentPixmap(), nullptr);
    const QImage back = m_window.currentPixmap()->toImage();
    int worst = 0;
    for (int y = 0; y < back.height(); ++y)
        for (int x = 0; x < back.width(); ++x)
            worst = std::max(worst, std::abs(qRed(back.pixel(x, y)) - 254));
    EXPECT_LE(worst, 1);  // a flat picture survives the quantizer
}

TEST_F(SaveTest, SilentWsqSaveTakesTheFieldTexts) {
    loadPicture(patternImage(100, 100));
    m_window.m_interactiveSave = 0;
    m_properties->bitrateEdit->setText("2.25");
    m_properties->ppiEdit->setText("250");
    m_properties->commenttextEdit->setText(QString::fromUtf8("quiet"));
    testsupport::ModalWatcher watcher;
    m_window.save(path(QString::fromUtf8("stille größe")), 1);
    EXPECT_TRUE(watcher.seen().isEmpty());
    m_window.load(path(QString::fromUtf8("stille größe.wsq")));
    EXPECT_TRUE(statusText(m_window).contains(", dpi = 250, depth = 8, Comments: quiet, "))
        << statusText(m_window).toStdString();
}

TEST_F(SaveTest, SaveThenOpenOfASyntheticPrintGivesTheCodecsQuality) {
    const int w = 320, h = 300;
    const std::vector<uint8_t> print = testsupport::synthetic_print(w, h, 21);
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int g = print[static_cast<size_t>(y) * w + x];
            image.setPixel(x, y, qRgb(g, g, g));
        }
    loadPicture(image);
    QStringList opened;
    testsupport::ModalWatcher watcher(okWith(m_properties, &opened, "0.75", "500", "Tarvelon"));
    m_window.m_interactiveSave = 1;
    m_window.save(path("print"), 1);
    m_window.load(path("print.wsq"));
    ASSERT_NE(m_window.currentPixmap(), nullptr);
    const std::vector<uint8_t> viewed = wsqgrey::greyBytes(m_window.currentPixmap()->toImage());

    // The same print straight through the codec.
    std::vector<uint8_t> stream, direct;
    int len = 0, ow = 0, oh = 0, od = 0, oppi = 0, lossy = 0, enc = 0, sw = 0;
    ASSERT_EQ(wsq::wsq_encode_1(&stream, &len, 0.75f, print.data(), w, h, 8, 500, "Tarvelon"), 0);
    ASSERT_EQ(
        wsq::wsq_decode_mem(&direct, &ow, &oh, &od, &oppi, &lossy, &enc, &sw, stream.data(), len),
        0);
    const double viewerPsnr = testsupport::psnr(print, viewed);
    EXPECT_DOUBLE_EQ(viewerPsnr, testsupport::psnr(print, direct));
    EXPECT_GT(viewerPsnr, 19.5);
    EXPECT_EQ(QFileInfo(path("print.wsq")).size(), len);
}

TEST_F(SaveTest, EncoderAndWriterFailuresAreReportedAndWriteNothing) {
    loadPicture(patternImage(40, 40));  // too small for WSQ
    m_window.m_interactiveSave = 0;
    m_properties->bitrateEdit->setText("0.75");
    m_properties->ppiEdit->setText("500");
    {
        testsupport::ModalWatcher watcher;
        m_window.save(path("tiny"), 1);
        ASSERT_EQ(watcher.seen().size(), 1);
        EXPECT_EQ(watcher.seen()[0].icon, QMessageBox::Warning);
        EXPECT_TRUE(watcher.seen()[0].text.contains("could not be encoded"));
        EXPECT_FALSE(QFile::exists(path("tiny.wsq")));
    }
    loadPicture(patternImage(100, 100));
    {
        testsupport::ModalWatcher watcher;
        m_window.save(path("no/such/dir/scan"), 1);
        ASSERT_EQ(watcher.seen().size(), 1);
        EXPECT_EQ(watcher.seen()[0].caption, "WSQ viewer");
        EXPECT_EQ(watcher.seen()[0].text, "Error opening file for writing");
    }
}

}  // namespace
