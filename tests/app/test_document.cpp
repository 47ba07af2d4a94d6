// The document layer under the window, the converter and wsqconvert: one load that hands back
// every fact and the reader's own sentence, and saves under exactly the name and with exactly
// the settings given, leaving the process-wide settings of the designed entry points alone.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "document_load.h"
#include "document_save.h"
#include "imagefile/formats.h"
#include "imagefile/save_settings.h"
#include "support/qimage_record.h"
#include "support/qt_app_env.h"
#include "viewer_test_helpers.h"

using namespace document;
using viewertest::fileBytes;
using viewertest::patternImage;
using viewertest::writeFile;

namespace {

const QString kConformance = QStringLiteral(WSQ_CONFORMANCE_DIR);

class DocumentTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QString copy(const QString& stream, const QString& as) const {
        EXPECT_TRUE(QFile::copy(kConformance + "/" + stream, path(as)));
        return path(as);
    }
    QString write(const QString& name, const QByteArray& bytes) const {
        EXPECT_TRUE(writeFile(path(name), bytes)) << name.toStdString();
        return path(name);
    }
    QByteArray bytes(const QString& name) const { return fileBytes(path(name)); }

    QTemporaryDir m_dir;
};

TEST_F(DocumentTest, WsqFileGivesItsPictureAndEveryFactFromOneLoad) {
    const Document doc =
        loadDocument(copy("comment_plain_fp_417x300_s13_r0.75.wsq", "john.doe.wsq"));
    ASSERT_TRUE(doc.ok()) << doc.error.toStdString();
    EXPECT_EQ(doc.format, "WSQ");
    EXPECT_EQ(doc.extension, "wsq");
    EXPECT_EQ(doc.fileSize, QFileInfo(path("john.doe.wsq")).size());
    ASSERT_EQ(doc.pages.size(), 1u);
    EXPECT_EQ(doc.picture().size(), QSize(417, 300));
    const PageFacts& facts = doc.pages[0].facts;
    EXPECT_EQ(facts.width, 417);
    EXPECT_EQ(facts.height, 300);
    EXPECT_EQ(facts.depth, 8);
    EXPECT_EQ(facts.ppi, 500);
    ASSERT_TRUE(doc.wsqStream);
    EXPECT_EQ(lastHeaderComment(*doc.wsqStream), QString("Scanned at booth 4, left index"));
    ASSERT_TRUE(doc.wsqStream->nistcom);
    EXPECT_FALSE(doc.wsqStream->segments.empty());
    EXPECT_TRUE(summaryLine(doc).startsWith("Image info: width = 417, height =  300, dpi = 500"));
    EXPECT_TRUE(summaryLine(doc).contains(", Comments: Scanned at booth 4, left index, "));
}

