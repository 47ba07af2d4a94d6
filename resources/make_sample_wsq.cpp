// Build-time tool: writes the bundled sample, a synthetic 500 ppi fingerprint encoded by our own
// encoder at 0.75 bits per pixel with a comment.
//   make_sample_wsq OUTPUT.wsq
#include <cstdio>
#include <vector>

#include "fileio/atomic_file.h"
#include "synthprint.h"
#include "wsq/wsq.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sample_wsq OUTPUT.wsq\n");
        return 2;
    }
    synthprint::PrintOptions options;
    options.width = 500;
    options.height = 600;
    options.seed = 2024;
    const std::vector<uint8_t> pixels = synthprint::make_synthetic_print(options);
    std::vector<uint8_t> stream;
    int len = 0;
    if (wsq::wsq_encode_1(&stream, &len, 0.75f, pixels.data(), options.width, options.height, 8,
                          500, "Synthetic fingerprint (seed 2024), made by synthprint") != 0) {
        return 1;
    }
    fileio::AtomicFile file;
    if (!file.open(argv[1]) || !file.write(stream.data(), stream.size()) || !file.commit()) {
        std::fprintf(stderr, "make_sample_wsq: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
