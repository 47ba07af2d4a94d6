// The per-thread background picture and colour.
#include "imagefile/background.h"

#include "imagefile/pixel_conversions.h"

namespace imagefile {

namespace {

thread_local BitmapImage g_backgroundImage;
thread_local BackgroundColour g_backgroundColour;

}  // namespace

const BitmapImage& GetBackgroundImage() { return g_backgroundImage; }

BackgroundColour GetBackgroundColour() { return g_backgroundColour; }

void ResetBackground() {
    FreeBitmapImage(&g_backgroundImage);
    g_backgroundColour = BackgroundColour{};
}

void SetBackgroundColour(uint32_t value) {
    g_backgroundColour.blue = static_cast<uint8_t>(value);
    g_backgroundColour.green = static_cast<uint8_t>(value >> 8);
    g_backgroundColour.red = static_cast<uint8_t>(value >> 16);
    g_backgroundColour.reserved = static_cast<uint8_t>(value >> 24);
}

uint32_t SetBackgroundImage(const BitmapImage& image) {
    return ConvertToTrueColor(image, &g_backgroundImage);
}

}  // namespace imagefile
