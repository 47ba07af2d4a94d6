// The scan resolution through wsqconvert: a WSQ print's resolution in every output that can
// state one, as other programs read it back (Pillow, tiffinfo, ImageMagick's identify); every
// input's stated resolution in the WSQ it becomes; 500 with a warning when an input states none.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "support/scratch_dir.h"
#include "wsqconvert_test_support.h"

using namespace wsqconverttest;

namespace {

class WsqConvertResolution : public ::testing::Test {
protected:
    QString file(const QString& name) const { return q(dir.file(name.toStdString())); }

    // Standard output of a peer program; fails the test when it does not run.
    static QString peer(const QString& program, const QStringList& arguments) {
        QProcess process;
        process.start(program, arguments);
        EXPECT_TRUE(process.waitForFinished(60000)) << program.toStdString();
        EXPECT_EQ(process.exitCode(), 0)
            << program.toStdString() << ": " << process.readAllStandardError().toStdString();
        return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
    }

    // Pillow's info["dpi"], rounded, as "X Y"; "none" when it finds none.
    static QString pillowDpi(const QString& path) {
        return peer(
            QStringLiteral("/usr/bin/python3"),
            {"-c",
             "import sys; from PIL import Image; d = Image.open(sys.argv[1]).info.get('dpi');"
             "print('none' if d is None else '%d %d' % (round(d[0]), round(d[1])))",
             path});
    }

    int wsqPpi(const QString& path) {
        const ToolRun run = runTool({"--info", "--json", path});
        const QJsonArray facts = QJsonDocument::fromJson(run.out.toUtf8()).array();
        return facts.isEmpty() ? -2 : facts[0][QStringLiteral("ppi")].toInt(-1);
    }

    testsupport::ScratchDir dir;
};

TEST_F(WsqConvertResolution, AWsqPrintsResolutionReachesEveryOutputThatStatesOne) {
    ASSERT_TRUE(writeWsq(file("print.wsq"), 120, 110, 3, 1000));
    for (const char* ext : {"png", "tif", "jpg", "bmp"}) {
        const QString out = file(QStringLiteral("print.") + ext);
        const ToolRun run = runTool({file("print.wsq"), out});
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        EXPECT_TRUE(run.warningLines().isEmpty());
        EXPECT_EQ(pillowDpi(out), QStringLiteral("1000 1000")) << ext;
    }
    EXPECT_TRUE(peer("tiffinfo", {file("print.tif")})
                    .contains(QStringLiteral("Resolution: 1000, 1000 pixels/inch")));
    EXPECT_EQ(peer("identify", {"-format", "%x %y %U", file("print.jpg")}),
              QStringLiteral("1000 1000 PixelsPerInch"));
    // Each output back to WSQ keeps it.
    for (const char* ext : {"png", "tif", "jpg", "bmp"}) {
        const QString back = file(QStringLiteral("back-") + ext + ".wsq");
        ASSERT_EQ(runTool({file(QStringLiteral("print.") + ext), back}).status, 0);
        EXPECT_EQ(wsqPpi(back), 1000) << ext;
    }
    // --ppi sets it; the PGM output states none.
    ASSERT_EQ(runTool({"--ppi", "333", file("print.wsq"), file("set.png")}).status, 0);
    EXPECT_EQ(pillowDpi(file("set.png")), QStringLiteral("333 333"));
    ASSERT_EQ(runTool({file("print.wsq"), file("print.pgm")}).status, 0);
    EXPECT_EQ(pillowDpi(file("print.pgm")), QStringLiteral("none"));
}

TEST_F(WsqConvertResolution, OtherProgramsFilesGiveTheirResolutionToWsq) {
    ASSERT_TRUE(writeWsq(file("print.wsq"), 120, 110, 4, 500));
    ASSERT_EQ(runTool({file("print.wsq"), file("print.pgm")}).status, 0);
    struct Case {
        const char* name;
        QStringList convertArguments;
        int ppi;
    };
    const std::vector<Case> cases = {
        {"im.png", {"-units", "PixelsPerInch", "-density", "1000"}, 1000},
        {"im.tif", {"-units", "PixelsPerInch", "-density", "1000"}, 1000},
        {"cm.tif", {"-units", "PixelsPerCentimeter", "-density", "393.7"}, 1000},
        {"im.jpg", {"-units", "PixelsPerInch", "-density", "500"}, 500},
        {"im.bmp", {"-units", "PixelsPerInch", "-density", "1000"}, 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        peer("convert",
             QStringList{file("print.pgm")} + c.convertArguments + QStringList{file(c.name)});
        const QString out = file(QStringLiteral("%1.wsq").arg(c.name));
        const ToolRun run = runTool({file(c.name), out});
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        EXPECT_TRUE(run.warningLines().isEmpty()) << run.err.toStdString();
        EXPECT_EQ(wsqPpi(out), c.ppi);
    }
    // Stating none: 500, said on standard error and in the log.
    const ToolRun assumed =
        runTool({"--log-json", file("log.jsonl"), file("print.pgm"), file("pgm.wsq")});
    ASSERT_EQ(assumed.status, 0);
    const QString warning =
        QStringLiteral("no resolution in %1; 500 ppi assumed").arg(file("print.pgm"));
    EXPECT_EQ(assumed.warningLines(), QStringList(warning));
    EXPECT_EQ(wsqPpi(file("pgm.wsq")), 500);
    const QJsonObject entry = QJsonDocument::fromJson(fileBytes(file("log.jsonl"))).object();
    EXPECT_EQ(entry[QStringLiteral("warning")].toString(), warning);
    EXPECT_TRUE(entry[QStringLiteral("ppi")].isNull());
    EXPECT_EQ(entry[QStringLiteral("output_ppi")].toInt(), 500);
}

}  // namespace
