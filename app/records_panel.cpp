#include "records_panel.h"

#include <QEvent>
#include <QFont>
#include <QHeaderView>
#include <QIcon>
#include <QPixmap>
#include <QScrollBar>
#include <QSplitter>
#include <QStringList>
#include <QTreeWidget>

#include "ansinist/codes.h"
#include "ansinist/compression.h"
#include "ansinist/transaction.h"
#include "ansinist/transaction_file.h"
#include "document.h"
#include "document_load.h"

namespace {

enum ListColumn {
    IndexColumn,
    TypeColumn,
    IdcColumn,
    PositionColumn,
    ImpressionColumn,
    SizeColumn,
    ResolutionColumn,
    CompressionColumn,
    ProblemColumn,
    ListColumns,
};

enum FieldColumn { TagColumn, NameColumn, ValueColumn };

// What a row of the list keeps in its first column.
constexpr int kRecordSlot = Qt::UserRole;          // the record's place in the transaction
constexpr int kRecordIndex = Qt::UserRole + 1;     // its number in the file (from 1)
constexpr int kThumbnailWaits = Qt::UserRole + 2;  // true until its thumbnail was tried

// A value longer than this is cut in the fields view (a minutiae block can be very long); the
// tool tip holds some more of it.
constexpr qsizetype kShownValue = 300;
constexpr qsizetype kTipValue = 4000;

QString typeText(int type) {
    const QString name = QString::fromUtf8(ansinist::recordTypeName(type));
    return name.isEmpty() ? QStringLiteral("Type-%1").arg(type)
                          : QStringLiteral("Type-%1 %2").arg(type).arg(name);
}

// A name from one of the code tables, or the code itself when the table has none for it.
QString codeText(const char* name, int code) {
    return *name ? QString::fromUtf8(name) : QString::number(code);
}

// A field's value as one readable line: subfields split by " | ", their items by " / ", other
// control characters as their visible symbols, binary data as its length. At most `limit`
// characters, then an ellipsis.
QString valueText(const ansinist::Field& field, qsizetype limit) {
    if (field.binary) return QStringLiteral("<%1 bytes>").arg(field.length);
    const QString raw = QString::fromStdString(field.text);
    QString text;
    for (const QChar c : raw) {
        if (text.size() >= limit) {
            text += QChar(0x2026);
            break;
        }
        const char16_t u = c.unicode();
        if (u == 0x1e)
            text += QStringLiteral(" | ");
        else if (u == 0x1f)
            text += QStringLiteral(" / ");
        else if (u < 0x20)
            text += QChar(char16_t(0x2400 + u));
        else if (u == 0x7f)
            text += QChar(char16_t(0x2421));
        else
            text += c;
    }
    return text;
}

QStringList recordRow(const ansinist::Record& record) {
    QStringList row(ListColumns);
    row[IndexColumn] = QString::number(record.index);
    row[TypeColumn] = typeText(record.type);
    if (record.idc) row[IdcColumn] = QString::number(*record.idc);
    if (const std::optional<ansinist::ImageInfo>& image = record.image) {
        QStringList positions;
        for (int position : image->positions)
            positions << codeText(ansinist::positionName(record.type, position), position);
        row[PositionColumn] = positions.join(QStringLiteral(", "));
        if (image->impression)
            row[ImpressionColumn] =
                codeText(ansinist::impressionName(*image->impression), *image->impression);
        row[SizeColumn] = QStringLiteral("%1 x %2").arg(image->width).arg(image->height);
        row[ResolutionColumn] =
            image->ppi ? QStringLiteral("%1 ppi").arg(*image->ppi) : QStringLiteral("unknown");
        row[CompressionColumn] = QString::fromLatin1(ansinist::compressionName(image->compression));
    }
    row[ProblemColumn] = QString::fromStdString(record.problem);
    return row;
}

}  // namespace

