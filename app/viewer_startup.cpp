#include "viewer_startup.h"

#include <QFile>
#include <cstdio>
#include <cstring>

#include "wsqimageviewer.h"

void openCommandLineFile(wsqimageviewer& window, const QString& fileName) {
    if (fileName.isEmpty()) return;
    if (QFile::exists(fileName)) {
        window.load(fileName);
        window.rememberRecentFile(fileName);
    } else {
        std::puts("Error: Input file does not exist.");
        // The window keeps running; whoever reads our output should see the line now.
        std::fflush(stdout);
    }
}

bool graphicalSessionAvailable(int argc, char** argv) {
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        if (!qEnvironmentVariableIsEmpty(variable)) return true;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return true;
    return false;
}

const char* noGraphicalSessionMessage() {
    return "wsqviewer: the viewer needs a graphical session (DISPLAY is not set); for a look "
           "without one, run it under xvfb-run (xvfb-run make run)";
}
