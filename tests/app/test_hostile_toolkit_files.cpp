// The hostile-file suite for the formats the viewer and wsqconvert read through Qt (PNG, JPEG,
// BMP, GIF, the netpbm family, XPM, XBM, MNG): small valid files made by Qt, ImageMagick or by
// hand are truncated and have their header fields and data bytes replaced, and every variant
// goes through the document layer's load, the one both programs use (Qt's reader, then the
// checks that tell a damaged file), in a child process limited to 1 GiB and 10 s a case. Each
// must give a null picture or a sound one; a file cut short must moreover fail, be reported as
// damaged, or give exactly the whole file's picture, never a part of it passed off as whole.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "document_load.h"
#include "support/hostile_cases.h"
#include "support/peer_tools.h"
#include "support/qt_app_env.h"
#include "wsq/image_limits.h"

namespace {

using Bytes = std::vector<uint8_t>;
using testsupport::HostileCase;
using testsupport::HostilePlan;

std::map<std::string, size_t>& CaseCounts() {
    static std::map<std::string, size_t> counts;
    return counts;
}

class CountPrinter : public testing::Environment {
public:
    void TearDown() override {
        size_t total = 0;
        for (const auto& [format, n] : CaseCounts()) {
            std::printf("hostile toolkit cases %-5s %zu\n", format.c_str(), n);
            total += n;
        }
        std::printf("hostile toolkit cases total %zu\n", total);
    }
};
const testing::Environment* const kCountPrinter =
    testing::AddGlobalTestEnvironment(new CountPrinter);

QImage Pattern(int width, int height, QImage::Format format) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y,
                           qRgba((x * 53 + y * 7) & 255, (y * 41) & 255, (x * y * 13) & 255,
                                 255 - ((x + y) * 17 & 127)));
    return image.convertToFormat(format);
}

// `image` written by Qt in `format`; `progressive` for a progressive JPEG.
Bytes QtMade(const QImage& image, const char* format, bool progressive = false) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setProgressiveScanWrite(progressive);
    if (!writer.write(image)) return Bytes();
    return Bytes(bytes.begin(), bytes.end());
}

// A test pattern converted by ImageMagick with `options` into a file of `suffix`.
Bytes MagickMade(uint32_t w, uint32_t h, uint32_t channels, const std::string& options,
                 const std::string& suffix) {
    if (!testsupport::PeerProgramAvailable("convert")) return Bytes();
    const std::string dir = testsupport::PeerScratchDirectory();
    const std::string in = dir + "/in.pam", out = dir + "/out" + suffix;
    if (!testsupport::WritePeerNetpbm(in, testsupport::PeerTestPattern(w, h, channels)))
        return Bytes();
    if (!testsupport::RunPeerCommand("convert " + in + " " + options + " " + out)) return Bytes();
    return testsupport::ReadPeerFileBytes(out);
}

void AddIfMade(std::vector<Bytes>* seeds, Bytes bytes) {
    if (!bytes.empty()) seeds->push_back(std::move(bytes));
}

// The load of one file by the reader of `extension`, whatever the file is called (the cases
// live in a memory file without a name of their own), as wsqconvert loads it for pgm and ppm.
document::Document Load(const char* path, const std::string& extension) {
    document::LoadOptions options;
    if (extension == "pgm" || extension == "ppm") {
        options.scope = document::TypeScope::Wsqconvert;
        options.greyPictures = true;
    }
    return document::loadDocumentAs(QString::fromLocal8Bit(path), QString::fromStdString(extension),
                                    options);
}

