#include "support/hostile_cases.h"

#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <random>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define HOSTILE_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define HOSTILE_ASAN 1
#endif

#ifdef HOSTILE_ASAN
// AddressSanitizer reserves terabytes of address space for its shadow, so an RLIMIT_AS of 1 GiB
// cannot be set under it. Its own limits stand in: past 1 GiB resident, allocations fail (as
// they would under the address-space limit), and no single allocation may exceed 1 GiB.
extern "C" const char* __asan_default_options() {
    return "soft_rss_limit_mb=1024:max_allocation_size_mb=1024:allocator_may_return_null=1";
}
extern "C" int __lsan_do_recoverable_leak_check() __attribute__((weak));
#endif

namespace testsupport {

namespace {

void put(std::vector<uint8_t>* bytes, size_t at, uint64_t value, int width, bool bigEndian) {
    for (int i = 0; i < width; ++i) {
        const int shift = 8 * (bigEndian ? width - 1 - i : i);
        (*bytes)[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> shift);
    }
}

char hexDigit(unsigned v) { return "0123456789abcdef"[v & 15]; }

std::string hex(uint64_t value) {
    std::string s;
    do {
        s.insert(s.begin(), hexDigit(static_cast<unsigned>(value)));
        value >>= 4;
    } while (value);
    return "0x" + s;
}

}  // namespace

std::vector<HostileCase> HostileVariants(const std::vector<uint8_t>& valid, const HostilePlan& plan) {
    std::vector<HostileCase> cases;
    for (size_t n = 0; n < valid.size(); ++n)
        cases.push_back({"truncated to " + std::to_string(n) + " bytes",
                         std::vector<uint8_t>(valid.begin(), valid.begin() + static_cast<long>(n))});

    std::mt19937_64 random(plan.seed);
    struct Field {
        int width;
        bool bigEndian;
        const char* name;
    };
    const Field fields[] = {{1, false, "u8"},    {2, false, "u16le"}, {2, true, "u16be"},
                            {4, false, "u32le"}, {4, true, "u32be"}};
    for (const HostileRange& range : plan.fields) {
    for (size_t at = range.begin; at < std::min(range.end, valid.size()); ++at) {
        for (const Field& f : fields) {
            if (at + static_cast<size_t>(f.width) > valid.size()) continue;
            if (f.width > 1 && (f.bigEndian ? !plan.bigEndian : !plan.littleEndian)) continue;
            const uint64_t max = f.width == 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * f.width)) - 1;
            std::vector<uint64_t> values = {0, 1, max, (max >> 1) + 1, max >> 1};
            if (f.width >= 2) values.push_back(valid.size() + 1);
            for (uint32_t r = 0; r < plan.randomPerField; ++r) values.push_back(random() & max);
            for (uint64_t v : values) {
                HostileCase c{std::string(f.name) + " at " + std::to_string(at) + " = " + hex(v), valid};
                put(&c.bytes, at, v, f.width, f.bigEndian);
                if (c.bytes != valid) cases.push_back(std::move(c));
            }
        }
    }
    }
    for (const HostileRange& range : plan.packets) {
    for (size_t at = range.begin; at < std::min(range.end, valid.size()); ++at) {
        for (uint8_t v : {uint8_t{0x00}, uint8_t{0x7f}, uint8_t{0x80}, uint8_t{0xff}}) {
            if (valid[at] == v) continue;
            HostileCase c{"byte at " + std::to_string(at) + " = " + hex(v), valid};
            c.bytes[at] = v;
            cases.push_back(std::move(c));
        }
    }
    }
    return cases;
}

bool HostileRunsUnderAddressSanitizer() {
#ifdef HOSTILE_ASAN
    return true;
#else
    return false;
#endif
}

std::vector<HostileFailure> RunHostileCases(size_t count,
                                            const std::function<std::string(size_t)>& read,
                                            uint64_t memoryLimitBytes, unsigned secondsPerCase) {
    constexpr size_t kBatch = 512;
    std::vector<HostileFailure> failures;
    // The case a child is at, shared with the parent so that a dead child names it.
    void* shared = mmap(nullptr, sizeof(std::atomic<size_t>), PROT_READ | PROT_WRITE,
                        MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED) {
        failures.push_back({0, "mmap failed"});
        return failures;
    }
    auto* current = new (shared) std::atomic<size_t>(0);
    std::fflush(nullptr);

    size_t next = 0;
    while (next < count) {
        const size_t first = next;
        const size_t last = std::min(count, first + kBatch);
        current->store(first);
        const pid_t child = fork();
        if (child < 0) {
            failures.push_back({first, "fork failed"});
            break;
        }
        if (child == 0) {
#ifndef HOSTILE_ASAN
            struct rlimit limit {};
            limit.rlim_cur = memoryLimitBytes;
            limit.rlim_max = memoryLimitBytes;
            setrlimit(RLIMIT_AS, &limit);
#else
            (void)memoryLimitBytes;
#endif
            std::signal(SIGALRM, SIG_DFL);
            int bad = 0;
            for (size_t i = first; i < last; ++i) {
                current->store(i);
                alarm(secondsPerCase);
                const std::string wrong = read(i);
                alarm(0);
                if (!wrong.empty()) {
                    std::fprintf(stderr, "case %zu: %s\n", i, wrong.c_str());
                    bad = 1;
                }
            }
            current->store(last);
#ifdef HOSTILE_ASAN
            if (__lsan_do_recoverable_leak_check && __lsan_do_recoverable_leak_check()) _exit(3);
#endif
            std::fflush(nullptr);
            _exit(bad);
        }
        int status = 0;
        waitpid(child, &status, 0);
        const size_t at = current->load();
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
            next = last;
        } else if (WIFEXITED(status) && WEXITSTATUS(status) == 1 && at == last) {
            failures.push_back({first, "unsound results in cases " + std::to_string(first) + ".." +
                                           std::to_string(last - 1) + " (see the log)"});
            next = last;
        } else if (WIFEXITED(status) && WEXITSTATUS(status) == 3) {
            failures.push_back({first, "memory leaked in cases " + std::to_string(first) + ".." +
                                           std::to_string(last - 1)});
            next = last;
        } else {
            std::string how;
            if (WIFSIGNALED(status))
                how = WTERMSIG(status) == SIGALRM ? "no result within the time limit"
                                                  : "killed by signal " + std::to_string(WTERMSIG(status));
            else
                how = "exited with status " + std::to_string(WEXITSTATUS(status)) +
                      " (a sanitizer report or an abort)";
            failures.push_back({at, how});
            next = at + 1;
        }
    }
    munmap(shared, sizeof(std::atomic<size_t>));
    return failures;
}

MemoryFile::MemoryFile() {
    m_fd = memfd_create("hostile-case", 0);
    if (m_fd >= 0) m_path = "/proc/self/fd/" + std::to_string(m_fd);
}

MemoryFile::~MemoryFile() {
    if (m_fd >= 0) close(m_fd);
}

bool MemoryFile::assign(const std::vector<uint8_t>& bytes) {
    if (m_fd < 0 || ftruncate(m_fd, 0) != 0) return false;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = pwrite(m_fd, bytes.data() + done, bytes.size() - done,
                                 static_cast<off_t>(done));
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace testsupport
