// Conversion runs through the real main window: which files are taken, where their results
// land, the percentages, the boxes of failed files, WSQ properties asked once, and Stop.
#include <gtest/gtest.h>

#include <cstdlib>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include "converter/convert_window_access.h"
#include "converter/customlistitem.h"
#include "imagefile/bitmap_image.h"
#include "imagefile/formats.h"
#include "main_window_pointer.h"
#include "support/modal_watcher.h"
#include "support/qimage_record.h"
#include "support/qt_app_env.h"
#include "support/transaction_writer.h"
#include "wsq/wsq.h"
#include "wsqfilewindow.h"
#include "wsqimageviewer.h"

namespace {

constexpr int kBmpOutput = 2;

QImage picture(int width, int height, int seed) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y,
                           qRgb((x * 7 + seed * 40) & 255, (y * 5 + seed) & 255, (x ^ y) & 255));
    return image;
}

// Closes every box and dialog a run opens, but leaves the (modal) converter window open.
void closeAllButTheConverter(QWidget* modal) {
    if (qobject_cast<ConvertWindow*>(modal)) return;
    if (auto* dialog = qobject_cast<QDialog*>(modal))
        dialog->reject();
    else
        modal->close();
}

// The boxes (and dialogs other than the converter window) that came up.
QList<testsupport::SeenModal> boxesOf(const testsupport::ModalWatcher& watcher) {
    QList<testsupport::SeenModal> boxes;
    for (const auto& s : watcher.seen())
        if (s.className != "ConvertWindow") boxes << s;
    return boxes;
}

class ConversionRun : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_tmp.isValid());
        m_in = m_tmp.path() + "/in";
        m_out = m_tmp.path() + "/out";
        QDir().mkpath(m_in);
        QDir().mkpath(m_out);
        setMainWindow(&m_viewer);
        QMetaObject::invokeMethod(&m_viewer, "fileConverter");
        m_window = m_viewer.findChild<ConvertWindow*>("convertwindow");
        ASSERT_NE(m_window, nullptr);
        m_window->inputDirectoryLineEdit->setText(m_in);
        m_window->outputDirectoryLineEdit->setText(m_out);
    }
    void TearDown() override {
        if (m_window) m_window->hide();
        setMainWindow(nullptr);
    }

    QString write(const QString& relative, const QImage& image, const char* format) {
        const QString path = m_in + "/" + relative;
        QDir().mkpath(QFileInfo(path).path());
        EXPECT_TRUE(image.save(path, format)) << relative.toStdString();
        return path;
    }
    void tick(const QString& labelStart) {
        QTreeWidget* list = m_window->fileTypeListBox;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (list->topLevelItem(i)->text(0).startsWith(labelStart))
                static_cast<CustomListItem*>(list->topLevelItem(i))->activate();
    }
    void run(int outputType) {
        m_window->outputFileFormatComboBox->setCurrentIndex(outputType - 1);
        m_window->startConversionButton->click();
    }
    QStringList outputs() const {
        return QDir(m_out).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    static int countOf(const QList<testsupport::SeenModal>& seen, const QString& text) {
        int n = 0;
        for (const auto& s : seen) n += s.text == text ? 1 : 0;
        return n;
    }

    QTemporaryDir m_tmp;
    QString m_in;
    QString m_out;
    wsqimageviewer m_viewer;
    ConvertWindow* m_window = nullptr;
};

TEST_F(ConversionRun, TreeLandsFlatInTheOutputDirectoryWithOrWithoutSlash) {
    const QImage top = picture(40, 30, 1), x = picture(33, 21, 2), y = picture(17, 25, 3);
    write("top.png", top, "PNG");
    write("x/inner.bmp", x, "BMP");
    write("y/deeper.one.png", y, "PNG");  // taken by its last extension, named up to the first dot
    write("y/other.PNG", y, "PNG");       // the pattern is case-sensitive
    tick("PNG - ");
    tick("BMP - ");
    m_window->subdirectoriesCheckBox->setChecked(true);

    testsupport::ModalWatcher watcher(closeAllButTheConverter);
    run(kBmpOutput);
    EXPECT_EQ(outputs(), QStringList({"deeper.bmp", "inner.bmp", "top.bmp"}));
    EXPECT_EQ(QImage(m_out + "/deeper.bmp").convertToFormat(QImage::Format_RGB32), y);
    EXPECT_EQ(QImage(m_out + "/top.bmp").convertToFormat(QImage::Format_RGB32), top);
    EXPECT_EQ(QImage(m_out + "/inner.bmp").convertToFormat(QImage::Format_RGB32), x);
    const QStringList first = ConvertWindowTest::fileList(*m_window);
    EXPECT_EQ(first,
              QStringList({m_in + "/top.png", m_in + "/x/inner.bmp", m_in + "/y/deeper.one.png"}));
    ASSERT_EQ(boxesOf(watcher).size(), 1);
    EXPECT_EQ(boxesOf(watcher).last().text, "Conversion completed");
    EXPECT_EQ(boxesOf(watcher).last().icon, QMessageBox::Information);
    EXPECT_EQ(boxesOf(watcher).last().caption, "WSQ viewer");
    EXPECT_TRUE(boxesOf(watcher).last().detail.isEmpty());
    EXPECT_EQ(countOf(watcher.seen(), "Conversion completed"), 1);
    EXPECT_EQ(m_window->completionLabel->text(), "0");
    EXPECT_EQ(m_window->completionProgressBar->value(), 0);

    m_window->inputDirectoryLineEdit->setText(m_in + "/");
    m_window->outputDirectoryLineEdit->setText(m_out + "/");
    run(kBmpOutput);
    EXPECT_EQ(ConvertWindowTest::fileList(*m_window), first);
    // The main window ends showing the last file converted.
    EXPECT_EQ(m_viewer.fileName(), m_in + "/y/deeper.one.png");
}

