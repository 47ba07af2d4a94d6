#include "viewer_startup.h"

#include <QFile>
#include <cstdio>

#include "wsqimageviewer.h"

void openCommandLineFile(wsqimageviewer& window, const QString& fileName) {
    if (fileName.isEmpty()) return;
    if (QFile::exists(fileName)) {
        window.load(fileName);
    } else {
        std::puts("Error: Input file does not exist.");
        // The window keeps running; whoever reads our output should see the line now.
        std::fflush(stdout);
    }
}
