// wsqconvert on single files: every input format to every output format, the exact output
// name, the WSQ settings, --info, and the failure lines and exit codes.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include <map>

#include "imagefile/image_file_io.h"
#include "support/scratch_dir.h"
#include "wsqconvert_test_support.h"

using namespace wsqconverttest;

namespace {

const QStringList kOutputExtensions = {"wsq",  "bmp", "tif", "tiff", "png", "jpg",
                                       "jpeg", "rgb", "tga", "xbm",  "xpm"};

class WsqConvert : public ::testing::Test {
protected:
    QString file(const QString& name) const { return q(dir.file(name.toStdString())); }

    // Writes the planes of `image` through the raster library under exactly `name`.
    bool writeWithLibrary(const QString& name, int type, const QImage& image) {
        const int width = image.width(), height = image.height();
        const size_t n = static_cast<size_t>(width) * height;
        std::vector<uint8_t> planes(3 * n);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const QRgb p = image.pixel(x, y);
                const size_t i = static_cast<size_t>(y) * width + x;
                planes[i] = static_cast<uint8_t>(qRed(p));
                planes[n + i] = static_cast<uint8_t>(qGreen(p));
                planes[2 * n + i] = static_cast<uint8_t>(qBlue(p));
            }
        return imagefile::WriteImageFile(QFile::encodeName(name).constData(), type, width, height,
                                         planes.data()) == 1 &&
               QFileInfo::exists(name);
    }

    static bool havePeer(const char* program) {
        return !QStandardPaths::findExecutable(QLatin1String(program)).isEmpty();
    }

    // One input file per readable format the test can make, named in_<ext>.<ext>, all of
    // the same size. Returns the extensions made.
    QStringList makeInputs(const QString& inDir) {
        QDir().mkpath(inDir);
        const QImage picture = colourPicture(w, h);
        const QString png = inDir + QStringLiteral("/in_png.png");
        QStringList made;
        const auto add = [&](const QString& ext, bool ok) {
            EXPECT_TRUE(ok) << "could not make the " << ext.toStdString() << " input";
            if (ok) made << ext;
        };
        const auto name = [&](const QString& ext) {
            return inDir + QStringLiteral("/in_") + ext + QLatin1Char('.') + ext;
        };
        add("png", picture.save(png, "PNG"));
        add("bmp", picture.save(name("bmp"), "BMP"));
        add("xpm", picture.save(name("xpm"), "XPM"));
        add("xbm", picture.save(name("xbm"), "XBM"));
        add("pnm", picture.save(name("pnm"), "PPM"));
        add("jpg", picture.save(name("jpg"), "JPG"));
        add("jpeg", picture.save(name("jpeg"), "JPG"));
        add("wsq", writeWsq(name("wsq"), w, h, 5));
        add("tif", writeWithLibrary(name("tif"), 3, picture));
        add("tiff", writeWithLibrary(name("tiff"), 3, picture));
        add("tga", writeWithLibrary(name("tga"), 7, picture));
        add("rgb", writeWithLibrary(name("rgb"), 6, picture));
        // A 256-colour cel file: palette of 6-bit values, then one byte a pixel.
        QByteArray cel(32, '\0');
        const auto put16 = [&cel](int offset, int v) {
            cel[offset] = static_cast<char>(v & 255);
            cel[offset + 1] = static_cast<char>(v >> 8);
        };
        put16(0, 0x9119);
        put16(2, w);
        put16(4, h);
        cel[10] = 8;
        for (int i = 0; i < 256; ++i) {
            cel += static_cast<char>(i / 4);
            cel += static_cast<char>((255 - i) / 4);
            cel += static_cast<char>(i % 64);
        }
        for (int i = 0; i < w * h; ++i) cel += static_cast<char>(i * 13);
        add("cel", writeBytes(name("cel"), cel));
        // The peers get the picture as PPM, as the raster library's own tests give it to them.
        const std::string ppm = (inDir + QStringLiteral("/picture.ppm")).toStdString();
        if (havePeer("convert") && picture.save(QString::fromStdString(ppm), "PPM")) {
            for (const char* ext : {"gif", "pcx", "psd"})
                add(ext,
                    std::system(("convert " + ppm + " " + name(ext).toStdString() + " 2>/dev/null")
                                    .c_str()) == 0);
            if (havePeer("ppmtoilbm"))
                add("iff", std::system(("convert " + ppm +
                                        " -colors 200 +dither ppm:- 2>/dev/null"
                                        " | ppmtoilbm -fixplanes 8 > " +
                                        name("iff").toStdString() + " 2>/dev/null")
                                           .c_str()) == 0);
            QFile::remove(QString::fromStdString(ppm));
        }
        return made;
    }

