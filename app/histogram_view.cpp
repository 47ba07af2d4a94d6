#include "histogram_view.h"

#include <QPainter>
#include <algorithm>

HistogramView::HistogramView(QWidget* parent) : QWidget(parent) {
    setMinimumHeight(60);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void HistogramView::setHistogram(const document::GreyHistogram& counts) {
    m_counts = counts;
    update();
}

void HistogramView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    const std::uint64_t highest = *std::max_element(m_counts.begin(), m_counts.end());
    if (highest == 0) return;
    const double barWidth = double(width()) / 256.0;
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette().text());
    for (int level = 0; level < 256; ++level) {
        const double h = double(height() - 2) * double(m_counts[size_t(level)]) / double(highest);
        painter.drawRect(QRectF(level * barWidth, height() - h, std::max(barWidth, 1.0), h));
    }
}
