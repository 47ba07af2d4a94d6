// Opening WSQ files in the viewer: the summary line piece by piece, the comment walk, the grey
// picture, and the box of every read failure.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QStatusBar>
#include <QTemporaryDir>

#include "document_load.h"
#include "support/modal_watcher.h"
#include "support/qt_app_env.h"
#include "support/transaction_writer.h"
#include "support/wsq_stream_builder.h"
#include "viewer_test_helpers.h"
#include "wsq/wsq.h"
#include "wsqimageviewer.h"

using viewertest::statusText;

namespace {

const QString kConformance = QStringLiteral(WSQ_CONFORMANCE_DIR);

QByteArray bytesOf(const std::vector<uint8_t>& v) {
    return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
}

// The values of the summary line, split at its fixed labels.
struct Summary {
    QString width, height, dpi, depth, comment, implementation;
};

Summary parse(const QString& line) {
    Summary s;
    const QString labels[] = {
        "Image info: width = ", ", height =  ", ", dpi = ",
        ", depth = ",           ", Comments: ", ", implementation number =  "};
    QString* fields[] = {&s.width, &s.height, &s.dpi, &s.depth, &s.comment, &s.implementation};
    qsizetype at = 0;
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(line.indexOf(labels[i], at), at) << "label " << i << " in " << line.toStdString();
        at += labels[i].size();
        // Comments may hold anything, so the last label is searched from the end.
        const qsizetype next = i == 5   ? line.size()
                               : i == 4 ? line.lastIndexOf(labels[5])
                                        : line.indexOf(labels[i + 1], at);
        *fields[i] = line.mid(at, next - at);
        at = next;
    }
    return s;
}

class WsqLoad : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    QString copyConformance(const QString& stream, const QString& as) {
        const QString path = m_dir.filePath(as);
        EXPECT_TRUE(QFile::copy(kConformance + "/" + stream, path)) << stream.toStdString();
        return path;
    }

    QTemporaryDir m_dir;
    wsqimageviewer m_window;
};

TEST_F(WsqLoad, SummaryLineOfAFileFromAnotherEncoder) {
    testsupport::ModalWatcher watcher;
    m_window.load(copyConformance("comment_plain_fp_417x300_s13_r0.75.wsq", "print.wsq"));
    EXPECT_TRUE(watcher.seen().isEmpty());
    const Summary s = parse(statusText(m_window));
    EXPECT_EQ(s.width, "417");
    EXPECT_EQ(s.height, "300");
    EXPECT_EQ(s.dpi, "500");
    EXPECT_EQ(s.depth, "8");
    EXPECT_EQ(s.comment, "Scanned at booth 4, left index");
    bool number = false;
    s.implementation.toInt(&number);
    EXPECT_TRUE(number) << s.implementation.toStdString();

    ASSERT_NE(m_window.currentPixmap(), nullptr);
    EXPECT_EQ(m_window.currentPixmap()->size(), QSize(417, 300));
    // The shown picture is the decoded grey, opaque.
    const QImage shown = m_window.currentPixmap()->toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage reference(kConformance + "/comment_plain_fp_417x300_s13_r0.75.dec.png");
    ASSERT_EQ(reference.size(), shown.size());
    int differing = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
            const QRgb p = shown.pixel(x, y);
            const int g = qGray(reference.pixel(x, y));
            differing += (qAlpha(p) != 255 || qRed(p) != g || qGreen(p) != g || qBlue(p) != g);
        }
    EXPECT_EQ(differing, 0);
}

