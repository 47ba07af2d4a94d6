// wsqconvert --batch: which files are taken, how outputs are named (flat or --keep-tree),
// collisions, --skip-existing, and that the number of jobs does not change any output.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QStandardPaths>

#include <map>

#include "imagefile/checked_image_io.h"
#include "imagefile/image_file_io.h"
#include "support/scratch_dir.h"
#include "wsqconvert_test_support.h"

using namespace wsqconverttest;

namespace {

class WsqConvertBatch : public ::testing::Test {
protected:
    QString file(const QString& name) const { return q(dir.file(name.toStdString())); }

    void makeTree() {
        QDir().mkpath(file("in/sub/deeper"));
        ASSERT_TRUE(writeWsq(file("in/a.wsq"), 90, 82, 1));
        ASSERT_TRUE(colourPicture().save(file("in/b.png"), "PNG"));
        ASSERT_TRUE(colourPicture().save(file("in/sub/c.bmp"), "BMP"));
        ASSERT_TRUE(writeWsq(file("in/sub/deeper/d.WSQ"), 85, 81, 2));
        ASSERT_TRUE(writeBytes(file("in/notes.txt"), "not a picture"));
    }

    // Every file under `root`, relative to it.
    static QStringList filesUnder(const QString& root) {
        QStringList files;
        QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) files << QDir(root).relativeFilePath(it.next());
        files.sort();
        return files;
    }

    static std::map<QString, QByteArray> contentsUnder(const QString& root) {
        std::map<QString, QByteArray> contents;
        for (const QString& name : filesUnder(root)) contents[name] = fileBytes(root + "/" + name);
        return contents;
    }

    testsupport::ScratchDir dir;
};

