// Running a piece of code in a child process whose files may not grow past a limit, to make a
// writer fail half-way (the write past the limit fails with EFBIG instead of killing the child).
#pragma once

#include <cstdint>
#include <functional>

namespace testsupport {

// Runs body() in a forked child with RLIMIT_FSIZE set to `bytes` and returns what body
// returned (0..255), or -1 when the child did not exit normally.
int RunWithFileSizeLimit(uint64_t bytes, const std::function<int()>& body);

}  // namespace testsupport
