// The size arithmetic of the zoom steps and of edge dragging, apart from the window.
#pragma once

#include <QSize>
#include <optional>

// Zoom In and Zoom Out multiply or divide by the double nearest to 1.2 in x87 extended
// precision (long double) and truncate toward zero. That double lies slightly below 1.2, so
// 500 zooms in to 599 and 599 zooms out to 499.
inline constexpr int kZoomInLimit = 2000;
inline constexpr int kZoomOutLimit = 10;

// The size after Zoom In, or nothing when either side would exceed 2000 (2000 is allowed).
std::optional<QSize> zoomInSize(QSize shown);
// The size after Zoom Out, or nothing when either exact quotient is below 10.
std::optional<QSize> zoomOutSize(QSize shown);
// The size that fits an image into the main window, by integer arithmetic; nothing for an
// image without pixels (there is no aspect ratio to keep).
std::optional<QSize> zoomFitSize(QSize window, QSize image);
// Edge dragging may ask for a side of zero or less; the picture is then shown one pixel
// wide or high. Positive sizes pass unchanged.
QSize visibleShownSize(int width, int height);