TEST_F(DocumentTest, EachLoadFailureSaysWhatHappenedInTheReadersWords) {
    {
        const Document doc = loadDocument(path("scan.wsq.bak"));
        EXPECT_EQ(doc.failure, LoadFailure::UnsupportedType);
        EXPECT_EQ(doc.error, "cannot read files of type \"wsq.bak\"");
        EXPECT_TRUE(doc.pages.empty());
    }
    {
        const Document doc = loadDocument(path("missing.wsq"));
        EXPECT_EQ(doc.failure, LoadFailure::Unreadable);
        EXPECT_EQ(doc.error, "Error opening file for reading");
        EXPECT_EQ(doc.code, -2);
    }
    {
        const Document doc = loadDocument(write("text.wsq", QByteArray(300, 'Z')));
        EXPECT_EQ(doc.failure, LoadFailure::NotAStream);
        EXPECT_EQ(doc.error, "Error reading SOI WSQ marker");
        EXPECT_LT(doc.code, 0);
        // The codec's own line, not only its number.
        EXPECT_TRUE(doc.detail.startsWith("ERROR")) << doc.detail.toStdString();
        EXPECT_TRUE(doc.pages.empty());
    }
    {
        QFile stream(kConformance + "/fp_416x416_s3_r0.75.wsq");
        ASSERT_TRUE(stream.open(QIODevice::ReadOnly));
        const Document doc = loadDocument(write("cut.wsq", stream.readAll().left(2000)));
        EXPECT_EQ(doc.failure, LoadFailure::Undecodable);
        EXPECT_LT(doc.code, 0);
        EXPECT_TRUE(doc.error.startsWith("ERROR")) << doc.error.toStdString();
        ASSERT_EQ(doc.pages.size(), 1u);
        EXPECT_TRUE(doc.picture().isNull());
        // What the window shows of it: the facts of a failed decode.
        EXPECT_TRUE(summaryLine(doc).startsWith(
            "Image info: width = 0, height =  0, dpi = unknown, depth = 8"));
    }
    {
        const Document doc = loadDocument(write("junk.png", "not a picture"));
        EXPECT_EQ(doc.failure, LoadFailure::Undecodable);
        EXPECT_FALSE(doc.error.isEmpty());
        EXPECT_EQ(summaryLine(doc), "Image info: width = 0, height =  0");
    }
    {
        const Document doc = loadDocument(write("junk.tga", QByteArray(5, '\x01')));
        EXPECT_EQ(doc.failure, LoadFailure::Undecodable);
        EXPECT_GT(doc.code, 0);
        EXPECT_FALSE(doc.error.isEmpty());
        EXPECT_TRUE(doc.picture().isNull());
    }
}

TEST_F(DocumentTest, OtherFormatsCarryTheirFormatAndDepth) {
    ASSERT_TRUE(patternImage(30, 20).save(path("a.b.png"), "PNG"));
    const Document png = loadDocument(path("a.b.png"));
    ASSERT_TRUE(png.ok());
    EXPECT_EQ(png.format, "PNG");
    EXPECT_EQ(png.picture().size(), QSize(30, 20));
    EXPECT_EQ(png.pages[0].facts.depth, 32);

    const QImage grey = patternImage(16, 8).convertToFormat(QImage::Format_Grayscale8);
    const imagefile::BitmapImage record = testsupport::RecordFromQImage(grey);
    ASSERT_EQ(
        imagefile::WriteTiffFile(QFile::encodeName(path("g.tif")).constData(), record, nullptr),
        0u);
    const Document tiff = loadDocument(path("g.tif"));
    ASSERT_TRUE(tiff.ok()) << tiff.error.toStdString();
    EXPECT_EQ(tiff.format, "TIFF");
    EXPECT_EQ(tiff.pages[0].facts.depth, record.bitsPerPixel);
    EXPECT_TRUE(tiff.tiff);
}

// A TIFF read hands its storage to the caller: the process-wide settings the designed read
// keeps for the next save are not touched, and a save given the document's settings stores
// the new file as the old one was.
TEST_F(DocumentTest, TiffStorageTravelsInTheDocumentNotInProcessWideSettings) {
    const QImage picture = patternImage(33, 17);
    imagefile::TiffSaveInfo packBits;
    packBits.compression = 9;  // PackBits
    packBits.bottomUp = 1;
    ASSERT_EQ(imagefile::WriteTiffFile(QFile::encodeName(path("in.tif")).constData(),
                                       testsupport::RecordFromQImage(picture), &packBits),
              0u);
    const imagefile::TiffSaveInfo before = imagefile::GlobalTiffSaveInfo();
    const Document doc = loadDocument(path("in.tif"));
    ASSERT_TRUE(doc.ok());
    ASSERT_TRUE(doc.tiff);
    EXPECT_EQ(doc.tiff->compression, 9u);
    EXPECT_EQ(doc.tiff->bottomUp, 1u);
    EXPECT_EQ(imagefile::GlobalTiffSaveInfo().compression, before.compression);

    ASSERT_TRUE(saveDocument(doc, path("kept.tif"), SaveType::Tiff, settingsKeeping(doc)).ok());
    ASSERT_TRUE(saveDocument(doc, path("plain.tif"), SaveType::Tiff, SaveSettings{}).ok());
    const Document kept = loadDocument(path("kept.tif"));
    const Document plain = loadDocument(path("plain.tif"));
    EXPECT_EQ(kept.tiff->compression, 9u);
    EXPECT_EQ(kept.tiff->bottomUp, 1u);
    EXPECT_NE(plain.tiff->compression, 9u);
    EXPECT_EQ(kept.picture(), plain.picture());
}

