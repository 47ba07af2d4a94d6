// Symbol counts of one block of quantized values.
#include <cstdio>
#include <new>

#include "wsq/diagnostics.h"
#include "wsq/huffman_encode.h"
#include "wsq/symbol_mapping.h"

namespace wsq {

int count_block(std::vector<int>* ocounts, int max_huffcounts, const int16_t* sip, int sip_siz,
                int MaxCoeff, int MaxZRun) {
    // Every symbol the walk can emit (up to MaxCoeff + 180) must have a counter.
    if (max_huffcounts < MaxCoeff + kCoefficientSymbolBias || MaxCoeff < 1 ||
        MaxZRun >= kSymbolPositive8 || MaxZRun < 1 || sip_siz < 0) {
        report(
            "ERROR : count_block : %d counters cannot hold the symbols of "
            "MaxCoeff %d and MaxZRun %d\n",
            max_huffcounts, MaxCoeff, MaxZRun);
        return -48;
    }
    std::vector<int> counts;
    try {
        counts.assign(static_cast<size_t>(max_huffcounts) + 1, 0);
    } catch (const std::bad_alloc&) {
        report("ERROR : count_block : calloc : counts\n");
        return -48;
    }
    // The reserved last symbol keeps the all-ones code of the longest length free.
    counts[max_huffcounts] = 1;
    walk_block_symbols(sip, sip_siz, MaxCoeff, MaxZRun, [&](int symbol, int, unsigned) {
        ++counts[symbol];
        return 0;
    });
    *ocounts = std::move(counts);
    return 0;
}

}  // namespace wsq
