// wsqconvert writes the very bytes the viewer's window saves, for the same picture and
// settings: the window loads the file and saves it (WSQ silently, with the properties window's
// fields), the tool converts it with the same bit rate, resolution and comment. Where the tool
// writes a grey source as a grey file (PNG, TIFF, JPEG, BMP) and the window a 24-bit one, the
// pixels are the same.
#include <gtest/gtest.h>

#include <QLineEdit>

#include "imagefile/checked_image_io.h"
#include "support/modal_watcher.h"
#include "support/qt_app_env.h"
#include "support/scratch_dir.h"
#include "wsqconvert_test_support.h"
#include "wsqfilewindow.h"
#include "wsqimageviewer.h"

using namespace wsqconverttest;

namespace {

// The picture of a PNG, TIFF, JPEG or BMP file as the raster library reads it, and the bits per
// pixel the file stores.
imagefile::CheckedImageRead readBack(const QString& path, const QString& extension) {
    const imagefile::ImageFormat format = extension == "tif"   ? imagefile::ImageFormat::Tiff
                                          : extension == "png" ? imagefile::ImageFormat::Png
                                          : extension == "jpg" ? imagefile::ImageFormat::Jpeg
                                                               : imagefile::ImageFormat::Bmp;
    return imagefile::ReadImageFileChecked(QFile::encodeName(path).constData(), format);
}

struct SaveType {
    int code;
    const char* extension;
};
constexpr SaveType kSaveTypes[] = {{1, "wsq"}, {2, "bmp"}, {3, "tif"}, {4, "png"}, {5, "jpg"},
                                   {6, "rgb"}, {7, "tga"}, {8, "xbm"}, {9, "xpm"}};

TEST(WsqConvertAndViewer, WriteTheSameBytes) {
    testsupport::ScratchDir dir;
    const auto file = [&](const QString& name) { return q(dir.file(name.toStdString())); };
    ASSERT_TRUE(writeWsq(file("print.wsq"), 120, 96, 4, 500));
    ASSERT_TRUE(colourPicture(100, 90).save(file("colour.png"), "PNG"));
    ASSERT_TRUE(greyPicture(printPixels(96, 100, 8), 96, 100).save(file("grey.bmp"), "BMP"));
    {
        const std::vector<uint8_t> pixels = printPixels(90, 85, 3);
        QImage grey8(pixels.data(), 90, 85, 90, QImage::Format_Grayscale8);
        ASSERT_TRUE(grey8.save(file("grey8.png"), "PNG"));
    }
    {
        // A TIFF written by the tool, read back by both through the raster library.
        ASSERT_EQ(runTool({file("colour.png"), file("colour.tif")}).status, 0);
    }

    // A message box from the window (a save it could not do) is closed and fails the test.
    testsupport::ModalWatcher watcher;
    wsqimageviewer window;
    auto* properties = window.findChild<WSQFileWindow*>();
    ASSERT_NE(properties, nullptr);
    for (const QString& input :
         QStringList{"print.wsq", "colour.png", "grey8.png", "grey.bmp", "colour.tif"}) {
        for (const SaveType& type : kSaveTypes) {
            const QString ext = QLatin1String(type.extension);
            SCOPED_TRACE((input + " to " + ext).toStdString());
            window.load(file(input));
            ASSERT_NE(window.currentPixmap(), nullptr);
            window.m_interactiveSave = 0;
            properties->bitrateEdit->setText(QStringLiteral("1.5"));
            properties->ppiEdit->setText(QStringLiteral("600"));
            properties->commenttextEdit->setText(QStringLiteral("same settings"));
            const QString base = file("viewer_" + QString(input).replace('.', '_'));
            window.save(base, type.code);
            const QString viewerOutput = base + "." + ext;
            ASSERT_EQ(window.savedFileName(), viewerOutput);

            // The tool writes the same name (SGI files carry their name), the window's file
            // set aside.
            const QByteArray viewerBytes = fileBytes(viewerOutput);
            EXPECT_FALSE(viewerBytes.isEmpty());
            ASSERT_TRUE(QFile::rename(viewerOutput, viewerOutput + ".viewer"));
            const QString toolOutput = viewerOutput;
            const ToolRun run = runTool({"--bitrate", "1.5", "--ppi", "600", "--comment",
                                         "same settings", file(input), toolOutput});
            ASSERT_EQ(run.status, 0) << run.err.toStdString();
            const bool greySource = !input.startsWith(QLatin1String("colour"));
            const bool greyForm = QStringList{"bmp", "tif", "png", "jpg"}.contains(ext);
            // The tool's BMP, TIFF, PNG and JPEG files also state the resolution (--ppi, or
            // the input's), which the window's saves leave as they always were: same pixels.
            if (greyForm) {
                const imagefile::CheckedImageRead viewer = readBack(viewerOutput + ".viewer", ext);
                const imagefile::CheckedImageRead tool = readBack(toolOutput, ext);
                ASSERT_TRUE(viewer.ok() && tool.ok());
                if (greySource) {
                    EXPECT_EQ(tool.fileDepth, 8) << "the tool's file is not 8-bit grey";
                    EXPECT_EQ(viewer.fileDepth, 24);
                }
                EXPECT_TRUE(viewer.planes == tool.planes) << "other pixels";
            } else {
                EXPECT_TRUE(viewerBytes == fileBytes(toolOutput));
            }
        }
    }
    for (const testsupport::SeenModal& modal : watcher.seen())
        ADD_FAILURE() << "the window showed: " << modal.text.toStdString();
}

}  // namespace
