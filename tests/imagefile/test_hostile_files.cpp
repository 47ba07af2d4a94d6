// The hostile-file suite: small valid files of every readable format, made here by our writers,
// by peer tools or by hand, are truncated and have their header fields, run-length packets and
// chunk sizes replaced; every variant is read through the entry points of the viewer and the
// converter in a child process limited to 1 GiB and 10 s a case. Each must end with a clean
// error or a sound picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "imagefile/bitmap_image.h"
#include "imagefile/formats.h"
#include "imagefile/image_file_io.h"
#include "support/hostile_cases.h"
#include "support/hostile_wsq_streams.h"
#include "support/peer_tools.h"
#include "support/record_pixels.h"
#include "wsq/decoder.h"
#include "wsq/image_limits.h"
#include "wsq/wsq.h"

namespace {

using Bytes = std::vector<uint8_t>;
using imagefile::BitmapImage;
using testsupport::HostileCase;
using testsupport::HostilePlan;

// Cases per format over the whole run, printed at the end.
std::map<std::string, size_t>& CaseCounts() {
    static std::map<std::string, size_t> counts;
    return counts;
}

class CountPrinter : public testing::Environment {
public:
    void TearDown() override {
        size_t total = 0;
        for (const auto& [format, n] : CaseCounts()) {
            std::printf("hostile cases %-6s %zu\n", format.c_str(), n);
            total += n;
        }
        std::printf("hostile cases total  %zu\n", total);
    }
};
const testing::Environment* const kCountPrinter =
    testing::AddGlobalTestEnvironment(new CountPrinter);

// What is wrong with a reader's result, or an empty string when it is a clean error (an empty
// record) or a sound picture (sizes within the limits, buffers as large as the layout says,
// every palette index within the palette).
std::string CheckRecord(uint32_t code, const BitmapImage& image) {
    if (code != 0) {
        if (image.width != 0 || image.height != 0 || !image.bits.empty())
            return "error " + std::to_string(code) + " but the record is not empty";
        return std::string();
    }
    if (!wsq::image_size_acceptable(image.width, image.height))
        return "picture of " + std::to_string(image.width) + " x " + std::to_string(image.height);
    const uint32_t bpp = image.bitsPerPixel;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return "bitsPerPixel " + std::to_string(bpp);
    const uint64_t rowBytes = (uint64_t{image.width} * bpp + 7) / 8;
    if (image.scanWidth < rowBytes) return "scanWidth below the row size";
    if (image.bits.size() < uint64_t{image.scanWidth} * image.height)
        return "bits shorter than the layout";
    if (bpp <= 8) {
        if (image.paletteSize == 0 || image.paletteEntrySize < 3)
            return "palette picture without a palette";
        if (image.palette.size() < size_t{image.paletteSize} * image.paletteEntrySize)
            return "palette shorter than paletteSize";
        if (image.transparentIndex >= int32_t{image.paletteSize})
            return "transparent index past the palette";
        for (uint32_t y = 0; y < image.height; ++y) {
            const uint8_t* row = image.bits.data() + size_t{y} * image.scanWidth;
            for (uint32_t x = 0; x < image.width; ++x) {
                const uint32_t bit = x * bpp;
                const uint32_t index = (row[bit / 8] >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
                if (index >= image.paletteSize) return "pixel index beyond the palette";
            }
        }
    }
    return std::string();
}

// The viewer's and the converter's WSQ load: the comment walk and the decoder over the bytes.
std::string ReadWsqCase(const Bytes& bytes) {
    std::vector<std::string> comments;
    wsq::read_comments_before_first_block(&comments, bytes.data(), static_cast<int>(bytes.size()));
    std::vector<uint8_t> pixels;
    int w = 0, h = 0, d = 0, ppi = 0, lossy = 0, encoder = 0, software = 0;
    const int ret = wsq::wsq_decode_mem(&pixels, &w, &h, &d, &ppi, &lossy, &encoder, &software,
                                        bytes.data(), static_cast<int>(bytes.size()));
    if (ret > 0) return "decoder returned " + std::to_string(ret);
    // A stream without a transform table decodes to no picture (0 x 0, no pixels) by design.
    if (ret == 0 && w == 0 && h == 0 && pixels.empty()) return std::string();
    if (ret == 0) {
        if (!wsq::image_size_acceptable(static_cast<uint64_t>(w), static_cast<uint64_t>(h)))
            return "decoded " + std::to_string(w) + " x " + std::to_string(h);
        if (pixels.size() != size_t(w) * size_t(h)) return "pixel buffer does not match the size";
    }
    return std::string();
}

using PathReader = std::function<uint32_t(const char*, BitmapImage*)>;

// Reads every variant of every seed; fails the test for each case that did not end well.
void RunSuite(const std::string& format, const std::vector<Bytes>& seeds, const HostilePlan& plan,
              const std::function<std::string(const Bytes&)>& read) {
    std::vector<HostileCase> cases;
    size_t used = 0;
    uint32_t seed = plan.seed;
    for (const Bytes& valid : seeds) {
        ASSERT_FALSE(valid.empty());
        if (!read(valid).empty()) continue;  // a seed the reader does not take is no use
        ++used;
        HostilePlan p = plan;
        p.seed = seed++;
        std::vector<HostileCase> more = testsupport::HostileVariants(valid, p);
        cases.insert(cases.end(), std::make_move_iterator(more.begin()),
                     std::make_move_iterator(more.end()));
    }
    ASSERT_GT(used, 0u) << format << ": no seed file the reader takes";
    // The sanitizer build runs every eighth case, to stay
    // within the time of the whole test run; the release build runs them all.
    if (testsupport::HostileRunsUnderAddressSanitizer()) {
        std::vector<HostileCase> sample;
        for (size_t i = plan.seed % 8; i < cases.size(); i += 8)
            sample.push_back(std::move(cases[i]));
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
                      << (f.index < cases.size() ? cases[f.index].what : std::string("?"))
                      << "): " << f.how;
}

// The viewer's and the converter's front door, by extension: a picture of acceptable size with
// its three planes, or 0 x 0 and a failure.
std::string CheckFrontDoor(const std::string& path) {
    int w = -1, h = -1;
    std::vector<uint8_t> planes;
    const int ret = imagefile::ReadImageFile(path.c_str(), &w, &h, &planes);
    if (ret != 1 && ret >= 0) return "ReadImageFile returned " + std::to_string(ret);
    if (w == 0 && h == 0) return std::string();
    if (ret != 1) return "ReadImageFile failed with a picture";
    if (!wsq::image_size_acceptable(static_cast<uint64_t>(w), static_cast<uint64_t>(h)))
        return "ReadImageFile gave " + std::to_string(w) + " x " + std::to_string(h);
    if (planes.size() != size_t{3} * size_t(w) * size_t(h)) return "planes do not match the size";
    return std::string();
}

bool SameRecord(const BitmapImage& a, const BitmapImage& b) {
    return a.width == b.width && a.height == b.height && a.bitsPerPixel == b.bitsPerPixel &&
           a.bits == b.bits && a.paletteSize == b.paletteSize && a.palette == b.palette &&
           a.transparentIndex == b.transparentIndex;
}

// Each case through the format's reader (on an in-memory file) and through ReadImageFile (on a
// file whose name carries the extension). A case cut from the end of a seed must be refused or
// give the seed's own picture (when the cut took only bytes after it): never a part of the
// picture passed off as whole.
void RunReaderSuite(const std::string& format, const std::vector<Bytes>& seeds,
                    const HostilePlan& plan, const PathReader& reader,
                    const std::string& extension) {
    testsupport::MemoryFile file;
    const std::string named = testsupport::PeerScratchDirectory() + "/case" + extension;
    std::vector<std::pair<const Bytes*, BitmapImage>> wholes;
    for (const Bytes& valid : seeds) {
        BitmapImage image;
        if (file.assign(valid) && reader(file.path(), &image) == 0)
            wholes.emplace_back(&valid, std::move(image));
    }
    RunSuite(format, seeds, plan, [&](const Bytes& bytes) {
        if (!file.assign(bytes)) return std::string("cannot fill the memory file");
        BitmapImage image;
        const uint32_t code = reader(file.path(), &image);
        std::string wrong = CheckRecord(code, image);
        if (!wrong.empty()) return wrong;
        for (const auto& [valid, whole] : wholes) {
            if (code == 0 && bytes.size() < valid->size() &&
                std::equal(bytes.begin(), bytes.end(), valid->begin()) && !SameRecord(image, whole))
                return "cut to " + std::to_string(bytes.size()) +
                       " bytes, a part of the picture passed off as whole";
        }
        if (!testsupport::WritePeerFileBytes(named, bytes))
            return std::string("cannot write the case");
        return CheckFrontDoor(named);
    });
}

// The smallest `count` files a seed generator of the fuzzers wrote into <dir>/<format>.
std::vector<Bytes> GeneratedSeeds(const std::string& dir, const std::string& format, size_t count) {
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir + "/" + format, ec))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) {
        const auto sa = std::filesystem::file_size(a), sb = std::filesystem::file_size(b);
        return sa != sb ? sa < sb : a < b;
    });
    std::vector<Bytes> seeds;
    for (const auto& f : files) {
        if (seeds.size() == count) break;
        // Only files the reader takes as they are.
        seeds.push_back(testsupport::ReadPeerFileBytes(f.string()));
    }
    return seeds;
}

