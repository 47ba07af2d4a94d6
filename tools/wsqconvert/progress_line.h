// The progress bar a batch shows on a terminal, and the error lines printed around it. Safe to
// call from any thread.
#pragma once

#include <QString>

#include <chrono>
#include <cstdio>
#include <mutex>

namespace wsqconvert {

class ProgressLine {
public:
    // The bar is drawn only when `enabled` (standard error is a terminal).
    ProgressLine(int total, bool enabled);
    // One more file finished.
    void advance();
    // Prints a line to standard error, the bar cleared first and redrawn after.
    void error(const QString& line);
    // Removes the bar.
    void finish();

private:
    void drawLocked(bool force);

    std::mutex m_mutex;
    const int m_total;
    const bool m_enabled;
    int m_done = 0;
    bool m_shown = false;
    std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_lastDraw;
};

}  // namespace wsqconvert