TEST_F(WsqLoad, WithoutNistcomTheResolutionIsUnknownAndTheLastCommentShows) {
    testsupport::WsqStreamSpec plan;
    plan.nistcom = false;
    plan.comment = "second";
    std::vector<uint8_t> stream = testsupport::build_wsq_stream(plan);
    // A first comment right after SOI.
    const QByteArray first = QByteArray::fromHex("ffa80007") + "first";
    QByteArray bytes = bytesOf(stream);
    bytes.insert(2, first);

    m_window.load(write("two.wsq", bytes));
    const Summary s = parse(statusText(m_window));
    EXPECT_EQ(s.width, "16");
    EXPECT_EQ(s.height, "12");
    EXPECT_EQ(s.dpi, "unknown");
    EXPECT_EQ(s.comment, "second");
    EXPECT_TRUE(statusText(m_window).contains(", dpi = unknown, depth = 8, Comments: second, "));
    ASSERT_NE(m_window.currentPixmap(), nullptr);
    EXPECT_EQ(m_window.currentPixmap()->toImage().pixel(3, 4), qRgb(100, 100, 100));
}

TEST_F(WsqLoad, NoCommentLeavesTheCommentEmpty) {
    document::Document doc;
    doc.wsqFrame = wsq::ImageFacts{};
    doc.wsqFrame->width = 5;
    doc.wsqFrame->height = 6;
    doc.wsqFrame->ppi = 1000;
    doc.wsqFrame->software = 1;
    doc.wsqStream = wsq::StreamFacts{};
    EXPECT_EQ(document::wsqSummaryLine(doc),
              "Image info: width = 5, height =  6, dpi = 1000, depth = 8, Comments: , "
              "implementation number =  1");
}

TEST_F(WsqLoad, CapitalExtensionIsDecodedAndBackupIsNot) {
    testsupport::ModalWatcher watcher;
    m_window.load(copyConformance("flat_256x256_128_r0.75.wsq", "FLAT.WSQ"));
    ASSERT_NE(m_window.currentPixmap(), nullptr);
    EXPECT_EQ(m_window.currentPixmap()->size(), QSize(256, 256));

    m_window.load(copyConformance("flat_256x256_128_r0.75.wsq", "scan.wsq.bak"));
    EXPECT_EQ(m_window.currentPixmap(), nullptr);
    ASSERT_EQ(watcher.seen().size(), 1);
    EXPECT_EQ(watcher.seen()[0].text,
              "Cannot open " + m_dir.filePath("scan.wsq.bak") + ": the file type is not supported");
}

TEST_F(WsqLoad, NamesWithDotsAreWsqFiles) {
    testsupport::ModalWatcher watcher;
    ASSERT_TRUE(QDir(m_dir.path()).mkpath("case.17.b"));
    for (const QString& name : {QString("john.doe.wsq"), QString("scan.r0.75.wsq"),
                                QString("case.17.b/2024.05.01.left.WSQ")}) {
        SCOPED_TRACE(name.toStdString());
        m_window.load(copyConformance("flat_256x256_128_r0.75.wsq", name));
        ASSERT_NE(m_window.currentPixmap(), nullptr);
        EXPECT_EQ(m_window.currentPixmap()->size(), QSize(256, 256));
        EXPECT_TRUE(statusText(m_window).startsWith("Image info: width = 256, height =  256"));
    }
    EXPECT_TRUE(watcher.seen().isEmpty());
}

TEST_F(WsqLoad, NonAsciiFileNameOpens) {
    m_window.load(
        copyConformance("flat_256x256_128_r0.75.wsq", QString::fromUtf8("Abdruck größe 測試.wsq")));
    ASSERT_NE(m_window.currentPixmap(), nullptr);
    EXPECT_EQ(m_window.currentPixmap()->size(), QSize(256, 256));
}

