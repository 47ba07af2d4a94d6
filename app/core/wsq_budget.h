// Encoding a picture as WSQ within a byte budget, for submissions whose size is capped: the
// largest bit rate, up to the one the settings ask for, whose stream fits.
#pragma once

#include <QImage>

#include <cstddef>

#include "document_save.h"
#include "wsq/wsq.h"

namespace document {

struct BudgetedWsq {
    // The stream at `bitrate`; empty when nothing fits or the encoder refused the picture (then
    // `encoded.error` says why, or `smallest` is the size at the lowest bit rate tried).
    wsq::Encoded encoded;
    double bitrate = 0;
    int encodes = 0;  // how many encodes the search took, at most kMaxBudgetEncodes
    size_t smallest = 0;

    bool fits() const { return !encoded.error && !encoded.bytes.empty(); }
};

inline constexpr int kMaxBudgetEncodes = 12;
// The lowest bit rate the search tries.
inline constexpr double kLowestBudgetBitRate = 0.02;

// Encodes `image` as savePicture would (its grey, the settings' resolution and comment), first at
// the settings' bit rate and, when that stream is larger than `maxBytes`, by bisection between the
// lowest bit rate and that one, keeping the largest bit rate tried whose stream fits.
BudgetedWsq encodeWsqWithin(const QImage& image, const SaveSettings& settings, size_t maxBytes);

}  // namespace document