RecordsPanel::RecordsPanel(QWidget* parent) : QDockWidget(tr("Records"), parent) {
    setObjectName(QStringLiteral("recordsPanel"));
    setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea | Qt::BottomDockWidgetArea);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    m_list = new QTreeWidget(splitter);
    m_list->setObjectName(QStringLiteral("recordsList"));
    m_list->setHeaderLabels({tr("#"), tr("Record"), tr("IDC"), tr("Position"), tr("Impression"),
                             tr("Size"), tr("Resolution"), tr("Compression"), tr("Problem")});
    m_list->setRootIsDecorated(false);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setIconSize(QSize(kThumbnailSide, kThumbnailSide));

    m_fields = new QTreeWidget(splitter);
    m_fields->setObjectName(QStringLiteral("recordFields"));
    m_fields->setHeaderLabels({tr("Field"), tr("Name"), tr("Value")});
    m_fields->setWordWrap(false);
    m_fields->setSelectionMode(QAbstractItemView::SingleSelection);

    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    setWidget(splitter);

    connect(m_list, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { currentRowChanged(current); });

    // Thumbnails are made between events, so the window answers while they are made.
    m_thumbnailTimer.setSingleShot(true);
    m_thumbnailTimer.setInterval(0);
    connect(&m_thumbnailTimer, &QTimer::timeout, this, &RecordsPanel::makeNextThumbnail);
    connect(m_list->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &RecordsPanel::scheduleThumbnails);
    m_list->viewport()->installEventFilter(this);
}

RecordsPanel::~RecordsPanel() = default;

void RecordsPanel::clear() {
    m_thumbnailTimer.stop();
    m_selectingQuietly = true;
    m_list->clear();
    m_selectingQuietly = false;
    m_fields->clear();
    m_transaction.reset();
    m_imageRecords = 0;
    m_waitingThumbnails = 0;
}

void RecordsPanel::setDocument(const document::Document& doc) {
    clear();
    if (!doc.transaction) return;
    m_transaction = doc.transaction;
    const ansinist::Transaction& transaction = m_transaction->transaction();

    QPixmap empty(kThumbnailSide, kThumbnailSide);
    empty.fill(Qt::transparent);
    const QIcon blank(empty);
    QList<QTreeWidgetItem*> rows;
    for (size_t slot = 0; slot < transaction.records.size(); ++slot) {
        const ansinist::Record& record = transaction.records[slot];
        auto* item = new QTreeWidgetItem(recordRow(record));
        item->setData(IndexColumn, kRecordSlot, qulonglong(slot));
        item->setData(IndexColumn, kRecordIndex, record.index);
        if (record.image) {
            ++m_imageRecords;
            ++m_waitingThumbnails;
            item->setData(IndexColumn, kThumbnailWaits, true);
            // An empty place of the thumbnail's size, so that rows keep their height when
            // thumbnails arrive and a scrolled list stays where it was put.
            item->setIcon(IndexColumn, blank);
        }
        QStringList tip;
        if (!record.problem.empty()) tip << QString::fromStdString(record.problem);
        for (const std::string& warning : record.warnings) tip << QString::fromStdString(warning);
        if (!tip.isEmpty()) item->setToolTip(TypeColumn, tip.join(QLatin1Char('\n')));
        rows << item;
    }
    // A walk that stopped early says so in a last row that cannot be chosen.
    if (!transaction.walkEnd.empty()) {
        QStringList row(ListColumns);
        row[TypeColumn] = tr("(the records stop here)");
        row[ProblemColumn] = QString::fromStdString(transaction.walkEnd);
        auto* item = new QTreeWidgetItem(row);
        item->setFlags(Qt::NoItemFlags);
        rows << item;
    }
    m_list->addTopLevelItems(rows);

    QTreeWidgetItem* first = nullptr;
    for (const document::Page& page : doc.pages) {
        QTreeWidgetItem* item = nullptr;
        for (QTreeWidgetItem* row : rows)
            if (row->data(IndexColumn, kRecordIndex).toInt() == page.record) item = row;
        if (!item) continue;
        if (!first) first = item;
        if (page.decoded && !page.image.isNull()) setThumbnail(item, page.image);
    }
    m_selectingQuietly = true;
    if (first) m_list->setCurrentItem(first);
    m_selectingQuietly = false;
    if (!first) showFields(nullptr);
    for (int column = 0; column < ListColumns; ++column) m_list->resizeColumnToContents(column);
    scheduleThumbnails();
}

void RecordsPanel::recordShown(int record, const QImage& picture) {
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_list->topLevelItem(i);
        if (item->data(IndexColumn, kRecordIndex).toInt() != record || !recordOf(item)) continue;
        if (item->data(IndexColumn, kThumbnailWaits).toBool() && !picture.isNull())
            setThumbnail(item, picture);
        if (m_list->currentItem() != item) {
            m_selectingQuietly = true;
            m_list->setCurrentItem(item);
            m_selectingQuietly = false;
        }
        return;
    }
}

