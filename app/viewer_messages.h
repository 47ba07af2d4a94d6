// The caption of every message box the viewer and the converter show.
#pragma once

#include <QString>

inline QString viewerMessageCaption() {
    return QStringLiteral("WSQ viewer");
}
