// wsqconvert --thumbnail: every conformance stream to the reference decode, fitted and scaled
// once; names that give no type but hold a WSQ stream; failures that leave the output alone.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QImageReader>

#include "support/conformance_files.h"
#include "support/scratch_dir.h"
#include "wsqconvert_test_support.h"

using namespace wsqconverttest;

namespace {

using testsupport::conformanceStreams;
using testsupport::referenceDecode;

class WsqConvertThumbnail : public ::testing::Test {
protected:
    QString file(const QString& name) const { return q(dir.file(name.toStdString())); }
    testsupport::ScratchDir dir;
};

// Reads a PNG by its content, whatever it is called, as the file managers do.
QImage readPng(const QString& name) {
    QImageReader reader(name, "png");
    return reader.read();
}

TEST_F(WsqConvertThumbnail, ConformanceStreamsGiveTheReferencePixels) {
    const QStringList streams = conformanceStreams();
    ASSERT_GE(streams.size(), 5);
    for (const QString& stream : streams) {
        SCOPED_TRACE(stream.toStdString());
        const QImage reference = referenceDecode(stream);
        ASSERT_FALSE(reference.isNull());

        // A square as large as the picture keeps every pixel, in 8-bit grey.
        const int whole = std::max(reference.width(), reference.height());
        ASSERT_EQ(
            runTool({"--thumbnail", QString::number(whole), stream, file("whole.png")}).status, 0);
        const QImage same = readPng(file("whole.png"));
        EXPECT_EQ(same.format(), QImage::Format_Grayscale8);
        EXPECT_EQ(same, reference);

        // A small square: the longer side fills it, the proportions stay, and the pixels are
        // the reference smoothly scaled in one step.
        ASSERT_EQ(runTool({"--thumbnail", "64", stream, file("small.thumb")}).status, 0);
        const QImage small = readPng(file("small.thumb"));
        EXPECT_EQ(std::max(small.width(), small.height()), 64);
        EXPECT_NEAR(double(small.width()) / small.height(),
                    double(reference.width()) / reference.height(), 0.03);
        EXPECT_EQ(small, reference.scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
}

TEST_F(WsqConvertThumbnail, ContentDecidesWhenTheNameGivesNoType) {
    const QString stream = conformanceStreams().value(0);
    const QByteArray bytes = fileBytes(stream);
    ASSERT_FALSE(bytes.isEmpty());
    // File managers hand over whatever the file is called.
    for (const QString& name : {QStringLiteral("stream.bin"), QStringLiteral("no-extension")}) {
        SCOPED_TRACE(name.toStdString());
        ASSERT_TRUE(writeBytes(file(name), bytes));
        EXPECT_EQ(runTool({"--thumbnail", "4096", file(name), file("out.png")}).status, 0);
        EXPECT_EQ(readPng(file("out.png")), referenceDecode(stream));
    }
    // Other pictures are read by their names, in colour.
    ASSERT_TRUE(colourPicture(300, 150).save(file("colour.png"), "PNG"));
    ASSERT_EQ(runTool({"--thumbnail", "100", file("colour.png"), file("colour-thumb.png")}).status,
              0);
    const QImage colour = readPng(file("colour-thumb.png"));
    EXPECT_EQ(colour.size(), QSize(100, 50));
    EXPECT_FALSE(colour.allGray());
}

TEST_F(WsqConvertThumbnail, FailuresLeaveTheOutputAlone) {
    const QByteArray whole = fileBytes(conformanceStreams().value(0));
    ASSERT_TRUE(writeBytes(file("truncated.wsq"), whole.left(whole.size() / 2)));
    ASSERT_TRUE(writeBytes(file("garbage.bin"), QByteArray(500, '\x33')));
    ASSERT_TRUE(writeBytes(file("header-only.bin"), whole.left(6)));
    for (const QString& input : {file("truncated.wsq"), file("garbage.bin"),
                                 file("header-only.bin"), file("missing.wsq")}) {
        SCOPED_TRACE(input.toStdString());
        ASSERT_TRUE(writeBytes(file("keep.png"), QByteArray("previous contents")));
        const ToolRun run = runTool({"--thumbnail", "128", input, file("keep.png")});
        EXPECT_EQ(run.status, 1);
        const QStringList lines = run.toolErrorLines();
        ASSERT_EQ(lines.size(), 1) << run.err.toStdString();
        EXPECT_TRUE(lines[0].startsWith(QStringLiteral("wsqconvert: ") + input + ": "));
        EXPECT_EQ(fileBytes(file("keep.png")), QByteArray("previous contents"));
    }
    const ToolRun run =
        runTool({"--thumbnail", "128", conformanceStreams().value(0), file("no/such/dir/out.png")});
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(QDir(file("no")).exists());
}

TEST_F(WsqConvertThumbnail, UsageErrors) {
    const std::vector<QStringList> cases = {
        {"--thumbnail", "0", "a.wsq", "b.png"},
        {"--thumbnail", "4097", "a.wsq", "b.png"},
        {"--thumbnail", "big", "a.wsq", "b.png"},
        {"--thumbnail", "128", "a.wsq"},
        {"--thumbnail"},
        {"--thumbnail", "128", "--info", "a.wsq", "b.png"},
        {"--thumbnail", "128", "--record", "3", "a.eft", "b.png"},
    };
    for (const QStringList& args : cases) {
        const ToolRun run = runTool(args);
        EXPECT_EQ(run.status, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(QStringLiteral("usage: wsqconvert")));
    }
}

}  // namespace