    static QJsonArray infoJson(const QStringList& files) {
        const ToolRun run = runTool(QStringList{"--info", "--json"} + files);
        return QJsonDocument::fromJson(run.out.toUtf8()).array();
    }

    testsupport::ScratchDir dir;
    const int w = 96;
    const int h = 84;
};

TEST_F(WsqConvert, EveryInputFormatToEveryOutputFormat) {
    const QString in = file("in");
    const QStringList inputs = makeInputs(in);
    ASSERT_GE(inputs.size(), 13);
    QStringList outputs;
    for (const QString& to : kOutputExtensions) {
        const QString out = file("out_" + to);
        const ToolRun run = runTool({"--batch", "--to", to, "--jobs", "2", in, out});
        EXPECT_EQ(run.status, 0) << to.toStdString() << ": " << run.err.toStdString();
        EXPECT_TRUE(run.toolErrorLines().isEmpty()) << run.err.toStdString();
        for (const QString& ext : inputs) {
            const QString output = out + QStringLiteral("/in_") + ext + QLatin1Char('.') + to;
            EXPECT_TRUE(QFileInfo::exists(output)) << output.toStdString();
            outputs << output;
        }
        // Nothing but the outputs: no temporary files left behind.
        EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden).size(), inputs.size());
    }
    // Every output reads back at the input's size.
    const QJsonArray facts = infoJson(outputs);
    ASSERT_EQ(facts.size(), outputs.size());
    for (const QJsonValue& fact : facts) {
        SCOPED_TRACE(fact[QStringLiteral("file")].toString().toStdString());
        EXPECT_FALSE(fact.toObject().contains(QStringLiteral("error")));
        EXPECT_EQ(fact[QStringLiteral("width")].toInt(), w);
        EXPECT_EQ(fact[QStringLiteral("height")].toInt(), h);
    }
}

TEST_F(WsqConvert, LosslessFormatsKeepEveryPixel) {
    const QImage picture = colourPicture(w, h);
    ASSERT_TRUE(picture.save(file("a.png"), "PNG"));
    for (const QString& ext : QStringList{"bmp", "tif", "tiff", "tga", "rgb", "xpm", "png"}) {
        SCOPED_TRACE(ext.toStdString());
        const QString middle = file("b." + ext);
        ASSERT_EQ(runTool({file("a.png"), middle}).status, 0);
        ASSERT_EQ(runTool({middle, file("c.png")}).status, 0);
        EXPECT_EQ(rgb32(QImage(file("c.png"))), rgb32(picture));
    }
}

TEST_F(WsqConvert, WritesExactlyTheNameGiven) {
    ASSERT_TRUE(colourPicture().save(file("a.png"), "PNG"));
    for (const QString& name :
         QStringList{"x.jpeg", "x.JPG", "x.Tiff", "noext.v1.wsq", "x.XPM", "x.tga"}) {
        ASSERT_EQ(runTool({file("a.png"), file(name)}).status, 0) << name.toStdString();
        EXPECT_TRUE(QFileInfo::exists(file(name))) << name.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(file("x.jpeg.jpg")));
    EXPECT_FALSE(QFileInfo::exists(file("x.Tiff.tif")));
    // The JPEG written under its own name is the one the library writes for x.jpg.
    ASSERT_EQ(runTool({file("a.png"), file("y.jpg")}).status, 0);
    EXPECT_EQ(fileBytes(file("x.jpeg")), fileBytes(file("y.jpg")));
    EXPECT_EQ(QDir(q(dir.path().string()))
                  .entryList(QDir::Hidden | QDir::Files)
                  .filter(QStringLiteral(".wsqconvert")),
              QStringList());
}

