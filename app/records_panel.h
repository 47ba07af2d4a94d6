// The records panel: a dock beside the picture that lists every record of the open transaction
// (image records with a thumbnail) and, below the list, the fields of Type-1, Type-2 and the
// chosen record. Choosing an image record asks the window to show its picture.
#pragma once

#include <QDockWidget>
#include <QImage>
#include <QTimer>
#include <memory>

class QTreeWidget;
class QTreeWidgetItem;
namespace ansinist {
class TransactionFile;
struct Record;
}  // namespace ansinist
namespace document {
struct Document;
}  // namespace document

class RecordsPanel : public QDockWidget {
    Q_OBJECT

public:
    explicit RecordsPanel(QWidget* parent = nullptr);
    ~RecordsPanel() override;

    // Lists the records of `doc`'s transaction, or nothing when it has none. Pictures the
    // document has decoded already give their thumbnails at once; the others are made a little
    // later, one at a time (see makeNextThumbnail). Selects the record of the document's first
    // page without asking for it to be shown.
    void setDocument(const document::Document& doc);
    // Forgets the transaction: an empty list and no fields.
    void clear();
    // The window shows this record's picture: selects its row (without asking again) and makes
    // its thumbnail from the picture if it has none yet.
    void recordShown(int record, const QImage& picture);

    // Thumbnails are made at once for transactions with at most this many image records; past
    // that only for the rows in sight.
    static constexpr int kEagerThumbnails = 30;
    static constexpr int kThumbnailSide = 64;

signals:
    // An image record was chosen in the list (from 1, as the file numbers it).
    void imageRecordChosen(int record);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void currentRowChanged(QTreeWidgetItem* current);
    void showFields(const ansinist::Record* chosen);
    const ansinist::Record* recordOf(const QTreeWidgetItem* item) const;
    void scheduleThumbnails();
    // Makes one waiting thumbnail (a row in sight first) and schedules the next.
    void makeNextThumbnail();
    QTreeWidgetItem* nextThumbnailRow() const;
    void setThumbnail(QTreeWidgetItem* item, const QImage& picture);

    QTreeWidget* m_list = nullptr;
    QTreeWidget* m_fields = nullptr;
    std::shared_ptr<const ansinist::TransactionFile> m_transaction;
    int m_imageRecords = 0;
    int m_waitingThumbnails = 0;
    bool m_selectingQuietly = false;
    QTimer m_thumbnailTimer;
};
