#include "main_window_pointer.h"

namespace {
wsqimageviewer* g_mainWindow = nullptr;
}

wsqimageviewer* mainWindow() {
    return g_mainWindow;
}

void setMainWindow(wsqimageviewer* window) {
    g_mainWindow = window;
}