TEST_F(ConversionRun, SameBaseNameIsOverwrittenByTheLaterFile) {
    const QImage a1 = picture(20, 20, 4), a2 = picture(24, 16, 5);
    write("a.bmp", a1, "BMP");
    write("a.png", a2, "PNG");
    tick("PNG - ");
    tick("BMP - ");
    testsupport::ModalWatcher watcher(closeAllButTheConverter);
    run(kBmpOutput);
    EXPECT_EQ(outputs(), QStringList({"a.bmp"}));
    EXPECT_EQ(QImage(m_out + "/a.bmp").convertToFormat(QImage::Format_RGB32), a2);
}

TEST_F(ConversionRun, BrokenWsqFileShowsItsBoxAndTheRunGoesOn) {
    const QString conformance = QStringLiteral(WSQ_CONFORMANCE_DIR);
    ASSERT_TRUE(QFile::copy(conformance + "/flat_256x256_128_r0.75.wsq", m_in + "/a.wsq"));
    {
        QFile broken(m_in + "/b.wsq");
        ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
        broken.write("not a WSQ file");
    }
    write("c.png", picture(9, 9, 8), "PNG");
    // a.png and a.wsq have the same base name: the later one (a.wsq) is what out/a.bmp holds.
    write("a.png", picture(9, 9, 9), "PNG");
    tick("WSQ - ");
    tick("PNG - ");
    testsupport::ModalWatcher watcher(closeAllButTheConverter);
    run(kBmpOutput);
    const auto boxes = boxesOf(watcher);
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_EQ(boxes[0].text, "Error reading SOI WSQ marker");
    EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
    EXPECT_EQ(boxes[1].text, "Conversion completed");
    // The file nothing was written for is named in the closing box.
    EXPECT_EQ(boxes[1].detail, "1 file(s) could not be converted.\n" + m_in + "/b.wsq");
    EXPECT_EQ(outputs(), QStringList({"a.bmp", "c.bmp"}));
    const QImage a(m_out + "/a.bmp");
    EXPECT_EQ(a.size(), QSize(256, 256));
    EXPECT_EQ(qRed(a.pixel(10, 10)), qGreen(a.pixel(10, 10)));
    EXPECT_EQ(ConvertWindowTest::fileList(*m_window).size(), 4);
}

// Names with one, two and three dots, and dots in a folder's name, all convert.
TEST_F(ConversionRun, NamesWithDotsConvert) {
    const QString conformance = QStringLiteral(WSQ_CONFORMANCE_DIR);
    QDir().mkpath(m_in + "/case.2024");
    ASSERT_TRUE(QFile::copy(conformance + "/flat_256x256_128_r0.75.wsq", m_in + "/john.doe.wsq"));
    ASSERT_TRUE(
        QFile::copy(conformance + "/fp_101x81_s14_r2.25.wsq", m_in + "/case.2024/scan.r0.75.wsq"));
    write("2024.05.01-left-thumb.png", picture(12, 10, 3), "PNG");
    tick("WSQ - ");
    tick("PNG - ");
    m_window->subdirectoriesCheckBox->setChecked(true);
    testsupport::ModalWatcher watcher(closeAllButTheConverter);
    run(kBmpOutput);
    EXPECT_EQ(outputs(), QStringList({"2024.bmp", "john.bmp", "scan.bmp"}));
    EXPECT_EQ(QImage(m_out + "/scan.bmp").size(), QSize(101, 81));
    ASSERT_EQ(boxesOf(watcher).size(), 1);
    EXPECT_TRUE(boxesOf(watcher)[0].detail.isEmpty()) << boxesOf(watcher)[0].detail.toStdString();
}