TEST_F(WsqLoad, EachReadFailureShowsItsBoxAndLeavesNoPicture) {
    struct Row {
        const char* what;
        QString path;
        const char* text;
    };
    const QString tooLarge = write("large.wsq", "");
    {
        QFile f(tooLarge);
        ASSERT_TRUE(f.resize(qint64(65) << 20));  // sparse: nothing is written
    }
    QByteArray soiOnly = QByteArray::fromHex("ffa0") + QByteArray(10, '\x01');
    const Row rows[] = {
        {"missing", m_dir.filePath("missing.wsq"), "Error opening file for reading"},
        {"larger than a file may be", tooLarge, "Error: file stream size = NULL"},
        {"no SOI", write("png.wsq", QByteArray::fromHex("89504e470d0a1a0a0000")),
         "Error reading SOI WSQ marker"},
        {"empty", write("empty.wsq", ""), "Error reading SOI WSQ marker"},
        {"no marker after SOI", write("soi.wsq", soiOnly), "Error reading ANY WSQ marker"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        m_window.load(copyConformance("flat_256x256_128_r0.75.wsq", "good.wsq"));
        QFile::remove(m_dir.filePath("good.wsq"));
        m_window.statusBar()->showMessage("before");
        testsupport::ModalWatcher watcher;
        m_window.load(row.path);
        ASSERT_EQ(watcher.seen().size(), 1);
        EXPECT_EQ(watcher.seen()[0].caption, "WSQ viewer");
        EXPECT_EQ(watcher.seen()[0].icon, QMessageBox::Critical);
        EXPECT_EQ(watcher.seen()[0].text, row.text);
        EXPECT_EQ(m_window.currentPixmap(), nullptr);
        EXPECT_EQ(statusText(m_window), "before");
    }
}

TEST_F(WsqLoad, DecodeFailureAfterAGoodStartShowsTheFactsOfAFailedDecode) {
    testsupport::WsqStreamSpec plan;
    plan.dht = false;  // the blocks cannot be decoded
    plan.nistcom = false;
    plan.comment = "kept";
    testsupport::ModalWatcher watcher;
    m_window.load(write("broken.wsq", bytesOf(testsupport::build_wsq_stream(plan))));
    EXPECT_TRUE(watcher.seen().isEmpty());
    EXPECT_EQ(statusText(m_window),
              "Image info: width = 0, height =  0, dpi = unknown, depth = 8, Comments: kept, "
              "implementation number =  0");
    ASSERT_NE(m_window.currentPixmap(), nullptr);
    EXPECT_TRUE(m_window.currentPixmap()->isNull());
}

}  // namespace

// A transaction opens on its first picture, in the style of the WSQ summary line; every other
// picture is shown on request.
TEST_F(WsqLoad, TransactionOpensOnItsFirstPictureAndShowsTheOthers) {
    testsupport::TransactionWriter writer("0502");
    writer.addTagged(2, 0, {{2001, "case 17"}});
    for (int finger : {1, 6}) {
        std::vector<uint8_t> grey(size_t(90 + finger) * 85);
        for (size_t i = 0; i < grey.size(); ++i) grey[i] = uint8_t((i * 3 + finger) & 255);
        const wsq::Encoded encoded = wsq::encode(grey, 90 + finger, 85, 2.25f, 500);
        ASSERT_FALSE(encoded.error);
        writer.addFingerprintBinary(4, finger, 0, {finger}, 1, 90 + finger, 85, 1, encoded.bytes);
    }
    const std::vector<uint8_t> bytes = writer.bytes();
    const QString path =
        write("case.2024.eft",
              QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
    testsupport::ModalWatcher watcher;
    m_window.load(path);
    EXPECT_TRUE(watcher.seen().isEmpty());
    ASSERT_NE(m_window.currentPixmap(), nullptr);
    EXPECT_EQ(m_window.currentPixmap()->size(), QSize(91, 85));
    EXPECT_EQ(m_window.pageCount(), 2);
    EXPECT_EQ(m_window.pageRecord(0), 3);
    EXPECT_EQ(statusText(m_window),
              "Image info: width = 91, height =  85, dpi = 500, depth = 8, record = 3 (Type-4, "
              "Right thumb), compression = WSQ20");
    ASSERT_TRUE(m_window.showPage(1));
    EXPECT_EQ(m_window.currentPixmap()->size(), QSize(96, 85));
    EXPECT_TRUE(statusText(m_window).contains("record = 4 (Type-4, Left thumb)"))
        << statusText(m_window).toStdString();
    EXPECT_FALSE(m_window.showPage(2));
}
