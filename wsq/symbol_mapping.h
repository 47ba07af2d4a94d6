// The walk that turns a block of quantized values into symbols of the 257-entry alphabet: zero
// runs, directly coded small values and escapes with an 8- or 16-bit payload. Counting and
// coding walk a block with this same state machine, so the codes generated from the counts fit
// exactly the symbols the coder emits.
#pragma once

#include <cstdint>

namespace wsq {

// Symbols with a payload after their code.
inline constexpr int kSymbolPositive8 = 101;   // value 75..255, 8-bit value
inline constexpr int kSymbolNegative8 = 102;   // value -255..-74, 8-bit magnitude
inline constexpr int kSymbolPositive16 = 103;  // value above 255, 16-bit value
inline constexpr int kSymbolNegative16 = 104;  // value below -255, 16-bit magnitude
inline constexpr int kSymbolZeroRun8 = 105;    // zero run 101..255, 8-bit length
inline constexpr int kSymbolZeroRun16 = 106;   // zero run 256..65535, 16-bit length
// A directly coded value v is symbol v + 180 (107 for -73 up to 254 for 74).
inline constexpr int kCoefficientSymbolBias = 180;
// Runs never exceed this; a longer stretch of zeros is coded as several runs.
inline constexpr int kLongestZeroRun = 65535;

// Calls emit(symbol, payload_bits, payload) for every symbol of the block, in order; payload_bits
// is 0, 8 or 16. Stops at, and returns, the first non-zero result of emit; 0 otherwise.
template <typename Emit>
int walk_block_symbols(const int16_t* sip, int sip_siz, int MaxCoeff, int MaxZRun, Emit&& emit) {
    const int lowest_direct = 1 - MaxCoeff;

    auto emit_coefficient = [&](int v) -> int {
        if (v > MaxCoeff) {
            if (v > 255) return emit(kSymbolPositive16, 16, static_cast<unsigned>(v));
            return emit(kSymbolPositive8, 8, static_cast<unsigned>(v));
        }
        if (v < lowest_direct) {
            if (v < -255) return emit(kSymbolNegative16, 16, static_cast<unsigned>(-v));
            return emit(kSymbolNegative8, 8, static_cast<unsigned>(-v));
        }
        return emit(v + kCoefficientSymbolBias, 0, 0u);
    };
    auto emit_run = [&](int run) -> int {
        if (run <= MaxZRun) return emit(run, 0, 0u);
        if (run <= 255) return emit(kSymbolZeroRun8, 8, static_cast<unsigned>(run));
        return emit(kSymbolZeroRun16, 16, static_cast<unsigned>(run));
    };

    bool in_run = false;
    int run = 0;
    for (int i = 0; i < sip_siz; ++i) {
        const int v = sip[i];
        if (!in_run) {
            if (v == 0) {
                run = 1;
                in_run = true;
            } else if (int rc = emit_coefficient(v); rc != 0) {
                return rc;
            }
            continue;
        }
        if (v == 0 && run < kLongestZeroRun) {
            ++run;
            continue;
        }
        if (int rc = emit_run(run); rc != 0) return rc;
        if (v == 0) {
            run = 1;
        } else {
            in_run = false;
            if (int rc = emit_coefficient(v); rc != 0) return rc;
        }
    }
    if (in_run) return emit_run(run);
    return 0;
}

}  // namespace wsq
