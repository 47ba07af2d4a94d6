// The WSQ branch of the main window's load: reads a WSQ file and builds its summary line.
#pragma once

#include <QString>

#include "image_load_result.h"

ImageLoadResult loadWsqImage(const QString& fileName);