// The psd, iff, pcx and cel seeds of the fuzzers' generator (hand-built files of each variant).
const std::string& HandBuiltSeedDirectory() {
    static const std::string dir = [] {
        const std::string out = testsupport::PeerScratchDirectory() + "/seeds";
        const std::string python = testsupport::PeerProgramAvailable("python3") ? "python3" : "";
        if (python.empty() || !testsupport::RunPeerCommand(
                                  python + " " WSQ_SOURCE_DIR "/fuzz/make_raster_seeds.py " + out))
            return std::string();
        return out;
    }();
    return dir;
}

// A file our own writer makes from a record.
Bytes Written(const std::function<uint32_t(const char*, const BitmapImage&)>& write,
              const BitmapImage& image, const std::string& suffix) {
    const std::string path = testsupport::PeerScratchDirectory() + "/seed" + suffix;
    if (write(path.c_str(), image) != 0) return Bytes();
    return testsupport::ReadPeerFileBytes(path);
}

BitmapImage Colour(uint32_t w, uint32_t h) {
    return testsupport::PeerPixelsToRecord(testsupport::PeerTestPattern(w, h, 3), 0);
}
BitmapImage Grey(uint32_t w, uint32_t h) {
    return testsupport::PeerPixelsToRecord(testsupport::PeerTestPattern(w, h, 1), 0);
}
BitmapImage ColourWithAlpha(uint32_t w, uint32_t h) {
    return testsupport::PeerPixelsToRecord(testsupport::PeerTestPattern(w, h, 4), 0);
}

