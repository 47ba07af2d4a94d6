// Writes encoded WSQ streams into a corpus directory, as seeds for the decoder fuzzer:
// synthetic prints, a gradient and a flat picture at several sizes and rates, with and without
// comments.
//   make_wsq_seeds CORPUS_DIR
#include <cstdio>
#include <string>
#include <vector>

#include "fileio/atomic_file.h"
#include "synthprint.h"
#include "wsq/wsq.h"

namespace {

bool write_seed(const std::string& path, const std::vector<uint8_t>& px, int w, int h, float rate,
                const char* comment) {
    std::vector<uint8_t> stream;
    int len = 0;
    if (wsq::wsq_encode_1(&stream, &len, rate, px.data(), w, h, 8, 500, comment) != 0) return false;
    fileio::AtomicFile file;
    return file.open(path.c_str()) && file.write(stream.data(), stream.size()) && file.commit();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_wsq_seeds CORPUS_DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    struct Print {
        int w, h;
        uint32_t seed;
        float rate;
        const char* comment;
    };
    const Print prints[] = {
        {81, 81, 1, 0.75f, nullptr}, {96, 128, 2, 2.25f, "seed"},
        {128, 96, 3, 1.0f, nullptr}, {160, 160, 4, 0.75f, "NIST_COM 2\nOWNER fuzz"},
        {101, 81, 5, 4.0f, nullptr}, {200, 150, 6, 0.3f, nullptr},
    };
    int written = 0;
    for (const Print& p : prints) {
        synthprint::PrintOptions o;
        o.width = p.w;
        o.height = p.h;
        o.seed = p.seed;
        const std::vector<uint8_t> px = synthprint::make_synthetic_print(o);
        const std::string name = dir + "/print_" + std::to_string(p.w) + "x" + std::to_string(p.h) +
                                 "_r" + std::to_string(static_cast<int>(p.rate * 100)) + ".wsq";
        written += write_seed(name, px, p.w, p.h, p.rate, p.comment);
    }
    // Smaller smooth pictures get bin widths the quantizer refuses; this one encodes.
    std::vector<uint8_t> gradient(256 * 200);
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 256; ++x)
            gradient[y * 256 + x] = static_cast<uint8_t>(255 * (x + y) / 454);
    }
    written += write_seed(dir + "/gradient_256x200_r100.wsq", gradient, 256, 200, 1.0f, nullptr);
    written += write_seed(dir + "/flat_90x90_r75.wsq", std::vector<uint8_t>(90 * 90, 128), 90, 90,
                          0.75f, "flat");
    std::printf("%d seeds written to %s\n", written, dir.c_str());
    const int expected = static_cast<int>(sizeof prints / sizeof prints[0]) + 2;
    return written == expected ? 0 : 1;
}
