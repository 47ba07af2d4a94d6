// wsqconvert on ANSI/NIST-ITL transactions: --info lists the records, --record converts one
// picture, --extract writes every stored stream, --batch converts every picture, and every
// refusal is one line with exit status 1 and no file left behind.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "support/memory_encoders.h"
#include "support/scratch_dir.h"
#include "support/transaction_writer.h"
#include "wsq/wsq.h"
#include "wsqconvert_test_support.h"

using namespace wsqconverttest;

namespace {

std::vector<uint8_t> greyPixels(int width, int height, int seed) {
    std::vector<uint8_t> pixels(size_t(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels[size_t(y) * width + x] = uint8_t((x * 3 + y * 5 + seed * 17) & 255);
    return pixels;
}

class WsqConvertTransactions : public ::testing::Test {
protected:
    QString file(const QString& name) const { return q(dir.file(name.toStdString())); }

    // Type-1, a Type-2 text record, two Type-4 WSQ prints (right thumb at 500 ppi, right index),
    // a Type-14 raw grey print at 1000 ppi and a Type-10 colour JPEG face: records 1 to 6.
    void writeTransaction(const QString& name) {
        testsupport::TransactionWriter writer("0502");
        writer.setType1Field(11, "19.69");
        writer.setType1Field(12, "19.69");
        writer.addTagged(2, 0, {{2001, "Ünïcode text"}});
        for (int finger : {1, 2}) {
            const std::vector<uint8_t> grey = greyPixels(m_width, m_height, finger);
            const wsq::Encoded encoded = wsq::encode(grey, m_width, m_height, 2.25f, 500);
            ASSERT_FALSE(encoded.error) << encoded.error.text();
            m_wsq.push_back(encoded.bytes);
            writer.addFingerprintBinary(4, finger, 0, {finger}, 1, m_width, m_height, 1,
                                        encoded.bytes);
        }
        m_raw = greyPixels(40, 30, 9);
        writer.addFrictionRidge(14, 3, 0, {3}, 40, 30, 1000, "NONE", 8, m_raw);
        std::vector<uint8_t> colour(size_t(24) * 20 * 3, 0x80);
        writer.addFace(4, 24, 20, "JPEGB", "SRGB",
                       testsupport::EncodeJpegInMemory(colour, 24, 20, 3));
        const std::vector<uint8_t> bytes = writer.bytes();
        QFile out(file(name));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
    }

    testsupport::ScratchDir dir;
    const int m_width = 96;
    const int m_height = 88;
    std::vector<std::vector<uint8_t>> m_wsq;
    std::vector<uint8_t> m_raw;
};

TEST_F(WsqConvertTransactions, InfoListsEveryRecord) {
    writeTransaction("case.2024.eft");
    const ToolRun run = runTool({"--info", "--json", file("case.2024.eft")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QJsonObject facts = QJsonDocument::fromJson(run.out.toUtf8()).array()[0].toObject();
    EXPECT_EQ(facts["format"].toString(), "ANSI/NIST");
    EXPECT_EQ(facts["version"].toString(), "0502");
    const QJsonArray records = facts["records"].toArray();
    ASSERT_EQ(records.size(), 6);
    EXPECT_EQ(records[0]["type"].toInt(), 1);
    EXPECT_EQ(records[1]["type"].toInt(), 2);
    const QJsonObject thumb = records[2].toObject();
    EXPECT_EQ(thumb["index"].toInt(), 3);
    EXPECT_EQ(thumb["type"].toInt(), 4);
    EXPECT_EQ(thumb["idc"].toInt(), 1);
    EXPECT_EQ(thumb["fgp"].toArray(), QJsonArray({1}));
    EXPECT_EQ(thumb["positions"][0].toString(), "Right thumb");
    EXPECT_EQ(thumb["width"].toInt(), m_width);
    EXPECT_EQ(thumb["height"].toInt(), m_height);
    EXPECT_EQ(thumb["ppi"].toInt(), 500);
    EXPECT_EQ(thumb["compression"].toString(), "WSQ20");
    EXPECT_EQ(thumb["bytes"].toInteger(), qint64(m_wsq[0].size()));
    EXPECT_EQ(records[4]["ppi"].toInt(), 1000);
    EXPECT_EQ(records[4]["compression"].toString(), "NONE");
    EXPECT_EQ(records[5]["compression"].toString(), "JPEGB");
    EXPECT_TRUE(records[5]["ppi"].isNull());

    const ToolRun text = runTool({"--info", file("case.2024.eft")});
    EXPECT_TRUE(text.out.contains("3 Type-4")) << text.out.toStdString();
    EXPECT_TRUE(text.out.contains("Right thumb")) << text.out.toStdString();
}

TEST_F(WsqConvertTransactions, RecordConvertsOnePictureAndRefusalsLeaveNoFile) {
    writeTransaction("t.an2");
    ToolRun run = runTool({"--record", "5", file("t.an2"), file("print.pgm.png")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QImage raw(file("print.pgm.png"));
    ASSERT_EQ(raw.size(), QSize(40, 30));
    EXPECT_EQ(qGray(raw.pixel(7, 5)), m_raw[5 * 40 + 7]);

    // A WSQ record to WSQ keeps the record's resolution.
    run = runTool({"--record", "3", file("t.an2"), file("thumb.wsq")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const ToolRun info = runTool({"--info", "--json", file("thumb.wsq")});
    EXPECT_EQ(QJsonDocument::fromJson(info.out.toUtf8()).array()[0].toObject()["ppi"].toInt(), 500);

    struct Case {
        QStringList args;
        QString reason;
    };
    const std::vector<Case> refused = {
        {{file("t.an2"), file("o1.png")}, "holds 4 pictures"},
        {{"--record", "1", file("t.an2"), file("o2.png")}, "a Type-1 record holds no picture"},
        {{"--record", "2", file("t.an2"), file("o3.png")}, "a Type-2 record holds no picture"},
        {{"--record", "9", file("t.an2"), file("o4.png")}, "record 9: no such record"},
        {{"--record", "2", file("print.pgm.png"), file("o5.png")}, "--record picks a picture"},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        run = runTool(c.args);
        EXPECT_EQ(run.status, 1);
        ASSERT_EQ(run.toolErrorLines().size(), 1) << run.err.toStdString();
        EXPECT_TRUE(run.toolErrorLines()[0].contains(c.reason)) << run.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(c.args.last()));
    }
    EXPECT_EQ(runTool({"--record", "x", file("t.an2"), file("o6.png")}).status, 2);
}

TEST_F(WsqConvertTransactions, ExtractWritesEveryStoredStreamUnchanged) {
    writeTransaction("case.v2.eft");
    const ToolRun run = runTool({"--extract", file("case.v2.eft"), file("out")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QStringList names = QDir(file("out")).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(names, QStringList(
                         {"case-3-4-1.wsq", "case-4-4-2.wsq", "case-5-14-3.pgm", "case-6-10.jpg"}));
    EXPECT_EQ(
        fileBytes(file("out/case-3-4-1.wsq")),
        QByteArray(reinterpret_cast<const char*>(m_wsq[0].data()), qsizetype(m_wsq[0].size())));
    const QImage pgm(file("out/case-5-14-3.pgm"));
    ASSERT_EQ(pgm.size(), QSize(40, 30));
    EXPECT_EQ(qGray(pgm.pixel(39, 29)), m_raw.back());
    EXPECT_TRUE(fileBytes(file("out/case-5-14-3.pgm")).contains("# resolution 1000 ppi"));
    EXPECT_EQ(run.out.count('\n'), 4);
    EXPECT_TRUE(run.out.contains("Right thumb, 500 ppi")) << run.out.toStdString();

    // Not a transaction, and a damaged one: one line each, exit status 1.
    ASSERT_TRUE(writeBytes(file("bad.eft"), QByteArray("1.001:garbage")));
    EXPECT_EQ(runTool({"--extract", file("bad.eft"), file("out2")}).status, 1);
    EXPECT_EQ(runTool({"--extract", file("missing.eft"), file("out2")}).status, 1);
}

TEST_F(WsqConvertTransactions, BatchConvertsEveryPictureAsBaseDashRecord) {
    QDir().mkpath(file("in"));
    writeTransaction("in/case.2024.eft");
    const ToolRun run = runTool({"--batch", "--to", "png", file("in"), file("out")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(QDir(file("out")).entryList(QDir::Files, QDir::Name),
              QStringList({"case-3.png", "case-4.png", "case-5.png", "case-6.png"}));
    EXPECT_EQ(QImage(file("out/case-6.png")).size(), QSize(24, 20));
}

}  // namespace
