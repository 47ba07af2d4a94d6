// Small helpers shared by the viewer's tests: finding menu entries, answering file dialogs and
// writing pictures.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QByteArray>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QString>

namespace viewertest {

// The menu of the menu bar whose title is `title` ("&File"), or null.
inline QMenu* menuTitled(QMainWindow& window, const QString& title) {
    for (QAction* action : window.menuBar()->actions())
        if (action->menu() && action->text() == title) return action->menu();
    return nullptr;
}

// The entry `text` of any menu, or null.
inline QAction* menuEntry(QMainWindow& window, const QString& text) {
    for (QAction* top : window.menuBar()->actions()) {
        if (!top->menu()) continue;
        for (QAction* action : top->menu()->actions())
            if (action->text() == text) return action;
    }
    return nullptr;
}

inline QString statusText(QMainWindow& window) {
    return window.statusBar()->currentMessage();
}

// Answers an Open or Save dialog as a user would: picks the filter, goes to the file's folder,
// types the name into the name field and accepts. The name goes straight into that field:
// selectFile() leaves it alone once it has the focus, and the dialog may have it already.
inline void answerFileDialog(QFileDialog* dialog, const QString& file,
                             const QString& filter = QString()) {
    if (!filter.isEmpty()) dialog->selectNameFilter(filter);
    dialog->setDirectory(QFileInfo(file).absolutePath());
    if (auto* nameField = dialog->findChild<QLineEdit*>("fileNameEdit"))
        nameField->setText(QFileInfo(file).fileName());
    static_cast<QDialog*>(dialog)->accept();
    if (dialog->isVisible()) {
        ADD_FAILURE() << "the file dialog did not take " << file.toStdString();
        static_cast<QDialog*>(dialog)->reject();
    }
}

// Writes `bytes` as the whole file `path`; false when it cannot be written.
inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The bytes of the file `path`; none when it cannot be read.
inline QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A picture whose pixels differ from row to row and column to column.
inline QImage patternImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb((x * 7) & 255, (y * 5) & 255, ((x + y) * 3) & 255));
    return image;
}

}  // namespace viewertest
