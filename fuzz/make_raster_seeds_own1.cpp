// Writes seed corpora for the Targa, SGI and bitmap reader fuzzers: small files from the
// library's own writers at every depth, plus hand-built files of the variants the writers never
// produce (run-length packets, colour-map offsets, row orders, header versions, bit fields).
// Usage: make_raster_seeds_own1 <directory>; files go to <directory>/{tga,sgi,bmp}/.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "imagefile/bitmap_image.h"
#include "imagefile/formats.h"

namespace {

using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

bool WriteBytes(const fs::path& path, const Bytes& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

imagefile::BitmapImage Picture(uint32_t width, uint32_t height, uint8_t depth, int32_t dibLayout,
                               uint16_t paletteSize, bool grey) {
    imagefile::BitmapImage image;
    image.width = width;
    image.height = height;
    image.bitsPerPixel = depth;
    image.dibLayout = dibLayout;
    image.paletteSize = paletteSize;
    if (imagefile::AllocateBitmapImage(&image) != 0) return image;
    for (size_t i = 0; i < image.bits.size(); ++i) image.bits[i] = static_cast<uint8_t>(i * 37 + i / 5);
    if (depth == 8 && image.paletteSize < 256) {
        for (uint8_t& b : image.bits) b = static_cast<uint8_t>(b % image.paletteSize);
    }
    for (uint32_t i = 0; i < image.paletteSize; ++i) {
        uint8_t* e = image.palette.data() + size_t{i} * image.paletteEntrySize;
        e[0] = static_cast<uint8_t>(grey ? i : i * 3);
        e[1] = static_cast<uint8_t>(grey ? i : 255 - i);
        e[2] = static_cast<uint8_t>(grey ? i : i * 7);
    }
    return image;
}

void Le16(Bytes& b, uint32_t v) { b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)}); }
void Le32(Bytes& b, uint32_t v) { Le16(b, v), Le16(b, v >> 16); }
void Be16(Bytes& b, uint32_t v) { b.insert(b.end(), {uint8_t(v >> 8), uint8_t(v)}); }
void Be32(Bytes& b, uint32_t v) { Be16(b, v >> 16), Be16(b, v); }

Bytes Tga(uint8_t type, uint16_t w, uint16_t h, uint8_t depth, uint8_t descriptor, uint16_t first,
          uint16_t mapLength, uint8_t entryBits, const Bytes& rest) {
    Bytes b{0, uint8_t(mapLength ? 1 : 0), type};
    Le16(b, first);
    Le16(b, mapLength);
    b.push_back(entryBits);
    Le32(b, 0);
    Le16(b, w);
    Le16(b, h);
    b.insert(b.end(), {depth, descriptor});
    b.insert(b.end(), rest.begin(), rest.end());
    return b;
}

Bytes SgiRle(uint16_t w, uint16_t h, uint16_t z, const Bytes& row) {
    Bytes b;
    Be16(b, 474);
    b.insert(b.end(), {1, 1});
    Be16(b, z == 1 ? 2 : 3);
    Be16(b, w);
    Be16(b, h);
    Be16(b, z);
    b.resize(512);
    const uint32_t rows = uint32_t{h} * z;
    const uint32_t start = 512 + 8 * rows;
    for (uint32_t i = 0; i < rows; ++i) Be32(b, start + i * uint32_t(row.size()));
    for (uint32_t i = 0; i < rows; ++i) Be32(b, uint32_t(row.size()));
    for (uint32_t i = 0; i < rows; ++i) b.insert(b.end(), row.begin(), row.end());
    return b;
}

