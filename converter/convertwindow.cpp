#include "convertwindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>

#include "conversionrun.h"
#include "customlistitem.h"
#include "format_registry.h"
#include "main_window_pointer.h"
#include "viewer_messages.h"
#include "wsqimageviewer.h"

namespace {

constexpr Qt::WindowFlags kDecoratedDialog =
    Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint;

}  // namespace

ConvertWindow::ConvertWindow(QWidget* parent, const char* name, bool modal)
    : ConvertDialog(parent, name, modal, kDecoratedDialog) {
    fileTypeListBox->clear();
    fileTypeListBox->setSortingEnabled(false);
    for (const document::LabelledPatterns& type : document::readableTypeGroups()) {
        new CustomListItem(fileTypeListBox, type.label, this);
        m_patternByLabel.insert(type.label, type.patterns.join(QLatin1Char(' ')));
    }
    // Entry k (from 1) is save type k of the main window's save.
    outputFileFormatComboBox->addItems(document::saveDialogFilters());
    outputFileFormatComboBox->setCurrentIndex(0);

    // A click anywhere on an entry's line toggles it (the view does not toggle boxes itself).
    connect(fileTypeListBox, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { onTypeClicked(item); });
    fileTypeListBox->installEventFilter(this);

    connect(startConversionButton, &QPushButton::clicked, this, &ConvertWindow::startConversion);
    connect(stopConversionButton, &QPushButton::clicked, this, &ConvertWindow::stopConversion);
    connect(closeButton, &QPushButton::clicked, this, &ConvertWindow::stopConversion);
    connect(selectInputDirectoryButton, &QPushButton::clicked, this,
            &ConvertWindow::selectInputDirectory);
    connect(selectOututDirectoryButton, &QPushButton::clicked, this,
            &ConvertWindow::selectOutputDirectory);
    // Closing the window by its title bar or Escape ends a run too, as the Close button does.
    connect(this, &QDialog::finished, this, &ConvertWindow::stopConversion);
}

ConvertWindow::~ConvertWindow() = default;

void ConvertWindow::onTypeClicked(QTreeWidgetItem* item) {
    if (auto* entry = dynamic_cast<CustomListItem*>(item)) entry->activate();
}

bool ConvertWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == fileTypeListBox && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier) {
            onTypeClicked(fileTypeListBox->currentItem());
            return true;
        }
    }
    return ConvertDialog::eventFilter(watched, event);
}

void ConvertWindow::changeFileTypeList(CustomListItem* item) {
    // operator[] as the map was always used: an unknown label maps to an empty pattern.
    const QString pattern = m_patternByLabel[item->text(0)];
    if (m_selectedPatterns.contains(pattern))
        m_selectedPatterns.removeAll(pattern);
    else
        m_selectedPatterns.append(pattern);
}

void ConvertWindow::selectInputDirectory() {
    const QString dir = QFileDialog::getExistingDirectory(this, QString(), QStringLiteral("."),
                                                          QFileDialog::ShowDirsOnly);
    if (!dir.isEmpty()) inputDirectoryLineEdit->setText(dir);
}

void ConvertWindow::selectOutputDirectory() {
    const QString dir = QFileDialog::getExistingDirectory(this, QString(), QStringLiteral("."),
                                                          QFileDialog::ShowDirsOnly);
    if (!dir.isEmpty()) outputDirectoryLineEdit->setText(dir);
}

