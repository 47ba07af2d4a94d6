// A small bar chart of a picture's 256 grey levels, for the facts panel.
#pragma once

#include <QWidget>

#include "grey_histogram.h"

class HistogramView : public QWidget {
    Q_OBJECT

public:
    explicit HistogramView(QWidget* parent = nullptr);

    void setHistogram(const document::GreyHistogram& counts);
    const document::GreyHistogram& histogram() const { return m_counts; }

    QSize sizeHint() const override { return {256, 80}; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    document::GreyHistogram m_counts{};
};
