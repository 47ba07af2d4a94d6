// The per-thread sink behind report(): what the codec printed on this thread, line by line.
#include "wsq/diagnostics.h"

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "wsq/wsq.h"

namespace wsq {

namespace {

struct Line {
    std::string text;  // without its newline
    bool warning = false;
};

struct Sink {
    // The line being written: pieces up to its newline.
    Line pending;
    // Complete lines; kept only while a capture is open, so an uncaptured thread keeps nothing
    // but the last line.
    std::vector<Line> lines;
    int open_captures = 0;
    // Open captures that keep the lines from standard error.
    int quiet_captures = 0;
    std::string last_line;
    // Lines completed on this thread so far: tells a capture whether the pending line began
    // after it did.
    unsigned long long completed = 0;
};

Sink& sink() {
    thread_local Sink s;
    return s;
}

void keep(const char* text, bool warning) {
    Sink& s = sink();
    for (const char* p = text; *p != '\0';) {
        if (s.pending.text.empty()) s.pending.warning = warning;
        const char* newline = p;
        while (*newline != '\0' && *newline != '\n') ++newline;
        s.pending.text.append(p, newline);
        if (*newline == '\0') break;
        s.last_line = s.pending.text;
        ++s.completed;
        if (s.open_captures > 0) s.lines.push_back(std::move(s.pending));
        s.pending = Line{};
        p = newline + 1;
    }
}

void vreport(bool warning, const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    char small[256];
    const int n = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (n < 0) return;
    std::string text;
    if (static_cast<size_t>(n) < sizeof small) {
        text.assign(small, static_cast<size_t>(n));
    } else {
        text.resize(static_cast<size_t>(n));
        std::vsnprintf(text.data(), text.size() + 1, format, args);
    }
    if (sink().quiet_captures == 0) std::fputs(text.c_str(), stderr);
    keep(text.c_str(), warning);
}

}  // namespace

void report(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vreport(false, format, args);
    va_end(args);
}

void report_warning(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vreport(true, format, args);
    va_end(args);
}

void flush_reports() {
    std::fflush(stderr);
}

DiagnosticCapture::DiagnosticCapture(Echo echo) : m_quiet(echo == Echo::Off) {
    Sink& s = sink();
    if (m_quiet) ++s.quiet_captures;
    m_first = s.lines.size();
    m_completed = s.completed;
    m_pending = s.pending.text.size();
    ++s.open_captures;
}

DiagnosticCapture::~DiagnosticCapture() {
    Sink& s = sink();
    if (m_quiet) --s.quiet_captures;
    if (--s.open_captures == 0) s.lines.clear();
}

// A line still being written (one the codec ended without a newline) counts when it grew while
// the capture was open.
bool DiagnosticCapture::pending_is_new() const {
    const Sink& s = sink();
    return s.completed != m_completed ? !s.pending.text.empty() : s.pending.text.size() > m_pending;
}

std::vector<std::string> DiagnosticCapture::lines() const {
    const Sink& s = sink();
    std::vector<std::string> out;
    for (size_t i = m_first; i < s.lines.size(); ++i) out.push_back(s.lines[i].text);
    if (pending_is_new()) out.push_back(s.pending.text);
    return out;
}

std::string DiagnosticCapture::last_error() const {
    const Sink& s = sink();
    if (pending_is_new() && !s.pending.warning) return s.pending.text;
    for (size_t i = s.lines.size(); i > m_first; --i)
        if (!s.lines[i - 1].warning) return s.lines[i - 1].text;
    return std::string();
}

std::string last_diagnostic() {
    const Sink& s = sink();
    return s.pending.text.empty() ? s.last_line : s.pending.text;
}

}  // namespace wsq
