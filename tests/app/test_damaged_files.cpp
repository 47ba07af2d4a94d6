// Damaged files are never passed off as whole: the document layer reports what was wrong with a
// file whose reader still made a picture of it (Document::damage), the raster library refuses
// what it cannot read whole, and whole files, written by Qt, ImageMagick, netpbm and our own
// writers, report nothing. Qt's readers (PNG, JPEG, GIF, BMP, netpbm, XBM, XPM) and the
// library's are both covered; files are cut short or broken in code.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>

#include <atomic>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "document_load.h"
#include "imagefile/checked_image_io.h"
#include "imagefile/image_error.h"
#include "support/peer_tools.h"
#include "support/qt_app_env.h"
#include "viewer_test_helpers.h"

using namespace document;

namespace {

using viewertest::fileBytes;
using viewertest::writeFile;

// A picture of seeded noise: LZW and run-length coders get no easy runs, and GIF coders fill
// their code table and start it again.
testsupport::PeerPixels noise(uint32_t width, uint32_t height, uint32_t channels, uint32_t seed) {
    testsupport::PeerPixels pixels;
    pixels.width = width;
    pixels.height = height;
    pixels.channels = channels;
    std::mt19937 random(seed);
    pixels.data.resize(size_t{width} * height * channels);
    for (uint8_t& v : pixels.data) v = static_cast<uint8_t>(random() >> 24);
    return pixels;
}

QImage pattern(int width, int height, QImage::Format format) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y,
                           qRgb((x * 53 + y * 7) & 255, (y * 41 + x) & 255, (x * y * 13) & 255));
    return image.convertToFormat(format);
}

class DamagedFiles : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString path(const QString& name) const { return m_dir.filePath(name); }

    QString write(const QString& name, const QByteArray& bytes) const {
        EXPECT_TRUE(writeFile(path(name), bytes)) << name.toStdString();
        return path(name);
    }

    QByteArray read(const QString& name) const { return fileBytes(path(name)); }

    // `image` written by Qt as `format`.
    QByteArray qtMade(const QImage& image, const char* format, bool progressive = false) const {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, format);
        writer.setProgressiveScanWrite(progressive);
        EXPECT_TRUE(writer.write(image)) << format;
        return bytes;
    }

    // `pixels` converted by ImageMagick with `options` into a file named `name` (written as
    // `prefix` + name, for a format ImageMagick takes from a prefix); empty when ImageMagick is
    // missing or fails.
    QByteArray magickMade(const testsupport::PeerPixels& pixels, const std::string& options,
                          const QString& name, const std::string& prefix = std::string()) const {
        if (!testsupport::PeerProgramAvailable("convert")) return QByteArray();
        const std::string in = path(name + ".pam").toStdString();
        const std::string out = path(name).toStdString();
        if (!testsupport::WritePeerNetpbm(in, pixels) ||
            !testsupport::RunPeerCommand("convert '" + in + "' " + options + " '" + prefix + out +
                                         "'"))
            return QByteArray();
        return read(name);
    }

    QTemporaryDir m_dir;
};

// A GIF of one 8 x 8 frame with a 4-colour table, its LZW data given code by code.
QByteArray handMadeGif(int minimumCodeSize, const std::vector<uint32_t>& codes, int codeBits) {
    QByteArray gif("GIF89a");
    gif += QByteArray::fromHex(
        "08000800"
        "81"
        "0000");  // 8 x 8 screen, 4-colour table
    gif += QByteArray::fromHex(
        "000000"
        "ffffff"
        "ff0000"
        "00ff00");
    gif += QByteArray::fromHex(
        "2c"
        "00000000"
        "08000800"
        "00");
    gif += char(minimumCodeSize);
    QByteArray data;
    uint32_t bits = 0, count = 0;
    for (uint32_t code : codes) {
        bits |= code << count;
        count += uint32_t(codeBits);
        while (count >= 8) {
            data += char(bits & 0xFF);
            bits >>= 8;
            count -= 8;
        }
    }
    if (count > 0) data += char(bits & 0xFF);
    gif += char(data.size());
    gif += data;
    gif += QByteArray::fromHex(
        "00"
        "3b");
    return gif;
}

