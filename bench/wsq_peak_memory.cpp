// Encodes or decodes one picture, for measuring the peak memory of the codec from outside
// (`/usr/bin/time -v`, heaptrack); see "Limits and memory" in the README.
//   wsq_peak_memory encode IN.raw WIDTH HEIGHT OUT.wsq   (8-bit grey raw input, rate 0.75)
//   wsq_peak_memory decode IN.wsq OUT.raw
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "wsq/wsq.h"

int main(int argc, char** argv) {
    if (argc == 6 && std::strcmp(argv[1], "encode") == 0) {
        std::vector<uint8_t> pixels;
        int len = 0;
        if (wsq::read_raw_from_filesize(argv[2], &pixels, &len) != 0) return 1;
        const int w = std::atoi(argv[3]), h = std::atoi(argv[4]);
        if (w <= 0 || h <= 0 || static_cast<long>(w) * h != len) return 1;
        std::vector<uint8_t> out;
        int olen = 0;
        if (wsq::wsq_encode_1(&out, &olen, 0.75f, pixels.data(), w, h, 8, 500, nullptr) != 0)
            return 1;
        return wsq::write_raw_from_memsize(argv[5], out.data(), olen) == 0 ? 0 : 1;
    }
    if (argc == 4 && std::strcmp(argv[1], "decode") == 0) {
        std::vector<uint8_t> data;
        int len = 0;
        if (wsq::read_raw_from_filesize(argv[2], &data, &len) != 0) return 1;
        std::vector<uint8_t> pixels;
        int w = 0, h = 0, d = 0, ppi = 0, lossy = 0, enc = 0, sw = 0;
        if (wsq::wsq_decode_mem(&pixels, &w, &h, &d, &ppi, &lossy, &enc, &sw, data.data(), len) !=
            0)
            return 1;
        return wsq::write_raw_from_memsize(argv[3], pixels.data(), w * h) == 0 ? 0 : 1;
    }
    std::fprintf(stderr,
                 "usage: wsq_peak_memory encode IN.raw W H OUT.wsq | decode IN.wsq OUT.raw\n");
    return 2;
}
