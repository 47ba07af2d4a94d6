// The WSQ image-format plug-in as a Qt program meets it: this program links Qt and GoogleTest
// only and finds the plug-in through QT_PLUGIN_PATH, built once for Qt 6 and once for Qt 5. It
// reads the conformance streams to their reference decodes, takes size and resolution from the
// header, refuses damaged streams (the hostile-file suite's among them) and writes streams that
// wsqconvert reads back.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "support/conformance_files.h"

namespace {

using testsupport::conformanceStreams;
using testsupport::referenceDecode;

constexpr int kDotsPerMetreAt500Ppi = 19685;  // 500 / 0.0254, rounded

QByteArray fileBytes(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Reads from memory with the format found by content.
QImage readFromMemory(const QByteArray& bytes, QString* error = nullptr) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QImage image = reader.read();
    if (error) *error = reader.errorString();
    return image;
}

// A synthetic ridge pattern with a little of everything: ridges, a gradient, a flat corner.
QImage ridges(int width, int height) {
    QImage image(width, height, QImage::Format_Grayscale8);
    for (int y = 0; y < height; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const double r = std::hypot(x - width * 0.45, (y - height * 0.55) * 1.2);
            const double v = 128 + 90 * std::sin(r * 0.55) + (x - width / 2) * 0.1;
            row[x] = uchar(x > width * 0.85 && y < height * 0.15 ? 230 : std::clamp(v, 0.0, 255.0));
        }
    }
    return image;
}

struct ToolRun {
    int status = -1;
    QByteArray out;
};

ToolRun runWsqconvert(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(WSQCONVERT_PATH), arguments);
    ToolRun run;
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit) {
        run.status = process.exitCode();
        run.out = process.readAllStandardOutput();
    }
    return run;
}

double psnr(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const double d = double(a.constScanLine(y)[x]) - double(b.constScanLine(y)[x]);
            sum += d * d;
        }
    const double mse = sum / (double(a.width()) * a.height());
    return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

TEST(QtWsqPlugin, IsOfferedForWsq) {
    EXPECT_TRUE(QImageReader::supportedImageFormats().contains("wsq"));
    EXPECT_TRUE(QImageReader::supportedMimeTypes().contains("image/x-wsq"));
    EXPECT_TRUE(QImageWriter::supportedImageFormats().contains("wsq"));
    EXPECT_TRUE(QImageWriter::supportedMimeTypes().contains("image/x-wsq"));
}

TEST(QtWsqPlugin, ReadsConformanceStreamsToTheReferencePixels) {
    const QStringList streams = conformanceStreams();
    ASSERT_GE(streams.size(), 5);
    for (const QString& stream : streams) {
        SCOPED_TRACE(stream.toStdString());
        const QImage reference = referenceDecode(stream);
        ASSERT_FALSE(reference.isNull());

        QImageReader reader(stream);
        EXPECT_TRUE(reader.canRead());
        EXPECT_EQ(reader.format(), QByteArray("wsq"));
        EXPECT_EQ(reader.imageCount(), 1);
        // Size and pixel format come from the header, ahead of the read.
        EXPECT_EQ(reader.size(), reference.size());
        EXPECT_EQ(reader.imageFormat(), QImage::Format_Grayscale8);
        const QImage image = reader.read();
        ASSERT_FALSE(image.isNull()) << reader.errorString().toStdString();
        EXPECT_EQ(image.format(), QImage::Format_Grayscale8);
        EXPECT_EQ(image, reference);
        EXPECT_EQ(image.dotsPerMeterX(), kDotsPerMetreAt500Ppi);
        EXPECT_EQ(image.dotsPerMeterY(), kDotsPerMetreAt500Ppi);
        EXPECT_TRUE(image.text(QStringLiteral("NISTCOM")).startsWith(QStringLiteral("NIST_COM")));

        // By content alone, from memory and under a name that says nothing.
        EXPECT_EQ(readFromMemory(fileBytes(stream)), reference);
    }
    // The comment: ahead of the read from the header, and on the picture.
    QImageReader commentReader(
        QStringLiteral(WSQ_CONFORMANCE_DIR "/comment_plain_fp_417x300_s13_r0.75.wsq"));
    EXPECT_EQ(commentReader.text(QStringLiteral("Comment")),
              QStringLiteral("Scanned at booth 4, left index"));
    EXPECT_TRUE(commentReader.textKeys().contains(QStringLiteral("NISTCOM")));
    const QImage commented = commentReader.read();
    EXPECT_EQ(commented.text(QStringLiteral("Comment")),
              QStringLiteral("Scanned at booth 4, left index"));
}