const ansinist::Record* RecordsPanel::recordOf(const QTreeWidgetItem* item) const {
    if (!item || !m_transaction) return nullptr;
    const QVariant slot = item->data(IndexColumn, kRecordSlot);
    if (!slot.isValid()) return nullptr;
    const std::vector<ansinist::Record>& records = m_transaction->transaction().records;
    const qulonglong at = slot.toULongLong();
    return at < records.size() ? &records[size_t(at)] : nullptr;
}

void RecordsPanel::currentRowChanged(QTreeWidgetItem* current) {
    const ansinist::Record* record = recordOf(current);
    showFields(record);
    if (!m_selectingQuietly && record && record->image) emit imageRecordChosen(record->index);
}

// Type-1 and every Type-2 record always, the chosen record too; in file order, so a chosen
// Type-1 or Type-2 record is not listed twice.
void RecordsPanel::showFields(const ansinist::Record* chosen) {
    m_fields->clear();
    if (!m_transaction) return;
    for (const ansinist::Record& record : m_transaction->transaction().records) {
        if (record.type != 1 && record.type != 2 && &record != chosen) continue;
        auto* group = new QTreeWidgetItem(m_fields);
        group->setText(TagColumn, tr("Record %1: %2").arg(record.index).arg(typeText(record.type)));
        group->setFirstColumnSpanned(true);
        if (&record == chosen) {
            QFont bold = group->font(TagColumn);
            bold.setBold(true);
            group->setFont(TagColumn, bold);
        }
        for (const ansinist::Field& field : record.fields) {
            auto* item = new QTreeWidgetItem(group);
            item->setText(TagColumn, QStringLiteral("%1.%2")
                                         .arg(record.type)
                                         .arg(field.number, 3, 10, QLatin1Char('0')));
            item->setText(NameColumn,
                          QString::fromUtf8(ansinist::fieldMnemonic(record.type, field.number)));
            item->setText(ValueColumn, valueText(field, kShownValue));
            if (!field.binary && field.text.size() > size_t(kShownValue / 2))
                item->setToolTip(ValueColumn, valueText(field, kTipValue));
        }
        group->setExpanded(true);
    }
    m_fields->resizeColumnToContents(TagColumn);
    m_fields->resizeColumnToContents(NameColumn);
}

bool RecordsPanel::eventFilter(QObject* watched, QEvent* e) {
    if (watched == m_list->viewport() && (e->type() == QEvent::Resize || e->type() == QEvent::Show))
        scheduleThumbnails();
    return QDockWidget::eventFilter(watched, e);
}

void RecordsPanel::scheduleThumbnails() {
    if (m_waitingThumbnails > 0 && !m_thumbnailTimer.isActive()) m_thumbnailTimer.start();
}

QTreeWidgetItem* RecordsPanel::nextThumbnailRow() const {
    if (m_waitingThumbnails == 0) return nullptr;
    if (m_list->isVisible()) {
        const int bottom = m_list->viewport()->height();
        for (QTreeWidgetItem* item = m_list->itemAt(QPoint(0, 0)); item;
             item = m_list->itemBelow(item)) {
            if (m_list->visualItemRect(item).top() >= bottom) break;
            if (item->data(IndexColumn, kThumbnailWaits).toBool()) return item;
        }
    }
    if (m_imageRecords > kEagerThumbnails) return nullptr;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_list->topLevelItem(i);
        if (item->data(IndexColumn, kThumbnailWaits).toBool()) return item;
    }
    return nullptr;
}

void RecordsPanel::makeNextThumbnail() {
    QTreeWidgetItem* item = nextThumbnailRow();
    const ansinist::Record* record = recordOf(item);
    if (!record) return;
    QString problem;
    const QImage picture = document::recordPicture(*m_transaction, *record, &problem);
    setThumbnail(item, picture);
    if (picture.isNull() && item->text(ProblemColumn).isEmpty()) {
        item->setText(ProblemColumn, problem);
        m_list->resizeColumnToContents(ProblemColumn);
    }
    if (nextThumbnailRow()) m_thumbnailTimer.start();
}

void RecordsPanel::setThumbnail(QTreeWidgetItem* item, const QImage& picture) {
    if (item->data(IndexColumn, kThumbnailWaits).toBool()) --m_waitingThumbnails;
    item->setData(IndexColumn, kThumbnailWaits, false);
    if (picture.isNull()) return;
    const QImage small = picture.scaled(kThumbnailSide, kThumbnailSide, Qt::KeepAspectRatio,
                                        Qt::SmoothTransformation);
    item->setIcon(IndexColumn, QIcon(QPixmap::fromImage(small)));
}
