// The hostile-file suite for the formats the viewer and wsqconvert read through Qt (PNG, JPEG,
// BMP, GIF, the netpbm family, XPM, XBM, MNG): small valid files made by Qt or ImageMagick are
// truncated and have their header fields and data bytes replaced, and every variant goes
// through loadToolkitImage, the one load both programs use, in a child process limited to
// 1 GiB and 10 s a case. Each must give a null picture or a sound one.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "support/hostile_cases.h"
#include "support/peer_tools.h"
#include "support/qt_app_env.h"
#include "toolkit_image_io.h"
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
const testing::Environment* const kCountPrinter = testing::AddGlobalTestEnvironment(new CountPrinter);

QImage Pattern(int width, int height, QImage::Format format) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgba((x * 53 + y * 7) & 255, (y * 41) & 255, (x * y * 13) & 255,
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
Bytes MagickMade(uint32_t w, uint32_t h, uint32_t channels, const std::string& options, const std::string& suffix) {
    if (!testsupport::PeerProgramAvailable("convert")) return Bytes();
    const std::string dir = testsupport::PeerScratchDirectory();
    const std::string in = dir + "/in.pam", out = dir + "/out" + suffix;
    if (!testsupport::WritePeerNetpbm(in, testsupport::PeerTestPattern(w, h, channels))) return Bytes();
    if (!testsupport::RunPeerCommand("convert " + in + " " + options + " " + out)) return Bytes();
    return testsupport::ReadPeerFileBytes(out);
}

void AddIfMade(std::vector<Bytes>* seeds, Bytes bytes) {
    if (!bytes.empty()) seeds->push_back(std::move(bytes));
}

// What is wrong with the load of one case, or an empty string. Qt bounds a picture by its
// bytes, not its sides: a side past 65535 is sound here (every writer refuses it cleanly).
std::string CheckLoad(const char* path) {
    const QImage image = loadToolkitImage(QString::fromLocal8Bit(path));
    if (image.isNull()) return std::string();
    if (image.width() < 1 || image.height() < 1 ||
        uint64_t(image.width()) * uint64_t(image.height()) > wsq::kMaxImagePixels)
        return "picture of " + std::to_string(image.width()) + " x " + std::to_string(image.height());
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32_Premultiplied)
        return "picture in format " + std::to_string(int(image.format()));
    if (image.sizeInBytes() < qsizetype(image.bytesPerLine()) * image.height()) return "picture shorter than its rows";
    return std::string();
}

// Qt's readers warn about every damaged file; tens of thousands of those say nothing here.
void DropQtMessage(QtMsgType, const QMessageLogContext&, const QString&) {}

void RunToolkitSuite(const std::string& format, const std::vector<Bytes>& seeds, const HostilePlan& plan) {
    const QtMessageHandler previous = qInstallMessageHandler(DropQtMessage);
    struct RestoreHandler {
        QtMessageHandler handler;
        ~RestoreHandler() { qInstallMessageHandler(handler); }
    } restore{previous};
    testsupport::MemoryFile file;
    auto read = [&](const Bytes& bytes) {
        if (!file.assign(bytes)) return std::string("cannot fill the memory file");
        return CheckLoad(file.path());
    };
    std::vector<HostileCase> cases;
    size_t used = 0;
    uint32_t seed = plan.seed;
    for (const Bytes& valid : seeds) {
        if (!file.assign(valid) || loadToolkitImage(QString::fromLocal8Bit(file.path())).isNull()) continue;
        ++used;
        HostilePlan p = plan;
        p.seed = seed++;
        std::vector<HostileCase> more = testsupport::HostileVariants(valid, p);
        cases.insert(cases.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
    }
    if (used == 0) GTEST_SKIP() << format << ": no seed file Qt reads here";
    // As in the raster library's suite, the sanitizer build runs every eighth case.
    if (testsupport::HostileRunsUnderAddressSanitizer()) {
        std::vector<HostileCase> sample;
        for (size_t i = plan.seed % 8; i < cases.size(); i += 8) sample.push_back(std::move(cases[i]));
        cases = std::move(sample);
    }
    CaseCounts()[format] += cases.size();
    std::printf("%s: %zu cases from %zu seeds\n", format.c_str(), cases.size(), used);
    const auto failures = testsupport::RunHostileCases(cases.size(), [&](size_t i) {
        std::string wrong = read(cases[i].bytes);
        if (!wrong.empty()) wrong += " (" + cases[i].what + ")";
        return wrong;
    });
    for (const auto& f : failures)
        ADD_FAILURE() << format << " case " << f.index << " ("
                      << (f.index < cases.size() ? cases[f.index].what : std::string("?")) << "): " << f.how;
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
    RunToolkitSuite("PNG", seeds, plan);
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
    RunToolkitSuite("JPEG", seeds, plan);
}

TEST(HostileToolkitFiles, Bmp) {
    std::vector<Bytes> seeds;
    AddIfMade(&seeds, QtMade(Pattern(7, 5, QImage::Format_RGB32), "BMP"));
    AddIfMade(&seeds, QtMade(Pattern(6, 4, QImage::Format_Indexed8), "BMP"));
    AddIfMade(&seeds, MagickMade(9, 6, 3, "-type Palette -compress RLE", ".bmp"));
    HostilePlan plan;
    plan.fields = {{0, 64}};  // file and information headers, masks, palette
    RunToolkitSuite("BMP", seeds, plan);
}

TEST(HostileToolkitFiles, Gif) {
    std::vector<Bytes> seeds;
    AddIfMade(&seeds, MagickMade(7, 5, 3, "", ".gif"));
    AddIfMade(&seeds, MagickMade(9, 6, 1, "-interlace GIF", ".gif"));
    HostilePlan plan;
    plan.fields = {{0, 4096}};  // screen, colour map, extensions, frame rectangle, LZW data
    plan.packets = {};
    plan.bigEndian = false;
    RunToolkitSuite("GIF", seeds, plan);
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
    RunToolkitSuite("PNM", seeds, plan);

    std::vector<Bytes> xpm = {QtMade(Pattern(5, 3, QImage::Format_Indexed8), "XPM")};
    plan.fields = {{0, 16}};
    plan.packets = {{0, 400}};
    RunToolkitSuite("XPM", xpm, plan);
    std::vector<Bytes> xbm = {QtMade(Pattern(9, 4, QImage::Format_Mono), "XBM")};
    plan.packets = {{0, 200}};
    RunToolkitSuite("XBM", xbm, plan);
}

TEST(HostileToolkitFiles, Mng) {
    std::vector<Bytes> seeds;
    AddIfMade(&seeds, MagickMade(6, 4, 3, "", ".mng"));
    HostilePlan plan;
    plan.fields = {{0, 120}};  // signature, MHDR, the embedded PNG's IHDR
    plan.packets = {{120, 240}};
    plan.littleEndian = false;
    RunToolkitSuite("MNG", seeds, plan);
}

}  // namespace