// What is wrong with the load of one case, or an empty string. Qt bounds a picture by its
// bytes, not its sides: a side past 65535 is sound here (every writer refuses it cleanly). A
// case cut from the end of a valid file (`whole` is that file's picture) must not give a
// picture that differs from the whole one unless it says the file is damaged.
std::string CheckLoad(const char* path, const std::string& extension, const QImage* whole) {
    const document::Document doc = Load(path, extension);
    const QImage image = doc.picture();
    if (image.isNull()) {
        if (!doc.damage.isEmpty()) return "no picture, yet a damage note";
        return std::string();
    }
    if (image.width() < 1 || image.height() < 1 ||
        uint64_t(image.width()) * uint64_t(image.height()) > wsq::kMaxImagePixels)
        return "picture of " + std::to_string(image.width()) + " x " +
               std::to_string(image.height());
    if (image.format() != QImage::Format_RGB32 &&
        image.format() != QImage::Format_ARGB32_Premultiplied &&
        image.format() != QImage::Format_Grayscale8)
        return "picture in format " + std::to_string(int(image.format()));
    if (image.sizeInBytes() < qsizetype(image.bytesPerLine()) * image.height())
        return "picture shorter than its rows";
    if (whole && doc.damage.isEmpty() && image != *whole)
        return "a part of the picture passed off as whole";
    return std::string();
}

// Qt's readers warn about every damaged file; tens of thousands of those say nothing here.
void DropQtMessage(QtMsgType, const QMessageLogContext&, const QString&) {}

void RunToolkitSuite(const std::string& format, const std::string& extension,
                     const std::vector<Bytes>& seeds, const HostilePlan& plan) {
    const QtMessageHandler previous = qInstallMessageHandler(DropQtMessage);
    struct RestoreHandler {
        QtMessageHandler handler;
        ~RestoreHandler() { qInstallMessageHandler(handler); }
    } restore{previous};
    testsupport::MemoryFile file;
    std::vector<HostileCase> cases;
    // For each case, the picture of the valid file it was cut from; null for other variants.
    std::vector<QImage> pictures;
    std::vector<size_t> cutFrom;
    size_t used = 0;
    uint32_t seed = plan.seed;
    for (const Bytes& valid : seeds) {
        if (!file.assign(valid)) continue;
        const document::Document doc = Load(file.path(), extension);
        if (doc.picture().isNull()) continue;
        EXPECT_EQ(doc.damage, QString()) << format << " seed " << used;
        ++used;
        pictures.push_back(doc.picture());
        HostilePlan p = plan;
        p.seed = seed++;
        for (HostileCase& c : testsupport::HostileVariants(valid, p)) {
            const bool cut = c.bytes.size() < valid.size() &&
                             std::equal(c.bytes.begin(), c.bytes.end(), valid.begin());
            cutFrom.push_back(cut ? pictures.size() - 1 : SIZE_MAX);
            cases.push_back(std::move(c));
        }
    }
    if (used == 0) GTEST_SKIP() << format << ": no seed file Qt reads here";
    // As in the raster library's suite, the sanitizer build runs every eighth case.
    if (testsupport::HostileRunsUnderAddressSanitizer()) {
        std::vector<HostileCase> sample;
        std::vector<size_t> sampleCutFrom;
        for (size_t i = plan.seed % 8; i < cases.size(); i += 8) {
            sample.push_back(std::move(cases[i]));
            sampleCutFrom.push_back(cutFrom[i]);
        }
        cases = std::move(sample);
        cutFrom = std::move(sampleCutFrom);
    }
    CaseCounts()[format] += cases.size();
    std::printf("%s: %zu cases from %zu seeds\n", format.c_str(), cases.size(), used);
    const auto failures = testsupport::RunHostileCases(cases.size(), [&](size_t i) {
        if (!file.assign(cases[i].bytes)) return std::string("cannot fill the memory file");
        std::string wrong = CheckLoad(file.path(), extension,
                                      cutFrom[i] == SIZE_MAX ? nullptr : &pictures[cutFrom[i]]);
        if (!wrong.empty()) wrong += " (" + cases[i].what + ")";
        return wrong;
    });
    for (const auto& f : failures)
        ADD_FAILURE() << format << " case " << f.index << " ("
                      << (f.index < cases.size() ? cases[f.index].what : std::string("?"))
                      << "): " << f.how;
}