// Whole files from every writer at hand: nothing to report.
TEST_F(DamagedFiles, WholeFilesReportNoDamage) {
    struct Whole {
        QString name;
        QByteArray bytes;
    };
    std::vector<Whole> files = {
        {"qt.png", qtMade(pattern(37, 23, QImage::Format_ARGB32), "PNG")},
        {"qt.jpg", qtMade(pattern(37, 23, QImage::Format_RGB32), "JPEG")},
        {"qt-progressive.jpg", qtMade(pattern(37, 23, QImage::Format_RGB32), "JPEG", true)},
        {"qt-grey.jpg", qtMade(pattern(37, 23, QImage::Format_Grayscale8), "JPEG")},
        {"qt-24.bmp", qtMade(pattern(37, 23, QImage::Format_RGB888), "BMP")},
        {"qt-8.bmp", qtMade(pattern(37, 23, QImage::Format_Indexed8), "BMP")},
        {"qt-1.bmp", qtMade(pattern(37, 23, QImage::Format_Mono), "BMP")},
        {"qt.ppm", qtMade(pattern(37, 23, QImage::Format_RGB32), "PPM")},
        {"qt.pgm", qtMade(pattern(37, 23, QImage::Format_Grayscale8), "PGM")},
        {"qt.xbm", qtMade(pattern(37, 23, QImage::Format_Mono), "XBM")},
        {"qt.xpm", qtMade(pattern(9, 5, QImage::Format_Indexed8), "XPM")},
    };
    // ImageMagick: interlaced PNG, progressive JPEG and one with restart markers, GIFs of
    // several frames, interlaced and with full code tables, run-length and OS/2 BMP files.
    const testsupport::PeerPixels small = testsupport::PeerTestPattern(29, 17, 3);
    const testsupport::PeerPixels large = noise(211, 150, 3, 7);
    const struct {
        const char* name;
        const testsupport::PeerPixels* pixels;
        const char* options;
        const char* prefix;
    } magick[] = {
        {"im-interlaced.png", &small, "-interlace PNG", ""},
        {"im-progressive.jpg", &large, "-interlace JPEG", ""},
        {"im-restart.jpg", &large, "-define jpeg:restart-interval=1", ""},
        {"im-large.gif", &large, "", ""},
        {"im-interlaced.gif", &large, "-interlace GIF", ""},
        {"im-two-colours.gif", &small, "-colors 2", ""},
        {"im-frames.gif", &small, "\\( +clone -negate \\) \\( +clone -flip \\) -set delay 10", ""},
        {"im-rle8.bmp", &large, "-colors 200 -type Palette -compress RLE", ""},
        {"im-rle4.bmp", &small, "-colors 16 -type Palette -compress RLE", ""},
        {"im-os2.bmp", &small, "", "BMP2:"},
        {"im-32.bmp", &small, "-alpha set", ""},
        {"im.tif", &small, "-compress lzw", ""},
        {"im-plain.ppm", &small, "-compress none", ""},
        {"im-plain.pgm", &small, "-colorspace Gray -compress none", ""},
    };
    for (const auto& m : magick) {
        const QString name = QString::fromLatin1(m.name);
        const QByteArray bytes = magickMade(*m.pixels, m.options, name, m.prefix);
        if (testsupport::PeerProgramAvailable("convert")) {
            ASSERT_FALSE(bytes.isEmpty()) << m.name;
        }
        if (!bytes.isEmpty()) files.push_back({name, bytes});
    }
    // Our own writers.
    const testsupport::PeerPixels own = noise(33, 21, 3, 3);
    std::vector<uint8_t> planes(size_t{3} * own.width * own.height);
    for (size_t i = 0; i < size_t{own.width} * own.height; ++i)
        for (size_t c = 0; c < 3; ++c) planes[c * own.width * own.height + i] = own.data[3 * i + c];
    for (const auto& [name, format] : {std::pair{"own.png", imagefile::ImageFormat::Png},
                                       {"own.jpg", imagefile::ImageFormat::Jpeg},
                                       {"own.bmp", imagefile::ImageFormat::Bmp},
                                       {"own.tif", imagefile::ImageFormat::Tiff},
                                       {"own.tga", imagefile::ImageFormat::Targa}}) {
        ASSERT_TRUE(imagefile::WriteImageFileChecked(path(name).toLocal8Bit().constData(), format,
                                                     int(own.width), int(own.height), planes.data())
                        .ok());
        files.push_back({name, read(name)});
    }

    LoadOptions wsqconvert;
    wsqconvert.scope = TypeScope::Wsqconvert;
    wsqconvert.greyPictures = true;
    for (const Whole& file : files) {
        SCOPED_TRACE(file.name.toStdString());
        ASSERT_FALSE(file.bytes.isEmpty());
        const QString name = write(file.name, file.bytes);
        // The window's scope has no pgm and ppm; wsqconvert's has every type.
        const bool netpbm = name.endsWith(".ppm") || name.endsWith(".pgm");
        for (const LoadOptions& options : {netpbm ? wsqconvert : LoadOptions{}, wsqconvert}) {
            const Document doc = loadDocument(name, options);
            ASSERT_TRUE(doc.ok()) << doc.error.toStdString();
            EXPECT_FALSE(doc.picture().isNull());
            EXPECT_EQ(doc.damage, QString());
        }
    }
}

