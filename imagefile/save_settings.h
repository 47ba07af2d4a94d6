// The library's save settings: what a WSQ save through WriteImageFile uses, and the TIFF settings
// remembered from the last TIFF read. One set per thread (the viewer uses one thread).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "imagefile/formats.h"

namespace imagefile {

struct WsqSaveSettings {
    double bitRate = 0.75;
    int32_t ppi = 500;
    int32_t depth = 8;
    std::optional<std::string> comment;
};

WsqSaveSettings& GlobalWsqSaveSettings();
TiffSaveInfo& GlobalTiffSaveInfo();

// Everything a save may need, handed to a write explicitly: the WSQ bit rate, resolution, depth
// and comment, the TIFF compression selector, orientation and predictor, and the resolution a
// raster file states. The defaults are the library's initial settings.
struct SaveSettings {
    WsqSaveSettings wsq;
    TiffSaveInfo tiff;
    // Pixels per inch, stated by a TIFF (XResolution, YResolution, ResolutionUnit inch), PNG
    // (pHYs, pixels per metre), JPEG (JFIF density, dots per inch) or BMP (pixels per metre)
    // file; the other formats ignore it (WSQ states wsq.ppi). Unset, those files state none.
    std::optional<int32_t> resolution;
};

// A copy of this thread's settings, as WriteImageFile uses them.
SaveSettings CurrentSaveSettings();

double GetWsqBitRate();
void SetWsqBitRate(double bitRate);
int32_t GetWsqPpi();
void SetWsqPpi(int32_t ppi);
// Null when there is no comment.
const char* GetWsqComment();
void SetWsqComment(const char* comment);

uint32_t GetTiffCompression();
void SetTiffCompression(uint32_t selector);
uint16_t GetTiffPredictor();
void SetTiffPredictor(uint16_t predictor);
// 1 = Deflate (predictor 2), 2 = PackBits, anything else = none.
void SetTiffCompressionByNumber(int number);
// The inverse: PackBits gives 2, Deflate 1, anything else 0.
int GetTiffCompressionNumber();

}  // namespace imagefile