TEST_F(WsqConvertBatch, FlatNamingTakesTheNameUpToTheFirstDot) {
    makeTree();
    ToolRun run = runTool({"--batch", "--to", "png", file("in"), file("flat")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(filesUnder(file("flat")), (QStringList{"a.png", "b.png"}));

    run = runTool({"--batch", "--to", "png", "--recursive", file("in"), file("all")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(filesUnder(file("all")), (QStringList{"a.png", "b.png", "c.png", "d.png"}));
    EXPECT_TRUE(run.out.startsWith(QStringLiteral("wsqconvert: 4 converted, 0 skipped, 0 failed")))
        << run.out.toStdString();
    // Not a terminal: no progress bar, nothing on standard error.
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
}

// A name with more than one "." is taken and read by its last extension (as the viewer reads
// it) and named by the part before the first ".".
TEST_F(WsqConvertBatch, NamesWithSeveralDots) {
    QDir().mkpath(file("in/case.2024.05"));
    ASSERT_TRUE(colourPicture().save(file("in/b.one.png"), "PNG"));
    ASSERT_TRUE(colourPicture().save(file("in/b.two.png"), "PNG"));
    ASSERT_TRUE(colourPicture().save(file("in/c.v2.png"), "PNG"));
    ASSERT_TRUE(colourPicture().save(file("in/d.png"), "PNG"));
    ASSERT_TRUE(writeWsq(file("in/case.2024.05/john.r0.75.wsq"), 96, 90, 2));
    ASSERT_TRUE(colourPicture().save(file("in/e.png.bak"), "PNG"));  // not taken
    const ToolRun run = runTool({"--batch", "--to", "bmp", "--recursive", file("in"), file("out")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(filesUnder(file("out")), (QStringList{"c.bmp", "d.bmp", "john.bmp"}));
    const QStringList lines = run.toolErrorLines();
    EXPECT_EQ(lines
                  .filter(file("out/b.bmp") + ": would be written from each of " +
                          file("in/b.one.png") + ", " + file("in/b.two.png"))
                  .size(),
              1)
        << run.err.toStdString();
    EXPECT_TRUE(lines.filter("cannot read").isEmpty()) << run.err.toStdString();
}

TEST_F(WsqConvertBatch, KeepTreeMirrorsTheSubdirectories) {
    makeTree();
    const ToolRun run = runTool(
        {"--batch", "--to", "tga", "--recursive", "--keep-tree", file("in"), file("out/new")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(filesUnder(file("out/new")),
              (QStringList{"a.tga", "b.tga", "sub/c.tga", "sub/deeper/d.tga"}));
}

TEST_F(WsqConvertBatch, FromChoosesTheInputTypes) {
    makeTree();
    const ToolRun run = runTool(
        {"--batch", "--to", "bmp", "--from", "wsq,bmp", "--recursive", file("in"), file("out")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(filesUnder(file("out")), (QStringList{"a.bmp", "c.bmp", "d.bmp"}));
}

TEST_F(WsqConvertBatch, CollisionsAreReportedAndNeitherFileIsWritten) {
    QDir().mkpath(file("in/x"));
    QDir().mkpath(file("in/y"));
    ASSERT_TRUE(writeWsq(file("in/a.wsq"), 90, 82, 1));
    ASSERT_TRUE(colourPicture().save(file("in/a.bmp"), "BMP"));
    ASSERT_TRUE(colourPicture().save(file("in/x/p.png"), "PNG"));
    ASSERT_TRUE(colourPicture().save(file("in/y/p.png"), "PNG"));
    ASSERT_TRUE(colourPicture().save(file("in/y/q.png"), "PNG"));

    ToolRun run = runTool({"--batch", "--to", "png", "--recursive", file("in"), file("flat")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(filesUnder(file("flat")), QStringList{"q.png"});
    const QStringList lines = run.toolErrorLines();
    const QString aLine = QStringLiteral("wsqconvert: %1: would be written from each of %2, %3")
                              .arg(file("flat/a.png"), file("in/a.bmp"), file("in/a.wsq"));
    EXPECT_TRUE(lines.filter(aLine).size() == 1) << run.err.toStdString();
    EXPECT_EQ(lines.filter(file("flat/p.png") + ": would be written").size(), 1);
    // The list of failed inputs follows the summary.
    EXPECT_TRUE(run.err.contains(QStringLiteral("failed:\n")));
    for (const char* input : {"in/a.bmp", "in/a.wsq", "in/x/p.png", "in/y/p.png"})
        EXPECT_TRUE(run.err.contains(QStringLiteral("  ") + file(input) + "\n")) << input;
    EXPECT_TRUE(run.out.contains(QStringLiteral("1 converted, 0 skipped, 4 failed")));

    // Mirrored, the two p.png go to different directories; a.* still collide.
    run =
        runTool({"--batch", "--to", "png", "--recursive", "--keep-tree", file("in"), file("tree")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(filesUnder(file("tree")), (QStringList{"x/p.png", "y/p.png", "y/q.png"}));
}

TEST_F(WsqConvertBatch, NeverReplacesItsInputsOrWalksItsOutput) {
    QDir().mkpath(file("in"));
    ASSERT_TRUE(colourPicture().save(file("in/a.jpg"), "JPG"));
    ASSERT_TRUE(colourPicture().save(file("in/b.png"), "PNG"));
    const QByteArray original = fileBytes(file("in/a.jpg"));
    ToolRun run = runTool({"--batch", "--to", "jpg", file("in"), file("in")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(fileBytes(file("in/a.jpg")), original);
    EXPECT_EQ(run.toolErrorLines().filter(file("in/a.jpg") + ": is an input of this batch").size(),
              1)
        << run.err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(file("in/b.jpg")));

    // An output directory inside the tree is not taken as input the next time.
    QDir().mkpath(file("tree/sub"));
    ASSERT_TRUE(colourPicture().save(file("tree/sub/c.png"), "PNG"));
    for (int i = 0; i < 2; ++i) {
        run = runTool({"--batch", "--to", "bmp", "--recursive", "--keep-tree", file("tree"),
                       file("tree/out")});
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
    }
    EXPECT_EQ(filesUnder(file("tree/out")), QStringList{"sub/c.bmp"});
}

TEST_F(WsqConvertBatch, SkipExistingLeavesOutputsAlone) {
    makeTree();
    QDir().mkpath(file("out"));
    ASSERT_TRUE(writeBytes(file("out/a.png"), "older"));
    ToolRun run = runTool({"--batch", "--to", "png", "--skip-existing", file("in"), file("out")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(fileBytes(file("out/a.png")), QByteArray("older"));
    EXPECT_TRUE(QFileInfo::exists(file("out/b.png")));
    EXPECT_TRUE(run.out.startsWith(QStringLiteral("wsqconvert: 1 converted, 1 skipped, 0 failed")));
    // Without it the output is replaced.
    run = runTool({"--batch", "--to", "png", file("in"), file("out")});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(fileBytes(file("out/a.png")), QByteArray("older"));
}

TEST_F(WsqConvertBatch, FailedFilesAreListedAndTheRestConverted) {
    makeTree();
    ASSERT_TRUE(writeBytes(file("in/broken.wsq"), QByteArray(100, '\x33')));
    const ToolRun run = runTool({"--batch", "--to", "wsq", file("in"), file("out")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(filesUnder(file("out")), (QStringList{"a.wsq", "b.wsq"}));
    const QStringList lines = run.toolErrorLines();
    ASSERT_EQ(lines.filter(QStringLiteral("cannot decode")).size(), 1);
    EXPECT_TRUE(lines.filter(QStringLiteral("cannot decode"))[0].startsWith(
        QStringLiteral("wsqconvert: ") + file("in/broken.wsq") + ": "));
    EXPECT_TRUE(run.err.endsWith(QStringLiteral("failed:\n  ") + file("in/broken.wsq") + "\n"));
}

TEST_F(WsqConvertBatch, MissingInputDirectoryFails) {
    const ToolRun run = runTool({"--batch", "--to", "png", file("nothing"), file("out")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.toolErrorLines(), QStringList{QStringLiteral("wsqconvert: ") + file("nothing") +
                                                ": no such directory"});
    EXPECT_FALSE(QFileInfo::exists(file("out")));
}

// Each job converts whole files, and the TIFF save settings a TIFF read leaves behind do not
// reach the next file of the thread: two jobs write the very bytes one job writes.
TEST_F(WsqConvertBatch, TwoJobsWriteWhatOneJobWrites) {
    QDir().mkpath(file("in"));
    for (int i = 0; i < 6; ++i) {
        ASSERT_TRUE(writeWsq(file(QStringLiteral("in/w%1.wsq").arg(i)), 88 + i, 84, 10 + i));
        ASSERT_TRUE(
            colourPicture(82 + i, 81).save(file(QStringLiteral("in/p%1.png").arg(i)), "PNG"));
    }
    if (!QStandardPaths::findExecutable(QStringLiteral("convert")).isEmpty()) {
        for (int i = 0; i < 3; ++i)
            ASSERT_EQ(
                std::system(("convert " + file(QStringLiteral("in/p%1.png").arg(i)).toStdString() +
                             " -compress RLE " +
                             file(QStringLiteral("in/a%1.tif").arg(i)).toStdString())
                                .c_str()),
                0);
    }
    for (const QString& to : QStringList{"tif", "wsq", "png"}) {
        SCOPED_TRACE(to.toStdString());
        const QString one = file("one_" + to), two = file("two_" + to);
        ASSERT_EQ(runTool({"--batch", "--to", to, "--jobs", "1", file("in"), one}).status, 0);
        ASSERT_EQ(runTool({"--batch", "--to", to, "--jobs", "2", file("in"), two}).status, 0);
        const auto a = contentsUnder(one);
        EXPECT_GE(a.size(), 12u);
        EXPECT_TRUE(a == contentsUnder(two));
        // And a batch writes what one conversion of the file alone writes.
        ASSERT_EQ(runTool({file("in/p4.png"), file("alone." + to)}).status, 0);
        EXPECT_EQ(fileBytes(file("alone." + to)), fileBytes(one + "/p4." + to));
    }
}

// A TIFF output is stored as its own input was, never as a file converted before it on the same
// thread: the PackBits bottom-left TIFF comes out so (byte for byte what the viewer's load and
// save of it write), the pictures after it uncompressed and top-left.
TEST_F(WsqConvertBatch, TiffOutputsTakeTheirOwnInputsSettingsOnly) {
    QDir().mkpath(file("in"));
    const QImage picture = colourPicture();
    const size_t n = static_cast<size_t>(picture.width()) * picture.height();
    std::vector<uint8_t> planes(3 * n);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = picture.pixel(x, y);
            const size_t i = static_cast<size_t>(y) * picture.width() + x;
            planes[i] = static_cast<uint8_t>(qRed(p));
            planes[n + i] = static_cast<uint8_t>(qGreen(p));
            planes[2 * n + i] = static_cast<uint8_t>(qBlue(p));
        }
    imagefile::SaveSettings packBits;
    packBits.tiff.compression = 9;
    packBits.tiff.bottomUp = 1;
    ASSERT_TRUE(imagefile::WriteImageFileChecked(file("in/a.tif").toLocal8Bit().constData(),
                                                 imagefile::ImageFormat::Tiff, picture.width(),
                                                 picture.height(), planes.data(), packBits)
                    .ok());
    ASSERT_TRUE(picture.save(file("in/b.png"), "PNG"));
    ASSERT_TRUE(imagefile::WriteImageFileChecked(file("in/c.tga").toLocal8Bit().constData(),
                                                 imagefile::ImageFormat::Targa, picture.width(),
                                                 picture.height(), planes.data())
                    .ok());

    const ToolRun run = runTool({"--batch", "--to", "tif", "--jobs", "1", file("in"), file("out")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    ASSERT_EQ(filesUnder(file("out")), (QStringList{"a.tif", "b.tif", "c.tif"}));

    const auto tags = [](const QString& name, uint16_t* compression, uint16_t* orientation) {
        TIFF* tif = TIFFOpen(name.toLocal8Bit().constData(), "r");
        ASSERT_NE(tif, nullptr);
        *orientation = 0;
        TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, compression);
        TIFFGetField(tif, TIFFTAG_ORIENTATION, orientation);
        TIFFClose(tif);
    };
    uint16_t compression = 0, orientation = 0;
    tags(file("out/a.tif"), &compression, &orientation);
    EXPECT_EQ(compression, COMPRESSION_PACKBITS);
    EXPECT_EQ(orientation, ORIENTATION_BOTLEFT);
    for (const char* name : {"out/b.tif", "out/c.tif"}) {
        SCOPED_TRACE(name);
        tags(file(name), &compression, &orientation);
        EXPECT_EQ(compression, COMPRESSION_NONE);
        EXPECT_EQ(orientation, ORIENTATION_TOPLEFT);
    }

    // The viewer: the designed read keeps the TIFF settings, the designed write uses them.
    int w = 0, h = 0;
    std::vector<uint8_t> read;
    ASSERT_EQ(imagefile::ReadImageFile(file("in/a.tif").toLocal8Bit().constData(), &w, &h, &read),
              1);
    ASSERT_EQ(imagefile::WriteImageFile(file("viewer.tif").toLocal8Bit().constData(),
                                        imagefile::kTiffFileType, w, h, read.data()),
              1);
    imagefile::GlobalTiffSaveInfo() = imagefile::TiffSaveInfo{};
    EXPECT_EQ(fileBytes(file("out/a.tif")), fileBytes(file("viewer.tif")));
}

}  // namespace
