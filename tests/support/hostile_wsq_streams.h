// The WSQ streams the hostile-file suites damage, each with the plan of what is varied in it:
// shared by the suite of the codec's own reads and by the image-format plug-in's.
#pragma once

#include <cstdint>
#include <vector>

#include "support/hostile_cases.h"

namespace testsupport {

struct HostileWsqSeed {
    std::vector<uint8_t> stream;  // empty when it could not be made
    HostilePlan plan;
};

// Two streams built segment by segment and one of our encoder. `underSanitizer` leaves out the
// frame header fields of the first, whose large claimed sizes take too long to decode in the
// unoptimised sanitizer build.
std::vector<HostileWsqSeed> HostileWsqSeeds(bool underSanitizer);

}  // namespace testsupport