// The damaged kinds that used to load as if whole: each is reported, in the reader's words,
// and the page holds the picture at its full size, as far as it could be read.
TEST_F(DamagedFiles, DamagedFilesAreReportedWithWhatCouldBeRead) {
    struct Damaged {
        QString name;
        QByteArray bytes;
        QString damage;  // the start of the report
        QSize size;
    };
    std::vector<Damaged> cases;
    auto cut = [](const QByteArray& bytes, qsizetype keep) { return bytes.left(keep); };

    // BMP cut inside its rows (Qt's reader says nothing and fills the rest): 40 x 30 at 24 bits
    // are 3600 bytes of rows.
    const QByteArray bmp = qtMade(pattern(40, 30, QImage::Format_RGB888), "BMP");
    const qsizetype pixelOffset = bmp.size() - 3600;
    ASSERT_EQ(uint8_t(bmp[10]), pixelOffset);
    cases.push_back({"cut.bmp",
                     cut(bmp, pixelOffset + 2000),
                     "the pixel data hold 2000 of the 3600 bytes the header gives",
                     {40, 30}});
    cases.push_back({"one-byte-short.bmp",
                     cut(bmp, bmp.size() - 1),
                     "the pixel data hold 3599 of the 3600 bytes",
                     {40, 30}});
    // JPEG cut inside its scan: libjpeg's warning, which Qt passes on as a message only.
    const QByteArray jpeg = qtMade(pattern(40, 30, QImage::Format_RGB32), "JPEG");
    cases.push_back({"cut.jpg",
                     cut(jpeg, jpeg.size() * 3 / 4),
                     "Corrupt JPEG data: premature end of data segment",
                     {40, 30}});
    // A progressive JPEG cut between two scans: libjpeg says nothing, the picture is blurred.
    const QByteArray progressive = qtMade(pattern(40, 30, QImage::Format_RGB32), "JPEG", true);
    const qsizetype lastScan = progressive.lastIndexOf(QByteArray::fromHex("ffda"));
    ASSERT_GT(lastScan, progressive.indexOf(QByteArray::fromHex("ffda")));
    cases.push_back({"between-scans.jpg",
                     cut(progressive, lastScan),
                     "the file ends before its end-of-image marker",
                     {40, 30}});
    // GIF: a file cut inside its image data; LZW data that end early at their end code; an
    // LZW minimum code size of 12, which no GIF code can follow (Qt decodes it without a word).
    const QByteArray literals = handMadeGif(2, {4, 1, 2, 5}, 3);  // clear, 2 pixels, end
    cases.push_back({"early-end.gif",
                     literals,
                     "the image data end after 2 of the 64 pixels of the first frame",
                     {8, 8}});
    cases.push_back({"lzw-12.gif",
                     handMadeGif(12, std::vector<uint32_t>(70, 0), 13),
                     "the LZW minimum code size is 12",
                     {8, 8}});
    const QByteArray gif = magickMade(noise(60, 40, 3, 11), "", "noise.gif");
    if (!gif.isEmpty())
        cases.push_back({"cut.gif",
                         cut(gif, gif.size() - 300),
                         "the file ends inside the image data, after",
                         {60, 40}});
    // BMP run-length data cut short.
    const QByteArray rle =
        magickMade(noise(50, 20, 3, 5), "-colors 100 -type Palette -compress RLE", "noise-rle.bmp");
    if (!rle.isEmpty())
        cases.push_back({"cut-rle.bmp",
                         cut(rle, rle.size() - 200),
                         "the run-length pixel data end in row",
                         {50, 20}});
    // XBM cut inside its array; XPM with a short row (the reader's message).
    const QByteArray xbm = qtMade(pattern(40, 30, QImage::Format_Mono), "XBM");
    cases.push_back({"cut.xbm", cut(xbm, xbm.size() / 2), "the XBM data hold ", {40, 30}});
    QByteArray xpm = qtMade(pattern(9, 5, QImage::Format_Indexed8), "XPM");
    const qsizetype lastRowEnd = xpm.lastIndexOf("\"}");
    ASSERT_GT(lastRowEnd, 3);
    xpm.remove(lastRowEnd - 3, 3);
    cases.push_back({"short-row.xpm", xpm, "XPM pixels missing on image line", {9, 5}});

    // A plain PGM cut inside its last number: Qt reads "25" for "255".
    const QByteArray plain("P2\n3 2\n255\n0 128 255\n255 128 255\n");
    cases.push_back({"cut.pgm",
                     cut(plain, plain.size() - 2),
                     "the file ends right after its last sample, which may have lost digits",
                     {3, 2}});

    LoadOptions wsqconvert;
    wsqconvert.scope = TypeScope::Wsqconvert;
    for (const Damaged& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        const Document doc = loadDocument(write(c.name, c.bytes), wsqconvert);
        ASSERT_TRUE(doc.ok()) << doc.error.toStdString();
        EXPECT_TRUE(doc.damage.startsWith(c.damage)) << doc.damage.toStdString();
        EXPECT_EQ(doc.picture().size(), c.size);
        EXPECT_EQ(doc.error, QString());
    }
}

