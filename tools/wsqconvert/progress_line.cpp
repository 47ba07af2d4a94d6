#include "progress_line.h"

#include <QByteArray>

namespace wsqconvert {

ProgressLine::ProgressLine(int total, bool enabled)
    : m_total(total), m_enabled(enabled), m_start(std::chrono::steady_clock::now()) {}

void ProgressLine::advance() {
    std::lock_guard lock(m_mutex);
    ++m_done;
    drawLocked(m_done == m_total);
}

void ProgressLine::error(const QString& line) {
    std::lock_guard lock(m_mutex);
    if (m_shown) std::fputs("\r\033[K", stderr);
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    if (m_shown) drawLocked(true);
    std::fflush(stderr);
}

void ProgressLine::finish() {
    std::lock_guard lock(m_mutex);
    if (m_shown) std::fputs("\r\033[K", stderr);
    m_shown = false;
    std::fflush(stderr);
}

void ProgressLine::drawLocked(bool force) {
    if (!m_enabled || m_total <= 0) return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && m_shown && now - m_lastDraw < std::chrono::milliseconds(100)) return;
    m_lastDraw = now;
    const double seconds = std::chrono::duration<double>(now - m_start).count();
    const double rate = seconds > 0 ? m_done / seconds : 0.0;
    constexpr int kWidth = 30;
    const int filled = m_done * kWidth / m_total;
    QByteArray bar(kWidth, ' ');
    for (int i = 0; i < filled; ++i) bar[i] = '=';
    if (filled < kWidth) bar[filled] = '>';
    QByteArray left = "--:--";
    if (rate > 0) {
        const long remaining = static_cast<long>((m_total - m_done) / rate + 0.5);
        left = QByteArray::number(remaining / 60) + ':' +
               QByteArray::number(remaining % 60).rightJustified(2, '0');
    }
    std::fprintf(stderr, "\r\033[K[%s] %d/%d  %.1f files/s  %s left", bar.constData(), m_done,
                 m_total, rate, left.constData());
    std::fflush(stderr);
    m_shown = true;
}

}  // namespace wsqconvert
