// The one QApplication of a GUI test executable, made on first use (GoogleTest owns main()).
// Header only: the shared test library does not link the widgets.
#pragma once

#include <QApplication>
#include <QCoreApplication>

namespace testsupport {

inline QApplication& converterApplication() {
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance()))
        return *existing;
    static int argc = 1;
    static char name[] = "gui-test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: tearing the application down among the other statics at exit crashes.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

}  // namespace testsupport
