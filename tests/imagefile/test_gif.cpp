// The GIF reader: frames placed on their logical screen (interlaced or not, with a global or
// only a local colour map, clipped to the screen), transparency, the palette-depth reduction,
// files made by giflib's gifbuild and Pillow, and failures.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "imagefile/formats.h"
#include "imagefile/image_error.h"
#include "support/bitmap_pixels.h"
#include "support/raster_peer_tools.h"

namespace {

using imagefile::BitmapImage;
using testsupport::IndexAt;
using testsupport::PixelAt;
using testsupport::Rgba;

struct Frame {
    uint32_t left, top, width, height;
    bool interlaced;
    std::vector<uint8_t> indices;  // display order, rows top-down
};

std::string MapText(uint32_t colours) {
    std::string text;
    for (uint32_t i = 0; i < colours; ++i) {
        char line[40];
        std::snprintf(line, sizeof line, "\trgb %03u %03u %03u\n", (i * 37) % 256, (i * 91) % 256, (255 - i * 13) % 256);
        text += line;
    }
    return text + "end\n";
}

Rgba MapColour(uint32_t i) { return Rgba{uint8_t((i * 37) % 256), uint8_t((i * 91) % 256), uint8_t((255 - i * 13) % 256), 255}; }

// A gifbuild description of one frame on a screen.
std::string GifText(uint32_t screenWidth, uint32_t screenHeight, uint32_t colours, uint32_t background,
                    bool globalMap, int transparent, const Frame& f) {
    std::string t = "screen width " + std::to_string(screenWidth) + "\nscreen height " + std::to_string(screenHeight) +
                    "\nscreen colors " + std::to_string(colours) + "\nscreen background " + std::to_string(background) + "\n\n";
    if (globalMap) t += "screen map\n" + MapText(colours) + "\n";
    if (transparent >= 0) t += "graphics control\n\ttransparent index " + std::to_string(transparent) + "\nend\n\n";
    t += "image # 1\nimage left " + std::to_string(f.left) + "\nimage top " + std::to_string(f.top) + "\n";
    if (f.interlaced) t += "image interlaced\n";
    if (!globalMap) t += "image map\n" + MapText(colours);
    t += "image bits " + std::to_string(f.width) + " by " + std::to_string(f.height) + " hex\n";
    for (uint32_t y = 0; y < f.height; ++y) {
        for (uint32_t x = 0; x < f.width; ++x) {
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02x", f.indices[y * f.width + x]);
            t += hex;
        }
        t += "\n";
    }
    return t;
}

Frame MakeFrame(uint32_t left, uint32_t top, uint32_t width, uint32_t height, bool interlaced, uint32_t colours) {
    Frame f{left, top, width, height, interlaced, {}};
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) f.indices.push_back(uint8_t((x * 3 + y * 5 + x * y) % colours));
    }
    return f;
}

TEST(GifFile, PlacesTheFirstFrameOnItsScreen) {
    if (!testsupport::GifbuildAvailable()) GTEST_SKIP() << "gifbuild missing";
    testsupport::ScratchDir scratch;
    const std::string text = scratch.file("gif.txt");
    const std::string gif = scratch.file("peer.gif");
    struct Case {
        const char* name;
        uint32_t screenWidth, screenHeight, colours, background;
        bool globalMap;
        int transparent;
        Frame frame;
        uint8_t depth;
    };
    const Case cases[] = {
        {"frame on a larger screen", 20, 20, 4, 1, true, -1, MakeFrame(2, 3, 10, 10, false, 4), 4},
        {"interlaced frame on a larger screen", 20, 20, 4, 1, true, 3, MakeFrame(2, 3, 10, 10, true, 4), 4},
        {"interlaced, whole screen, height 8", 5, 8, 2, 0, true, -1, MakeFrame(0, 0, 5, 8, true, 2), 1},
        {"interlaced, odd height", 7, 13, 16, 2, true, 0, MakeFrame(0, 0, 7, 13, true, 16), 4},
        {"local colour map only", 9, 6, 32, 0, false, -1, MakeFrame(1, 1, 6, 4, false, 32), 8},
        {"frame reaching past the screen", 6, 5, 4, 1, true, -1, MakeFrame(3, 2, 5, 6, false, 4), 4},
        // Found by fuzzing: kept, it broke the record's rule that the index is in the palette.
        {"transparent index past the colour map", 8, 6, 4, 1, true, 10, MakeFrame(1, 1, 5, 4, false, 4), 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::ofstream(text) << GifText(c.screenWidth, c.screenHeight, c.colours, c.background, c.globalMap, c.transparent, c.frame);
        ASSERT_TRUE(testsupport::RunGifbuild(text, gif));
        BitmapImage image;
        ASSERT_EQ(imagefile::ReadGifFile(gif.c_str(), &image), 0u) << imagefile::GetLastImageErrorMessage();
        ASSERT_EQ(image.width, c.screenWidth);
        ASSERT_EQ(image.height, c.screenHeight);
        EXPECT_EQ(image.bitsPerPixel, c.depth);
        EXPECT_EQ(image.paletteSize, c.colours);
        const int transparent = c.transparent < int(c.colours) ? c.transparent : -1;
        EXPECT_EQ(image.transparentIndex, transparent);
        const Frame& f = c.frame;
        for (uint32_t y = 0; y < c.screenHeight; ++y) {
            for (uint32_t x = 0; x < c.screenWidth; ++x) {
                const bool inside = x >= f.left && x < f.left + f.width && y >= f.top && y < f.top + f.height;
                const uint32_t want = inside ? f.indices[(y - f.top) * f.width + (x - f.left)] : c.background;
                ASSERT_EQ(IndexAt(image, x, y), want) << x << "," << y;
                Rgba colour = MapColour(want);
                if (int(want) == transparent) colour.a = 0;
                ASSERT_EQ(PixelAt(image, x, y), colour) << x << "," << y;
            }
        }
    }
}

TEST(GifFile, ReadsPillowFilesWithTransparencyAndInterlace) {
    if (testsupport::PeerPillowPython().empty()) GTEST_SKIP() << "Pillow missing";
    testsupport::ScratchDir scratch;
    const std::string script = R"(
from PIL import Image
d = ')" + scratch.path().string() + R"('
w, h = 13, 11
for colours in (2, 16, 17):
    p = Image.new('P', (w, h))
    p.putdata([(x * 3 + y * 7 + x * y) % colours for y in range(h) for x in range(w)])
    p.putpalette(sum(([i * 11 % 256, i * 47 % 256, 255 - i * 5] for i in range(colours)), []))
    p.save(d + '/c%d.gif' % colours, interlace=True, transparency=1, optimize=False)
    p.save(d + '/c%d-plain.gif' % colours, interlace=False, optimize=False)
)";
    ASSERT_TRUE(testsupport::RunPeerPython(script));
    for (uint32_t colours : {2u, 16u, 17u}) {
        for (const bool plain : {false, true}) {
            SCOPED_TRACE(std::to_string(colours) + (plain ? " colours, plain" : " colours, interlaced"));
            BitmapImage image;
            const std::string name = scratch.file("c" + std::to_string(colours) + (plain ? "-plain.gif" : ".gif"));
            ASSERT_EQ(imagefile::ReadGifFile(name.c_str(), &image), 0u) << imagefile::GetLastImageErrorMessage();
            // Pillow rounds the colour map up (a two-colour map to four entries).
            EXPECT_EQ(image.bitsPerPixel, image.paletteSize < 3 ? 1 : image.paletteSize <= 16 ? 4 : 8);
            EXPECT_EQ(image.bitsPerPixel, colours == 17 ? 8 : 4 - 3 * (image.paletteSize < 3));
            for (uint32_t y = 0; y < 11; ++y) {
                for (uint32_t x = 0; x < 13; ++x) {
                    const uint32_t i = (x * 3 + y * 7 + x * y) % colours;
                    const Rgba want{uint8_t(i * 11 % 256), uint8_t(i * 47 % 256), uint8_t(255 - i * 5),
                                    uint8_t(!plain && i == 1 ? 0 : 255)};
                    ASSERT_EQ(PixelAt(image, x, y), want) << x << "," << y;
                }
            }
        }
    }
}

