// The viewer's message boxes. Every box goes through here so that a test can record the boxes
// instead of showing them (a shown box would wait for a click that never comes).
#pragma once

#include <functional>

#include <QMessageBox>
#include <QString>

namespace viewerbox {

// Receives each box instead of the screen: its icon, caption and text.
using Recorder = std::function<void(QMessageBox::Icon icon, const QString& caption,
                                    const QString& text)>;

// Installs `recorder` (an empty one shows boxes again).
void setRecorder(Recorder recorder);

// A modal box with one OK button; returns when it is closed.
void information(QWidget* parent, const QString& caption, const QString& text);
void warning(QWidget* parent, const QString& caption, const QString& text);
void critical(QWidget* parent, const QString& caption, const QString& text);

}  // namespace viewerbox
