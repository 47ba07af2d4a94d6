// Ridges are grown SFinGe-style: white noise is filtered again and again with Gabor kernels that
// follow a local orientation (a zero-pole field of cores and deltas) and a local ridge period of
// 8 to 10 pixels, and clipped after every pass, until a clean ridge pattern remains. The pattern
// is then inked into a fingertip-shaped foreground with varying pressure and contrast, on a light
// background, with mild noise.
//
// Everything is computed with our own random generator and plain IEEE arithmetic in a fixed
// order, so the bytes depend only on the seed and the size.
#include "synthprint.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

namespace synthprint {

namespace {

constexpr double kPi = 3.14159265358979323846;

// splitmix64: small, fast and fully specified, unlike the standard distributions.
class Random {
public:
    explicit Random(uint64_t seed) : m_state(seed * 0x9E3779B97F4A7C15ull + 0x1234567ull) {}
    uint64_t next() {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1).
    double uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
    double uniform(double lo, double hi) { return lo + (hi - lo) * uniform(); }
    // Roughly normal (sum of four uniforms), unit variance.
    double normalish() {
        double s = uniform() + uniform() + uniform() + uniform() - 2.0;
        return s * 1.7320508075688772;
    }

private:
    uint64_t m_state;
};

// A smooth random field in about [-1, 1]: a few plane waves of long wavelength.
class SmoothField {
public:
    SmoothField(Random& rng, double scale, int waves) {
        for (int i = 0; i < waves; ++i) {
            Wave w;
            const double angle = rng.uniform(0.0, 2.0 * kPi);
            const double wavelength = scale * rng.uniform(0.35, 1.0);
            w.kx = std::cos(angle) * 2.0 * kPi / wavelength;
            w.ky = std::sin(angle) * 2.0 * kPi / wavelength;
            w.phase = rng.uniform(0.0, 2.0 * kPi);
            m_waves.push_back(w);
        }
    }
    double at(double x, double y) const {
        if (m_waves.empty()) return 0.0;
        double s = 0.0;
        for (const Wave& w : m_waves) s += std::sin(w.kx * x + w.ky * y + w.phase);
        return s / std::sqrt(static_cast<double>(m_waves.size()) * 0.5) * 0.5;
    }

private:
    struct Wave {
        double kx, ky, phase;
    };
    std::vector<Wave> m_waves;
};

struct Point {
    double x, y;
};

struct Singularities {
    std::vector<Point> cores;
    std::vector<Point> deltas;
};

double smoothstep(double edge0, double edge1, double x) {
    double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

// Gabor kernels for a bank of orientations and periods.
constexpr int kRadius = 5;
constexpr int kSide = 2 * kRadius + 1;
constexpr int kOrientations = 36;
constexpr int kPeriods = 9;  // 8.0, 8.25, ..., 10.0 pixels
constexpr double kMinPeriod = 8.0;
constexpr double kPeriodStep = 0.25;

using Kernel = std::array<float, kSide * kSide>;

std::vector<Kernel> make_kernel_bank() {
    std::vector<Kernel> bank(static_cast<size_t>(kOrientations) * kPeriods);
    for (int o = 0; o < kOrientations; ++o) {
        // Ridge direction; the wave runs across it.
        const double theta = kPi * o / kOrientations;
        const double c = std::cos(theta);
        const double s = std::sin(theta);
        for (int p = 0; p < kPeriods; ++p) {
            const double period = kMinPeriod + kPeriodStep * p;
            const double sigma_across = 0.38 * period;
            const double sigma_along = 0.45 * period;
            Kernel& k = bank[static_cast<size_t>(o) * kPeriods + p];
            double sum = 0.0;
            double weight = 0.0;
            std::array<double, kSide * kSide> env{};
            std::array<double, kSide * kSide> val{};
            for (int dy = -kRadius; dy <= kRadius; ++dy) {
                for (int dx = -kRadius; dx <= kRadius; ++dx) {
                    const double along = dx * c + dy * s;
                    const double across = -dx * s + dy * c;
                    const double e = std::exp(-0.5 * (along * along / (sigma_along * sigma_along) +
                                                      across * across /
                                                          (sigma_across * sigma_across)));
                    const int i = (dy + kRadius) * kSide + dx + kRadius;
                    env[i] = e;
                    val[i] = e * std::cos(2.0 * kPi * across / period);
                    sum += val[i];
                    weight += e;
                }
            }
            // Zero mean, so that flat areas do not drift towards ink or paper.
            const double mean = sum / weight;
            double norm = 0.0;
            for (int i = 0; i < kSide * kSide; ++i) {
                val[i] -= mean * env[i];
                norm += std::fabs(val[i]);
            }
            for (int i = 0; i < kSide * kSide; ++i) k[i] = static_cast<float>(val[i] / norm * 4.0);
        }
    }
    return bank;
}

Singularities place_singularities(PatternClass cls, Random& rng, double cx, double cy, double a,
                                  double b) {
    Singularities s;
    switch (cls) {
    case PatternClass::Arch:
        break;
    case PatternClass::Loop: {
        const double side = rng.uniform() < 0.5 ? -1.0 : 1.0;
        Point core{cx + a * rng.uniform(-0.12, 0.12), cy - b * rng.uniform(0.05, 0.25)};
        Point delta{core.x + side * a * rng.uniform(0.45, 0.7), core.y + b * rng.uniform(0.45, 0.6)};
        s.cores.push_back(core);
        s.deltas.push_back(delta);
        break;
    }
    case PatternClass::Whorl: {
        const double tilt = rng.uniform(-0.1, 0.1);
        Point c1{cx + a * (tilt - 0.06), cy - b * rng.uniform(0.12, 0.2)};
        Point c2{cx + a * (-tilt + 0.06), cy - b * rng.uniform(0.0, 0.06)};
        s.cores.push_back(c1);
        s.cores.push_back(c2);
        s.deltas.push_back({cx - a * rng.uniform(0.6, 0.8), cy + b * rng.uniform(0.35, 0.5)});
        s.deltas.push_back({cx + a * rng.uniform(0.6, 0.8), cy + b * rng.uniform(0.35, 0.5)});
        break;
    }
    }
    return s;
}

}  // namespace

PatternClass pattern_class_for_seed(uint32_t seed) {
    Random rng(seed);
    const double r = rng.uniform();
    if (r < 0.5) return PatternClass::Loop;
    if (r < 0.83) return PatternClass::Whorl;
    return PatternClass::Arch;
}

std::vector<uint8_t> make_synthetic_print(const PrintOptions& options) {
    const int w = options.width;
    const int h = options.height;
    if (w <= 0 || h <= 0 || static_cast<uint64_t>(w) * static_cast<uint64_t>(h) > (1ull << 26)) {
        return {};
    }
    const size_t n = static_cast<size_t>(w) * static_cast<size_t>(h);
    Random rng(options.seed);
    const PatternClass cls = pattern_class_for_seed(options.seed);
    rng.next();  // the draw that picked the class

    // The fingertip: an egg-shaped region, rounded at the top, running off the bottom edge for
    // tall pictures, with a slightly irregular outline.
    const double a = 0.41 * w * rng.uniform(0.92, 1.0);
    const double b = std::min(0.56 * h, 1.45 * a) * rng.uniform(0.95, 1.05);
    const double cx = 0.5 * w + rng.uniform(-0.03, 0.03) * w;
    const double cy = std::max(0.5 * h, h - 0.85 * b) + rng.uniform(-0.02, 0.02) * h;
    const double size = std::max(w, h);
    SmoothField outline(rng, 0.6 * size, 4);
    SmoothField pressure(rng, 1.1 * size, 5);
    SmoothField contrast(rng, 0.8 * size, 4);
    SmoothField period_field(rng, 0.9 * size, 4);
    SmoothField bend(rng, 1.2 * size, 3);
    const Singularities sing = place_singularities(cls, rng, cx, cy, a, b);
    const double base_period = rng.uniform(8.6, 9.4);
    const double arch_height = rng.uniform(0.8, 1.5);

    std::vector<float> mask(n);
    std::vector<uint8_t> orient(n);
    std::vector<uint8_t> period(n);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const size_t i = static_cast<size_t>(y) * w + x;
            const double dx = (x - cx) / a;
            // The lower half is a little wider than the rounded top.
            const double dy = (y - cy) / (y < cy ? b : 1.25 * b);
            const double r = std::sqrt(dx * dx + dy * dy) + 0.035 * outline.at(x, y);
            mask[i] = static_cast<float>(1.0 - smoothstep(0.9, 1.0, r));

            double theta;
            if (cls == PatternClass::Arch) {
                // Ridges arch over the centre and flatten towards the base.
                const double u = (x - cx) / a;
                const double v = (y - (cy - 0.2 * b)) / b;
                theta = -std::atan(arch_height * u * std::exp(-2.0 * v * v) * 1.2);
            } else {
                // Zero-pole model: going once around a core turns the ridges by half a turn one
                // way, around a delta the other way.
                double sum = 0.0;
                for (const Point& c : sing.cores) sum += std::atan2(y - c.y, x - c.x);
                for (const Point& d : sing.deltas) sum -= std::atan2(y - d.y, x - d.x);
                theta = 0.5 * sum;
            }
            theta += 0.12 * bend.at(x, y);
            double t = std::fmod(theta, kPi);
            if (t < 0) t += kPi;
            int o = static_cast<int>(std::floor(t / kPi * kOrientations + 0.5)) % kOrientations;
            orient[i] = static_cast<uint8_t>(o);
            const double p = std::clamp(base_period + 0.9 * period_field.at(x, y), kMinPeriod,
                                        kMinPeriod + kPeriodStep * (kPeriods - 1));
            period[i] = static_cast<uint8_t>(std::floor((p - kMinPeriod) / kPeriodStep + 0.5));
        }
    }

