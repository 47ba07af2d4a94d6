// How much memory a piece of code touches at its peak, measured in a forked child so that
// what the code allocates and frees cannot hide behind what the test process already holds.
#pragma once

#include <cstdint>
#include <functional>

namespace testsupport {

// Runs body() in a forked child and returns by how many KiB the child's peak resident size
// grew while it ran, or -1 when the child did not report within 20 seconds (it is then killed).
int64_t PeakResidentGrowthKib(const std::function<void()>& body);

}  // namespace testsupport
