// The resolution a loaded page gives: TIFF, PCX and Photoshop files written by ImageMagick and
// tiffcp, JPEG files that state none (an EXIF block only, a JFIF aspect ratio), the stated
// resolution carried into a WSQ save's settings, and damaged headers that state nothing.
#include <gtest/gtest.h>
#include <zlib.h>

#include <QFile>
#include <QTemporaryDir>

#include <vector>

#include "document_load.h"
#include "document_save.h"
#include "imagefile/checked_image_io.h"
#include "stored_resolution.h"
#include "support/peer_tools.h"
#include "support/qt_app_env.h"
#include "support/raster_peer_tools.h"
#include "viewer_test_helpers.h"

using namespace document;

namespace {

using viewertest::fileBytes;
using viewertest::writeFile;

QByteArray be16(int v) {
    QByteArray bytes(2, '\0');
    bytes[0] = char(v >> 8);
    bytes[1] = char(v);
    return bytes;
}
QByteArray be32(quint32 v) {
    return be16(int(v >> 16)) + be16(int(v & 0xFFFF));
}

class PageResolutionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        // scripts/install-deps.sh installs them.
        ASSERT_TRUE(testsupport::MagickConvertAvailable()) << "ImageMagick is not installed";
        ASSERT_TRUE(testsupport::TiffcpAvailable()) << "libtiff-tools is not installed";
    }
    QString path(const QString& name) const { return m_dir.filePath(name); }
    // An 8 x 6 grey picture written by ImageMagick with the options given.
    QString magick(const QString& name, const std::string& options) const {
        const std::string out = path(name).toStdString();
        EXPECT_TRUE(testsupport::RunMagickConvert("-size 8x6 gradient: -depth 8 " + options + " '" +
                                                  out + "'"))
            << options;
        return path(name);
    }
    QByteArray contents(const QString& name) const { return fileBytes(path(name)); }
    QString write(const QString& name, const QByteArray& bytes) const {
        EXPECT_TRUE(writeFile(path(name), bytes)) << name.toStdString();
        return path(name);
    }
    int loadedResolution(const QString& file) const {
        const Document doc = loadDocument(file);
        EXPECT_TRUE(doc.ok()) << file.toStdString() << ": " << doc.error.toStdString();
        return pageResolution(doc, 0);
    }

    QTemporaryDir m_dir;
};

TEST_F(PageResolutionTest, TiffFromOtherWritersGivesItsResolutionToTheWsqSave) {
    const QString inches = magick("inches.tif", "-density 1000 -units PixelsPerInch");
    const QString centimetres = magick("cm.tif", "-density 196.85 -units PixelsPerCentimeter");
    ASSERT_TRUE(
        testsupport::RunTiffcp("-c lzw", inches.toStdString(), path("copied.tif").toStdString()));
    EXPECT_EQ(loadedResolution(inches), 1000);
    EXPECT_EQ(loadedResolution(centimetres), 500);
    EXPECT_EQ(loadedResolution(path("copied.tif")), 1000);

    // It is the page's own fact, so a WSQ save keeping the source's settings states it.
    const Document doc = loadDocument(inches);
    EXPECT_EQ(doc.pages[0].facts.ppi, 1000);
    EXPECT_EQ(settingsKeeping(doc).wsqPpi, 1000);

    // Without a unit's worth of meaning there is no resolution.
    EXPECT_EQ(loadedResolution(magick("undefined.tif", "-density 500 -units Undefined")), -1);
    EXPECT_EQ(loadedResolution(magick("plain.tif", "")), -1);
}

TEST_F(PageResolutionTest, JpegStatesOnlyAJfifDensityWithAUnit) {
    const QString peer = magick("peer.jpg", "-density 500 -units PixelsPerInch");
    EXPECT_EQ(loadedResolution(peer), 500);

    // Ours without a resolution: JFIF APP0 (16 bytes) right after SOI, density 1:1, no unit.
    ASSERT_TRUE(
        savePicture(viewertest::patternImage(16, 8), path("ours.jpg"), SaveType::Jpeg, {}).ok());
    const QByteArray jpeg = contents("ours.jpg");
    ASSERT_EQ(jpeg.mid(2, 11), QByteArray("\xFF\xE0\x00\x10JFIF\x00\x01\x01", 11));
    EXPECT_EQ(loadedResolution(path("ours.jpg")), -1);

    QByteArray ratio = jpeg;
    ratio.replace(13, 5, QByteArray("\x00\x00\x02\x00\x01", 5));  // 2:1, no unit
    EXPECT_EQ(loadedResolution(write("ratio.jpg", ratio)), -1);
    QByteArray centimetres = jpeg;
    centimetres.replace(13, 5, QByteArray("\x02\x00\xC5\x00\xC5", 5));  // 197 per cm
    EXPECT_EQ(loadedResolution(write("cm.jpg", centimetres)), 500);

    // An EXIF block in place of JFIF, saying 500 per inch: the resolution is JFIF's, not the
    // one cameras fill with a placeholder 72, so this file states none.
    QByteArray tiff = QByteArray("MM\x00\x2A", 4) + be32(8) + be16(3);
    tiff += be16(0x011A) + be16(5) + be32(1) + be32(50);           // XResolution, rational at 50
    tiff += be16(0x011B) + be16(5) + be32(1) + be32(58);           // YResolution, rational at 58
    tiff += be16(0x0128) + be16(3) + be32(1) + be16(2) + be16(0);  // ResolutionUnit inch
    tiff += be32(0) + be32(500) + be32(1) + be32(500) + be32(1);
    const QByteArray exif = QByteArray("Exif\x00\x00", 6) + tiff;
    QByteArray exifOnly = jpeg;
    exifOnly.replace(2, 18, QByteArray("\xFF\xE1", 2) + be16(2 + int(exif.size())) + exif);
    EXPECT_EQ(loadedResolution(write("exif.jpg", exifOnly)), -1);
}

