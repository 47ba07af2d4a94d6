// The facts panel: a dock that lists what a file says about itself (size, resolution, depth,
// WSQ frame numbers, achieved bit rate, every comment, the NISTCOM entries and the segments),
// the grey-level histogram of the picture, and the outcome of the last WSQ save.
#pragma once

#include <QDockWidget>
#include <QImage>
#include <vector>

#include "document_facts.h"

class QTableWidget;
class QTreeWidget;
class QTreeWidgetItem;
class HistogramView;

class FactsPanel : public QDockWidget {
    Q_OBJECT

public:
    explicit FactsPanel(QWidget* parent = nullptr);

    // Lists the facts of `doc` and the histogram of `picture` (what the window shows).
    void setDocument(const document::Document& doc, const QImage& picture);
    // No file: empty lists and histogram.
    void clear();
    // Adds (or replaces) the rows of the last WSQ save.
    void showSavedWsq(const std::vector<document::FactRow>& rows);

signals:
    // The dock's own close button hid the panel.
    void closedByUser();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    QTreeWidget* m_facts = nullptr;
    QTableWidget* m_nistcom = nullptr;
    HistogramView* m_histogram = nullptr;
    QTreeWidgetItem* m_savedGroup = nullptr;
};
