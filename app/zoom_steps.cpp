#include "zoom_steps.h"

#include <algorithm>

namespace {

constexpr double kZoomFactor = 1.2;

}  // namespace

std::optional<QSize> zoomInSize(QSize shown) {
    const long double width = static_cast<long double>(shown.width()) * kZoomFactor;
    if (width > kZoomInLimit) return std::nullopt;
    const long double height = static_cast<long double>(shown.height()) * kZoomFactor;
    if (height > kZoomInLimit) return std::nullopt;
    return QSize(static_cast<int>(width), static_cast<int>(height));
}

std::optional<QSize> zoomOutSize(QSize shown) {
    const long double width = static_cast<long double>(shown.width()) / kZoomFactor;
    if (width < kZoomOutLimit) return std::nullopt;
    const long double height = static_cast<long double>(shown.height()) / kZoomFactor;
    if (height < kZoomOutLimit) return std::nullopt;
    return QSize(static_cast<int>(width), static_cast<int>(height));
}

std::optional<QSize> zoomFitSize(QSize window, QSize image) {
    if (image.width() <= 0 || image.height() <= 0 || window.height() <= 0) return std::nullopt;
    // 64-bit products: the quotients are those of int arithmetic on any real sizes.
    const long long w = window.width(), h = window.height();
    const long long iw = image.width(), ih = image.height();
    long long newWidth = 0, newHeight = 0;
    if (static_cast<double>(w) / static_cast<double>(h) <= 1.0) {
        newWidth = w - 15;
        newHeight = (w - 15) * ih / iw;
        if (newHeight > h) {
            newHeight = h - 80;
            newWidth = iw * (h - 80) / ih;
        }
    } else {
        newHeight = h - 80;
        newWidth = (h - 80) * iw / ih;
        if (newWidth > w) {
            newWidth = w - 15;
            newHeight = ih * (w - 15) / iw;
        }
    }
    return QSize(static_cast<int>(newWidth), static_cast<int>(newHeight));
}

QSize visibleShownSize(int width, int height) {
    return QSize(std::max(width, 1), std::max(height, 1));
}