TEST_F(WsqConvert, WsqSettingsDefaultsAndOptions) {
    ASSERT_TRUE(writeWsq(file("fine.wsq"), 96, 88, 2, 1000));
    // A picture that states no resolution (Qt writes one into every PNG).
    ASSERT_TRUE(colourPicture(96, 88).save(file("c.ppm"), "PPM"));
    ASSERT_EQ(runTool({file("fine.wsq"), file("a.wsq")}).status, 0);
    const ToolRun assumed = runTool({file("c.ppm"), file("b.wsq")});
    ASSERT_EQ(assumed.status, 0);
    EXPECT_EQ(
        assumed.warningLines(),
        QStringList(QStringLiteral("no resolution in %1; 500 ppi assumed").arg(file("c.ppm"))));
    ASSERT_EQ(runTool({"--ppi", "300", "--comment", "scanned at desk 4", "--bitrate", "2.25",
                       file("fine.wsq"), file("d.wsq")})
                  .status,
              0);
    const QJsonArray facts = infoJson({file("a.wsq"), file("b.wsq"), file("d.wsq")});
    ASSERT_EQ(facts.size(), 3);
    EXPECT_EQ(facts[0][QStringLiteral("ppi")].toInt(), 1000);  // the WSQ input's resolution
    EXPECT_EQ(facts[1][QStringLiteral("ppi")].toInt(), 500);
    EXPECT_EQ(facts[2][QStringLiteral("ppi")].toInt(), 300);
    // No comment unless given: only the NISTCOM list.
    EXPECT_EQ(facts[0][QStringLiteral("comments")].toArray().size(), 1);
    const QJsonArray comments = facts[2][QStringLiteral("comments")].toArray();
    ASSERT_EQ(comments.size(), 2);
    EXPECT_EQ(comments[1].toString(), QStringLiteral("scanned at desk 4"));
    bool sawBitrate = false;
    for (const QJsonValue& entry : facts[2][QStringLiteral("nistcom")].toArray())
        if (entry[QStringLiteral("name")].toString() == QLatin1String("WSQ_BITRATE")) {
            EXPECT_EQ(entry[QStringLiteral("value")].toString(), QStringLiteral("2.250000"));
            sawBitrate = true;
        }
    EXPECT_TRUE(sawBitrate);
    EXPECT_GT(QFileInfo(file("d.wsq")).size(), QFileInfo(file("a.wsq")).size());
}

TEST_F(WsqConvert, WsqOutputIsTheViewersGrey) {
    // (r + g + b) / 3, truncated: (255, 255, 254) is 254, (1, 1, 0) is 0.
    QImage image(96, 96, QImage::Format_RGB32);
    image.fill(qRgb(255, 255, 254));
    for (int x = 0; x < 96; ++x) image.setPixel(x, 3, qRgb(1, 1, 0));
    ASSERT_TRUE(image.save(file("c.bmp"), "BMP"));
    QImage grey(96, 96, QImage::Format_RGB32);
    grey.fill(qRgb(254, 254, 254));
    for (int x = 0; x < 96; ++x) grey.setPixel(x, 3, qRgb(0, 0, 0));
    ASSERT_TRUE(grey.save(file("g.bmp"), "BMP"));
    ASSERT_EQ(runTool({file("c.bmp"), file("c.wsq")}).status, 0);
    ASSERT_EQ(runTool({file("g.bmp"), file("g.wsq")}).status, 0);
    EXPECT_EQ(fileBytes(file("c.wsq")), fileBytes(file("g.wsq")));
}