TEST_F(PageResolutionTest, PngPhysBelowOnePixelPerInchStatesNone) {
    imagefile::SaveSettings settings;
    settings.resolution = 1;
    const std::vector<uint8_t> planes(3 * 8 * 8, 128);
    ASSERT_TRUE(imagefile::WriteImageFileChecked(QFile::encodeName(path("one.png")).constData(),
                                                 imagefile::ImageFormat::Png, 8, 8, planes.data(),
                                                 settings)
                    .ok());
    EXPECT_EQ(loadedResolution(path("one.png")), 1);
    // Ten pixels per metre: 0.25 per inch.
    QByteArray png = contents("one.png");
    const qsizetype phys = png.indexOf("pHYs");
    ASSERT_GT(phys, 0);
    png.replace(phys + 4, 8, be32(10) + be32(10));
    const QByteArray chunk = png.mid(phys, 4 + 9);
    const quint32 crc =
        quint32(crc32(0, reinterpret_cast<const Bytef*>(chunk.constData()), uInt(chunk.size())));
    png.replace(phys + 13, 4, be32(crc));
    EXPECT_EQ(loadedResolution(write("tenth.png", png)), -1);
}

TEST_F(PageResolutionTest, PcxAndPhotoshopFilesGiveTheirResolution) {
    const QString pcx = magick("peer.pcx", "-density 500 -units PixelsPerInch");
    const QString psd = magick("peer.psd", "-density 1000 -units PixelsPerInch");
    // Photoshop keeps pixels per inch, whatever unit it shows them in.
    const QString psdCm = magick("cm.psd", "-density 196.85 -units PixelsPerCentimeter");
    EXPECT_EQ(loadedResolution(pcx), 500);
    EXPECT_EQ(loadedResolution(psd), 1000);
    EXPECT_EQ(loadedResolution(psdCm), 500);

    // Different across and down: none.
    QByteArray pcxBytes = contents("peer.pcx");
    pcxBytes[14] = char(0x2C);  // 300 down
    pcxBytes[15] = char(0x01);
    EXPECT_EQ(loadedResolution(write("skewed.pcx", pcxBytes)), -1);
    const QByteArray psdBytes = contents("peer.psd");
    const qsizetype info = psdBytes.indexOf(QByteArray("8BIM\x03\xED", 6));
    ASSERT_GT(info, 0);
    const qsizetype data = info + 6 + 2 + 4;  // an empty name, then the size
    ASSERT_LE(data + 16, psdBytes.size());
    QByteArray skewed = psdBytes;
    skewed.replace(data + 8, 4, be32(999u << 16));
    EXPECT_EQ(storedResolution(write("skewed.psd", skewed), imagefile::ImageFormat::Psd), -1);
}

TEST_F(PageResolutionTest, DamagedPhotoshopHeadersStateNothing) {
    magick("peer.psd", "-density 1000 -units PixelsPerInch");
    const QByteArray whole = contents("peer.psd");
    const qsizetype info = whole.indexOf(QByteArray("8BIM\x03\xED", 6));
    ASSERT_GT(info, 0);
    const qsizetype infoEnd = info + 6 + 2 + 4 + 16;
    const QString cut = path("cut.psd");
    for (qsizetype size = 0; size < whole.size(); ++size) {
        write("cut.psd", whole.left(size));
        EXPECT_EQ(storedResolution(cut, imagefile::ImageFormat::Psd), size < infoEnd ? -1 : 1000)
            << size << " bytes";
    }

    // Lengths that point far past the end: the colour mode data, the resources section, and a
    // resource ahead of the resolution.
    const qsizetype resources = 26 + 4 + qsizetype(whole.mid(26, 4).toHex().toUInt(nullptr, 16));
    for (const qsizetype at : {qsizetype(26), resources, info + 8}) {
        SCOPED_TRACE(at);
        QByteArray bent = whole;
        bent.replace(at, 4, be32(0xFFFFFFF0u));
        if (at == info + 8) bent.replace(info + 4, 2, be16(0x0400));  // now another resource
        EXPECT_EQ(storedResolution(write("bent.psd", bent), imagefile::ImageFormat::Psd), -1);
    }
}

}  // namespace
