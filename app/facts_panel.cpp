#include "facts_panel.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QSplitter>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "grey_histogram.h"
#include "histogram_view.h"

namespace {

QTreeWidgetItem* addRow(QTreeWidgetItem* parent, const QString& name, const QString& value) {
    auto* item = new QTreeWidgetItem(parent, {name, value});
    item->setToolTip(1, value);
    return item;
}

}  // namespace

FactsPanel::FactsPanel(QWidget* parent) : QDockWidget(tr("Facts"), parent) {
    setObjectName(QStringLiteral("factsPanel"));
    auto* body = new QWidget;
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(2, 2, 2, 2);

    auto* splitter = new QSplitter(Qt::Vertical);
    m_facts = new QTreeWidget;
    m_facts->setObjectName(QStringLiteral("factsList"));
    m_facts->setColumnCount(2);
    m_facts->setHeaderLabels({tr("Fact"), tr("Value")});
    m_facts->setRootIsDecorated(true);
    m_facts->setAlternatingRowColors(true);
    splitter->addWidget(m_facts);

    m_nistcom = new QTableWidget(0, 2);
    m_nistcom->setObjectName(QStringLiteral("nistcomTable"));
    m_nistcom->setHorizontalHeaderLabels({tr("NISTCOM name"), tr("Value")});
    m_nistcom->horizontalHeader()->setStretchLastSection(true);
    m_nistcom->verticalHeader()->hide();
    m_nistcom->verticalHeader()->setDefaultSectionSize(m_nistcom->fontMetrics().height() + 6);
    m_nistcom->setEditTriggers(QAbstractItemView::NoEditTriggers);
    splitter->addWidget(m_nistcom);
    layout->addWidget(splitter, 1);

    layout->addWidget(new QLabel(tr("Grey levels")));
    m_histogram = new HistogramView;
    m_histogram->setObjectName(QStringLiteral("histogram"));
    layout->addWidget(m_histogram);
    setWidget(body);
    clear();
}

void FactsPanel::clear() {
    m_facts->clear();
    m_savedGroup = nullptr;
    m_nistcom->setRowCount(0);
    m_nistcom->hide();
    m_histogram->setHistogram({});
}

void FactsPanel::setDocument(const document::Document& doc, const QImage& picture) {
    clear();
    const document::DocumentFacts facts = document::documentFacts(doc);
    QTreeWidgetItem* root = m_facts->invisibleRootItem();
    for (const document::FactRow& row : facts.file) addRow(root, row.name, row.value);
    if (doc.wsqStream) {
        QTreeWidgetItem* comments =
            addRow(root, tr("Comments"), QString::number(facts.comments.size()));
        for (qsizetype i = 0; i < facts.comments.size(); ++i) {
            // One line per comment; the tool tip keeps its lines (a NISTCOM list has many).
            QString line = facts.comments[i];
            line.replace(QLatin1Char('\n'), QStringLiteral(" | "));
            addRow(comments, QString::number(i + 1), line)->setToolTip(1, facts.comments[i]);
        }
        comments->setExpanded(true);
        QTreeWidgetItem* segments =
            addRow(root, tr("Segments"), QString::number(facts.segments.size()));
        for (const document::FactRow& row : facts.segments) addRow(segments, row.name, row.value);
    }
    m_facts->resizeColumnToContents(0);

    m_nistcom->setRowCount(int(facts.nistcom.size()));
    for (size_t i = 0; i < facts.nistcom.size(); ++i) {
        m_nistcom->setItem(int(i), 0, new QTableWidgetItem(facts.nistcom[i].name));
        m_nistcom->setItem(int(i), 1, new QTableWidgetItem(facts.nistcom[i].value));
    }
    m_nistcom->setVisible(!facts.nistcom.empty());
    m_nistcom->resizeColumnToContents(0);
    m_histogram->setHistogram(document::greyHistogram(picture));
}

void FactsPanel::showSavedWsq(const std::vector<document::FactRow>& rows) {
    delete m_savedGroup;
    m_savedGroup = addRow(m_facts->invisibleRootItem(), tr("Last WSQ save"), QString());
    for (const document::FactRow& row : rows) addRow(m_savedGroup, row.name, row.value);
    m_savedGroup->setExpanded(true);
    m_facts->scrollToItem(m_savedGroup);
}

void FactsPanel::closeEvent(QCloseEvent* e) {
    QDockWidget::closeEvent(e);
    if (e->isAccepted()) emit closedByUser();
}