TEST_F(WsqConvert, InfoDescribesWsqFiles) {
    ASSERT_TRUE(writeWsq(file("p.wsq"), 100, 90, 9, 500, "first desk"));
    const ToolRun json = runTool({"--info", "--json", file("p.wsq")});
    ASSERT_EQ(json.status, 0) << json.err.toStdString();
    const QJsonObject facts = QJsonDocument::fromJson(json.out.toUtf8()).array()[0].toObject();
    EXPECT_EQ(facts[QStringLiteral("format")].toString(), QStringLiteral("WSQ"));
    EXPECT_EQ(facts[QStringLiteral("width")].toInt(), 100);
    EXPECT_EQ(facts[QStringLiteral("height")].toInt(), 90);
    EXPECT_EQ(facts[QStringLiteral("depth")].toInt(), 8);
    EXPECT_EQ(facts[QStringLiteral("lossy")].toInt(), 1);
    EXPECT_TRUE(facts.contains(QStringLiteral("encoder")));
    EXPECT_TRUE(facts.contains(QStringLiteral("software")));
    EXPECT_EQ(facts[QStringLiteral("comments")].toArray().last().toString(),
              QStringLiteral("first desk"));
    std::map<QString, QString> nistcom;
    for (const QJsonValue& e : facts[QStringLiteral("nistcom")].toArray())
        nistcom[e[QStringLiteral("name")].toString()] = e[QStringLiteral("value")].toString();
    EXPECT_EQ(nistcom[QStringLiteral("PIX_WIDTH")], QStringLiteral("100"));
    EXPECT_EQ(nistcom[QStringLiteral("PPI")], QStringLiteral("500"));
    // The segments tile the file from SOI to EOI, with three blocks.
    const QJsonArray segments = facts[QStringLiteral("segments")].toArray();
    ASSERT_GE(segments.size(), 8);
    EXPECT_EQ(segments.first()[QStringLiteral("marker")].toString(), QStringLiteral("SOI"));
    EXPECT_EQ(segments.last()[QStringLiteral("marker")].toString(), QStringLiteral("EOI"));
    qint64 offset = 0;
    int blocks = 0;
    for (const QJsonValue& s : segments) {
        EXPECT_EQ(s[QStringLiteral("offset")].toInteger(), offset);
        offset += s[QStringLiteral("length")].toInteger();
        blocks += s[QStringLiteral("marker")].toString() == QLatin1String("SOB");
    }
    EXPECT_EQ(offset, QFileInfo(file("p.wsq")).size());
    EXPECT_EQ(blocks, 3);
    EXPECT_FALSE(facts.contains(QStringLiteral("segments_end")));

    const ToolRun text = runTool({"--info", file("p.wsq")});
    EXPECT_EQ(text.status, 0);
    EXPECT_TRUE(text.out.contains(QStringLiteral("  width: 100\n")));
    EXPECT_TRUE(text.out.contains(QStringLiteral("  comment 2: first desk\n")));
    EXPECT_TRUE(text.out.contains(QStringLiteral("    SOI offset 0 length 2\n")));
}

TEST_F(WsqConvert, InfoDescribesOtherFormatsAndReportsBadOnes) {
    ASSERT_TRUE(colourPicture(90, 81).save(file("a.png"), "PNG"));
    ASSERT_TRUE(writeWithLibrary(file("a.tga"), 7, colourPicture(91, 83)));
    ASSERT_TRUE(writeBytes(file("bad.wsq"), QByteArray("not a picture")));
    // A text chunk claiming 1.6 GB in a 69-byte file.
    ASSERT_TRUE(
        writeBytes(file("claims.png"),
                   QByteArray::fromBase64("iVBORw0KGgoAAAANSUhEUgAAAAcAAAAFAQAAAACh4ct1AAAAB3RJ"
                                          "TUUH6gwICRoePryrnWPYACV0RVh0ZElFTkSuQmCC")));
    const ToolRun run = runTool({"--info", "--json", file("a.png"), file("a.tga"), file("bad.wsq"),
                                 file("gone.png"), file("claims.png")});
    EXPECT_EQ(run.status, 1);
    const QJsonArray facts = QJsonDocument::fromJson(run.out.toUtf8()).array();
    ASSERT_EQ(facts.size(), 5);
    EXPECT_EQ(facts[4][QStringLiteral("error")].toString(),
              QStringLiteral("cannot decode: A PNG chunk runs past the end of the file"));
    EXPECT_EQ(facts[0][QStringLiteral("format")].toString(), QStringLiteral("PNG"));
    EXPECT_EQ(facts[0][QStringLiteral("width")].toInt(), 90);
    EXPECT_EQ(facts[1][QStringLiteral("format")].toString(), QStringLiteral("TGA"));
    EXPECT_EQ(facts[1][QStringLiteral("height")].toInt(), 83);
    EXPECT_EQ(facts[1][QStringLiteral("depth")].toInt(), 24);
    EXPECT_TRUE(facts[2].toObject().contains(QStringLiteral("error")));
    EXPECT_EQ(facts[2][QStringLiteral("segments_end")].toString(),
              QStringLiteral("no SOI marker at the start"));
    EXPECT_EQ(run.toolErrorLines().size(), 3);
}

