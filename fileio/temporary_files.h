// The temporary files this process has made and not yet renamed into place or removed. A process
// that is stopped by a signal removes them all before it ends, so an interrupted save never
// leaves a half-written file behind.
#pragma once

#include <string>

namespace fileio {

// Creates a temporary file from `pattern` (mkstemp's, ending in XXXXXX, which is replaced by the
// name made) and tracks it. Returns the open descriptor, or -1 when the file cannot be created or
// the process is ending (removeTemporaryFilesForExit ran).
int createTrackedTemporary(std::string* pattern);
// Tracks a temporary file created some other way; false when the process is ending.
bool trackTemporary(const std::string& path);
// Stops tracking `path` (renamed into place, or removed by its owner).
void untrackTemporary(const std::string& path);
// Removes every tracked file and keeps every other thread from creating, tracking or untracking
// one from then on (they wait): for the last steps of a process stopped by a signal, while its
// other threads may still be running. Never returns the registry to use.
void removeTemporaryFilesForExit();

}  // namespace fileio