Bytes Bmp(uint32_t headerSize, int32_t w, int32_t h, uint16_t depth, uint32_t compression,
          const Bytes& afterHeader, const Bytes& pixels) {
    Bytes b{'B', 'M'};
    Le32(b, 0);
    Le32(b, 0);
    Le32(b, 14 + headerSize + uint32_t(afterHeader.size()));
    Le32(b, headerSize);
    Le32(b, uint32_t(w));
    Le32(b, uint32_t(h));
    Le16(b, 1);
    Le16(b, depth);
    Le32(b, compression);
    b.resize(14 + headerSize);
    b.insert(b.end(), afterHeader.begin(), afterHeader.end());
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <directory>\n", argv[0]);
        return 2;
    }
    const fs::path root(argv[1]);
    for (const char* d : {"tga", "sgi", "bmp"}) fs::create_directories(root / d);
    int failures = 0;
    int count = 0;
    auto put = [&](const char* dir, const std::string& name, const Bytes& bytes) {
        failures += !WriteBytes(root / dir / name, bytes);
        ++count;
    };

    // Our writers at every depth and palette kind.
    struct Kind {
        uint8_t depth;
        uint16_t paletteSize;
        bool grey;
    } kinds[] = {{1, 0, false}, {4, 0, false}, {8, 0, true}, {8, 40, false}, {8, 20, true},
                 {16, 0, false}, {24, 0, false}, {32, 0, false}};
    for (const Kind& k : kinds) {
        for (int32_t layout : {0, 1}) {
            const imagefile::BitmapImage image = Picture(5, 3, k.depth, layout, k.paletteSize, k.grey);
            const std::string stem = "ours-" + std::to_string(k.depth) + "-" + std::to_string(k.paletteSize) +
                                     (k.grey ? "g" : "c") + std::to_string(layout);
            const fs::path tga = root / "tga" / (stem + ".tga");
            const fs::path sgi = root / "sgi" / (stem + ".rgb");
            const fs::path bmp = root / "bmp" / (stem + ".bmp");
            failures += imagefile::WriteTargaFile(tga.c_str(), image) != 0;
            failures += imagefile::WriteSgiFile(sgi.c_str(), image) != 0;
            failures += imagefile::WriteBmpFile(bmp.c_str(), image) != 0;
            count += 3;
        }
    }

    // Targa: run-length packets of every depth and order, offset maps, 15-bit and 16-bit maps,
    // a map in a true-colour file.
    for (uint8_t descriptor : {0x00, 0x10, 0x20, 0x30}) {
        put("tga", "rle8-" + std::to_string(descriptor) + ".tga",
            Tga(11, 3, 3, 8, descriptor, 0, 0, 0, {0x83, 7, 0x03, 1, 2, 3, 4, 0x80, 9}));
    }
    put("tga", "rle24.tga", Tga(10, 4, 2, 24, 0x20, 0, 0, 0, {0x82, 1, 2, 3, 0x04, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
    put("tga", "rle32a.tga", Tga(10, 2, 2, 32, 0x08, 0, 0, 0, {0x83, 1, 2, 3, 4}));
    put("tga", "rle32.tga", Tga(10, 2, 2, 32, 0x00, 0, 0, 0, {0x81, 1, 2, 3, 4, 0x01, 5, 6, 7, 8, 9, 10, 11, 12}));
    put("tga", "rle16.tga", Tga(10, 3, 1, 16, 0x00, 0, 0, 0, {0x82, 0x1F, 0x7C}));
    put("tga", "raw15.tga", Tga(2, 2, 1, 15, 0x00, 0, 0, 0, {0xFF, 0x7F, 0x00, 0x01}));
    put("tga", "map-first.tga", Tga(1, 2, 2, 8, 0x00, 4, 2, 24, {1, 2, 3, 4, 5, 6, 4, 5, 5, 4}));
    put("tga", "map16-rle.tga", Tga(9, 4, 1, 8, 0x00, 0, 2, 16, {0x1F, 0x00, 0x00, 0x7C, 0x81, 1, 0x01, 0, 1}));
    put("tga", "map32.tga", Tga(1, 2, 1, 8, 0x00, 0, 2, 32, {1, 2, 3, 4, 5, 6, 7, 8, 1, 0}));
    put("tga", "map-in-truecolour.tga", Tga(2, 1, 1, 24, 0x00, 0, 2, 24, {9, 9, 9, 9, 9, 9, 1, 2, 3}));

    // SGI: run-length files of one to four channels, a row with literal and repeat packets.
    const Bytes row{0x82, 0x0A, 0x0B, 0x03, 0x07, 0x00};
    for (uint16_t z : {1, 2, 3, 4}) put("sgi", "rle-z" + std::to_string(z) + ".rgb", SgiRle(5, 2, z, row));
    put("sgi", "rle-wide.rgb", SgiRle(300, 1, 1, {0x7F, 1, 0x7F, 2, 0x7F, 3, 0x93, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 0}));

    // Bitmap: header versions, bit fields, top-down rows, a gap before the pixels, OS/2.
    Bytes palette16;
    for (int i = 0; i < 16; ++i) palette16.insert(palette16.end(), {uint8_t(i * 16), uint8_t(i), 0, 0});
    for (uint32_t size : {40u, 52u, 56u, 108u, 124u}) {
        put("bmp", "v" + std::to_string(size) + "-4bit.bmp", Bmp(size, 5, -2, 4, 0, palette16, {0x01, 0x23, 0x40, 0, 0x56, 0x78, 0x90, 0}));
    }
    Bytes masks32;
    for (uint32_t m : {0xFF0000u, 0xFF00u, 0xFFu}) Le32(masks32, m);
    put("bmp", "bitfields32.bmp", Bmp(40, 2, 1, 32, 3, masks32, {1, 2, 3, 4, 5, 6, 7, 8}));
    Bytes masks555;
    for (uint32_t m : {0x7C00u, 0x3E0u, 0x1Fu, 0u}) Le32(masks555, m);
    Bytes v4 = Bmp(108, 2, 1, 16, 3, {}, {0x34, 0x12, 0xFF, 0x7F});
    std::copy(masks555.begin(), masks555.end(), v4.begin() + 14 + 40);
    put("bmp", "v108-bitfields16.bmp", v4);
    Bytes gap = palette16;
    gap.insert(gap.end(), 9, 0xEE);
    put("bmp", "gap-4bit.bmp", Bmp(40, 3, 1, 4, 0, gap, {0x12, 0x30, 0, 0}));
    Bytes os2{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 14 + 12 + 6, 0, 0, 0, 12, 0, 0, 0, 3, 0, 1, 0, 1, 0, 1, 0,
              0, 0, 0, 255, 255, 255, 0xA0, 0, 0, 0};
    put("bmp", "os2-1bit.bmp", os2);

    std::printf("wrote %d seed files under %s, %d failures\n", count, root.c_str(), failures);
    return failures == 0 ? 0 : 1;
}
