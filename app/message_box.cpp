#include "message_box.h"

#include <utility>

namespace viewerbox {

namespace {

Recorder& recorder() {
    static Recorder installed;
    return installed;
}

void show(QMessageBox::Icon icon, QWidget* parent, const QString& caption, const QString& text) {
    if (recorder()) {
        recorder()(icon, caption, text);
        return;
    }
    switch (icon) {
        case QMessageBox::Information: QMessageBox::information(parent, caption, text); break;
        case QMessageBox::Warning: QMessageBox::warning(parent, caption, text); break;
        default: QMessageBox::critical(parent, caption, text); break;
    }
}

}  // namespace

void setRecorder(Recorder r) { recorder() = std::move(r); }

void information(QWidget* parent, const QString& caption, const QString& text) {
    show(QMessageBox::Information, parent, caption, text);
}

void warning(QWidget* parent, const QString& caption, const QString& text) {
    show(QMessageBox::Warning, parent, caption, text);
}

void critical(QWidget* parent, const QString& caption, const QString& text) {
    show(QMessageBox::Critical, parent, caption, text);
}

}  // namespace viewerbox