void ConvertWindow::startConversion() {
    const QString caption = viewerMessageCaption();
    m_inputDir = inputDirectoryLineEdit->text();
    m_outputDir = outputDirectoryLineEdit->text();

    if (m_inputDir.isEmpty()) {
        QMessageBox::warning(this, caption, tr("Please select input directory"));
        return;
    }
    if (!QDir(m_inputDir).exists()) {
        QMessageBox::warning(
            this, caption,
            tr("The input directory does not exist.\nPlease select another input directory."));
        return;
    }
    if (m_outputDir.isEmpty()) {
        QMessageBox::warning(this, caption, tr("Please select output directory"));
        return;
    }
    if (!QDir(m_outputDir).exists()) {
        QMessageBox::warning(this, caption,
                             tr("The output directory does not exist.\nTrying to create new "
                                "directory\n") +
                                 m_outputDir);
        if (!QDir().mkdir(m_outputDir)) {
            QMessageBox::critical(this, caption, tr("Failed to create output directory."));
            return;
        }
    }
    m_inputDir = conversion::withTrailingSlash(m_inputDir);
    m_outputDir = conversion::withTrailingSlash(m_outputDir);

    completionProgressBar->setRange(0, 100);
    const int outputIndex = outputFileFormatComboBox->currentIndex();
    const int outputType =
        outputIndex < 0 ? 0 : static_cast<int>(document::saveFormats()[outputIndex].type);
    m_stopRequested = 0;
    stopConversionButton->setEnabled(true);
    startConversionButton->setEnabled(false);
    m_fileList.clear();

    if (subdirectoriesCheckBox->isChecked())
        collectFilesRecursive(inputDirectoryLineEdit->text());
    else
        collectFiles(inputDirectoryLineEdit->text());

    wsqimageviewer* viewer = mainWindow();
    const int total = static_cast<int>(m_fileList.size());
    int count = 0;
    // Copied: a slot run from the event processing below may not change the list under us.
    const QStringList files = m_fileList;
    QStringList notConverted;
    for (const QString& path : files) {
        if (m_stopRequested == 1 || !viewer) break;
        ++count;
        viewer->m_interactiveSave = count == 1 ? 1 : 0;
        viewer->load(path);
        const QString base = m_outputDir + conversion::outputBaseName(path);
        if (viewer->pageRecord(0) == 0) {
            viewer->save(base, outputType);
            if (!viewer->lastSaveWritten()) notConverted << QDir::toNativeSeparators(path);
        } else {
            // Each picture of a transaction becomes BASE-N, N its record.
            for (int page = 0; page < viewer->pageCount(); ++page) {
                viewer->showPage(page);
                viewer->m_interactiveSave = count == 1 && page == 0 ? 1 : 0;
                viewer->save(base + QStringLiteral("-%1").arg(viewer->pageRecord(page)),
                             outputType);
                if (!viewer->lastSaveWritten())
                    notConverted << QStringLiteral("%1 (record %2)")
                                        .arg(QDir::toNativeSeparators(path))
                                        .arg(viewer->pageRecord(page));
            }
        }
        completionProgressBar->setValue(conversion::progressPercent(count, total));
        completionLabel->setNum(completionProgressBar->value());
        // Let the percentage repaint and a click on Stop (or Close) arrive before the next file.
        QCoreApplication::processEvents();
    }

    completionProgressBar->setValue(100);
    completionLabel->setText(QStringLiteral("100"));
    m_stopRequested = 1;
    stopConversionButton->setEnabled(false);
    startConversionButton->setEnabled(true);
    showCompletion(notConverted);
    completionProgressBar->setValue(0);
    completionLabel->setText(QStringLiteral("0"));
}

void ConvertWindow::showCompletion(const QStringList& notConverted) {
    QMessageBox box(QMessageBox::Information, viewerMessageCaption(), tr("Conversion completed"),
                    QMessageBox::Ok, this);
    // The files a run loaded or saved nothing for are named, so none is lost without a word.
    if (!notConverted.isEmpty()) {
        box.setInformativeText(tr("%n file(s) could not be converted.", nullptr,
                                  static_cast<int>(notConverted.size())));
        box.setDetailedText(notConverted.join(QLatin1Char('\n')));
    }
    box.exec();
}

void ConvertWindow::stopConversion() {
    m_stopRequested = 1;
    stopConversionButton->setEnabled(false);
    startConversionButton->setEnabled(true);
}

void ConvertWindow::collectFiles(const QString& dir) {
    conversion::collectFiles(dir, m_selectedPatterns, &m_fileList);
}

void ConvertWindow::collectFilesRecursive(const QString& dir) {
    conversion::collectFilesRecursive(dir, m_selectedPatterns, &m_fileList);
}
