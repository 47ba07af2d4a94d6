// Decoders for the compressions a transaction shares with ordinary image files, reading from
// memory: baseline JPEG (libjpeg), PNG (libpng) and JPEG 2000 (OpenJPEG). Each bounds the
// picture by the codec's size limits and by what its data can plausibly hold, and gives a
// Picture with an error rather than a partial picture when the data is damaged.
#pragma once

#include <cstdint>
#include <span>

#include "ansinist/picture.h"

namespace ansinist::detail {

Picture decodeJpeg(std::span<const uint8_t> data);
Picture decodePng(std::span<const uint8_t> data);
// A JP2 file or a bare codestream.
Picture decodeJpeg2000(std::span<const uint8_t> data);

// Sets the error "the picture is W x H, larger than ..." and returns false when a decoder
// should not allocate width x height x channels bytes for data of `dataBytes` bytes, which
// can hold at most `maxPixelsPerByte` pixels a byte.
bool acceptPictureSize(Picture& picture, uint64_t width, uint64_t height, uint64_t dataBytes,
                       uint64_t maxPixelsPerByte);

}  // namespace ansinist::detail
