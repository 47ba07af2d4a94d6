// Splitting a batch's inputs among N processes: each input belongs to one slice, chosen by a
// hash of its path below the input root, so the slices together are exactly the whole batch and
// adding an input never moves another one to a different slice.
#pragma once

#include <QString>

namespace wsqconvert {

// The slice (from 1 to count) of the input whose path below the input root is `relativePath`.
int shardOf(const QString& relativePath, int count);

}  // namespace wsqconvert
