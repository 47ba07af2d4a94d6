// A batch: plan, then convert whole files on a pool of worker threads, each file on one thread
// from its read to its write.
#pragma once

#include "batch_plan.h"
#include "convert_file.h"

namespace wsqconvert {

// Exit status: 0 when every file was converted or skipped, 1 otherwise.
int runBatch(const BatchOptions& options, const ConversionSettings& settings, int jobs);

}  // namespace wsqconvert