// A file ImageMagick makes from a test pattern, or nothing when it is not installed.
Bytes PeerMade(uint32_t w, uint32_t h, uint32_t channels, const std::string& options,
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

TEST(HostileFiles, Wsq) {
    for (const testsupport::HostileWsqSeed& seed :
         testsupport::HostileWsqSeeds(testsupport::HostileRunsUnderAddressSanitizer()))
        RunSuite("WSQ", {seed.stream}, seed.plan, ReadWsqCase);
}

TEST(HostileFiles, Bmp) {
    std::vector<Bytes> seeds;
    AddIfMade(&seeds, Written(imagefile::WriteBmpFile, Colour(7, 5), ".bmp"));
    AddIfMade(&seeds, Written(imagefile::WriteBmpFile, Grey(9, 4), ".bmp"));
    AddIfMade(&seeds, PeerMade(9, 6, 3, "-type Palette -compress RLE", ".bmp"));
    HostilePlan plan;
    plan.fields = {{0, 64}};  // file and information headers, masks, palette
    RunReaderSuite("BMP", seeds, plan, imagefile::ReadBmpFile, ".bmp");
}

TEST(HostileFiles, Targa) {
    std::vector<Bytes> seeds;
    AddIfMade(&seeds, Written(imagefile::WriteTargaFile, Colour(7, 5), ".tga"));
    AddIfMade(&seeds, Written(imagefile::WriteTargaFile, Grey(6, 5), ".tga"));
    AddIfMade(&seeds, PeerMade(9, 6, 3, "-compress RLE", ".tga"));
    AddIfMade(&seeds, PeerMade(9, 6, 3, "-type Palette -compress RLE", ".tga"));
    HostilePlan plan;
    plan.fields = {{0, 18 + 48}};  // the header and a colour map
    RunReaderSuite("TGA", seeds, plan, imagefile::ReadTargaFile, ".tga");
}

TEST(HostileFiles, Sgi) {
    std::vector<Bytes> seeds;
    AddIfMade(&seeds, Written(imagefile::WriteSgiFile, Colour(5, 4), ".sgi"));
    AddIfMade(&seeds, Written(imagefile::WriteSgiFile, ColourWithAlpha(4, 3), ".sgi"));
    AddIfMade(&seeds, PeerMade(6, 4, 3, "-compress RLE", ".sgi"));
    HostilePlan plan;
    // The fields in front of the name and behind it, and the run-length offset and length tables.
    plan.fields = {{0, 24}, {104, 112}, {512, 512 + 96}};
    plan.packets = {{512 + 96, 512 + 96 + 256}, {512, 512 + 96}};
    plan.randomPerField = 1;
    RunReaderSuite("SGI", seeds, plan, imagefile::ReadSgiFile, ".sgi");
}

uint32_t ReadTiff(const char* name, BitmapImage* image) {
    imagefile::TiffSaveInfo info;
    return imagefile::ReadTiffFile(name, image, &info);
}

TEST(HostileFiles, Tiff) {
    std::vector<Bytes> seeds;
    AddIfMade(&seeds,
              Written([](const char* n,
                         const BitmapImage& i) { return imagefile::WriteTiffFile(n, i, nullptr); },
                      Colour(6, 4), ".tif"));
    AddIfMade(&seeds, PeerMade(5, 4, 1, "-compress LZW", ".tif"));
    AddIfMade(&seeds, PeerMade(5, 3, 3, "-type Palette -compress PackBits", ".tif"));
    HostilePlan plan;
    plan.fields = {{0, 4096}};  // the whole of these small files: header, directory, tag values
    plan.packets = {};
    plan.randomPerField = 1;
    RunReaderSuite("TIFF", seeds, plan, ReadTiff, ".tif");
}

TEST(HostileFiles, Png) {
    std::vector<Bytes> seeds;
    AddIfMade(&seeds, Written(imagefile::WritePngFile, Colour(6, 4), ".png"));
    AddIfMade(&seeds, PeerMade(7, 5, 3, "-type Palette", ".png"));
    AddIfMade(&seeds, PeerMade(5, 4, 1, "-interlace PNG", ".png"));
    HostilePlan plan;
    plan.fields = {{0, 80}};  // signature, IHDR and the chunk after it
    plan.packets = {{80, 200}};
    plan.littleEndian = false;
    RunReaderSuite("PNG", seeds, plan, imagefile::ReadPngFile, ".png");
}

TEST(HostileFiles, Jpeg) {
    std::vector<Bytes> seeds;
    AddIfMade(&seeds,
              Written([](const char* n,
                         const BitmapImage& i) { return imagefile::WriteJpegFile(n, i, 75); },
                      Colour(9, 7), ".jpg"));
    AddIfMade(&seeds, PeerMade(9, 7, 3, "-interlace Plane -quality 60", ".jpg"));
    HostilePlan plan;
    plan.fields = {{0, 700}};  // every marker segment up to the scan
    plan.packets = {{700, 900}};
    plan.littleEndian = false;
    plan.randomPerField = 0;
    RunReaderSuite("JPEG", seeds, plan, imagefile::ReadJpegFile, ".jpg");
}

TEST(HostileFiles, Gif) {
    std::vector<Bytes> seeds;
    AddIfMade(&seeds, PeerMade(7, 5, 3, "", ".gif"));
    AddIfMade(&seeds, PeerMade(9, 6, 1, "-interlace GIF", ".gif"));
    if (seeds.empty()) GTEST_SKIP() << "ImageMagick is not installed";
    HostilePlan plan;
    plan.fields = {{0, 4096}};  // screen, colour map, extensions, frame rectangle, LZW data
    plan.packets = {};
    plan.bigEndian = false;
    RunReaderSuite("GIF", seeds, plan, imagefile::ReadGifFile, ".gif");
}

TEST(HostileFiles, Psd) {
    std::vector<Bytes> seeds;
    AddIfMade(&seeds, PeerMade(7, 5, 3, "", ".psd"));
    AddIfMade(&seeds, PeerMade(6, 4, 1, "-compress None", ".psd"));
    if (!HandBuiltSeedDirectory().empty())
        for (Bytes& b : GeneratedSeeds(HandBuiltSeedDirectory(), "psd", 2))
            seeds.push_back(std::move(b));
    if (seeds.empty()) GTEST_SKIP() << "neither ImageMagick nor Python is installed";
    HostilePlan plan;
    plan.fields = {{0, 96}};  // header, colour mode, resources and layer section lengths
    plan.packets = {{96, 352}};
    plan.littleEndian = false;
    RunReaderSuite("PSD", seeds, plan, imagefile::ReadPsdFile, ".psd");
}

TEST(HostileFiles, Pcx) {
    std::vector<Bytes> seeds;
    AddIfMade(&seeds, PeerMade(7, 5, 3, "", ".pcx"));
    AddIfMade(&seeds, PeerMade(9, 4, 3, "-type Palette", ".pcx"));
    if (!HandBuiltSeedDirectory().empty())
        for (Bytes& b : GeneratedSeeds(HandBuiltSeedDirectory(), "pcx", 2))
            seeds.push_back(std::move(b));
    if (seeds.empty()) GTEST_SKIP() << "neither ImageMagick nor Python is installed";
    HostilePlan plan;
    plan.fields = {{0, 128}};
    plan.packets = {{128, 384}};
    plan.bigEndian = false;
    RunReaderSuite("PCX", seeds, plan, imagefile::ReadPcxFile, ".pcx");
}

TEST(HostileFiles, Iff) {
    if (HandBuiltSeedDirectory().empty()) GTEST_SKIP() << "Python is not installed";
    HostilePlan plan;
    plan.fields = {{0, 96}};  // FORM, BMHD and CMAP headers and their sizes
    plan.packets = {{96, 352}};
    plan.littleEndian = false;
    RunReaderSuite("IFF", GeneratedSeeds(HandBuiltSeedDirectory(), "iff", 3), plan,
                   imagefile::ReadIffFile, ".iff");
}

TEST(HostileFiles, CelAndFli) {
    if (HandBuiltSeedDirectory().empty()) GTEST_SKIP() << "Python is not installed";
    HostilePlan plan;
    plan.fields = {{0, 160}};  // cel header, or FLI header, frame and chunk headers
    plan.packets = {{160, 416}};
    plan.bigEndian = false;
    RunReaderSuite("CEL", GeneratedSeeds(HandBuiltSeedDirectory(), "cel", 3), plan,
                   imagefile::ReadCelFile, ".cel");
}

}  // namespace