// Files that Qt refuses, or our library refuses, when damaged: a failed load, no damage note.
// The IFF reader keeps a picture whose file lacks only its last pad byte, and says so.
TEST_F(DamagedFiles, RefusedFilesFailAndOurReadersSayWhy) {
    const QByteArray png = qtMade(pattern(40, 30, QImage::Format_RGB32), "PNG");
    const QByteArray ppm = qtMade(pattern(40, 30, QImage::Format_RGB32), "PPM");
    const QByteArray pgm = qtMade(pattern(40, 30, QImage::Format_Grayscale8), "PGM");
    LoadOptions wsqconvert;
    wsqconvert.scope = TypeScope::Wsqconvert;
    for (const auto& [name, bytes] : {std::pair{"cut.png", png.left(png.size() / 2)},
                                      {"cut.ppm", ppm.left(ppm.size() / 2)},
                                      {"cut.pgm", pgm.left(pgm.size() - 1)}}) {
        SCOPED_TRACE(name);
        const Document doc = loadDocument(write(name, bytes), wsqconvert);
        EXPECT_EQ(doc.failure, LoadFailure::Undecodable);
        EXPECT_TRUE(doc.picture().isNull());
        EXPECT_EQ(doc.damage, QString());
        EXPECT_FALSE(doc.error.isEmpty());
    }

    // Photoshop: one grey row of 3 pixels packed as a literal of 4 bytes.
    QByteArray psd = QByteArray("8BPS") + QByteArray::fromHex("0001 000000000000 0001");
    psd += QByteArray::fromHex("00000001 00000003 0008 0001 00000000 00000000 00000000 0001");
    psd += QByteArray::fromHex("0005 030a0b0c0d");
    const Document refused = loadDocument(write("overrun.psd", psd));
    EXPECT_EQ(refused.failure, LoadFailure::Undecodable);
    EXPECT_EQ(refused.code, int(imagefile::kCorruptFile));
    EXPECT_EQ(refused.damage, QString());

    // IFF ILBM: 5 x 1, a 17-byte body whose pad byte is the last byte of the file.
    QByteArray body = QByteArray::fromHex("80ffaa");
    for (int p = 1; p < 8; ++p) body += QByteArray::fromHex("ff00");
    QByteArray form = QByteArray("ILBM") + "BMHD" + QByteArray::fromHex("00000014");
    form += QByteArray::fromHex("00050001 00000000 08000100 0000 0a0b 00050001");
    form += QByteArray("CMAP") + QByteArray::fromHex("00000006 000000ffffff");
    form += QByteArray("BODY") + QByteArray::fromHex("00000011") + body + QByteArray(1, '\0');
    const QByteArray iff = QByteArray("FORM") + QByteArray::fromHex("00000048") + form;
    ASSERT_EQ(iff.size(), 8 + 0x48);
    EXPECT_EQ(loadDocument(write("whole.iff", iff)).damage, QString());
    const Document shortIff = loadDocument(write("no-pad.iff", iff.left(iff.size() - 1)));
    ASSERT_TRUE(shortIff.ok()) << shortIff.error.toStdString();
    EXPECT_EQ(shortIff.picture().size(), QSize(5, 1));
    EXPECT_TRUE(shortIff.damage.startsWith("the file ends one byte short of its FORM chunk"))
        << shortIff.damage.toStdString();
}

