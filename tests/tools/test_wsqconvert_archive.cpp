// wsqconvert at archive scale: file lists, shards, the JSON-lines log and reruns from it, exit
// statuses, the size budget, the standard streams, and stopping by a signal.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include <signal.h>

#include <map>

#include "support/scratch_dir.h"
#include "wsqconvert_test_support.h"

using namespace wsqconverttest;

namespace {

class WsqConvertArchive : public ::testing::Test {
protected:
    QString file(const QString& name) const { return q(dir.file(name.toStdString())); }

    // A grey print stating `ppi`, saved as PNG.
    void writePrint(const QString& name, int w, int h, uint32_t seed, int ppi = 500) {
        QDir().mkpath(QFileInfo(name).path());
        QImage image = greyPicture(printPixels(w, h, seed), w, h);
        const int dpm = qRound(ppi / 0.0254);
        image.setDotsPerMeterX(dpm);
        image.setDotsPerMeterY(dpm);
        ASSERT_TRUE(image.save(name, "PNG"));
    }

    // in/ with a.png, b.png, sub/c.png, sub/deeper/d.png and a broken WSQ file.
    void makeTree() {
        writePrint(file("in/a.png"), 96, 90, 1);
        writePrint(file("in/b.png"), 90, 96, 2);
        writePrint(file("in/sub/c.png"), 100, 88, 3);
        writePrint(file("in/sub/deeper/d.png"), 88, 100, 4);
        ASSERT_TRUE(writeBytes(file("in/broken.wsq"), QByteArray(200, '\x33')));
    }

    static std::vector<QJsonObject> logLines(const QString& path) {
        std::vector<QJsonObject> lines;
        for (const QByteArray& line : fileBytes(path).split('\n')) {
            if (line.isEmpty()) continue;
            QJsonParseError error;
            const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
            EXPECT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
            lines.push_back(doc.object());
        }
        return lines;
    }

    static std::map<QString, QJsonObject> byInput(const std::vector<QJsonObject>& lines) {
        std::map<QString, QJsonObject> entries;
        for (const QJsonObject& line : lines)
            entries[line[QStringLiteral("input")].toString()] = line;
        return entries;
    }

    static std::map<QString, QByteArray> contentsUnder(const QString& root) {
        std::map<QString, QByteArray> contents;
        QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            contents[QDir(root).relativeFilePath(path)] = fileBytes(path);
        }
        return contents;
    }

    testsupport::ScratchDir dir;
};

