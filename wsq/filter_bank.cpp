// The 9/7 filter bank: the encoder's analysis filters and the two passes that filter every
// line of a region, walking past the ends of a line or band by symmetric extension.
#include "wsq/filter_bank.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "wsq/wavelet.h"

namespace wsq {

const float kAnalysisLowPass[9] = {0.037828457f,  -0.023849465f, -0.1106244f,
                                   0.37740284f,   0.8526987f,    0.37740284f,
                                   -0.1106244f,   -0.023849465f, 0.037828457f};
const float kAnalysisHighPass[7] = {0.06453888f,  -0.040689416f, -0.41809228f, 0.7884856f,
                                    -0.41809228f, -0.040689416f, 0.06453888f};

namespace {

// A walk over the n samples of a line or band. At an edge a cleared flag mirrors the walk
// about the edge sample (whole-sample symmetry); a set flag repeats the edge sample once
// first (half-sample symmetry) and then clears.
struct EdgeCursor {
    int pos;
    int step;
    bool left;
    bool right;
    int n;
    // Half-sample edges whose flag is set again once the walk has left them.
    bool rearm_left = false;
    bool rearm_right = false;
};

// Short lines. On a line or band long enough for the filters (6 samples and more) a walk
// never leaves it, a start cursor never sits on an edge, and no walk comes back to an edge it
// has left; nothing below changes a result there. Shorter regions (from 1 x 1 pictures up)
// are kept inside and still extended symmetrically, so they are restored too:
// - a position past an end is folded back by mirroring about the edge sample, and a band of
//   one sample (or none) is read at position 0;
// - a start cursor that sits on an edge while it walks away from it does not repeat that
//   edge sample (start_cursor);
// - in the synthesis with odd-length filters a half-sample edge is armed again once the walk
//   has left it, so a walk that crosses the whole band and returns repeats the edge again.
void keep_inside(EdgeCursor& c) {
    if (c.n <= 1) {
        c.pos = 0;
        return;
    }
    const int last = c.n - 1;
    while (c.pos < 0 || c.pos > last) {
        if (c.pos > last) {
            c.pos = 2 * last - c.pos;
            c.step = -c.step;
        }
        if (c.pos < 0) {
            c.pos = -c.pos;
            c.step = -c.step;
        }
    }
    if (c.rearm_left && c.pos != 0) c.left = true;
    if (c.rearm_right && c.pos != last) c.right = true;
}

EdgeCursor start_cursor(int pos, bool left, bool right, int n, bool rearm = false) {
    EdgeCursor c{pos, -1, left, right, n};
    if (rearm) {
        c.rearm_left = left;
        c.rearm_right = right;
    }
    keep_inside(c);
    if (n >= 2) {
        if (c.pos == 0 && c.step > 0) c.left = false;
        if (c.pos == n - 1 && c.step < 0) c.right = false;
    }
    return c;
}

// Returns true when the move set the step to +1 at the left edge.
bool move_left_check(EdgeCursor& c) {
    bool turned = false;
    if (c.pos == 0) {
        if (c.left) {
            c.step = 0;
            c.left = false;
        } else {
            c.step = 1;
            turned = true;
        }
    }
    c.pos += c.step;
    keep_inside(c);
    return turned;
}

void move_full_check(EdgeCursor& c) {
    if (c.pos == 0) {
        if (c.left) {
            c.step = 0;
            c.left = false;
        } else {
            c.step = 1;
        }
    }
    if (c.pos == c.n - 1) {
        if (c.right) {
            c.step = 0;
            c.right = false;
        } else {
            c.step = -1;
        }
    }
    c.pos += c.step;
    keep_inside(c);
}

// The samples of a line or band; an empty band reads as zeros.
struct Samples {
    const float* base;
    std::ptrdiff_t stride;
    int n;
    float at(int pos) const { return n > 0 ? base[pos * stride] : 0.0f; }
};

float tap_or_zero(const float* f, int size, int i) { return i >= 0 && i < size ? f[i] : 0.0f; }

// Sums are formed in double and stored to 32 bits after every tap.
float product(float coef, float sample) {
    return static_cast<float>(static_cast<double>(coef) * static_cast<double>(sample));
}

float add_product(float sum, float coef, float sample) {
    return static_cast<float>(static_cast<double>(sum) +
                              static_cast<double>(coef) * static_cast<double>(sample));
}

// A walk of count samples that moves right from position 1 or later and ends before the
// last sample meets no edge rule: it reads consecutive samples, which is what the fast
// paths below do, with the same sums in the same order.
bool interior_walk(const EdgeCursor& c, int count) {
    return c.step == 1 && c.pos >= 1 && c.pos + count <= c.n - 1;
}

// Applies all taps of f from the start cursor's position on (the start is not moved).
float filter_at(const EdgeCursor& start, const Samples& x, const float* f, int size) {
    if (size > 0 && interior_walk(start, size)) {
        const float* p = x.base + start.pos * x.stride;
        float sum = product(f[0], p[0]);
        for (int i = 1; i < size; ++i) sum = add_product(sum, f[i], p[i * x.stride]);
        return sum;
    }
    EdgeCursor c = start;
    float sum = product(tap_or_zero(f, size, 0), x.at(c.pos));
    for (int i = 1; i < size; ++i) {
        move_full_check(c);
        sum = add_product(sum, f[i], x.at(c.pos));
    }
    return sum;
}

// The high-pass taps with their sign flipped for even-length low-pass filters, where the
// half-sample symmetric pair needs the opposite sign convention. A copy keeps the caller's
// filter untouched.
std::vector<float> signed_high_pass(const float* hi, int hsz, bool negate) {
    std::vector<float> taps(hi, hi + hsz);
    if (negate) {
        for (float& t : taps) t = -t;
    }
    return taps;
}

}  // namespace

void analysis_pass(float* out, const float* in, int lines, int n, int pitch, int stride,
                   const float* hi_taps, int hsz, const float* lo, int lsz, int inv) {
    hsz = std::max(hsz, 0);
    lsz = std::max(lsz, 0);
    const bool odd_filters = lsz % 2 == 1;
    const std::vector<float> hi = signed_high_pass(hi_taps, hsz, !odd_filters);
    if (lines <= 0 || n <= 0) return;

    int loc;
    int hoc;
    bool low_left, low_right, high_left, high_right;
    if (odd_filters) {
        loc = (lsz - 1) / 2;
        hoc = (hsz - 1) / 2 - 1;
        low_left = low_right = high_left = high_right = false;
    } else {
        loc = lsz / 2 - 2;
        hoc = hsz / 2 - 2;
        low_left = low_right = high_left = high_right = true;
        if (loc == -1) {
            loc = 0;
            low_left = false;
        }
        if (hoc == -1) {
            hoc = 0;
            high_left = false;
        }
    }

    const int llen = (n + 1) / 2;
    const int hlen = n / 2;
    for (int r = 0; r < lines; ++r) {
        const std::ptrdiff_t line = static_cast<std::ptrdiff_t>(r) * pitch;
        const Samples x{in + line, stride, n};
        float* low_band = out + line + static_cast<std::ptrdiff_t>(inv ? hlen : 0) * stride;
        float* high_band = out + line + static_cast<std::ptrdiff_t>(inv ? 0 : llen) * stride;

        EdgeCursor low_start = start_cursor(loc, low_left, low_right, n);
        EdgeCursor high_start = start_cursor(hoc, high_left, high_right, n);
        for (int k = 0; k < hlen; ++k) {
            low_band[k * static_cast<std::ptrdiff_t>(stride)] = filter_at(low_start, x, lo, lsz);
            high_band[k * static_cast<std::ptrdiff_t>(stride)] =
                filter_at(high_start, x, hi.data(), hsz);
            move_left_check(low_start);
            move_left_check(low_start);
            move_left_check(high_start);
            move_left_check(high_start);
        }
        if (n % 2 == 1) {
            low_band[hlen * static_cast<std::ptrdiff_t>(stride)] = filter_at(low_start, x, lo, lsz);
        }
    }
}

void synthesis_pass(float* out, const float* in, int lines, int n, int pitch, int stride,
                    const float* hi_taps, int hsz, const float* lo, int lsz, int inv) {
    hsz = std::max(hsz, 0);
    lsz = std::max(lsz, 0);
    const bool asym = lsz % 2 == 0;
    const std::vector<float> hi_signed = signed_high_pass(hi_taps, hsz, asym);
    const float* hi = hi_signed.data();
    if (lines <= 0 || n <= 0) return;

    const bool n_odd = n % 2 == 1;
    int start_sign, fhre_start, loc, hoc, lotap, hotap;
    bool low_left, low_right, high_left, high_right;
    if (!asym) {
        start_sign = 1;
        fhre_start = 0;
        loc = (lsz - 1) / 4;
        hoc = (hsz + 1) / 4 - 1;
        lotap = ((lsz - 1) / 2) % 2;
        hotap = ((hsz + 1) / 2) % 2;
        low_left = false;
        low_right = !n_odd;
        high_left = true;
        high_right = n_odd;
    } else {
        start_sign = -1;
        fhre_start = 2;
        loc = lsz / 4 - 1;
        hoc = hsz / 4 - 1;
        lotap = (lsz / 2) % 2;
        hotap = (hsz / 2) % 2;
        low_left = true;
        low_right = !n_odd;
        high_left = true;
        high_right = true;
        if (loc == -1) {
            loc = 0;
            low_left = false;
        }
        if (hoc == -1) {
            hoc = 0;
            high_left = false;
        }
    }

    const int llen = (n + 1) / 2;
    const int hlen = n / 2;
    const std::ptrdiff_t step_out = stride;
    for (int r = 0; r < lines; ++r) {
        const std::ptrdiff_t line = static_cast<std::ptrdiff_t>(r) * pitch;
        const Samples low{in + line + static_cast<std::ptrdiff_t>(inv ? hlen : 0) * stride,
                          stride, llen};
        const Samples high{in + line + static_cast<std::ptrdiff_t>(inv ? 0 : llen) * stride,
                           stride, hlen};
        float* o = out + line;
        o[0] = 0.0f;
        if (n > 1) o[step_out] = 0.0f;
        int low_out = 0;
        int high_out = 0;

        EdgeCursor low_start = start_cursor(loc, low_left, low_right, llen, !asym);
        EdgeCursor high_start = start_cursor(hoc, high_left, high_right, hlen, !asym);
        int osfac = start_sign;
        int fhre = fhre_start;

        // Overwrites the next output sample with the low band filtered by every second tap
        // from tap on.
        auto low_output = [&](int tap) {
            if (tap < lsz && interior_walk(low_start, (lsz - tap + 1) / 2)) {
                const float* p = low.base + low_start.pos * low.stride;
                float sum = product(lo[tap], p[0]);
                for (int i = tap + 2, j = 1; i < lsz; i += 2, ++j) {
                    sum = add_product(sum, lo[i], p[j * low.stride]);
                }
                if (low_out < n) o[low_out * step_out] = sum;
                ++low_out;
                return;
            }
            EdgeCursor c = low_start;
            float sum = product(tap_or_zero(lo, lsz, tap), low.at(c.pos));
            for (int i = tap + 2; i < lsz; i += 2) {
                move_full_check(c);
                sum = add_product(sum, lo[i], low.at(c.pos));
            }
            if (low_out < n) o[low_out * step_out] = sum;
            ++low_out;
        };
        // Adds the high band filtered by every second tap from tap on to the next output
        // sample. The sign follows the band's odd or even symmetry at its edges.
        auto high_output = [&](int tap) {
            EdgeCursor c = high_start;
            int sign = osfac;
            float* target = high_out < n ? &o[high_out * step_out] : nullptr;
            if (tap < hsz && target != nullptr && interior_walk(c, (hsz - tap + 1) / 2)) {
                const float* p = high.base + c.pos * high.stride;
                for (int i = tap, j = 0; i < hsz; i += 2, ++j) {
                    *target = static_cast<float>(static_cast<double>(*target) +
                                                 static_cast<double>(hi[i]) *
                                                     static_cast<double>(p[j * high.stride]) *
                                                     static_cast<double>(sign));
                }
                ++high_out;
                return;
            }
            for (int i = tap; i < hsz; i += 2) {
                if (c.pos == 0) {
                    if (c.left) {
                        c.step = 0;
                        c.left = false;
                    } else {
                        c.step = 1;
                        sign = 1;
                    }
                }
                if (c.pos == hlen - 1) {
                    if (c.right) {
                        c.step = 0;
                        c.right = false;
                        if (asym && n_odd) {
                            c.right = true;
                            --fhre;
                            sign = fhre;
                            if (fhre == 0) c.right = false;
                        }
                    } else {
                        c.step = -1;
                        if (asym) sign = -1;
                    }
                }
                if (target != nullptr) {
                    *target = static_cast<float>(
                        static_cast<double>(*target) + static_cast<double>(hi[i]) *
                                                           static_cast<double>(high.at(c.pos)) *
                                                           static_cast<double>(sign));
                }
                c.pos += c.step;
                keep_inside(c);
            }
            ++high_out;
        };

        int lstap = lotap;
        int hstap = hotap;
        for (int round = 0; round < hlen; ++round) {
            for (int tap = lstap; tap >= 0; --tap) low_output(tap);
            move_left_check(low_start);
            lstap = 1;
            for (int tap = hstap; tap >= 0; --tap) {
                fhre = fhre_start;
                high_output(tap);
            }
            if (move_left_check(high_start)) osfac = 1;
            hstap = 1;
        }

        lstap = n_odd ? (lotap ? 1 : 0) : (lotap ? 2 : 1);
        for (int tap = 1; tap >= lstap; --tap) low_output(tap);

        if (n_odd) {
            hstap = hotap ? 1 : 0;
            if (hsz == 2) {
                high_start.pos -= high_start.step;
                keep_inside(high_start);
                fhre = 1;
            }
        } else {
            hstap = hotap ? 2 : 1;
        }
        for (int tap = 1; tap >= hstap; --tap) {
            if (hsz != 2) fhre = fhre_start;
            high_output(tap);
        }
    }
}

}  // namespace wsq
