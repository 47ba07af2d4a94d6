// The WSQ codec as its callers see it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace wsq {

// ---- Diagnostics

// The lines the codec writes on the calling thread while the capture lives (they still go to
// standard error as well). Captures may nest; each sees the lines written since it began.
class DiagnosticCapture {
public:
    DiagnosticCapture();
    ~DiagnosticCapture();
    DiagnosticCapture(const DiagnosticCapture&) = delete;
    DiagnosticCapture& operator=(const DiagnosticCapture&) = delete;

    // Every line, without its newline; warnings included.
    std::vector<std::string> lines() const;
    // The last error line (not a warning), or empty when the codec printed none.
    std::string last_error() const;

private:
    bool pending_is_new() const;
    size_t m_first = 0;
    unsigned long long m_completed = 0;
    size_t m_pending = 0;
};

// The last line the codec wrote on the calling thread, without its newline.
std::string last_diagnostic();

}  // namespace wsq
