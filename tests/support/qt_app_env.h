// One QApplication for a whole GoogleTest executable of the viewer or the converter.
// Include this header in exactly one source file of the test: it registers a global
// environment that creates the application before the first test and destroys it after the
// last. GUI tests run on the offscreen platform (set by ctest; set here too for direct runs).
//
// No test waits for a person: while no ModalWatcher is alive, a guard closes any modal window
// that opens and fails the running test with the window's caption and text.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <memory>

#include "support/modal_watcher.h"

namespace testsupport {

class UnexpectedModalGuard {
public:
    UnexpectedModalGuard() : m_poller([](QWidget* modal) { return catchUnexpected(modal); }) {}

private:
    static bool catchUnexpected(QWidget* modal) {
        if (ModalWatcher::liveCount() > 0) return false;  // the test expects it and answers it
        // A modal window merely shown (a test's own converter window) waits for nobody; one
        // that runs its own event loop (exec) waits for a click.
        if (QThread::currentThread()->loopLevel() == 0) return false;
        const SeenModal seen = describeModal(modal);
        dismissModal(modal);
        ADD_FAILURE() << "unexpected modal " << seen.className.toStdString() << " \""
                      << seen.caption.toStdString() << "\": " << seen.text.toStdString()
                      << (seen.detail.isEmpty() ? "" : " / ") << seen.detail.toStdString();
        return true;
    }

    ModalPoller m_poller;
};

// The viewer remembers settings (QSettings). Tests keep them in a private folder, so that a
// developer's own settings are never read or touched, and every test starts from none.
class ScratchSettings : public ::testing::EmptyTestEventListener {
public:
    ScratchSettings() {
        for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
            QSettings::setPath(format, QSettings::UserScope, m_dir.path());
    }
    void OnTestStart(const ::testing::TestInfo&) override { forget(); }
    void OnTestEnd(const ::testing::TestInfo&) override { forget(); }

private:
    static void forget() {
        QSettings settings(QSettings::NativeFormat, QSettings::UserScope,
                           QStringLiteral("Tarvelon"), QStringLiteral("wsqviewer"));
        settings.clear();
        settings.sync();
    }
    QTemporaryDir m_dir;
};

class QtApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "viewer-test";
        static char* argv[] = {name, nullptr};
        m_application = std::make_unique<QApplication>(argc, argv);
        // Owned by GoogleTest's listener list from here on.
        ::testing::UnitTest::GetInstance()->listeners().Append(new ScratchSettings);
        m_guard = std::make_unique<UnexpectedModalGuard>();
    }
    void TearDown() override {
        m_guard.reset();
        m_application.reset();
    }

private:
    std::unique_ptr<QApplication> m_application;
    std::unique_ptr<UnexpectedModalGuard> m_guard;
};

inline ::testing::Environment* const kQtApplicationEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace testsupport
