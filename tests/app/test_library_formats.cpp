// The raster library's formats in the viewer: TIFF, Targa, SGI, Photoshop, PCX (and the other
// library extensions) open as opaque pictures with the size line, and save types 3 to 7 write
// through the library, reporting a failed write.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QStatusBar>
#include <QTemporaryDir>

#include <vector>

#include "imagefile/bitmap_image.h"
#include "imagefile/formats.h"
#include "imagefile/image_file_io.h"
#include "library_planes.h"
#include "support/image_metrics.h"
#include "support/modal_watcher.h"
#include "support/peer_tools.h"
#include "support/qimage_record.h"
#include "support/qt_app_env.h"
#include "viewer_test_helpers.h"
#include "wsq/encoder.h"
#include "wsq/raw_file.h"
#include "wsqimageviewer.h"

using viewertest::patternImage;
using viewertest::statusText;

namespace {

class LibraryFormatsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QByteArray encoded(const QString& name) const { return QFile::encodeName(path(name)); }

    QTemporaryDir m_dir;
    wsqimageviewer m_window;
};

QImage opaque(const QImage& image) {
    return image.convertToFormat(QImage::Format_RGB32);
}

TEST_F(LibraryFormatsTest, ColourFilesOpenWithTheirColoursAndTheSizeLine) {
    const QImage picture = patternImage(37, 23);
    const imagefile::BitmapImage record = testsupport::RecordFromQImage(picture);
    ASSERT_EQ(imagefile::WriteTiffFile(encoded("c.tif").constData(), record, nullptr), 0u);
    ASSERT_EQ(imagefile::WriteTiffFile(encoded("c.tiff").constData(), record, nullptr), 0u);
    ASSERT_EQ(imagefile::WriteTargaFile(encoded("c.tga").constData(), record), 0u);
    ASSERT_EQ(imagefile::WriteSgiFile(encoded("c.rgb").constData(), record), 0u);
    for (const char* name : {"c.tif", "c.tiff", "c.tga", "c.rgb"}) {
        SCOPED_TRACE(name);
        m_window.load(path(name));
        ASSERT_NE(m_window.currentPixmap(), nullptr);
        EXPECT_EQ(opaque(m_window.currentPixmap()->toImage()), opaque(picture));
        EXPECT_EQ(statusText(m_window), "Image info: width = 37, height =  23");
    }
}

TEST_F(LibraryFormatsTest, GreyTiffShowsGrey) {
    imagefile::BitmapImage grey;
    grey.width = 16;
    grey.height = 9;
    grey.bitsPerPixel = 8;
    grey.dibLayout = 1;
    ASSERT_EQ(imagefile::AllocateBitmapImage(&grey), 0u);
    for (int i = 0; i < 256; ++i) {
        for (int c = 0; c < 3; ++c) grey.palette[4 * i + c] = static_cast<uint8_t>(i);
    }
    for (uint32_t y = 0; y < grey.height; ++y)
        for (uint32_t x = 0; x < grey.width; ++x)
            grey.bits[y * grey.scanWidth + x] = static_cast<uint8_t>(16 * x + y);
    ASSERT_EQ(imagefile::WriteTiffFile(encoded("g.tif").constData(), grey, nullptr), 0u);
    m_window.load(path("g.tif"));
    ASSERT_NE(m_window.currentPixmap(), nullptr);
    const QImage shown = m_window.currentPixmap()->toImage();
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            const QRgb p = shown.pixel(x, y);
            ASSERT_EQ(qRed(p), qGreen(p));
            ASSERT_EQ(qGreen(p), qBlue(p));
            ASSERT_EQ(qRed(p), 16 * x + (shown.height() - 1 - y));
        }
    }
}

TEST_F(LibraryFormatsTest, PeerWrittenPhotoshopAndPcxFilesOpen) {
    if (!testsupport::PeerProgramAvailable("convert")) GTEST_SKIP() << "ImageMagick is missing";
    const QImage picture = patternImage(20, 14);
    ASSERT_TRUE(opaque(picture).save(path("src.ppm"), "PPM"));
    for (const char* name : {"p.psd", "p.pcx"}) {
        SCOPED_TRACE(name);
        const std::string command =
            "convert " + path("src.ppm").toStdString() + " " + path(name).toStdString();
        ASSERT_TRUE(testsupport::RunPeerCommand(command));
        m_window.load(path(name));
        ASSERT_NE(m_window.currentPixmap(), nullptr);
        EXPECT_EQ(opaque(m_window.currentPixmap()->toImage()), opaque(picture));
    }
}

