// True size on screen: the shown size at which one inch of print is one inch of screen, from the
// picture's resolution and the screen's, and the screen resolution a ruler measurement gives.
#pragma once

#include <QSize>

namespace document {

// Neither side of a picture shown at physical size may exceed this (a picture of a few pixels
// per inch on a fine screen would otherwise ask for gigabytes).
inline constexpr int kPhysicalSideLimit = 16384;

enum class PhysicalSizeProblem { None, NoPictureResolution, NoScreenResolution, TooLarge };

struct PhysicalSize {
    QSize shown;  // empty unless problem is None
    PhysicalSizeProblem problem = PhysicalSizeProblem::None;
};

// picture x screenPpi / picturePpi along both sides, rounded to whole pixels, at least one.
PhysicalSize physicalShownSize(QSize picture, int picturePpi, double screenPpi);

// The screen's pixels per inch when a line `pixels` long measures `millimetres` on a ruler;
// 0 for a measurement of nothing.
double screenPpiFromRuler(int pixels, double millimetres);

}  // namespace document
