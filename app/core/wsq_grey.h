// Grey bytes, the form in which the WSQ codec takes and gives pictures, and the viewer's 32-bit
// pictures.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include <QImage>

namespace wsqgrey {

// Gives a picture built from decoded pixels the resolution a picture gets on a standard screen
// (96 dpi), so that what Qt writes with it (the BMP header) does not depend on the display or on
// whether there is one: the window and wsqconvert write the same bytes.
void setStandardResolution(QImage* image);

// An opaque 32-bit grey picture of width x height grey bytes, top row first.
QImage greyImage(const uint8_t* pixels, int width, int height);

// The same picture as 8-bit grey (QImage::Format_Grayscale8), with the same resolution.
QImage grey8Image(const uint8_t* pixels, int width, int height);

// Turns an opaque picture whose pixels are all grey into an 8-bit grey one (same pixels, same
// resolution); leaves any other picture as it is.
void keepGrey(QImage* image);

// An 8-bit grey picture as a palette picture (QImage::Format_Indexed8) with the 256-level grey
// ramp, same pixels and resolution; the padding at the end of each row is zeros.
QImage greyPaletteImage(const QImage& grey8);

// The grey bytes of a picture, row-major, top row first: (red + green + blue) / 3, truncated.
std::vector<uint8_t> greyBytes(const QImage& image);

// The grey bytes as the encoder takes them: an 8-bit grey picture whose rows have no padding
// as it is, any other picture's greyBytes kept in `storage`. Valid while both live.
std::span<const uint8_t> encoderInput(const QImage& image, std::vector<uint8_t>* storage);

}  // namespace wsqgrey