TEST_F(DocumentTest, SavesUseExactlyTheNameAndTheSettingsGiven) {
    const QImage picture = patternImage(120, 100);
    SaveSettings settings;
    settings.wsqBitRate = 1.5;
    settings.wsqPpi = 1000;
    settings.wsqComment = QByteArray("desk 4");
    const imagefile::WsqSaveSettings libraryBefore = imagefile::GlobalWsqSaveSettings();

    const SaveResult wsq =
        savePicture(picture, path("print.r1.5.wsq.tmp"), SaveType::Wsq, settings);
    ASSERT_TRUE(wsq.ok()) << wsq.error.toStdString();
    EXPECT_EQ(wsq.bytes, QFileInfo(path("print.r1.5.wsq.tmp")).size());
    QFile::rename(path("print.r1.5.wsq.tmp"), path("print.wsq"));
    const Document back = loadDocument(path("print.wsq"));
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back.pages[0].facts.ppi, 1000);
    EXPECT_EQ(lastHeaderComment(*back.wsqStream), QString("desk 4"));
    EXPECT_EQ(imagefile::GlobalWsqSaveSettings().ppi, libraryBefore.ppi);

    for (const auto& [name, type] :
         {std::pair{"x.jpeg", SaveType::Jpeg}, std::pair{"x.png.bak", SaveType::Png},
          std::pair{"noextension", SaveType::Bmp}, std::pair{"x.tiff", SaveType::Tiff},
          std::pair{"x.v2.xpm", SaveType::Xpm}}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(savePicture(picture, path(name), type, settings).ok());
        EXPECT_TRUE(QFileInfo::exists(path(name)));
    }
    // Nothing but the names asked for.
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 6);
}

TEST_F(DocumentTest, SaveFailuresKeepTheExistingFileAndSayWhy) {
    const QImage picture = patternImage(120, 100);
    const QString missing = path("no/such/dir/out");
    EXPECT_EQ(savePicture(picture, missing + ".wsq", SaveType::Wsq, {}).failure,
              SaveFailure::CannotCreate);
    EXPECT_EQ(savePicture(picture, missing + ".bmp", SaveType::Bmp, {}).failure,
              SaveFailure::CannotCreate);
    const SaveResult png = savePicture(picture, missing + ".png", SaveType::Png, {});
    EXPECT_EQ(png.failure, SaveFailure::WriterFailed);
    EXPECT_GT(png.code, 0);
    EXPECT_EQ(png.error, "Unable to open file");

    // Too small for the encoder: its own sentence, and the file already there stays.
    write("small.wsq", "keep me");
    const SaveResult small =
        savePicture(patternImage(40, 40), path("small.wsq"), SaveType::Wsq, {});
    EXPECT_EQ(small.failure, SaveFailure::EncodeFailed);
    EXPECT_LT(small.code, 0);
    EXPECT_TRUE(small.error.startsWith("ERROR")) << small.error.toStdString();
    EXPECT_EQ(bytes("small.wsq"), "keep me");

    EXPECT_EQ(savePicture(QImage(), path("none.png"), SaveType::Png, {}).failure,
              SaveFailure::NoPicture);
    EXPECT_FALSE(QFileInfo::exists(path("none.png")));
}

}  // namespace