TEST(QtWsqPlugin, SizeAndResolutionComeFromTheHeaderWithoutDecoding) {
    // The coded data is cut short: the header still gives the size, the read fails.
    const QByteArray whole =
        fileBytes(QStringLiteral(WSQ_CONFORMANCE_DIR "/fp_416x416_s3_r0.75.wsq"));
    ASSERT_GT(whole.size(), 2000);
    QBuffer buffer;
    buffer.setData(whole.left(whole.size() - 1000));
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "wsq");
    EXPECT_EQ(reader.size(), QSize(416, 416));
    EXPECT_EQ(reader.text(QStringLiteral("PPI")), QStringLiteral("500"));
    EXPECT_EQ(reader.imageFormat(), QImage::Format_Grayscale8);
    EXPECT_TRUE(reader.read().isNull());
    EXPECT_FALSE(reader.errorString().isEmpty());
}

TEST(QtWsqPlugin, RefusesTruncatedAndCorruptStreams) {
    const QByteArray whole =
        fileBytes(QStringLiteral(WSQ_CONFORMANCE_DIR "/fp_101x81_s14_r2.25.wsq"));
    ASSERT_FALSE(whole.isEmpty());
    // Every prefix: a stream cut anywhere is no picture (the last bytes are the end marker),
    // and the plug-in writes nothing on the host program's standard error.
    testing::internal::CaptureStderr();
    for (int n = 0; n < whole.size() - 2; ++n) {
        SCOPED_TRACE(n);
        QString error;
        EXPECT_TRUE(readFromMemory(whole.left(n), &error).isNull());
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    // Content that is not WSQ is not taken for it, even when asked for WSQ by name.
    for (const QByteArray& bytes : {QByteArray(500, '\x33'), QByteArray("\xff\xa0", 2),
                                    QByteArray("\xff\xa0\x00\x00", 4), QByteArray()}) {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "wsq");
        EXPECT_FALSE(reader.canRead());
        EXPECT_TRUE(reader.read().isNull());
        EXPECT_FALSE(reader.size().isValid());
    }
}

TEST(QtWsqPlugin, HostileStreamsEndCleanly) {
    QFile cases(QStringLiteral(HOSTILE_WSQ_CASES));
    ASSERT_TRUE(cases.open(QIODevice::ReadOnly)) << "run make_hostile_wsq_cases first";
    const QByteArray all = cases.readAll();
    const auto block = [&all](qsizetype* at) {
        if (*at + 4 > all.size()) return QByteArray();
        const auto* p = reinterpret_cast<const uchar*>(all.constData() + *at);
        const qsizetype n = qsizetype(p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24);
        const QByteArray bytes = all.mid(*at + 4, n);
        *at += 4 + n;
        return bytes;
    };
    size_t count = 0;
    for (qsizetype at = 0; at < all.size(); ++count) {
        const QByteArray what = block(&at);
        const QByteArray bytes = block(&at);
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        const QSize size = reader.size();
        const QImage image = reader.read();
        if (image.isNull()) continue;
        // A picture that was read is a whole one: grey, and the size the header gave when the
        // segment walk could follow the lengths up to the frame header (the decoder reads the
        // tables by their contents and may get further).
        EXPECT_EQ(image.format(), QImage::Format_Grayscale8) << what.constData();
        if (size.isValid()) {
            EXPECT_EQ(image.size(), size) << what.constData();
        }
    }
    EXPECT_GT(count, 1000u);
    std::printf("%zu hostile streams read\n", count);
}

