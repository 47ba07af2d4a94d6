// Answers the modal dialogs a test provokes: while a ModalWatcher lives, every modal window
// that opens is handed to a handler (by default: note a message box's caption and text and
// close it), so that calls which run nested event loops return. A test that expects a box says
// so by keeping a ModalWatcher; any other box is caught by the guard of qt_app_env.h.
#pragma once

#include <gtest/gtest.h>

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
    QString text;    // a message box's text, empty for other dialogs
    QString detail;  // a message box's informative and detailed texts, one per line
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

inline SeenModal describeModal(QWidget* modal) {
    SeenModal entry;
    entry.className = QString::fromLatin1(modal->metaObject()->className());
    entry.caption = modal->windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        entry.text = box->text();
        entry.icon = box->icon();
        QStringList detail;
        if (!box->informativeText().isEmpty()) detail << box->informativeText();
        if (!box->detailedText().isEmpty()) detail << box->detailedText();
        entry.detail = detail.join(QLatin1Char('\n'));
    }
    return entry;
}

inline void dismissModal(QWidget* modal) {
    if (auto* dialog = qobject_cast<QDialog*>(modal))
        dialog->reject();
    else
        modal->close();
}

// Polls for a modal window that has not been handled yet and hands it to `handle`, which
// says whether it took it.
class ModalPoller {
public:
    explicit ModalPoller(std::function<bool(QWidget*)> handle) : m_handle(std::move(handle)) {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start();
    }

private:
    void poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == m_last) return;
        if (!m_handle(modal)) return;
        m_last = modal;
        // A window that was closed and opens again (a dialog kept and reused, such as the WSQ
        // properties window) is answered again.
        if (m_last && !m_last->isVisible()) m_last = nullptr;
    }

    std::function<bool(QWidget*)> m_handle;
    QTimer m_timer;
    QPointer<QWidget> m_last;
};

class ModalWatcher {
public:
    // The handler gets the modal widget and must close it (accept, reject, ...).
    using Handler = std::function<void(QWidget*)>;

    explicit ModalWatcher(Handler handler = {})
        : m_handler(std::move(handler)),
          m_poller([this](QWidget* modal) { return answer(modal); }) {
        ++liveCount();
    }
    ~ModalWatcher() { --liveCount(); }
    ModalWatcher(const ModalWatcher&) = delete;
    ModalWatcher& operator=(const ModalWatcher&) = delete;

    const QList<SeenModal>& seen() const { return m_seen; }

    // How many watchers are alive: while one is, modal windows are expected.
    static int& liveCount() {
        static int count = 0;
        return count;
    }

private:
    bool answer(QWidget* modal) {
        m_seen.append(describeModal(modal));
        if (!m_handler) {
            dismissModal(modal);
            return true;
        }
        const QPointer<QWidget> answered(modal);
        m_handler(modal);
        // A handler whose assertion failed (say, on a window it did not expect) returned before
        // closing it: close it here, so that the nested event loop ends and the test with it.
        if (answered && answered->isVisible() && ::testing::Test::HasFatalFailure())
            dismissModal(answered);
        return true;
    }

    Handler m_handler;
    ModalPoller m_poller;
    QList<SeenModal> m_seen;
};

}  // namespace testsupport