namespace {

// The runner itself: a crash, a hang, an unsound result and an allocation beyond the limit are
// each caught, named by their case, and do not stop the cases after them.
TEST(HostileRunner, NamesEveryBadCaseAndGoesOn) {
    std::vector<size_t> seen;
    const auto failures = testsupport::RunHostileCases(
        8,
        [](size_t i) -> std::string {
            if (i == 1) std::abort();
            if (i == 3) {
                volatile bool forever = true;
                while (forever) {
                }
            }
            if (i == 5) return "unsound";
            if (i == 6 && !testsupport::HostileRunsUnderAddressSanitizer()) {
                // Far above the 1 GiB limit: the allocation fails instead of succeeding.
                try {
                    std::vector<uint8_t> huge(size_t{3} << 30, 1);
                    return huge[12345] == 1 ? "3 GiB allocated" : "";
                } catch (const std::bad_alloc&) {
                    return std::string();
                }
            }
            return std::string();
        },
        uint64_t{1} << 30, 1);
    // (Under AddressSanitizer the limit is the sanitizer's own, so case 6 is not tried there.)
    ASSERT_EQ(failures.size(), 3u);
    EXPECT_EQ(failures[0].index, 1u);
    EXPECT_EQ(failures[1].index, 3u);
    EXPECT_EQ(failures[1].how, "no result within the time limit");
    EXPECT_NE(failures[2].how.find("unsound"), std::string::npos);
}

TEST(HostileRunner, VariantsCoverTruncationsFieldsAndPackets) {
    const Bytes valid = {1, 2, 3, 4, 5, 6, 7, 8};
    HostilePlan plan;
    plan.fields = {{0, 2}};
    plan.packets = {{6, 8}};
    plan.randomPerField = 0;
    const std::vector<HostileCase> cases = testsupport::HostileVariants(valid, plan);
    size_t truncations = 0, packets = 0;
    bool bigEndianMax = false;
    for (const HostileCase& c : cases) {
        EXPECT_NE(c.bytes, valid) << c.what;
        if (c.bytes.size() < valid.size()) ++truncations;
        if (c.what.rfind("byte at", 0) == 0) ++packets;
        if (c.what == "u32be at 1 = 0xffffffff")
            bigEndianMax = c.bytes == Bytes{1, 0xff, 0xff, 0xff, 0xff, 6, 7, 8};
    }
    EXPECT_EQ(truncations, 8u);
    EXPECT_EQ(packets, 8u);
    EXPECT_TRUE(bigEndianMax);
}

}  // namespace
