// Loading: the toolkit branch and its status line, the
// branches whose readers are not built in yet, and the Open dialog.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QImageReader>
#include <QLabel>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "imagelabel.h"
#include "png_chunk_bounds.h"
#include "support/modal_watcher.h"
#include "support/peak_memory.h"
#include "support/qt_app_env.h"
#include "toolkit_image_io.h"
#include "viewer_test_helpers.h"
#include "wsqimageviewer.h"

using viewertest::answerFileDialog;
using viewertest::menuEntry;
using viewertest::patternImage;
using viewertest::statusText;

class LoadTest : public ::testing::Test {
protected:
    QString write(const QString& name, const QImage& image, const char* format) {
        const QString path = m_dir.filePath(name);
        EXPECT_TRUE(image.save(path, format)) << name.toStdString();
        return path;
    }
    QTemporaryDir m_dir;
    wsqimageviewer m_window;
};

TEST_F(LoadTest, ToolkitBranchShowsThePictureAndItsSizeLine) {
    const QImage picture = patternImage(640, 480);
    m_window.load(write("wide.png", picture, "PNG"));
    ASSERT_NE(m_window.currentPixmap(), nullptr);
    EXPECT_EQ(statusText(m_window), "Image info: width = 640, height =  480");
    EXPECT_EQ(m_window.shownWidth(), 640);
    EXPECT_EQ(m_window.shownHeight(), 480);
    auto* label = m_window.findChild<ImageLabel*>("imagelabel");
    EXPECT_EQ(label->pixmap().toImage().convertToFormat(QImage::Format_RGB32), picture);
    EXPECT_EQ(label->sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
    EXPECT_EQ(label->sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
    EXPECT_FALSE(label->hasScaledContents());
    EXPECT_EQ(m_window.fileName(), m_dir.filePath("wide.png"));

    // The upper-case extension is lower-cased; the content decides the decoder.
    m_window.load(write("picture.JPG", patternImage(30, 20), "JPEG"));
    ASSERT_NE(m_window.currentPixmap(), nullptr);
    EXPECT_EQ(statusText(m_window), "Image info: width = 30, height =  20");
    m_window.load(write("small.bmp", patternImage(7, 9), "BMP"));
    EXPECT_EQ(statusText(m_window), "Image info: width = 7, height =  9");
    m_window.load(write("mono.xbm", patternImage(16, 8), "XBM"));
    EXPECT_EQ(statusText(m_window), "Image info: width = 16, height =  8");
}

TEST_F(LoadTest, UndecodableFileShowsAnEmptyPictureOfZeroSize) {
    m_window.load(write("before.png", patternImage(40, 40), "PNG"));
    const QString junk = m_dir.filePath("junk.png");
    QFile file(junk);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("this is not a picture at all");
    file.close();
    m_window.load(junk);
    ASSERT_NE(m_window.currentPixmap(), nullptr);
    EXPECT_TRUE(m_window.currentPixmap()->isNull());
    EXPECT_EQ(statusText(m_window), "Image info: width = 0, height =  0");
    EXPECT_EQ(m_window.shownWidth(), 0);
    EXPECT_EQ(m_window.shownHeight(), 0);
    EXPECT_TRUE(m_window.findChild<ImageLabel*>("imagelabel")->pixmap().isNull());
}

TEST_F(LoadTest, UnknownExtensionReleasesTheImageKeepsTheViewAndSaysWhy) {
    m_window.load(write("shown.png", patternImage(50, 30), "PNG"));
    const QString line = statusText(m_window);
    testsupport::ModalWatcher watcher;
    m_window.load(write("a.png.bak", patternImage(10, 10), "PNG"));
    EXPECT_EQ(m_window.currentPixmap(), nullptr);
    EXPECT_EQ(m_window.fileName(), m_dir.filePath("a.png.bak"));
    EXPECT_EQ(statusText(m_window), line);
    EXPECT_EQ(m_window.findChild<ImageLabel*>("imagelabel")->pixmap().size(), QSize(50, 30));
    ASSERT_EQ(watcher.seen().size(), 1);
    EXPECT_EQ(watcher.seen()[0].icon, QMessageBox::Critical);
    EXPECT_EQ(watcher.seen()[0].caption, "WSQ viewer");
    EXPECT_EQ(watcher.seen()[0].text,
              "Cannot open " + m_dir.filePath("a.png.bak") + ": the file type is not supported");
}

// Dates, versions and initials put dots in everyday names, in files and in folders.
TEST_F(LoadTest, NamesWithDotsOpenByTheirLastExtension) {
    ASSERT_TRUE(QDir(m_dir.path()).mkpath("case.2024.05/v1.2"));
    const QStringList names = {"one.dot.png", "2024.05.01-left-thumb.png", "a.b.c.d.png",
                               "case.2024.05/v1.2/r.0.75.JPG", "case.2024.05/plain.bmp"};
    int side = 10;
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const char* format = name.endsWith("JPG") ? "JPEG" : name.endsWith("bmp") ? "BMP" : "PNG";
        m_window.load(write(name, patternImage(side, side + 1), format));
        ASSERT_NE(m_window.currentPixmap(), nullptr);
        EXPECT_EQ(m_window.currentPixmap()->size(), QSize(side, side + 1));
        ++side;
    }
}

TEST_F(LoadTest, NamesWithNonAsciiCharactersLoad) {
    const QString path =
        write(QString::fromUtf8("Fingerabdruck größe 測試.png"), patternImage(21, 13), "PNG");
    ASSERT_TRUE(QFile::exists(path));
    m_window.load(path);
    ASSERT_NE(m_window.currentPixmap(), nullptr);
    EXPECT_EQ(m_window.currentPixmap()->size(), QSize(21, 13));
}

// A PNG whose text chunk claims 1.6 GB in 69 bytes made Qt's reader touch 1.6 GB before it
// failed. Such a file is refused from its chunk headers; the check refuses only files Qt
// cannot read either: a PNG cut anywhere, never a whole one or one with bytes after its end.
TEST_F(LoadTest, PngChunkRunningPastTheEndIsRefusedBeforeQtTakesItsLength) {
    const QString claims = m_dir.filePath("claims.png");
    QFile file(claims);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        QByteArray::fromBase64("iVBORw0KGgoAAAANSUhEUgAAAAcAAAAFAQAAAACh4ct1AAAAB3RJTUUH6gwI"
                               "CRoePryrnWPYACV0RVh0ZElFTkSuQmCC"));
    file.close();
    EXPECT_TRUE(pngChunkRunsPastEnd(claims));
    QString why;
    const int64_t growth =
        testsupport::PeakResidentGrowthKib([&] { loadToolkitImage(claims, &why); });
    ASSERT_GE(growth, 0);
    EXPECT_LT(growth, 64 * 1024);
    EXPECT_TRUE(loadToolkitImage(claims, &why).isNull());
    EXPECT_EQ(why, pngChunkRunsPastEndText());
    m_window.load(claims);
    ASSERT_NE(m_window.currentPixmap(), nullptr);
    EXPECT_TRUE(m_window.currentPixmap()->isNull());
    EXPECT_EQ(statusText(m_window), "Image info: width = 0, height =  0");

    const QString whole = write("whole.png", patternImage(120, 90), "PNG");
    QFile wholeFile(whole);
    ASSERT_TRUE(wholeFile.open(QIODevice::ReadOnly));
    const QByteArray bytes = wholeFile.readAll();
    wholeFile.close();
    EXPECT_FALSE(pngChunkRunsPastEnd(whole));
    const QString cut = m_dir.filePath("cut.png");
    int refused = 0;
    for (qsizetype length = 9; length <= bytes.size() + 40; ++length) {
        QFile out(cut);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(bytes.left(length));
        if (length > bytes.size()) out.write(QByteArray(length - bytes.size(), '\x7f'));
        out.close();
        const bool readable = !QImageReader(cut).read().isNull();
        if (pngChunkRunsPastEnd(cut)) {
            ++refused;
            EXPECT_FALSE(readable) << length;
        }
        if (length >= bytes.size()) {
            EXPECT_TRUE(readable) << length;
        }
    }
    EXPECT_GT(refused, 0);
}

