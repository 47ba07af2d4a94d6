// Damaged variants of a valid file, and a runner that reads each of them in a child process
// under a memory limit and a time limit, so that one crash, hang or sanitizer report is caught,
// named and does not stop the others.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

struct HostileCase {
    std::string what;  // e.g. "truncated to 17 bytes", "u32be at 8 = 0xffffffff"
    std::vector<uint8_t> bytes;
};

// What the variants of one file aim at: the header (where the fields are) and the body (where
// run-length packets and chunk contents are).
struct HostileRange {
    size_t begin = 0;
    size_t end = 0;  // one past the last byte; clipped to the file
};
struct HostilePlan {
    std::vector<HostileRange> fields = {{0, 64}};     // header fields at every offset in these
    std::vector<HostileRange> packets = {{64, 320}};  // packet bytes at every offset in these
    uint32_t randomPerField = 2;  // random values per field, besides 0, 1 and the maximum
    bool littleEndian = true;     // 16- and 32-bit fields in either byte order, or one
    bool bigEndian = true;
    uint32_t seed = 1;
};

// Every truncation (0 .. size-1 bytes); every byte, 16-bit and 32-bit field (both byte orders)
// in the field ranges set to 0, 1, its maximum, half its range, the file size plus one and random
// values; every byte of the packet ranges set to the run-length packet extremes 0x00, 0x7f, 0x80, 0xff.
std::vector<HostileCase> HostileVariants(const std::vector<uint8_t>& valid, const HostilePlan& plan);

// A failure of one case: its index, what it was and how the child ended.
struct HostileFailure {
    size_t index = 0;
    std::string how;
};

// Runs read(i) for i in [0, count) in forked children (a batch per child) with an address-space
// limit of `memoryLimitBytes` (see the .cpp for the sanitizer build) and an alarm of
// `secondsPerCase` per case. read() returns an empty string when the case ended with a clean
// error or a sound picture, otherwise what was wrong. A child that dies (signal, sanitizer
// report, time limit) fails the case it was at; the run resumes with the next case.
std::vector<HostileFailure> RunHostileCases(size_t count,
                                            const std::function<std::string(size_t)>& read,
                                            uint64_t memoryLimitBytes = uint64_t{1} << 30,
                                            unsigned secondsPerCase = 10);

// True in a build with AddressSanitizer, where the memory limit is the sanitizer's own.
bool HostileRunsUnderAddressSanitizer();

// An anonymous in-memory file (/proc/self/fd/N) whose contents are replaced per case.
class MemoryFile {
public:
    MemoryFile();
    ~MemoryFile();
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    // Replaces the contents; false on failure.
    bool assign(const std::vector<uint8_t>& bytes);
    const char* path() const { return m_path.c_str(); }

private:
    int m_fd = -1;
    std::string m_path;
};

}  // namespace testsupport
