// Recording the filter walks once per line length, and applying the recorded sums to many
// lines at a time so that the compiler can work on several lines in each instruction.
#include "wsq/filter_plan.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <system_error>
#include <thread>
#include <vector>

#include "wsq/filter_walk.h"
#include "wsq/row_transpose.h"
#include "wsq/wsq.h"

namespace wsq {
namespace {

class PlanRecorder {
public:
    explicit PlanRecorder(int n) : n_(n), defined_(static_cast<std::size_t>(n), false) {}

    void zero(int out) {
        if (out >= n_) return;
        plan_.sums.push_back({out, static_cast<int>(plan_.taps.size()), 0, FilterPlan::Kind::Zero});
        defined_[static_cast<std::size_t>(out)] = true;
    }
    void begin(int out, bool add) {
        active_ = out < n_;
        current_ = {out, static_cast<int>(plan_.taps.size()), 0,
                    add ? FilterPlan::Kind::Accumulate : FilterPlan::Kind::Start};
    }
    void tap(float coef, int in, int sign) {
        if (!active_) return;
        if (in < 0) plan_.reads_empty_band = true;
        if (current_.kind == FilterPlan::Kind::Accumulate) {
            coef = static_cast<float>(static_cast<double>(coef) * static_cast<double>(sign));
        }
        plan_.taps.push_back({coef, in});
        ++current_.tap_count;
    }
    void end() {
        if (!active_ || current_.tap_count == 0) return;
        const auto out = static_cast<std::size_t>(current_.out);
        if (current_.kind == FilterPlan::Kind::Accumulate && !defined_[out]) {
            plan_.reads_old_output = true;
        }
        defined_[out] = true;
        plan_.sums.push_back(current_);
    }

