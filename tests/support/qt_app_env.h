// One QApplication for a whole GoogleTest executable of the viewer or the converter.
// Include this header in exactly one source file of the test: it registers a global
// environment that creates the application before the first test and destroys it after the
// last. GUI tests run on the offscreen platform (set by ctest; set here too for direct runs).
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

namespace testsupport {

class QtApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "viewer-test";
        static char* argv[] = {name, nullptr};
        m_application = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { m_application.reset(); }

private:
    std::unique_ptr<QApplication> m_application;
};

inline ::testing::Environment* const kQtApplicationEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace testsupport
