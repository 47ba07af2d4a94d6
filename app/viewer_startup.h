// What main does with its command-line argument, kept apart so tests run the same code.
#pragma once

#include <QString>

class wsqimageviewer;

// Loads the named file into the window if it exists; otherwise prints
// "Error: Input file does not exist." on standard output. An empty name does nothing.
void openCommandLineFile(wsqimageviewer& window, const QString& fileName);
