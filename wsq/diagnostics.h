// The codec's one way to standard error. Every line the codec prints goes through report() or
// report_warning(): the text reaches standard error exactly as printf would write it, and the
// calling thread's sink keeps it, so that a caller can show the codec's own sentence (see
// DiagnosticCapture in wsq/wsq.h).
#pragma once

namespace wsq {

// A piece of an error line ("ERROR ..."); a line ends at its newline and may be written in
// several pieces.
[[gnu::format(printf, 1, 2)]] void report(const char* format, ...);
// A piece of a warning line: printed and kept like an error line, but never taken as the
// reason of a failure.
[[gnu::format(printf, 1, 2)]] void report_warning(const char* format, ...);
// Flushes standard error.
void flush_reports();

}  // namespace wsq
