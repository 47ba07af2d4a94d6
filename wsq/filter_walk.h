// The walks of the two filter passes over one line: which taps meet which samples, in which
// order, past the ends of a line or band by symmetric extension. The walks depend only on the
// line length, the filter lengths and the band order, never on the samples, so one walk serves
// every line of a region. A walk reports to a sink:
//   sink.zero(out)             the output sample out is cleared;
//   sink.begin(out, add)       a new sum for output sample out: add continues from the value
//                              stored there, otherwise the first tap starts the sum;
//   sink.tap(coef, in, sign)   one tap: coef times sample in (of the whole line, -1 for the
//                              zero read from an empty band), times sign where add is set;
//   sink.end()                 the sum is complete.
// Outputs at n or past it are reported too; a sink ignores them. Internal to the codec.
#pragma once

#include <algorithm>
#include <vector>

namespace wsq::filter_walk {

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
inline void keep_inside(EdgeCursor& c) {
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

inline EdgeCursor start_cursor(int pos, bool left, bool right, int n, bool rearm = false) {
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
inline bool move_left_check(EdgeCursor& c) {
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

inline void move_full_check(EdgeCursor& c) {
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

// Sample pos of a band of n samples that starts at offset in the line; an empty band reads as
// zeros.
inline int band_sample(int offset, int n, int pos) { return n > 0 ? offset + pos : -1; }

inline float tap_or_zero(const float* f, int size, int i) {
    return i >= 0 && i < size ? f[i] : 0.0f;
}

// The high-pass taps with their sign flipped for even-length low-pass filters, where the
// half-sample symmetric pair needs the opposite sign convention. A copy keeps the caller's
// filter untouched.
inline std::vector<float> signed_high_pass(const float* hi, int hsz, bool negate) {
    std::vector<float> taps(hi, hi + std::max(hsz, 0));
    if (negate) {
        for (float& t : taps) t = -t;
    }
    return taps;
}

// An even-length filter whose first tap would fall before the line starts on its first sample,
// without repeating it.
inline void start_inside(int& offset, bool& left) {
    if (offset == -1) {
        offset = 0;
        left = false;
    }
}

// Every tap of f from the start cursor's position on (the start is not moved).
template <typename Sink>
void filter_taps(Sink& sink, const EdgeCursor& start, int offset, const float* f, int size) {
    EdgeCursor c = start;
    sink.tap(tap_or_zero(f, size, 0), band_sample(offset, c.n, c.pos), 1);
    for (int i = 1; i < size; ++i) {
        move_full_check(c);
        sink.tap(f[i], band_sample(offset, c.n, c.pos), 1);
    }
}

// The analysis of a line of n samples (n > 0) into its low band of (n + 1) / 2 and high band
// of n / 2 samples, the low band first unless inv is set. hi is already sign-adjusted.
template <typename Sink>
void analysis_walk(Sink& sink, int n, const float* hi, int hsz, const float* lo, int lsz,
                   int inv) {
    const bool odd_filters = lsz % 2 == 1;
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
        start_inside(loc, low_left);
        start_inside(hoc, high_left);
    }

    const int llen = (n + 1) / 2;
    const int hlen = n / 2;
    const int low_band = inv ? hlen : 0;
    const int high_band = inv ? 0 : llen;
    EdgeCursor low_start = start_cursor(loc, low_left, low_right, n);
    EdgeCursor high_start = start_cursor(hoc, high_left, high_right, n);
    for (int k = 0; k < hlen; ++k) {
        sink.begin(low_band + k, false);
        filter_taps(sink, low_start, 0, lo, lsz);
        sink.end();
        sink.begin(high_band + k, false);
        filter_taps(sink, high_start, 0, hi, hsz);
        sink.end();
        move_left_check(low_start);
        move_left_check(low_start);
        move_left_check(high_start);
        move_left_check(high_start);
    }
    if (n % 2 == 1) {
        sink.begin(low_band + hlen, false);
        filter_taps(sink, low_start, 0, lo, lsz);
        sink.end();
    }
}

// The synthesis of a line of n samples (n > 0) from its two bands, laid out as the analysis
// leaves them. hi is already sign-adjusted.
template <typename Sink>
void synthesis_walk(Sink& sink, int n, const float* hi, int hsz, const float* lo, int lsz,
                    int inv) {
    const bool asym = lsz % 2 == 0;
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
        start_inside(loc, low_left);
        start_inside(hoc, high_left);
    }

    const int llen = (n + 1) / 2;
    const int hlen = n / 2;
    const int low_band = inv ? hlen : 0;
    const int high_band = inv ? 0 : llen;
    sink.zero(0);
    if (n > 1) sink.zero(1);
    int low_out = 0;
    int high_out = 0;

    EdgeCursor low_start = start_cursor(loc, low_left, low_right, llen, !asym);
    EdgeCursor high_start = start_cursor(hoc, high_left, high_right, hlen, !asym);
    int osfac = start_sign;
    int fhre = fhre_start;

    // Overwrites the next output sample with the low band filtered by every second tap from
    // tap on.
    auto low_output = [&](int tap) {
        EdgeCursor c = low_start;
        sink.begin(low_out, false);
        sink.tap(tap_or_zero(lo, lsz, tap), band_sample(low_band, c.n, c.pos), 1);
        for (int i = tap + 2; i < lsz; i += 2) {
            move_full_check(c);
            sink.tap(lo[i], band_sample(low_band, c.n, c.pos), 1);
        }
        sink.end();
        ++low_out;
    };
    // Adds the high band filtered by every second tap from tap on to the next output sample.
    // The sign follows the band's odd or even symmetry at its edges.
    auto high_output = [&](int tap) {
        EdgeCursor c = high_start;
        int sign = osfac;
        sink.begin(high_out, true);
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
            sink.tap(hi[i], band_sample(high_band, c.n, c.pos), sign);
            c.pos += c.step;
            keep_inside(c);
        }
        sink.end();
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

}  // namespace wsq::filter_walk
