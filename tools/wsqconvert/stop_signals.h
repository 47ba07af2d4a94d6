// How wsqconvert ends when it is told to stop (SIGINT, SIGTERM, SIGHUP): at once, whatever is
// being converted, removing every temporary file it was writing, so no partial output is left;
// outputs already in place are whole. It then ends by the same signal, as its caller expects.
#pragma once

namespace wsqconvert {

// Blocks the stop signals in this thread and every thread it starts later, and starts the thread
// that waits for them. Call first in main(), before any other thread exists.
void handleStopSignals();

}  // namespace wsqconvert
