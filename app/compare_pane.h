// The second pane of a comparison: a picture of its own with a facts line, its own zoom and
// scroll position, and buttons to step through its folder, zoom, open another picture, save it
// or close it. The window links it to the main view (wsqimageviewer_compare.cpp).
#pragma once

#include <QImage>
#include <QWidget>
#include <memory>

#include "document.h"
#include "folder_listing.h"

class QLabel;
class QScrollArea;

class ComparePane : public QWidget {
    Q_OBJECT

public:
    explicit ComparePane(QWidget* parent = nullptr);
    ~ComparePane() override;

    // Loads a file into the pane at full size. False, with the reader's sentence in *error,
    // when it holds no picture; the pane then keeps what it showed.
    bool open(const QString& fileName, QString* error);
    // Steps through the pane's folder; false when there is no file in that direction.
    bool step(document::FolderStep step);

    QString fileName() const;
    const QImage& picture() const { return m_picture; }
    int ppi() const { return m_ppi; }
    // Shown size over picture size.
    double zoomFactor() const { return m_factor; }
    void setZoomFactor(double factor);
    QSize shownSize() const;
    QScrollArea* scrollArea() const { return m_scroll; }
    QString factsLine() const;

signals:
    // The user zoomed this pane (its own buttons), to `factor`.
    void zoomedByUser(double factor);
    void stepAsked(document::FolderStep step);
    void openAsked();
    void saveAsked();
    void closeAsked();
    // The pane now shows what could be read of a damaged file (`doc.damage` says why).
    void damagedFileShown(const document::Document& doc);

private:
    void showAtFactor();

    std::unique_ptr<document::Document> m_document;
    QImage m_picture;
    int m_ppi = -1;
    double m_factor = 1.0;
    QLabel* m_facts = nullptr;
    QScrollArea* m_scroll = nullptr;
    QLabel* m_label = nullptr;
};