// Each picture of a transaction becomes BASE-N, N its record; the text records make nothing.
TEST_F(ConversionRun, TransactionPicturesBecomeBaseDashRecord) {
    testsupport::TransactionWriter writer("0502");
    writer.addTagged(2, 0, {{2001, "case 17"}});
    for (int finger : {1, 2}) {
        std::vector<uint8_t> grey(size_t(90) * 85);
        for (size_t i = 0; i < grey.size(); ++i) grey[i] = uint8_t((i * 7 + finger * 50) & 255);
        const wsq::Encoded encoded = wsq::encode(grey, 90, 85, 2.25f, 500);
        ASSERT_FALSE(encoded.error);
        writer.addFingerprintBinary(4, finger, 0, {finger}, 1, 90, 85, 1, encoded.bytes);
    }
    const std::vector<uint8_t> bytes = writer.bytes();
    QFile out(m_in + "/case.2024.eft");
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
    out.close();
    tick("ANSI/NIST files");
    testsupport::ModalWatcher watcher(closeAllButTheConverter);
    run(kBmpOutput);
    EXPECT_EQ(outputs(), QStringList({"case-3.bmp", "case-4.bmp"}));
    EXPECT_EQ(QImage(m_out + "/case-4.bmp").size(), QSize(90, 85));
    ASSERT_EQ(boxesOf(watcher).size(), 1);
    EXPECT_TRUE(boxesOf(watcher)[0].detail.isEmpty());
}

TEST_F(ConversionRun, WsqOutputAsksForThePropertiesOnceAndReusesThem) {
    for (const char* name : {"w1.png", "w2.png", "w3.png"}) write(name, picture(96, 88, 10), "PNG");
    tick("PNG - ");
    int asked = 0;
    testsupport::ModalWatcher watcher([&](QWidget* modal) {
        if (auto* properties = qobject_cast<WSQFileWindow*>(modal)) {
            ++asked;
            properties->ppiEdit->setText("400");
            properties->commenttextEdit->setText("batch");
            properties->buttonOk->click();
        } else {
            closeAllButTheConverter(modal);
        }
    });
    run(1);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(outputs(), QStringList({"w1.wsq", "w2.wsq", "w3.wsq"}));
    EXPECT_EQ(m_viewer.m_interactiveSave, 0);
    for (const QString& name : outputs()) {
        SCOPED_TRACE(name.toStdString());
        m_viewer.load(m_out + "/" + name);
        EXPECT_TRUE(m_viewer.statusBar()->currentMessage().contains(
            ", dpi = 400, depth = 8, Comments: batch, "));
    }
}

TEST_F(ConversionRun, PercentagesForThreeFiles) {
    for (const char* name : {"p1.png", "p2.png", "p3.png"}) write(name, picture(8, 8, 6), "PNG");
    tick("PNG - ");
    QStringList shown;
    // Runs whenever events are processed: between files, and while the final box is open.
    QTimer sampler;
    sampler.setInterval(0);
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        const QString text = m_window->completionLabel->text();
        if (shown.isEmpty() || shown.last() != text) shown << text;
    });
    sampler.start();
    testsupport::ModalWatcher watcher(closeAllButTheConverter);
    run(kBmpOutput);
    EXPECT_EQ(shown, QStringList({"33", "66", "100"}));
    EXPECT_EQ(m_window->completionLabel->text(), "0");
    EXPECT_EQ(outputs().size(), 3);
}

TEST_F(ConversionRun, StopPressedBetweenFilesEndsTheRunEarly) {
    for (const char* name : {"s1.png", "s2.png", "s3.png", "s4.png"})
        write(name, picture(8, 8, 7), "PNG");
    tick("PNG - ");
    bool stopWasEnabled = false;
    QTimer::singleShot(0, m_window, [&] {
        stopWasEnabled = m_window->stopConversionButton->isEnabled();
        m_window->stopConversionButton->click();
    });
    testsupport::ModalWatcher watcher(closeAllButTheConverter);
    run(kBmpOutput);
    EXPECT_TRUE(stopWasEnabled);
    EXPECT_EQ(outputs(), QStringList({"s1.bmp"}));
    EXPECT_EQ(countOf(watcher.seen(), "Conversion completed"), 1);
    EXPECT_TRUE(m_window->startConversionButton->isEnabled());
    EXPECT_FALSE(m_window->stopConversionButton->isEnabled());
}

