// Small helpers shared by the viewer's tests: finding menu entries and writing pictures.
#pragma once

#include <QAction>
#include <QByteArray>
#include <QFile>
#include <QImage>
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
