// What main does with its command-line argument, kept apart so tests run the same code.
#pragma once

#include <QString>

class wsqimageviewer;

// Loads the named file into the window if it exists; otherwise prints
// "Error: Input file does not exist." on standard output. An empty name does nothing.
void openCommandLineFile(wsqimageviewer& window, const QString& fileName);

// Whether Qt has a screen to open the window on: a display server named in DISPLAY or
// WAYLAND_DISPLAY, or a platform chosen explicitly (QT_QPA_PLATFORM or -platform).
bool graphicalSessionAvailable(int argc, char** argv);
// The one line printed instead of starting without one.
const char* noGraphicalSessionMessage();