    // Grow the ridges on a zero-padded plane, so the filter never leaves it.
    const std::vector<Kernel> bank = make_kernel_bank();
    const int pw = w + 2 * kRadius;
    const int ph = h + 2 * kRadius;
    std::vector<float> cur(static_cast<size_t>(pw) * ph, 0.0f);
    std::vector<float> next(cur.size(), 0.0f);
    auto at = [pw](std::vector<float>& plane, int x, int y) -> float& {
        return plane[static_cast<size_t>(y + kRadius) * pw + (x + kRadius)];
    };
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            at(cur, x, y) = mask[static_cast<size_t>(y) * w + x] > 0.0f
                                ? static_cast<float>(rng.uniform(-1.0, 1.0))
                                : 0.0f;
        }
    }
    const int passes = 7;
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const size_t i = static_cast<size_t>(y) * w + x;
                if (mask[i] <= 0.0f) continue;
                const Kernel& k = bank[static_cast<size_t>(orient[i]) * kPeriods + period[i]];
                float acc = 0.0f;
                const float* src = &at(cur, x - kRadius, y - kRadius);
                for (int ky = 0; ky < kSide; ++ky) {
                    const float* row = src + static_cast<size_t>(ky) * pw;
                    const float* kr = k.data() + ky * kSide;
                    for (int kx = 0; kx < kSide; ++kx) acc += row[kx] * kr[kx];
                }
                // A saturating gain turns the filtered noise into ridges and valleys.
                at(next, x, y) = std::clamp(acc * 2.5f, -1.0f, 1.0f);
            }
        }
        std::swap(cur, next);
    }

    // Ink the ridges: dark where the finger presses hard, breaking up where it presses lightly.
    std::vector<uint8_t> out(n);
    const double paper = rng.uniform(225.0, 240.0);
    const double ink = rng.uniform(20.0, 45.0);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const size_t i = static_cast<size_t>(y) * w + x;
            const double ridge = 0.5 * (1.0 - at(cur, x, y));  // 1 on a ridge, 0 in a valley
            const double press = std::clamp(0.78 + 0.28 * pressure.at(x, y), 0.35, 1.0);
            const double depth = std::clamp(0.85 + 0.15 * contrast.at(x, y), 0.6, 1.0);
            // Light pressure lifts the shallow parts of the ridges off the paper.
            const double inked = smoothstep(1.0 - press, 1.0 - press + 0.45, ridge);
            const double m = mask[i];
            double v = paper - (paper - ink) * depth * inked * m;
            v += (m > 0.0 ? 5.0 : 2.0) * rng.normalish();
            out[i] = static_cast<uint8_t>(std::clamp(std::floor(v + 0.5), 0.0, 255.0));
        }
    }
    return out;
}

}  // namespace synthprint
