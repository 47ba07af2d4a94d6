// Synthetic fingerprints: deterministic 8-bit grey 500 ppi prints from a seed and a size, for
// tests, benchmarks and the bundled sample. The same seed and size give the same bytes on every
// run and every build.
#pragma once

#include <cstdint>
#include <vector>

namespace synthprint {

// The pattern class of a print.
enum class PatternClass { Arch, Loop, Whorl };

struct PrintOptions {
    int width = 512;
    int height = 512;
    uint32_t seed = 1;
};

// width x height grey bytes, row-major, 0 = black ridge, light background. Empty when the size
// is not positive or not sensibly small (above 64 Mpixel).
std::vector<uint8_t> make_synthetic_print(const PrintOptions& options);

// The class the seed picks (about half loops, a third whorls, the rest arches).
PatternClass pattern_class_for_seed(uint32_t seed);

}  // namespace synthprint
