// Answers the modal dialogs a test provokes: while a ModalWatcher lives, every modal window
// that opens is handed to a handler (by default: note a message box's caption and text and
// close it), so that calls which run nested event loops return.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <functional>

namespace testsupport {

struct SeenModal {
    QString className;
    QString caption;
    QString text;  // a message box's text, empty for other dialogs
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

class ModalWatcher {
public:
    // The handler gets the modal widget and must close it (accept, reject, ...).
    using Handler = std::function<void(QWidget*)>;

    explicit ModalWatcher(Handler handler = {}) : m_handler(std::move(handler)) {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start();
    }

    const QList<SeenModal>& seen() const { return m_seen; }

private:
    void poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == m_last) return;
        m_last = modal;
        SeenModal entry;
        entry.className = QString::fromLatin1(modal->metaObject()->className());
        entry.caption = modal->windowTitle();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            entry.text = box->text();
            entry.icon = box->icon();
        }
        m_seen.append(entry);
        if (m_handler) {
            m_handler(modal);
        } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->reject();
        } else {
            modal->close();
        }
        // A window that was closed and opens again (a dialog kept and reused, such as the WSQ
        // properties window) is answered again.
        if (m_last && !m_last->isVisible()) m_last = nullptr;
    }

    Handler m_handler;
    QTimer m_timer;
    QPointer<QWidget> m_last;
    QList<SeenModal> m_seen;
};

}  // namespace testsupport
