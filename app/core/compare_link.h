// Linking two views of a comparison: the zoom the second pane takes from the first, the scroll
// position it follows, and the facts line each pane shows above its picture.
#pragma once

#include <QSize>
#include <QString>

#include "document.h"

namespace document {

// The zoom factor (shown size over picture size) for the second picture when the first is
// shown at `factor`. With both resolutions known the two are shown at one physical scale (an
// inch of either print as long as the other), otherwise at the same factor.
double linkedZoomFactor(double factor, int firstPpi, int secondPpi);

// The scroll value at the same fraction of the other bar's range [otherMin, otherMax].
int linkedScrollValue(int value, int minimum, int maximum, int otherMin, int otherMax);

// "mark.wsq  WSQ 500 x 500, 500 ppi  zoom 120%" for a pane showing `doc` at `shown`; a damaged
// file's line goes on with "  damaged file: " and the reader's words.
QString paneFactsLine(const Document& doc, int ppi, QSize picture, QSize shown);

}  // namespace document
