// Seeds for the transaction fuzzers, made by the tests' transaction writer from synthetic
// prints: whole transactions for ansinist_reader, and record kind, compression, size and data
// for ansinist_picture. Usage: make_ansinist_seeds <directory>.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/memory_encoders.h"
#include "support/transaction_writer.h"
#include "synthprint.h"
#include "wsq/wsq.h"

namespace {

using Bytes = std::vector<uint8_t>;
using testsupport::TransactionWriter;

bool save(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

Bytes print(int width, int height, uint32_t seed) {
    synthprint::PrintOptions o;
    o.width = width;
    o.height = height;
    o.seed = seed;
    return synthprint::make_synthetic_print(o);
}

Bytes colour(const Bytes& grey) {
    Bytes rgb;
    for (size_t i = 0; i < grey.size(); ++i) {
        rgb.push_back(grey[i]);
        rgb.push_back(static_cast<uint8_t>(grey[i] / 2 + 64));
        rgb.push_back(static_cast<uint8_t>(255 - grey[i]));
    }
    return rgb;
}

// The picture fuzzer's input: kind, compression, width, height, depth, data.
Bytes shaped(int kind, int compression, int width, int height, int depth, const Bytes& data) {
    Bytes b;
    b.reserve(7 + data.size());
    for (int v : {kind, compression, width >> 8, width, height >> 8, height, depth})
        b.push_back(static_cast<uint8_t>(v));
    for (uint8_t v : data) b.push_back(v);
    return b;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_ansinist_seeds <directory>\n");
        return 2;
    }
    const std::filesystem::path root = argv[1];
    const auto readerDir = root / "ansinist_reader";
    const auto pictureDir = root / "ansinist_picture";
    std::filesystem::create_directories(readerDir);
    std::filesystem::create_directories(pictureDir);

    const Bytes small = print(16, 12, 1);
    const Bytes finger = print(96, 96, 2);
    const wsq::Encoded encoded = wsq::encode(finger, 96, 96, 0.75f, 500);
    if (encoded.error) {
        std::fprintf(stderr, "make_ansinist_seeds: %s\n", encoded.error.text().c_str());
        return 1;
    }
    const Bytes& stream = encoded.bytes;
    const Bytes rgb = colour(small);
    const Bytes jpeg = testsupport::EncodeJpegInMemory(rgb, 16, 12, 3);
    const Bytes greyJpeg = testsupport::EncodeJpegInMemory(small, 16, 12, 1);
    const Bytes png = testsupport::EncodePngInMemory(small, 16, 12, 1);

    bool ok = true;
    {
        TransactionWriter w("0300");
        w.addTagged(2, 0, {{18, "DOE, JACK"}, {2001, "REQ"}});
        w.addFingerprintBinary(4, 1, 1, {1}, 1, 96, 96, 1, stream);
        w.addFingerprintBinary(4, 2, 1, {2, 3}, 0, 16, 12, 0, small);
        w.addTagged(9, 1,
                    {{3, "1"},
                     {4, "S"},
                     {12,
                      "1\x1f"
                      "01000200090"}});
        ok &= save(readerDir / "tenprint.eft", w.bytes());
    }
    {
        TransactionWriter w("0502");
        w.setFieldDigits(2);
        w.addFrictionRidge(14, 1, 1, {1}, 16, 12, 500, "NONE", 8, small);
        w.addFrictionRidge(15, 2, 10, {21}, 16, 12, 394, "PNG", 8, png, 2);
        w.addFace(3, 16, 12, "JPEGB", "SRGB", jpeg);
        w.addTagged(14, 4, {{3, "1"}, {13, "4"}, {18, "4\x1fXX"}});
        w.addFingerprintBinary(8, 5, 0, {}, 0, 16, 12, 0, small);
        ok &= save(readerDir / "mixed.eft", w.bytes());
    }
    ok &= save(pictureDir / "t14-none", shaped(0, 0, 16, 12, 8, small));
    ok &= save(pictureDir / "t14-wsq", shaped(0, 1, 96, 96, 8, stream));
    ok &= save(pictureDir / "t14-jpeg", shaped(0, 2, 16, 12, 8, greyJpeg));
    ok &= save(pictureDir / "t14-png", shaped(0, 6, 16, 12, 8, png));
    ok &= save(pictureDir / "t10-jpeg", shaped(1, 2, 16, 12, 2, jpeg));
    ok &= save(pictureDir / "t10-none-rgb", shaped(1, 0, 16, 12, 1, rgb));
    ok &= save(pictureDir / "t10-none-sycc", shaped(1, 0, 16, 12, 4, rgb));
    ok &= save(pictureDir / "t4-wsq", shaped(2, 1, 96, 96, 1, stream));
    ok &= save(pictureDir / "t4-none", shaped(2, 0, 16, 12, 0, small));
    ok &= save(pictureDir / "t13-png", shaped(3, 6, 16, 12, 8, png));
    if (!ok) {
        std::fprintf(stderr, "make_ansinist_seeds: cannot write the seeds in %s\n", argv[1]);
        return 1;
    }
    return 0;
}