// Qt's readers report JPEG damage only as messages, and the handler that collects them is the
// process's one: a read on one thread must never take another thread's messages for its own,
// and every message still reaches the handler installed before.
QStringList g_forwarded;  // while g_keepTexts is set, and only one thread reads
std::atomic<bool> g_keepTexts{false};
std::atomic<int> g_forwardedCount{0};
void recordMessage(QtMsgType, const QMessageLogContext&, const QString& text) {
    ++g_forwardedCount;
    if (g_keepTexts && text.startsWith(QLatin1String("Corrupt JPEG data"))) g_forwarded << text;
}

TEST_F(DamagedFiles, DecoderMessagesStayWithTheirThreadAndStillReachTheHandler) {
    const QByteArray jpeg = qtMade(pattern(64, 48, QImage::Format_RGB32), "JPEG");
    const QString whole = write("whole.jpg", jpeg);
    const QString damaged = write("cut.jpg", jpeg.left(jpeg.size() * 3 / 4));

    const QtMessageHandler before = qInstallMessageHandler(recordMessage);
    g_forwarded.clear();
    g_keepTexts = true;
    const Document cut = loadDocument(damaged);
    g_keepTexts = false;
    EXPECT_EQ(cut.damage, "Corrupt JPEG data: premature end of data segment");
    EXPECT_EQ(g_forwarded, QStringList{cut.damage});
    g_forwardedCount = 0;
    // The handler is ours again once no read collects messages.
    EXPECT_EQ(qInstallMessageHandler(recordMessage), recordMessage);

    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 12; ++i) {
                const bool damage = (t + i) % 2 == 0;
                const Document doc = loadDocument(damage ? damaged : whole);
                if (!doc.ok() || doc.damage.isEmpty() != !damage) ++wrong;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_GE(g_forwardedCount, 6 * 6);  // every damaged read's message
    EXPECT_EQ(qInstallMessageHandler(before), recordMessage);
}

}  // namespace
