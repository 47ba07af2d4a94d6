// Going between bitmap records (bottom-up, blue-green-red, palettes) and the top-down
// red-green-blue pixels exchanged with peer tools, so that tests compare pictures, not layouts.
#pragma once

#include "imagefile/bitmap_image.h"
#include "support/peer_tools.h"

namespace testsupport {

// Colour pixels (3 channels, or 4 for 32-bit records) of any record, palettes looked up.
PeerPixels RecordToPeerPixels(const imagefile::BitmapImage& image);
// A 24-bit (3 channels) or 32-bit (4 channels) record; grey pictures become 8-bit records with
// the grey ramp palette.
imagefile::BitmapImage PeerPixelsToRecord(const PeerPixels& pixels, int32_t dibLayout);
// Grey becomes red = green = blue; an alpha channel is kept.
PeerPixels PeerAsColour(const PeerPixels& pixels);
// Drops an alpha channel.
PeerPixels PeerWithoutAlpha(const PeerPixels& pixels);

}  // namespace testsupport