TEST(HostileToolkitFiles, Png) {
    std::vector<Bytes> seeds;
    AddIfMade(&seeds, QtMade(Pattern(6, 4, QImage::Format_RGB32), "PNG"));
    AddIfMade(&seeds, QtMade(Pattern(5, 4, QImage::Format_ARGB32), "PNG"));
    AddIfMade(&seeds, MagickMade(7, 5, 3, "-type Palette", ".png"));
    AddIfMade(&seeds, MagickMade(5, 4, 1, "-interlace PNG", ".png"));
    HostilePlan plan;
    plan.fields = {{0, 80}};  // signature, IHDR and the chunk after it
    plan.packets = {{80, 200}};
    plan.littleEndian = false;
    RunToolkitSuite("PNG", "png", seeds, plan);
}

TEST(HostileToolkitFiles, Jpeg) {
    std::vector<Bytes> seeds;
    AddIfMade(&seeds, QtMade(Pattern(9, 7, QImage::Format_RGB32), "JPEG"));
    AddIfMade(&seeds, QtMade(Pattern(9, 7, QImage::Format_Grayscale8), "JPEG", true));
    HostilePlan plan;
    plan.fields = {{0, 700}};  // every marker segment up to the scan
    plan.packets = {{700, 900}};
    plan.littleEndian = false;
    plan.randomPerField = 0;
    RunToolkitSuite("JPEG", "jpg", seeds, plan);
}

TEST(HostileToolkitFiles, Bmp) {
    std::vector<Bytes> seeds;
    AddIfMade(&seeds, QtMade(Pattern(7, 5, QImage::Format_RGB32), "BMP"));
    AddIfMade(&seeds, QtMade(Pattern(6, 4, QImage::Format_Indexed8), "BMP"));
    AddIfMade(&seeds, MagickMade(9, 6, 3, "-type Palette -compress RLE", ".bmp"));
    AddIfMade(&seeds, MagickMade(7, 4, 3, "-colors 16 -type Palette -compress RLE", ".bmp"));
    HostilePlan plan;
    plan.fields = {{0, 64}};  // file and information headers, masks, palette
    RunToolkitSuite("BMP", "bmp", seeds, plan);
}

TEST(HostileToolkitFiles, Gif) {
    std::vector<Bytes> seeds;
    AddIfMade(&seeds, MagickMade(7, 5, 3, "", ".gif"));
    AddIfMade(&seeds, MagickMade(9, 6, 1, "-interlace GIF", ".gif"));
    AddIfMade(&seeds, MagickMade(6, 4, 3, "\\( +clone -negate \\) -set delay 10", ".gif"));
    HostilePlan plan;
    plan.fields = {{0, 4096}};  // screen, colour map, extensions, frame rectangle, LZW data
    plan.packets = {};
    plan.bigEndian = false;
    RunToolkitSuite("GIF", "gif", seeds, plan);
}

TEST(HostileToolkitFiles, NetpbmXpmXbm) {
    // Text headers: the fields are digits and names, so every byte is also set to the
    // packet extremes.
    std::vector<Bytes> seeds;
    AddIfMade(&seeds, QtMade(Pattern(7, 5, QImage::Format_RGB32), "PPM"));
    AddIfMade(&seeds, QtMade(Pattern(7, 5, QImage::Format_Grayscale8), "PGM"));
    AddIfMade(&seeds, QtMade(Pattern(9, 5, QImage::Format_Mono), "PBM"));
    HostilePlan plan;
    plan.fields = {{0, 24}};
    plan.packets = {{0, 140}};
    RunToolkitSuite("PNM", "pnm", seeds, plan);

    std::vector<Bytes> xpm = {QtMade(Pattern(5, 3, QImage::Format_Indexed8), "XPM")};
    plan.fields = {{0, 16}};
    plan.packets = {{0, 400}};
    RunToolkitSuite("XPM", "xpm", xpm, plan);
    std::vector<Bytes> xbm = {QtMade(Pattern(9, 4, QImage::Format_Mono), "XBM")};
    plan.packets = {{0, 200}};
    RunToolkitSuite("XBM", "xbm", xbm, plan);
}