TEST_F(WsqConvertArchive, FileListsNameTheInputsAndMirrorTheirCommonDirectory) {
    makeTree();
    // Lines (one listed twice, one with a Windows line end, one of an unreadable type), and the
    // same names NUL-separated on standard input.
    const QByteArray lines = (file("in/sub/c.png") + "\n" + file("in/a.png") + "\r\n\n" +
                              file("in/sub/deeper/d.png") + "\n" + file("in/sub/c.png") + "\n")
                                 .toLocal8Bit();
    ASSERT_TRUE(writeBytes(file("list.txt"), lines));
    ToolRun run =
        runTool({"--files-from", file("list.txt"), "--to", "pgm", "--keep-tree", file("tree")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(contentsUnder(file("tree")).size(), 3u);
    for (const char* name : {"a.pgm", "sub/c.pgm", "sub/deeper/d.pgm"})
        EXPECT_TRUE(QFileInfo::exists(file("tree/") + name)) << name;
    EXPECT_TRUE(run.out.startsWith(QStringLiteral("wsqconvert: 3 converted, 0 skipped, 0 failed")));

    QProcess process;
    process.start(toolPath(), {"--files-from", "-", "--null", "--to", "pgm", file("flat")});
    QByteArray nul = (file("in/sub/c.png") + '\0' + file("in/b.png") + '\0').toLocal8Bit();
    process.write(nul);
    process.closeWriteChannel();
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    EXPECT_EQ(contentsUnder(file("flat")).size(), 2u);
    EXPECT_TRUE(QFileInfo::exists(file("flat/c.pgm")));

    // A listed file that is missing or of no readable type fails; the rest converts.
    ASSERT_TRUE(writeBytes(file("notes.txt"), "text"));
    ASSERT_TRUE(writeBytes(file("list2.txt"), (file("in/a.png") + "\n" + file("gone.png") + "\n" +
                                               file("notes.txt") + "\n")
                                                  .toLocal8Bit()));
    run = runTool({"--files-from", file("list2.txt"), "--to", "pgm", file("some")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.toolErrorLines().filter("no such file").size(), 1) << run.err.toStdString();
    EXPECT_EQ(run.toolErrorLines().filter("cannot read files of type \"txt\"").size(), 1);
    EXPECT_TRUE(QFileInfo::exists(file("some/a.pgm")));
}

TEST_F(WsqConvertArchive, ShardsTogetherAreExactlyTheWholeRunAndStayPut) {
    for (int i = 0; i < 24; ++i)
        writePrint(file(QStringLiteral("in/%1/p%2.png").arg(i % 3).arg(i)), 84, 84, 10 + i);
    const QStringList common = {"--batch", "--to", "wsq", "--recursive", "--keep-tree"};
    ASSERT_EQ(runTool(common + QStringList{file("in"), file("whole")}).status, 0);

    std::map<QString, int> shardOfInput;
    for (int s = 1; s <= 4; ++s) {
        const QString log = file(QStringLiteral("shard%1.jsonl").arg(s));
        const ToolRun run =
            runTool(common + QStringList{"--shard", QStringLiteral("%1/4").arg(s), "--log-json",
                                         log, file("in"), file("shards")});
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        for (const QJsonObject& line : logLines(log)) {
            const QString input = line[QStringLiteral("input")].toString();
            EXPECT_FALSE(shardOfInput.count(input)) << input.toStdString() << " in two shards";
            shardOfInput[input] = s;
        }
    }
    EXPECT_EQ(shardOfInput.size(), 24u);
    EXPECT_EQ(contentsUnder(file("shards")), contentsUnder(file("whole")));

    // New files join shards without moving the ones already there.
    for (int i = 24; i < 40; ++i)
        writePrint(file(QStringLiteral("in/%1/p%2.png").arg(i % 3).arg(i)), 84, 84, 10 + i);
    for (int s = 1; s <= 4; ++s) {
        const QString log = file(QStringLiteral("again%1.jsonl").arg(s));
        ASSERT_EQ(runTool(common + QStringList{"--shard", QStringLiteral("%1/4").arg(s),
                                               "--skip-existing", "--log-json", log, file("in"),
                                               file("shards")})
                      .status,
                  0);
        for (const QJsonObject& line : logLines(log)) {
            const QString input = line[QStringLiteral("input")].toString();
            if (shardOfInput.count(input)) {
                EXPECT_EQ(shardOfInput[input], s) << input.toStdString();
                EXPECT_EQ(line[QStringLiteral("status")].toString(), QStringLiteral("skipped"));
            }
        }
    }

    for (const QString bad : {"0/4", "5/4", "1/0", "2", "a/b"})
        EXPECT_EQ(runTool(common + QStringList{"--shard", bad, file("in"), file("x")}).status, 2)
            << bad.toStdString();
}

TEST_F(WsqConvertArchive, TheLogAccountsForEveryInputAndDrivesReruns) {
    makeTree();
    writePrint(file("in/twin.png"), 90, 90, 7);
    ASSERT_TRUE(writeBytes(file("in/twin.wsq"), fileBytes(file("in/broken.wsq"))));
    const QString log = file("run.jsonl");
    ToolRun run = runTool(
        {"--batch", "--to", "wsq", "--recursive", "--log-json", log, file("in"), file("out")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.out.contains(QStringLiteral("4 converted, 0 skipped, 3 failed")))
        << run.out.toStdString();
    std::map<QString, QJsonObject> entries = byInput(logLines(log));
    ASSERT_EQ(entries.size(), 7u);

    const QJsonObject a = entries[file("in/a.png")];
    EXPECT_EQ(a[QStringLiteral("status")].toString(), QStringLiteral("ok"));
    EXPECT_EQ(a[QStringLiteral("output")].toString(), file("out/a.wsq"));
    EXPECT_EQ(a[QStringLiteral("width")].toInt(), 96);
    EXPECT_EQ(a[QStringLiteral("height")].toInt(), 90);
    EXPECT_EQ(a[QStringLiteral("ppi")].toInt(), 500);
    EXPECT_EQ(a[QStringLiteral("input_bytes")].toInteger(), QFileInfo(file("in/a.png")).size());
    const QByteArray written = fileBytes(file("out/a.wsq"));
    EXPECT_EQ(a[QStringLiteral("output_bytes")].toInteger(), written.size());
    EXPECT_EQ(
        a[QStringLiteral("sha256")].toString(),
        QString::fromLatin1(QCryptographicHash::hash(written, QCryptographicHash::Sha256).toHex()));
    EXPECT_DOUBLE_EQ(a[QStringLiteral("bits_per_pixel")].toDouble(),
                     written.size() * 8.0 / (96 * 90));
    EXPECT_DOUBLE_EQ(a[QStringLiteral("ratio")].toDouble(), 96.0 * 90 / written.size());
    EXPECT_TRUE(a.contains(QStringLiteral("ms")));

    const QJsonObject broken = entries[file("in/broken.wsq")];
    EXPECT_EQ(broken[QStringLiteral("status")].toString(), QStringLiteral("failed"));
    EXPECT_TRUE(
        broken[QStringLiteral("error")].toString().startsWith(file("in/broken.wsq") + ": "));
    EXPECT_FALSE(broken.contains(QStringLiteral("sha256")));
    for (const char* twin : {"in/twin.png", "in/twin.wsq"})
        EXPECT_EQ(entries[file(twin)][QStringLiteral("status")].toString(),
                  QStringLiteral("collision"));

    // Mended, the broken file is the only one a retry converts; a second retry has nothing.
    writePrint(file("mend.png"), 90, 90, 8);
    ASSERT_EQ(runTool({file("mend.png"), file("in/broken.wsq")}).status, 0);
    const QString retryLog = file("retry.jsonl");
    run = runTool({"--batch", "--to", "wsq", "--recursive", "--retry-failed", log, "--log-json",
                   retryLog, file("in"), file("out")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    entries = byInput(logLines(retryLog));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries.begin()->first, file("in/broken.wsq"));
    EXPECT_EQ(runTool({"--batch", "--to", "wsq", "--recursive", "--retry-failed", retryLog,
                       file("in"), file("out")})
                  .status,
              3);

    // A rerun appends: the skipped outputs get lines of their own.
    run = runTool(
        {"--batch", "--to", "wsq", "--skip-existing", "--log-json", log, file("in"), file("out")});
    EXPECT_EQ(logLines(log).size(), 7u + 5u);
}

TEST_F(WsqConvertArchive, ExitStatusesAndFailFast) {
    makeTree();
    ASSERT_TRUE(QDir().mkpath(file("empty")));
    ToolRun run = runTool({"--batch", "--to", "png", file("empty"), file("o1")});
    EXPECT_EQ(run.status, 3);
    ASSERT_TRUE(writeBytes(file("none.txt"), ""));
    EXPECT_EQ(runTool({"--files-from", file("none.txt"), "--to", "png", file("o2")}).status, 3);
    EXPECT_EQ(runTool({"--batch", "--to", "png", "--from", "bmp", file("in"), file("o3")}).status,
              3);
    EXPECT_EQ(runTool({"--batch", "--to", "png", "--from", "png", file("in"), file("o4")}).status,
              0);
    EXPECT_EQ(runTool({"--batch", "--to", "png", file("in"), file("o5")}).status, 1);
    EXPECT_EQ(runTool({"--files-from", file("missing-list"), "--to", "png", file("o6")}).status, 1);
    for (const QStringList& usage : std::vector<QStringList>{
             {"--files-from", file("none.txt"), "--to", "png", file("in"), file("o")},
             {"--files-from", file("none.txt"), "--to", "png", "--recursive", file("o")},
             {"--null", "--batch", "--to", "png", file("in"), file("o")},
             {"--shard", "1/2", file("in/a.png"), file("o.png")},
             {"--max-bytes", "1000", file("in/a.png"), file("o.png")},
             {"--max-bytes", "12K", file("in/a.png"), file("o.wsq")},
             {"--max-size", "12Q", file("in/a.png"), file("o.wsq")},
             {"--log-json", "-", file("in/a.png"), file("o.wsq")},
             {"--to", "png", file("in/a.png"), file("o.wsq")},
         }) {
        run = runTool(usage);
        EXPECT_EQ(run.status, 2) << usage.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(QStringLiteral("usage: wsqconvert")));
    }

    // The broken file is first in order; after it nothing more starts.
    ASSERT_TRUE(QDir().mkpath(file("ff")));
    ASSERT_TRUE(writeBytes(file("ff/0broken.wsq"), QByteArray(200, '\x33')));
    for (int i = 0; i < 6; ++i) writePrint(file(QStringLiteral("ff/p%1.png").arg(i)), 84, 84, i);
    run = runTool({"--batch", "--to", "pgm", "--jobs", "1", "--fail-fast", file("ff"), file("o7")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.out.contains(QStringLiteral("0 converted, 0 skipped, 1 failed, 6 not started")))
        << run.out.toStdString();
    EXPECT_FALSE(QDir(file("o7")).exists() && !QDir(file("o7")).isEmpty());
}

TEST_F(WsqConvertArchive, SizeBudgetPicksTheLargestBitRateThatFits) {
    writePrint(file("big.png"), 480, 520, 21);
    ASSERT_EQ(runTool({file("big.png"), file("free.wsq")}).status, 0);
    const qint64 free = QFileInfo(file("free.wsq")).size();
    const QString log = file("budget.jsonl");
    for (const qint64 budget : {free * 3 / 4, free / 3, free / 10}) {
        const QString out = file(QStringLiteral("b%1.wsq").arg(budget));
        const ToolRun run = runTool(
            {"--max-bytes", QString::number(budget), "--log-json", log, file("big.png"), out});
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        const qint64 size = QFileInfo(out).size();
        EXPECT_LE(size, budget);
        // Bisection to within a few percent of the budget.
        EXPECT_GT(size, budget * 85 / 100) << budget;
        const QJsonObject entry = logLines(log).back();
        EXPECT_LE(entry[QStringLiteral("encodes")].toInt(), 12);
        EXPECT_LT(entry[QStringLiteral("bitrate")].toDouble(), 0.75);
        // The stream decodes at the print's size.
        const ToolRun info = runTool({"--info", out});
        EXPECT_EQ(info.status, 0);
        EXPECT_TRUE(info.out.contains(QStringLiteral("width: 480")));
    }
    // A budget the stream fits already is one encode at the asked bit rate.
    ASSERT_EQ(
        runTool({"--max-size", "1M", "--log-json", log, file("big.png"), file("m.wsq")}).status, 0);
    EXPECT_EQ(fileBytes(file("m.wsq")), fileBytes(file("free.wsq")));
    EXPECT_EQ(logLines(log).back()[QStringLiteral("encodes")].toInt(), 1);

    const ToolRun impossible = runTool({"--max-bytes", "200", file("big.png"), file("no.wsq")});
    EXPECT_EQ(impossible.status, 1);
    ASSERT_EQ(impossible.toolErrorLines().size(), 1);
    EXPECT_TRUE(impossible.toolErrorLines()[0].startsWith(
        QStringLiteral("wsqconvert: %1: does not fit in 200 bytes").arg(file("no.wsq"))))
        << impossible.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(file("no.wsq")));
}

TEST_F(WsqConvertArchive, StandardInputAndOutput) {
    writePrint(file("p.png"), 120, 110, 5, 1000);
    QProcess encode;
    encode.start(toolPath(), {"--from", "png", "--to", "wsq", "-", "-"});
    encode.write(fileBytes(file("p.png")));
    encode.closeWriteChannel();
    ASSERT_TRUE(encode.waitForFinished(60000));
    ASSERT_EQ(encode.exitCode(), 0) << encode.readAllStandardError().toStdString();
    const QByteArray stream = encode.readAllStandardOutput();
    ASSERT_EQ(runTool({file("p.png"), file("direct.wsq")}).status, 0);
    EXPECT_EQ(stream, fileBytes(file("direct.wsq")));

    QProcess decode;
    decode.start(toolPath(), {"--from", "wsq", "-", file("back.png")});
    decode.write(stream);
    decode.closeWriteChannel();
    ASSERT_TRUE(decode.waitForFinished(60000));
    EXPECT_EQ(decode.exitCode(), 0);
    EXPECT_EQ(QImage(file("back.png")).size(), QSize(120, 110));

    // Damaged standard input is named as such; nothing is written.
    QProcess bad;
    bad.start(toolPath(), {"--from", "wsq", "--to", "png", "-", "-"});
    bad.write(QByteArray(300, '\x11'));
    bad.closeWriteChannel();
    ASSERT_TRUE(bad.waitForFinished(60000));
    EXPECT_EQ(bad.exitCode(), 1);
    EXPECT_TRUE(bad.readAllStandardOutput().isEmpty());
    EXPECT_TRUE(QString::fromLocal8Bit(bad.readAllStandardError())
                    .contains(QStringLiteral("wsqconvert: standard input: cannot decode")));
    EXPECT_EQ(runTool({"-", file("x.png")}).status, 2);
    EXPECT_EQ(runTool({file("p.png"), "-"}).status, 2);
}

// A file cut short converts only with --accept-damaged, which the warning and the log then say.
TEST_F(WsqConvertArchive, DamagedInputsFailUnlessAccepted) {
    QImage picture = greyPicture(printPixels(120, 100, 9), 120, 100);
    ASSERT_TRUE(picture.save(file("whole.bmp"), "BMP"));
    const QByteArray bmp = fileBytes(file("whole.bmp"));
    ASSERT_TRUE(QDir().mkpath(file("in")));
    ASSERT_TRUE(writeBytes(file("in/cut.bmp"), bmp.left(bmp.size() * 2 / 3)));
    ASSERT_TRUE(writeBytes(file("in/whole.bmp"), bmp));

    ToolRun run = runTool({file("in/cut.bmp"), file("cut.png")});
    EXPECT_EQ(run.status, 1);
    ASSERT_EQ(run.toolErrorLines().size(), 1) << run.err.toStdString();
    EXPECT_TRUE(run.toolErrorLines()[0].startsWith(
        QStringLiteral("wsqconvert: %1: damaged file: ").arg(file("in/cut.bmp"))));
    EXPECT_FALSE(QFileInfo::exists(file("cut.png")));

    const QString log = file("accept.jsonl");
    run = runTool({"--accept-damaged", "--log-json", log, file("in/cut.bmp"), file("cut.png")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(QImage(file("cut.png")).size(), QSize(120, 100));
    ASSERT_EQ(run.warningLines().size(), 1);
    EXPECT_TRUE(run.warningLines()[0].contains(QStringLiteral("damaged file")));
    EXPECT_FALSE(logLines(log).back()[QStringLiteral("damage")].toString().isEmpty());

    // In a batch the damaged file fails and the whole one converts; accepted, both convert.
    run = runTool(
        {"--batch", "--to", "png", "--log-json", file("batch.jsonl"), file("in"), file("out")});
    EXPECT_EQ(run.status, 1);
    std::map<QString, QJsonObject> entries = byInput(logLines(file("batch.jsonl")));
    EXPECT_EQ(entries[file("in/cut.bmp")][QStringLiteral("status")].toString(), "failed");
    EXPECT_TRUE(entries[file("in/cut.bmp")][QStringLiteral("error")].toString().contains(
        QStringLiteral("damaged file")));
    EXPECT_EQ(entries[file("in/whole.bmp")][QStringLiteral("status")].toString(), "ok");
    run = runTool({"--batch", "--to", "png", "--accept-damaged", file("in"), file("out2")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
}

// Stopped by a signal in the middle of a batch: gone within a second, by that signal, with no
// temporary or partial file left; every output there is whole.
TEST_F(WsqConvertArchive, SignalsStopABatchAtOnceLeavingNoPartialFile) {
    writePrint(file("in/p0.png"), 640, 640, 1);
    for (int i = 1; i < 8; ++i)
        ASSERT_TRUE(QFile::copy(file("in/p0.png"), file(QStringLiteral("in/p%1.png").arg(i))));
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        const QString out = file(QStringLiteral("out%1").arg(signal));
        const QString log = out + ".jsonl";
        QProcess process;
        process.start(toolPath(), {"--batch", "--to", "wsq", "--jobs", "2", "--log-json", log,
                                   "--bitrate", "2.25", file("in"), out});
        ASSERT_TRUE(process.waitForStarted());
        // Once the first file is done, the next two are being written.
        QElapsedTimer waited;
        waited.start();
        while (logLines(log).empty() && waited.elapsed() < 60000) QThread::msleep(5);
        ASSERT_FALSE(logLines(log).empty());
        QElapsedTimer stopping;
        stopping.start();
        ::kill(static_cast<pid_t>(process.processId()), signal);
        ASSERT_TRUE(process.waitForFinished(10000));
        EXPECT_LT(stopping.elapsed(), 1000);
        EXPECT_EQ(process.exitStatus(), QProcess::CrashExit);
        EXPECT_TRUE(QString::fromLocal8Bit(process.readAllStandardError())
                        .contains(QStringLiteral("wsqconvert: stopped by SIG")));
        const std::map<QString, QByteArray> left = contentsUnder(out);
        EXPECT_LT(left.size(), 8u);
        for (const auto& [name, bytes] : left) {
            EXPECT_TRUE(name.endsWith(QLatin1String(".wsq"))) << name.toStdString();
            EXPECT_EQ(runTool({"--info", out + "/" + name}).status, 0) << name.toStdString();
        }
        // The log is whole lines, each of a finished output.
        for (const QJsonObject& line : logLines(log))
            EXPECT_TRUE(
                left.count(QFileInfo(line[QStringLiteral("output")].toString()).fileName()));
    }
}

}  // namespace