    FilterPlan finish() {
        for (const FilterPlan::Sum& s : plan_.sums) plan_.written.push_back(s.out);
        std::sort(plan_.written.begin(), plan_.written.end());
        plan_.written.erase(std::unique(plan_.written.begin(), plan_.written.end()),
                            plan_.written.end());
        return std::move(plan_);
    }

private:
    int n_;
    std::vector<bool> defined_;
    FilterPlan plan_;
    FilterPlan::Sum current_{};
    bool active_ = false;
};

// The sums of a plan over groups of Group adjacent lines. A sum's running value is kept in
// double but rounded to float after every tap, exactly as a float sum that each tap adds to in
// double; the rounding keeps the bits and lets the value stay in registers over all taps. A
// tap's product, sum and roundings take several cycles one after the other, so a group is wide
// enough for several vectors of lines to be under way at once.

// Built for several instruction sets where the compiler can pick at run time; every one does
// the same IEEE operations per sample, so all give the same bits.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define WSQ_LINE_GROUP_CLONES __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define WSQ_LINE_GROUP_CLONES
#endif

template <int kGroup>
WSQ_LINE_GROUP_CLONES void apply_sums_to_groups(const FilterPlan& plan, float* out, const float* in,
                                                std::ptrdiff_t stride, int groups) {
    const FilterPlan::Tap* taps = plan.taps.data();
    for (const FilterPlan::Sum& s : plan.sums) {
        float* dst = out + s.out * stride;
        const FilterPlan::Tap* t = taps + s.first_tap;
        for (int g = 0; g < groups; ++g) {
            float* d = dst + g * kGroup;
            if (s.kind == FilterPlan::Kind::Zero) {
                for (int j = 0; j < kGroup; ++j) d[j] = 0.0f;
                continue;
            }
            double acc[kGroup];
            int k = 0;
            if (s.kind == FilterPlan::Kind::Start) {
                const double c = t[0].coef;
                const float* src = in + t[0].in * stride + g * kGroup;
                for (int j = 0; j < kGroup; ++j) {
                    acc[j] = static_cast<float>(c * static_cast<double>(src[j]));
                }
                k = 1;
            } else {
                for (int j = 0; j < kGroup; ++j) acc[j] = d[j];
            }
            for (; k < s.tap_count; ++k) {
                const double c = t[k].coef;
                const float* src = in + t[k].in * stride + g * kGroup;
                for (int j = 0; j < kGroup; ++j) {
                    acc[j] = static_cast<float>(acc[j] + c * static_cast<double>(src[j]));
                }
            }
            for (int j = 0; j < kGroup; ++j) d[j] = static_cast<float>(acc[j]);
        }
    }
}

// The same sums one line at a time, for the lines left over after the groups.
void apply_sums_to_line(const FilterPlan& plan, float* out, const float* in,
                        std::ptrdiff_t stride) {
    const FilterPlan::Tap* taps = plan.taps.data();
    for (const FilterPlan::Sum& s : plan.sums) {
        float& d = out[s.out * stride];
        if (s.kind == FilterPlan::Kind::Zero) {
            d = 0.0f;
            continue;
        }
        const FilterPlan::Tap* t = taps + s.first_tap;
        float acc;
        int k = 0;
        if (s.kind == FilterPlan::Kind::Start) {
            acc = static_cast<float>(static_cast<double>(t[0].coef) *
                                     static_cast<double>(in[t[0].in * stride]));
            k = 1;
        } else {
            acc = d;
        }
        for (; k < s.tap_count; ++k) {
            acc = static_cast<float>(static_cast<double>(acc) +
                                     static_cast<double>(t[k].coef) *
                                         static_cast<double>(in[t[k].in * stride]));
        }
        d = acc;
    }
}

template <typename Sink>
FilterPlan record(int n, Sink walk) {
    PlanRecorder recorder(n);
    walk(recorder);
    return recorder.finish();
}

}  // namespace

FilterPlan analysis_plan(int n, const float* hi_taps, int hsz, const float* lo, int lsz, int inv) {
    hsz = std::max(hsz, 0);
    lsz = std::max(lsz, 0);
    const std::vector<float> hi = filter_walk::signed_high_pass(hi_taps, hsz, lsz % 2 == 0);
    return record(n, [&](PlanRecorder& r) {
        filter_walk::analysis_walk(r, n, hi.data(), hsz, lo, lsz, inv);
    });
}

FilterPlan synthesis_plan(int n, const float* hi_taps, int hsz, const float* lo, int lsz, int inv) {
    hsz = std::max(hsz, 0);
    lsz = std::max(lsz, 0);
    const std::vector<float> hi = filter_walk::signed_high_pass(hi_taps, hsz, lsz % 2 == 0);
    return record(n, [&](PlanRecorder& r) {
        filter_walk::synthesis_walk(r, n, hi.data(), hsz, lo, lsz, inv);
    });
}

void run_plan_on_adjacent_lines(const FilterPlan& plan, float* out, const float* in, int lines,
                                std::ptrdiff_t stride) {
    // Wide groups in slices that keep the rows a sum reads in the caches, then narrower ones
    // for the lines left over, then single lines.
    constexpr int kSliceGroups = 2;
    const int wide = lines / 64;
    for (int g = 0; g < wide; g += kSliceGroups) {
        const std::ptrdiff_t first = static_cast<std::ptrdiff_t>(g) * 64;
        apply_sums_to_groups<64>(plan, out + first, in + first, stride,
                                 std::min(kSliceGroups, wide - g));
    }
    int j = wide * 64;
    if (lines - j >= 32) {
        apply_sums_to_groups<32>(plan, out + j, in + j, stride, 1);
        j += 32;
    }
    if (const int narrow = (lines - j) / 8; narrow > 0) {
        apply_sums_to_groups<8>(plan, out + j, in + j, stride, narrow);
        j += narrow * 8;
    }
    for (; j < lines; ++j) apply_sums_to_line(plan, out + j, in + j, stride);
}

namespace {

constexpr int kRows = 64;

// The work of run_plan on lines [0, lines) of the layout; `block` holds 2 * n * kRows floats
// when the lines are rows.
void run_plan_on_lines(const FilterPlan& plan, float* out, const float* in, int lines, int n,
                       std::ptrdiff_t pitch, std::ptrdiff_t stride, float* block) {
    if (pitch == 1) {
        run_plan_on_adjacent_lines(plan, out, in, lines, stride);
        return;
    }
    if (stride != 1) {
        for (int r = 0; r < lines; ++r) {
            run_plan_on_adjacent_lines(plan, out + r * pitch, in + r * pitch, 1, stride);
        }
        return;
    }
    // Rows: a block of rows is turned into adjacent lines, filtered, and turned back.
    const auto count = static_cast<std::size_t>(n) * kRows;
    float* lines_in = block;
    float* lines_out = block + count;
    for (int r0 = 0; r0 < lines; r0 += kRows) {
        const int rows = std::min(kRows, lines - r0);
        const std::ptrdiff_t first = r0 * pitch;
        rows_to_block(lines_in, kRows, in + first, rows, n, pitch);
        if (plan.reads_old_output) rows_to_block(lines_out, kRows, out + first, rows, n, pitch);
        run_plan_on_adjacent_lines(plan, lines_out, lines_in, rows, kRows);
        block_to_rows(out + first, pitch, lines_out, kRows, rows, n, plan.written);
    }
}

// Below this many samples a pass is not worth a thread.
constexpr std::size_t kSamplesPerThread = 256 * 1024;

thread_local int t_pass_threads = 1;

// The lines [0, lines) of run_plan_in_place; `block` holds 2 * n * kRows floats.
void run_plan_in_place_on_lines(const FilterPlan& plan, float* data, int lines, int n,
                                std::ptrdiff_t pitch, std::ptrdiff_t stride, float* block) {
    const auto count = static_cast<std::size_t>(n) * kRows;
    float* lines_in = block;
    float* lines_out = block + count;
    for (int l0 = 0; l0 < lines; l0 += kRows) {
        const int group = std::min(kRows, lines - l0);
        if (stride == 1) {
            float* rows = data + l0 * pitch;
            rows_to_block(lines_in, kRows, rows, group, n, pitch);
            run_plan_on_adjacent_lines(plan, lines_out, lines_in, group, kRows);
            block_to_rows(rows, pitch, lines_out, kRows, group, n, plan.written);
        } else {
            // Columns: sample i of the group's columns is a run of `group` floats.
            float* columns = data + l0;
            const auto bytes = static_cast<std::size_t>(group) * sizeof(float);
            for (int i = 0; i < n; ++i)
                std::memcpy(lines_in + static_cast<std::ptrdiff_t>(i) * kRows, columns + i * stride,
                            bytes);
            run_plan_on_adjacent_lines(plan, lines_out, lines_in, group, kRows);
            for (int i = 0; i < n; ++i)
                std::memcpy(columns + i * stride,
                            lines_out + static_cast<std::ptrdiff_t>(i) * kRows, bytes);
        }
    }
}

// How many threads a pass over `lines` lines of n samples takes.
int threads_for(int lines, int n) {
    const auto samples = static_cast<std::size_t>(lines) * static_cast<std::size_t>(n);
    int threads = static_cast<int>(std::min<std::size_t>(
        static_cast<std::size_t>(std::max(t_pass_threads, 1)), samples / kSamplesPerThread));
    // Each thread takes whole blocks of 64 lines, so the lines group as they do on one thread.
    return std::max(1, std::min(threads, (lines + kRows - 1) / kRows));
}

// Runs work(first, count, block) over [0, lines) in shares of whole 64-line blocks, one share a
// thread, each with its own block of block_floats zeroed floats.
template <typename Work>
void share_lines(int lines, int threads, std::size_t block_floats, const Work& work) {
    std::vector<float> blocks(block_floats * static_cast<std::size_t>(threads), 0.0f);
    if (threads == 1) {
        work(0, lines, blocks.data());
        return;
    }
    const int per_thread = (lines / kRows + threads - 1) / threads * kRows;
    std::vector<std::thread> helpers;
    int first = 0;
    for (int t = 0; t < threads && first < lines; ++t) {
        const int count = t == threads - 1 ? lines - first : std::min(per_thread, lines - first);
        float* block = blocks.data() + block_floats * static_cast<std::size_t>(t);
        const int start = first;
        auto job = [&work, start, count, block] { work(start, count, block); };
        first += count;
        if (first >= lines) {
            job();  // the last share runs here
            break;
        }
        try {
            helpers.emplace_back(job);
        } catch (const std::system_error&) {
            job();  // no thread to be had: this share runs here
        }
    }
    for (std::thread& helper : helpers) helper.join();
}

}  // namespace

bool runs_in_place(const FilterPlan& plan, int n) {
    return n > 0 && plan.written.size() == static_cast<std::size_t>(n) && !plan.reads_old_output &&
           !plan.reads_empty_band;
}

void run_plan_in_place(const FilterPlan& plan, float* data, int lines, int n, std::ptrdiff_t pitch,
                       std::ptrdiff_t stride) {
    if (lines <= 0 || n <= 0) return;
    share_lines(lines, threads_for(lines, n), 2 * static_cast<std::size_t>(n) * kRows,
                [&](int first, int count, float* block) {
                    // A line starts `pitch` floats after the one before it (1 for columns).
                    run_plan_in_place_on_lines(plan, data + first * pitch, count, n, pitch, stride,
                                               block);
                });
}

int pass_threads() {
    return t_pass_threads;
}

ParallelPasses::ParallelPasses(int threads) : m_previous(t_pass_threads) {
    t_pass_threads = std::max(threads, 1);
}

ParallelPasses::~ParallelPasses() {
    t_pass_threads = m_previous;
}

void run_plan(const FilterPlan& plan, float* out, const float* in, int lines, int n,
              std::ptrdiff_t pitch, std::ptrdiff_t stride) {
    const bool rows = pitch != 1 && stride == 1;
    const std::size_t block = rows ? 2 * static_cast<std::size_t>(n) * kRows : 0;
    share_lines(lines, threads_for(lines, n), block, [&](int first, int count, float* work) {
        const std::ptrdiff_t offset = first * pitch;
        run_plan_on_lines(plan, out + offset, in + offset, count, n, pitch, stride, work);
    });
}

}  // namespace wsq