TEST_F(LibraryFormatsTest, UnreadableFilesShowAnEmptyPicture) {
    for (const char* name : {"bad.tga", "bad.cel", "bad.psd", "bad.iff", "bad.pcx", "bad.tif"}) {
        SCOPED_TRACE(name);
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not a picture at all");
        f.close();
        m_window.load(path(name));
        ASSERT_NE(m_window.currentPixmap(), nullptr);
        EXPECT_TRUE(m_window.currentPixmap()->isNull());
        EXPECT_EQ(statusText(m_window), "Image info: width = 0, height =  0");
    }
}

TEST_F(LibraryFormatsTest, SaveTypesThreeToSevenWriteThroughTheLibrary) {
    const QImage picture = patternImage(19, 11);
    ASSERT_TRUE(picture.save(path("src.png"), "PNG"));
    m_window.load(path("src.png"));
    const struct {
        int type;
        const char* written;
        bool lossless;
    } types[] = {{3, "out.tif", true},
                 {4, "out.png", true},
                 {5, "out.jpg", false},
                 {6, "out.rgb", true},
                 {7, "out.tga", true}};
    for (const auto& t : types) {
        SCOPED_TRACE(t.written);
        m_window.save(path("out"), t.type);
        ASSERT_TRUE(QFile::exists(path(t.written)));
        int w = 0, h = 0;
        std::vector<uint8_t> planes;
        ASSERT_EQ(imagefile::ReadImageFile(encoded(t.written).constData(), &w, &h, &planes), 1);
        ASSERT_EQ(w, 19);
        ASSERT_EQ(h, 11);
        const std::vector<uint8_t> expected = planesFromImage(picture);
        if (t.lossless) {
            EXPECT_EQ(planes, expected);
        } else {
            EXPECT_GT(testsupport::psnr(expected, planes), 15.0);
        }
    }
}

TEST_F(LibraryFormatsTest, TargaSavedFromAWsqPictureHoldsThreeEqualPlanes) {
    const std::vector<uint8_t> grey = testsupport::synthetic_print(128, 120, 7);
    std::vector<uint8_t> stream;
    int length = 0;
    ASSERT_EQ(wsq::wsq_encode_1(&stream, &length, 0.75f, grey.data(), 128, 120, 8, 500, nullptr),
              0);
    ASSERT_EQ(wsq::write_raw_from_memsize(encoded("print.wsq").constData(), stream.data(), length),
              0);
    m_window.load(path("print.wsq"));
    m_window.save(path("print"), 7);
    int w = 0, h = 0;
    std::vector<uint8_t> planes;
    ASSERT_EQ(imagefile::ReadImageFile(encoded("print.tga").constData(), &w, &h, &planes), 1);
    const size_t n = static_cast<size_t>(w) * h;
    ASSERT_EQ(n, 128u * 120u);
    for (size_t i = 0; i < n; ++i) {
        ASSERT_EQ(planes[i], planes[n + i]);
        ASSERT_EQ(planes[i], planes[2 * n + i]);
    }
}

TEST_F(LibraryFormatsTest, FailedLibraryWriteIsReportedAndNotCalledSaved) {
    const QImage picture = patternImage(8, 8);
    ASSERT_TRUE(picture.save(path("src.png"), "PNG"));
    m_window.load(path("src.png"));
    testsupport::ModalWatcher watcher;
    m_window.save(path("no/such/dir/out"), 4);
    ASSERT_EQ(watcher.seen().size(), 1);
    EXPECT_EQ(watcher.seen()[0].caption, "WSQ viewer");
    EXPECT_EQ(watcher.seen()[0].icon, QMessageBox::Warning);
    EXPECT_TRUE(watcher.seen()[0].text.contains("Unable to open file"))
        << watcher.seen()[0].text.toStdString();
    EXPECT_FALSE(QFile::exists(path("no/such/dir/out.png")));
}

}  // namespace
