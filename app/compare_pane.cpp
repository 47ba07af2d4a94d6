#include "compare_pane.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "compare_link.h"
#include "document_load.h"
#include "stored_resolution.h"
#include "view_scaling.h"
#include "viewer_settings.h"
#include "zoom_steps.h"

namespace {

constexpr double kZoomStep = 1.2;
// The pane's own zoom keeps to the designed window's limits on the shown size.
constexpr int kLargestSide = kZoomInLimit;
constexpr int kSmallestSide = kZoomOutLimit;

}  // namespace

ComparePane::ComparePane(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("comparePane"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);

    auto* bar = new QHBoxLayout;
    m_facts = new QLabel;
    m_facts->setObjectName(QStringLiteral("paneFacts"));
    m_facts->setTextInteractionFlags(Qt::TextSelectableByMouse);
    bar->addWidget(m_facts, 1);
    struct Button {
        const char* text;
        const char* name;
        const char* tip;
        std::function<void()> run;
    };
    const Button buttons[] = {
        {"<", "panePrevious", "Previous picture in this pane's folder",
         [this] { emit stepAsked(document::FolderStep::Previous); }},
        {">", "paneNext", "Next picture in this pane's folder",
         [this] { emit stepAsked(document::FolderStep::Next); }},
        {"-", "paneZoomOut", "Zoom this pane out",
         [this] { emit zoomedByUser(m_factor / kZoomStep); }},
        {"+", "paneZoomIn", "Zoom this pane in",
         [this] { emit zoomedByUser(m_factor * kZoomStep); }},
        {"Open...", "paneOpen", "Show another picture in this pane", [this] { emit openAsked(); }},
        {"Save...", "paneSave", "Save this pane's picture", [this] { emit saveAsked(); }},
        {"Close", "paneClose", "Close this pane", [this] { emit closeAsked(); }},
    };
    for (const Button& b : buttons) {
        auto* button = new QToolButton;
        button->setText(tr(b.text));
        button->setToolTip(tr(b.tip));
        button->setObjectName(QString::fromLatin1(b.name));
        connect(button, &QToolButton::clicked, this, b.run);
        bar->addWidget(button);
    }
    layout->addLayout(bar);

    m_scroll = new QScrollArea;
    m_scroll->setObjectName(QStringLiteral("paneScroll"));
    m_scroll->setAlignment(Qt::AlignCenter);
    m_label = new QLabel;
    m_label->setObjectName(QStringLiteral("paneImage"));
    m_scroll->setWidget(m_label);
    layout->addWidget(m_scroll, 1);
}

ComparePane::~ComparePane() = default;

bool ComparePane::open(const QString& fileName, QString* error) {
    auto doc = std::make_unique<document::Document>(document::loadDocument(fileName));
    if (doc->picture().isNull()) {
        if (error)
            *error = doc->error.isEmpty() ? tr("%1 holds no picture").arg(fileName) : doc->error;
        return false;
    }
    m_picture = doc->picture();
    m_ppi = document::pageResolution(*doc, 0);
    m_document = std::move(doc);
    m_factor = 1.0;
    showAtFactor();
    if (!m_document->damage.isEmpty()) emit damagedFileShown(*m_document);
    return true;
}

bool ComparePane::step(document::FolderStep step) {
    if (!m_document) return false;
    const QStringList files =
        document::openableFilesIn(QFileInfo(m_document->fileName).absolutePath());
    QString next = document::steppedFile(files, m_document->fileName, step);
    // A file that holds no picture is passed over.
    while (!next.isEmpty()) {
        const double factor = m_factor;
        if (open(next, nullptr)) {
            // A picture of the same size keeps the pane's zoom, as the main view can.
            m_factor = factor;
            showAtFactor();
            return true;
        }
        if (step == document::FolderStep::First) step = document::FolderStep::Next;
        if (step == document::FolderStep::Last) step = document::FolderStep::Previous;
        next = document::steppedFile(files, next, step);
    }
    return false;
}

QString ComparePane::fileName() const {
    return m_document ? m_document->fileName : QString();
}

void ComparePane::setZoomFactor(double factor) {
    if (m_picture.isNull() || !(factor > 0)) return;
    const double largest = double(kLargestSide) / std::max(m_picture.width(), m_picture.height());
    const double smallest = double(kSmallestSide) / std::min(m_picture.width(), m_picture.height());
    m_factor = std::clamp(factor, std::min(smallest, 1.0), std::max(largest, 1.0));
    showAtFactor();
}

QSize ComparePane::shownSize() const {
    return m_label->pixmap().isNull() ? QSize() : m_label->pixmap().size();
}

QString ComparePane::factsLine() const {
    return m_facts->text();
}

void ComparePane::showAtFactor() {
    if (m_picture.isNull()) return;
    const QSize size(std::max(1, int(m_picture.width() * m_factor + 0.5)),
                     std::max(1, int(m_picture.height() * m_factor + 0.5)));
    // Scaled as the main view scales, by the View menu's "Smooth scaling".
    const bool smooth = viewersettings::value(viewersettings::kSmoothScaling, true).toBool();
    const QImage shown =
        size == m_picture.size() ? m_picture : document::scaledForView(m_picture, size, smooth);
    m_label->setPixmap(QPixmap::fromImage(shown));
    m_label->resize(size);
    m_facts->setText(document::paneFactsLine(*m_document, m_ppi, m_picture.size(), size));
}