// Names with one, two and three dots, in a folder with dots, are read by their last extension
// when the complete one names no type; a name whose last extension names none stays refused.
TEST_F(WsqConvert, NamesWithDotsAreReadByTheirLastExtension) {
    QDir().mkpath(file("case.2024.05"));
    ASSERT_TRUE(writeWsq(file("case.2024.05/scan.r0.75.wsq"), 96, 90, 4));
    ASSERT_TRUE(writeWsq(file("john.doe.wsq"), 97, 91, 5));
    ASSERT_TRUE(writeWithLibrary(file("2024.05.01-left-thumb.tif"), 3, colourPicture(40, 30)));
    ASSERT_TRUE(writeWsq(file("scan.wsq.bak"), 96, 90, 4));

    ToolRun run = runTool({file("case.2024.05/scan.r0.75.wsq"), file("out.v2.png")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(QImage(file("out.v2.png")).size(), QSize(96, 90));

    run = runTool({"--info", "--json", file("john.doe.wsq"), file("2024.05.01-left-thumb.tif"),
                   file("scan.wsq.bak")});
    EXPECT_EQ(run.status, 1);
    const QJsonArray facts = QJsonDocument::fromJson(run.out.toUtf8()).array();
    ASSERT_EQ(facts.size(), 3);
    EXPECT_EQ(facts[0][QStringLiteral("width")].toInt(), 97);
    EXPECT_EQ(facts[1][QStringLiteral("format")].toString(), QStringLiteral("TIF"));
    EXPECT_EQ(facts[1][QStringLiteral("width")].toInt(), 40);
    EXPECT_EQ(facts[2][QStringLiteral("error")].toString(),
              QStringLiteral("cannot read files of type \"wsq.bak\""));

    run = runTool({file("scan.wsq.bak"), file("bak.png")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("cannot read files of type \"wsq.bak\"")) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(file("bak.png")));
}

// One line naming the file and the reason, exit status 1, nothing written.
TEST_F(WsqConvert, FailuresAreOneLineEachWithExitStatusOne) {
    ASSERT_TRUE(colourPicture().save(file("a.png"), "PNG"));
    ASSERT_TRUE(writeBytes(file("corrupt.wsq"), QByteArray(300, '\x5a')));
    ASSERT_TRUE(writeWithLibrary(file("whole.tif"), 3, colourPicture(64, 64)));
    const QByteArray tiff = fileBytes(file("whole.tif"));
    ASSERT_TRUE(writeBytes(file("cut.tif"), tiff.left(tiff.size() / 3)));
    ASSERT_TRUE(writeBytes(file("a.xyz"), QByteArray("?")));
    // A text chunk claiming 1.6 GB in a 69-byte file.
    ASSERT_TRUE(
        writeBytes(file("claims.png"),
                   QByteArray::fromBase64("iVBORw0KGgoAAAANSUhEUgAAAAcAAAAFAQAAAACh4ct1AAAAB3RJ"
                                          "TUUH6gwICRoePryrnWPYACV0RVh0ZElFTkSuQmCC")));

    struct Case {
        QStringList args;
        QString named;
        QString reason;
    };
    const QString noDir = file("no/such/dir");
    const std::vector<Case> cases = {
        {{file("missing.wsq"), file("o1.png")}, file("missing.wsq"), "no such file"},
        {{file("corrupt.wsq"), file("o2.png")}, file("corrupt.wsq"), "cannot decode (WSQ error"},
        {{file("cut.tif"), file("o3.png")}, file("cut.tif"), "cannot decode"},
        {{file("a.xyz"), file("o4.png")}, file("a.xyz"), "cannot read files of type \"xyz\""},
        {{file("claims.png"), file("o6.bmp")},
         file("claims.png"),
         "cannot decode: A PNG chunk runs past the end of the file"},
        {{file("a.png"), file("o5.gif")}, file("o5.gif"), "cannot write files of type \"gif\""},
        {{file("a.png"), noDir + "/o.wsq"}, noDir + "/o.wsq", "Error opening file for writing"},
        {{file("a.png"), noDir + "/o.bmp"}, noDir + "/o.bmp", "Error opening file for writing"},
        {{file("a.png"), noDir + "/o.png"}, noDir + "/o.png", "Unable to open file"},
        {{file("a.png"), noDir + "/o.jpeg"}, noDir + "/o.jpeg", "Unable to open file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const ToolRun run = runTool(c.args);
        EXPECT_EQ(run.status, 1);
        const QStringList lines = run.toolErrorLines();
        ASSERT_EQ(lines.size(), 1) << run.err.toStdString();
        EXPECT_TRUE(lines[0].startsWith(QStringLiteral("wsqconvert: ") + c.named + ": "))
            << lines[0].toStdString();
        EXPECT_TRUE(lines[0].contains(c.reason)) << lines[0].toStdString();
        EXPECT_FALSE(QFileInfo::exists(c.args.last()));
        EXPECT_TRUE(run.out.isEmpty());
    }
    EXPECT_FALSE(QDir(file("no")).exists());
}

TEST_F(WsqConvert, AFailedConversionLeavesTheExistingOutputAlone) {
    ASSERT_TRUE(writeBytes(file("corrupt.wsq"), QByteArray(300, '\x11')));
    ASSERT_TRUE(writeBytes(file("keep.png"), QByteArray("previous contents")));
    EXPECT_EQ(runTool({file("corrupt.wsq"), file("keep.png")}).status, 1);
    EXPECT_EQ(fileBytes(file("keep.png")), QByteArray("previous contents"));
}

TEST_F(WsqConvert, UsageErrorsExitWithTwo) {
    const std::vector<QStringList> cases = {
        {},
        {"only-one.png"},
        {"a.png", "b.png", "c.png"},
        {"--frobnicate", "a.png", "b.png"},
        {"--bitrate", "fast", "a.png", "b.wsq"},
        {"--ppi", "-3", "a.png", "b.wsq"},
        {"--ppi"},
        {"--info"},
        {"--json", "a.png"},
        {"--batch", "in", "out"},
        {"--batch", "--to", "gif", "in", "out"},
        {"--batch", "--to", "png", "--from", "doc", "in", "out"},
        {"--batch", "--to", "png", "--jobs", "0", "in", "out"},
        {"--recursive", "a.png", "b.png"},
        {"--info", "--batch", "--to", "png", "in", "out"},
    };
    for (const QStringList& args : cases) {
        const ToolRun run = runTool(args);
        EXPECT_EQ(run.status, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("wsqconvert: "))) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QStringLiteral("usage: wsqconvert")));
    }
}

TEST_F(WsqConvert, HelpAndVersion) {
    const ToolRun help = runTool({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("usage: wsqconvert")));
    EXPECT_TRUE(help.out.contains(QStringLiteral("--keep-tree")));
    EXPECT_TRUE(help.err.isEmpty());
    const ToolRun version = runTool({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(version.out.startsWith(QStringLiteral("wsqconvert ")));
}

}  // namespace
