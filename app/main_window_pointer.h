// The process-wide pointer to the one main window, set by main; the converter reaches the
// window's load and save through it. It is cleared when that window is destroyed.
#pragma once

class wsqimageviewer;

wsqimageviewer* mainWindow();
void setMainWindow(wsqimageviewer* window);
