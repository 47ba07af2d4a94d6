// Making a writer fail part-way through: the write runs in a forked child whose file size limit
// (RLIMIT_FSIZE) stops the file after `limitBytes`, so a writer's handling of a short write can
// be checked on real files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace testsupport {

// Runs `write` in a child process with the file size limit set and SIGXFSZ ignored, and returns
// the value it returned (cut to 0..254), or 255 when the child did not exit normally.
uint32_t RunWithFileSizeLimit(size_t limitBytes, const std::function<uint32_t()>& write);

}  // namespace testsupport
