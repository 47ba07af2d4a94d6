// wsqconvert --batch: plans the batch, converts its items on `jobs` threads, logs each one as it
// ends, and prints the summary line and the failed inputs.
#pragma once

#include <QString>

#include <optional>

#include "batch_plan.h"
#include "command_line.h"
#include "convert_file.h"

namespace wsqconvert {

// Exit statuses of a batch beside 0 (everything converted) and 1 (a file failed).
inline constexpr int kExitNoInput = 3;

struct BatchRun {
    BatchOptions options;
    QString filesFrom;  // the list the inputs come from ("-": standard input); empty: INDIR
    bool nullSeparated = false;
    ConversionSettings settings;
    int jobs = 1;
    std::optional<Shard> shard;
    QString logPath;      // --log-json; empty: no log
    QString retryFailed;  // --retry-failed; empty: every input
    bool failFast = false;
};

// The exit status: 0, 1, or kExitNoInput when there was nothing to convert.
int runBatch(BatchRun run);

}  // namespace wsqconvert
