// The grey-level histogram of a picture: how many pixels have each of the 256 grey levels
// (colour pixels count at their Qt grey value).
#pragma once

#include <QImage>
#include <array>
#include <cstdint>

namespace document {

using GreyHistogram = std::array<std::uint64_t, 256>;

GreyHistogram greyHistogram(const QImage& image);

}  // namespace document