// The Open dialog: its filters, the load it starts, and what it enables.
TEST_F(LoadTest, OpenDialogLoadsTheChosenFileAndEnablesSaveAndCopy) {
    const QString path = write("chosen.png", patternImage(33, 22), "PNG");
    QStringList filters, firstFilterPatterns;
    testsupport::ModalWatcher watcher([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        filters = dialog->nameFilters();
        if (auto* model = dialog->findChild<QFileSystemModel*>())
            firstFilterPatterns = model->nameFilters();
        answerFileDialog(dialog, path);
    });
    QMetaObject::invokeMethod(&m_window, "choose_load");
    ASSERT_EQ(watcher.seen().size(), 1);
    ASSERT_NE(m_window.currentPixmap(), nullptr);
    EXPECT_EQ(m_window.currentPixmap()->size(), QSize(33, 22));
    EXPECT_TRUE(menuEntry(m_window, "&Save picture...")->isEnabled());
    EXPECT_TRUE(menuEntry(m_window, "&Copy")->isEnabled());

    // The designed entries, then the transactions' entry added after them.
    ASSERT_EQ(filters.size(), 20);
    EXPECT_EQ(filters[1], "WSQ - FBI's Wavelet Scalar Quantization (*.wsq)");
    EXPECT_EQ(filters[18], "MNG - Muti-image Network Graphic Animation (*.mng)");
    EXPECT_EQ(filters[19], "ANSI/NIST files (*.eft *.an2 *.nist *.ebts *.int)");
    // The first entry, selected when the dialog opens, filters by all 18 patterns.
    EXPECT_EQ(firstFilterPatterns,
              QStringList({"*.wsq", "*.tif", "*.tiff", "*.png", "*.jpg", "*.jpeg", "*.bmp", "*.tga",
                           "*.cel", "*.rgb", "*.gif", "*.psd", "*.iff", "*.pcx", "*.xbm", "*.xpm",
                           "*.pnm", "*.mng"}));
}

TEST_F(LoadTest, CancelledOpenDialogSaysLoadingAborted) {
    m_window.load(write("kept.png", patternImage(12, 12), "PNG"));
    testsupport::ModalWatcher watcher;  // rejects the dialog
    QMetaObject::invokeMethod(&m_window, "choose_load");
    ASSERT_EQ(watcher.seen().size(), 1);
    EXPECT_EQ(statusText(m_window), "Loading aborted");
    ASSERT_NE(m_window.currentPixmap(), nullptr);
    EXPECT_EQ(m_window.currentPixmap()->size(), QSize(12, 12));
    EXPECT_FALSE(menuEntry(m_window, "&Save picture...")->isEnabled());
    EXPECT_FALSE(menuEntry(m_window, "&Copy")->isEnabled());
    QTest::qWait(2300);
    EXPECT_EQ(statusText(m_window), "");
}