std::vector<uint8_t> TinyGif() {
    // A 2 x 2 screen with a black and white global map and one 2 x 2 image (0 1 / 1 0), as
    // gifbuild writes it.
    return {0x47, 0x49, 0x46, 0x38, 0x37, 0x61, 0x02, 0x00, 0x02, 0x00, 0x80, 0x00,
            0x00, 0x00, 0x00, 0x00, 0xff, 0xff, 0xff, 0x2c, 0x00, 0x00, 0x00, 0x00,
            0x02, 0x00, 0x02, 0x00, 0x00, 0x02, 0x03, 0x44, 0x02, 0x05, 0x00, 0x3b};
}

TEST(GifFile, FailuresLeaveNoRecord) {
    testsupport::ScratchDir scratch;
    const std::string path = scratch.file("x.gif");
    BitmapImage image;
    EXPECT_EQ(imagefile::ReadGifFile(scratch.file("missing.gif").c_str(), &image), 7u);
    EXPECT_EQ(imagefile::ReadGifFile(path.c_str(), nullptr), 9u);
    testsupport::WritePeerFileBytes(path, {'n', 'o', 't', ' ', 'a', ' ', 'g', 'i', 'f', '!', '!', '!', '!', '!'});
    EXPECT_EQ(imagefile::ReadGifFile(path.c_str(), &image), 1u);

    const std::vector<uint8_t> tiny = TinyGif();
    testsupport::WritePeerFileBytes(path, tiny);
    ASSERT_EQ(imagefile::ReadGifFile(path.c_str(), &image), 0u) << imagefile::GetLastImageErrorMessage();
    EXPECT_EQ(image.bitsPerPixel, 1);
    EXPECT_EQ(PixelAt(image, 1, 0), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(PixelAt(image, 1, 1), (Rgba{0, 0, 0, 255}));
    // Every shorter prefix fails and leaves the record empty.
    for (size_t cut = 0; cut < tiny.size() - 1; ++cut) {
        testsupport::WritePeerFileBytes(path, std::vector<uint8_t>(tiny.begin(), tiny.begin() + long(cut)));
        const uint32_t code = imagefile::ReadGifFile(path.c_str(), &image);
        ASSERT_NE(code, 0u) << cut;
        ASSERT_TRUE(image.bits.empty() && image.palette.empty());
    }
    // A file with no picture at all.
    std::vector<uint8_t> empty(tiny.begin(), tiny.begin() + 19);
    empty.push_back(0x3B);
    testsupport::WritePeerFileBytes(path, empty);
    EXPECT_EQ(imagefile::ReadGifFile(path.c_str(), &image), 1u);
    // A screen of zero width.
    std::vector<uint8_t> flat = tiny;
    flat[6] = 0;
    testsupport::WritePeerFileBytes(path, flat);
    EXPECT_EQ(imagefile::ReadGifFile(path.c_str(), &image), 4u);
}

}  // namespace