TEST(QtWsqPlugin, WritesStreamsThatWsqconvertReads) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QImage source = ridges(300, 240);
    source.setDotsPerMeterX(39370);  // 1000 ppi
    source.setDotsPerMeterY(39370);
    source.setText(QStringLiteral("Comment"), QStringLiteral("left thumb, desk 2"));
    const QString name = dir.filePath(QStringLiteral("written.wsq"));
    {
        QImageWriter writer(name);  // the format from the name
        writer.setQuality(25);      // 0.75 bits per pixel
        ASSERT_TRUE(writer.write(source)) << writer.errorString().toStdString();
    }

    const ToolRun info = runWsqconvert({QStringLiteral("--info"), QStringLiteral("--json"), name});
    ASSERT_EQ(info.status, 0);
    const QJsonObject facts = QJsonDocument::fromJson(info.out).array().at(0).toObject();
    EXPECT_EQ(facts.value(QStringLiteral("width")).toInt(), 300);
    EXPECT_EQ(facts.value(QStringLiteral("height")).toInt(), 240);
    EXPECT_EQ(facts.value(QStringLiteral("ppi")).toInt(), 1000);
    EXPECT_TRUE(QString::fromUtf8(info.out).contains(QStringLiteral("left thumb, desk 2")));

    // Our decoder, through wsqconvert, and the plug-in read the same pixels, close to the source.
    const QString png = dir.filePath(QStringLiteral("decoded.png"));
    ASSERT_EQ(runWsqconvert({name, png}).status, 0);
    const QImage byTool = QImage(png).convertToFormat(QImage::Format_Grayscale8);
    const QImage byPlugin = QImage(name);
    ASSERT_FALSE(byPlugin.isNull());
    EXPECT_EQ(byPlugin, byTool);
    EXPECT_GT(psnr(byPlugin, source), 28.0);
    EXPECT_EQ(byPlugin.text(QStringLiteral("Comment")), QStringLiteral("left thumb, desk 2"));
    EXPECT_EQ(byPlugin.dotsPerMeterX(), 39370);
    EXPECT_EQ(byPlugin.text(QStringLiteral("PPI")), QStringLiteral("1000"));

    // The bit rate: from Quality, and from the BitRate text, which wins.
    const auto written = [&source](int quality, const QString& rate) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "wsq");
        writer.setQuality(quality);
        if (!rate.isEmpty()) writer.setText(QStringLiteral("BitRate"), rate);
        return writer.write(source) ? bytes : QByteArray();
    };
    const QByteArray low = written(25, QString());
    const QByteArray high = written(75, QString());
    const QByteArray lowByText = written(75, QStringLiteral("0.75"));
    ASSERT_FALSE(low.isEmpty());
    EXPECT_GT(high.size(), 2 * low.size());
    EXPECT_EQ(lowByText, low);
    EXPECT_TRUE(written(25, QStringLiteral("fast")).isEmpty());
    // About 0.75 bits per pixel.
    EXPECT_NEAR(low.size() * 8.0 / (300 * 240), 0.75, 0.25);

    // Colour becomes the viewer's grey, (red + green + blue) / 3.
    QImage colour(120, 100, QImage::Format_RGB32);
    colour.fill(qRgb(200, 100, 30));
    QByteArray greyBytes;
    QBuffer greyBuffer(&greyBytes);
    greyBuffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(QImageWriter(&greyBuffer, "wsq").write(colour));
    const QImage grey = readFromMemory(greyBytes);
    ASSERT_FALSE(grey.isNull());
    EXPECT_NEAR(grey.pixelColor(60, 50).red(), 110, 2);

    // Pictures the encoder refuses, and a device that takes nothing, fail the write.
    QByteArray unused;
    QBuffer readOnly(&unused);
    readOnly.open(QIODevice::ReadOnly);
    EXPECT_FALSE(QImageWriter(&readOnly, "wsq").write(source));
    QBuffer tinyBuffer;
    tinyBuffer.open(QIODevice::WriteOnly);
    EXPECT_FALSE(QImageWriter(&tinyBuffer, "wsq").write(ridges(8, 8)));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