// PGM and PPM as wsqconvert reads them (its own types, grey kept as 8-bit grey): raw and plain,
// 8 and 16 bits, from Qt and ImageMagick.
TEST(HostileToolkitFiles, PgmAndPpmAsWsqconvertReadsThem) {
    std::vector<Bytes> pgm, ppm;
    AddIfMade(&pgm, QtMade(Pattern(7, 5, QImage::Format_Grayscale8), "PGM"));
    AddIfMade(&pgm, MagickMade(6, 4, 1, "-compress none", ".pgm"));
    AddIfMade(&pgm, MagickMade(5, 3, 1, "-depth 16", ".pgm"));
    AddIfMade(&ppm, QtMade(Pattern(7, 5, QImage::Format_RGB32), "PPM"));
    AddIfMade(&ppm, MagickMade(4, 3, 3, "-compress none", ".ppm"));
    AddIfMade(&ppm, MagickMade(5, 3, 3, "-depth 16", ".ppm"));
    HostilePlan plan;
    plan.fields = {{0, 24}};
    plan.packets = {{0, 140}};
    RunToolkitSuite("PGM", "pgm", pgm, plan);
    RunToolkitSuite("PPM", "ppm", ppm, plan);
}

// Every LZW minimum code size in the first frame of a GIF: up to 11 the codes can follow it
// (the picture is sound or reported); above, no GIF code can, and the file must fail or be
// reported as damaged whatever Qt makes of it.
TEST(HostileToolkitFiles, GifLzwMinimumCodeSizes) {
    const Bytes gif = MagickMade(9, 6, 3, "", ".gif");
    if (gif.empty()) GTEST_SKIP() << "ImageMagick is not installed";
    // Screen descriptor, global colour table, extensions, then the image descriptor.
    size_t at = 13 + ((gif[10] & 0x80) ? size_t{3} << ((gif[10] & 7) + 1) : 0);
    while (at < gif.size() && gif[at] == 0x21) {
        at += 2;
        while (at < gif.size() && gif[at] != 0) at += gif[at] + 1u;
        ++at;
    }
    ASSERT_LT(at + 10, gif.size());
    ASSERT_EQ(gif[at], 0x2C);
    const uint8_t flags = gif[at + 9];
    const size_t codeSize = at + 10 + ((flags & 0x80) ? size_t{3} << ((flags & 7) + 1) : 0);
    ASSERT_LT(codeSize, gif.size());
    const QtMessageHandler previous = qInstallMessageHandler(DropQtMessage);
    testsupport::MemoryFile file;
    std::vector<std::string> wrong;
    for (int size = 0; size < 256; ++size) {
        Bytes bytes = gif;
        bytes[codeSize] = static_cast<uint8_t>(size);
        ASSERT_TRUE(file.assign(bytes));
        std::string problem = CheckLoad(file.path(), "gif", nullptr);
        const document::Document doc = Load(file.path(), "gif");
        if (size > 11 && !doc.picture().isNull() && doc.damage.isEmpty())
            problem = "a picture passed off as whole";
        if (!problem.empty()) wrong.push_back(std::to_string(size) + ": " + problem);
    }
    qInstallMessageHandler(previous);
    EXPECT_TRUE(wrong.empty()) << wrong.size() << " code sizes, the first "
                               << (wrong.empty() ? std::string() : wrong.front());
}

TEST(HostileToolkitFiles, Mng) {
    std::vector<Bytes> seeds;
    AddIfMade(&seeds, MagickMade(6, 4, 3, "", ".mng"));
    HostilePlan plan;
    plan.fields = {{0, 120}};  // signature, MHDR, the embedded PNG's IHDR
    plan.packets = {{120, 240}};
    plan.littleEndian = false;
    RunToolkitSuite("MNG", "mng", seeds, plan);
}

}  // namespace
