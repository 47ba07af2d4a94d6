// Writes the damaged WSQ streams of the hostile-file suite into one file, for test programs
// that read them through a plug-in and link none of our code: each case is a 32-bit
// little-endian length and its description, then a length and the stream. The sanitizer build
// writes every eighth case, as the suite itself runs there.
//   make_hostile_wsq_cases OUTPUT
#include <cstdio>
#include <string>
#include <vector>

#include "support/hostile_cases.h"
#include "support/hostile_wsq_streams.h"

namespace {

bool putBlock(std::FILE* out, const void* data, size_t size) {
    const uint32_t n = uint32_t(size);
    const unsigned char length[4] = {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16),
                                     uint8_t(n >> 24)};
    return std::fwrite(length, 1, 4, out) == 4 && std::fwrite(data, 1, size, out) == size;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_hostile_wsq_cases OUTPUT\n");
        return 2;
    }
    const bool sanitizer = testsupport::HostileRunsUnderAddressSanitizer();
    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    size_t written = 0;
    bool ok = true;
    for (const testsupport::HostileWsqSeed& seed : testsupport::HostileWsqSeeds(sanitizer)) {
        if (seed.stream.empty()) {
            std::fprintf(stderr, "make_hostile_wsq_cases: a seed stream could not be made\n");
            ok = false;
            continue;
        }
        const std::vector<testsupport::HostileCase> cases =
            testsupport::HostileVariants(seed.stream, seed.plan);
        for (size_t i = sanitizer ? seed.plan.seed % 8 : 0; i < cases.size();
             i += sanitizer ? 8 : 1) {
            ok = ok && putBlock(out, cases[i].what.data(), cases[i].what.size()) &&
                 putBlock(out, cases[i].bytes.data(), cases[i].bytes.size());
            ++written;
        }
    }
    ok = std::fclose(out) == 0 && ok;
    std::printf("%zu cases\n", written);
    return ok ? 0 : 1;
}
