// Program entry: the one main window, opened on the file named by the first argument.
#include <QApplication>
#include <QFile>
#include <cstdio>

#include "main_window_pointer.h"
#include "viewer_startup.h"
#include "wsqimageviewer.h"

int main(int argc, char** argv) {
    // Without a screen Qt would abort with a core dump; say what is missing instead.
    if (!graphicalSessionAvailable(argc, argv)) {
        std::fprintf(stderr, "%s\n", noGraphicalSessionMessage());
        return 1;
    }
    QApplication app(argc, argv);
    auto* window = new wsqimageviewer;  // deletes itself when closed
    setMainWindow(window);
    window->show();
    // QApplication has taken its own options out of argv; further arguments are ignored.
    if (argc > 1) openCommandLineFile(*window, QFile::decodeName(argv[1]));
    QObject::connect(&app, &QApplication::lastWindowClosed, &app, &QApplication::quit);
    return app.exec();
}
