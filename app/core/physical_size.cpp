#include "physical_size.h"

#include <cmath>

namespace document {

PhysicalSize physicalShownSize(QSize picture, int picturePpi, double screenPpi) {
    if (picturePpi <= 0) return {{}, PhysicalSizeProblem::NoPictureResolution};
    if (!(screenPpi > 0) || !std::isfinite(screenPpi))
        return {{}, PhysicalSizeProblem::NoScreenResolution};
    const double scale = screenPpi / picturePpi;
    const double w = std::max(1.0, std::round(picture.width() * scale));
    const double h = std::max(1.0, std::round(picture.height() * scale));
    if (w > kPhysicalSideLimit || h > kPhysicalSideLimit)
        return {{}, PhysicalSizeProblem::TooLarge};
    return {QSize(int(w), int(h)), PhysicalSizeProblem::None};
}

double screenPpiFromRuler(int pixels, double millimetres) {
    if (pixels <= 0 || !(millimetres > 0)) return 0;
    return pixels * 25.4 / millimetres;
}

}  // namespace document