TEST_F(ConversionRun, ClosingTheWindowDuringARunStopsIt) {
    for (const char* name : {"c1.png", "c2.png", "c3.png"}) write(name, picture(8, 8, 11), "PNG");
    tick("PNG - ");
    // The title bar's close button and Escape both reject the dialog.
    QTimer::singleShot(0, m_window, [&] { m_window->reject(); });
    testsupport::ModalWatcher watcher(closeAllButTheConverter);
    run(kBmpOutput);
    EXPECT_EQ(outputs(), QStringList({"c1.bmp"}));
    EXPECT_FALSE(m_window->isVisible());
}

TEST_F(ConversionRun, ConverterWindowIsMadeOnceAndKeepsItsState) {
    tick("GIF - ");
    m_window->subdirectoriesCheckBox->setChecked(true);
    m_window->hide();
    QMetaObject::invokeMethod(&m_viewer, "fileConverter");
    EXPECT_EQ(m_viewer.findChildren<ConvertWindow*>().size(), 1);
    EXPECT_EQ(m_viewer.findChild<ConvertWindow*>("convertwindow"), m_window);
    EXPECT_TRUE(m_window->isVisible());
    EXPECT_TRUE(m_window->isModal());
    EXPECT_TRUE(m_window->subdirectoriesCheckBox->isChecked());
    EXPECT_EQ(ConvertWindowTest::selectedPatterns(*m_window), QStringList({"*.gif"}));
    EXPECT_EQ(m_window->inputDirectoryLineEdit->text(), m_in);
}

}  // namespace

TEST_F(ConversionRun, LibraryAndToolkitFormatsConvertToEveryOutputTypeAndBack) {
    // One input per readable format the library writes or a peer tool makes.
    const QImage source = picture(96, 90, 4);
    const imagefile::BitmapImage record = testsupport::RecordFromQImage(source);
    const auto name = [&](const char* file) { return QFile::encodeName(m_in + "/" + file); };
    ASSERT_EQ(imagefile::WriteTiffFile(name("a.tif").constData(), record, nullptr), 0u);
    ASSERT_EQ(imagefile::WriteTiffFile(name("b.tiff").constData(), record, nullptr), 0u);
    ASSERT_EQ(imagefile::WriteTargaFile(name("c.tga").constData(), record), 0u);
    ASSERT_EQ(imagefile::WriteSgiFile(name("d.rgb").constData(), record), 0u);
    write("e.png", source, "PNG");
    write("f.bmp", source, "BMP");
    write("g.jpg", source, "JPG");
    write("h.ppm.src", source, "PPM");
    QStringList expected = {"a", "b", "c", "d", "e", "f", "g"};
    if (std::system("command -v convert >/dev/null 2>&1") == 0) {
        for (const char* peer : {"i.psd", "j.pcx", "k.gif"}) {
            const QString command = QString("convert %1/h.ppm.src %1/%2").arg(m_in, peer);
            ASSERT_EQ(std::system(command.toLocal8Bit().constData()), 0) << peer;
            expected << QString(peer).left(1);
        }
    }
    for (const char* label : {"TIF - ", "TIFF - ", "TGA - ", "RGB - ", "PNG - ", "BMP - ", "JPG - ",
                              "PSD - ", "PCX - ", "GIF - "})
        tick(label);

    const char* extensions[] = {"wsq", "bmp", "tif", "png", "jpg", "rgb", "tga", "xbm", "xpm"};
    for (int type = 1; type <= 9; ++type) {
        SCOPED_TRACE(extensions[type - 1]);
        const QString out = m_tmp.path() + "/out" + QString::number(type);
        m_window->outputDirectoryLineEdit->setText(out);
        QDir().mkpath(out);
        testsupport::ModalWatcher watcher([&](QWidget* modal) {
            if (auto* properties = qobject_cast<WSQFileWindow*>(modal))
                properties->buttonOk->click();
            else
                closeAllButTheConverter(modal);
        });
        run(type);
        QStringList written = QDir(out).entryList(QDir::Files, QDir::Name);
        QStringList wanted;
        for (const QString& base : expected) wanted << base + "." + extensions[type - 1];
        wanted.sort();
        ASSERT_EQ(written, wanted);
        // And back: every result opens in the viewer at the source's size.
        for (const QString& file : written) {
            m_viewer.load(out + "/" + file);
            ASSERT_NE(m_viewer.currentPixmap(), nullptr) << file.toStdString();
            EXPECT_EQ(m_viewer.currentPixmap()->size(), source.size()) << file.toStdString();
        }
        // The lossless outputs of a lossless input keep every pixel.
        if (type == 2 || type == 3 || type == 4 || type == 6 || type == 7) {
            m_viewer.load(out + "/c." + extensions[type - 1]);
            EXPECT_EQ(m_viewer.currentPixmap()->toImage().convertToFormat(QImage::Format_RGB32),
                      source);
        }
    }
}
