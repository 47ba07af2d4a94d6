// One reader (and for some formats a writer) per file format. Readers take an empty record and
// return 0 or an image error code, which they also store as the last error; on failure the
// record is left empty. Writers never destroy an existing file: they write a temporary file in
// the same directory and rename it over the target only when everything was written.
#pragma once

#include <cstdint>
#include <string>

#include "imagefile/bitmap_image.h"

namespace imagefile {

// What a TIFF read found, so that a later TIFF save can use the same compression and orientation.
struct TiffSaveInfo {
    uint32_t compression = 0;  // selector 0..15 into the TIFF compression table
    uint32_t photometric = 0;  // photometric selector of the last TIFF read
    uint32_t bottomUp = 0;     // 1: orientation bottom-left; 0: top-left
    uint16_t predictor = 2;
};

// `ppi`, when given, receives the resolution the file states in pixels per inch (XResolution
// and YResolution in inches, or in centimetres converted); -1 when it states none, states it
// without a unit, or states a different one across and down. Set only by a successful read.
uint32_t ReadTiffFile(const char* name, BitmapImage* image, TiffSaveInfo* info,
                      int32_t* ppi = nullptr);
uint32_t WriteTiffFile(const char* name, const BitmapImage& image, const TiffSaveInfo* info);

uint32_t ReadTargaFile(const char* name, BitmapImage* image);
uint32_t WriteTargaFile(const char* name, const BitmapImage& image);

uint32_t ReadSgiFile(const char* name, BitmapImage* image);
uint32_t WriteSgiFile(const char* name, const BitmapImage& image);

uint32_t ReadPngFile(const char* name, BitmapImage* image);
uint32_t WritePngFile(const char* name, const BitmapImage& image);

uint32_t ReadJpegFile(const char* name, BitmapImage* image);
uint32_t WriteJpegFile(const char* name, const BitmapImage& image, int quality);

uint32_t ReadPsdFile(const char* name, BitmapImage* image);
uint32_t ReadIffFile(const char* name, BitmapImage* image);
// The same read, telling a whole file from one that holds the whole picture but ends short of
// what its chunks count (the pad byte after the last chunk): `damage` then says what is
// missing. It is left empty for a whole file and after a failure.
uint32_t ReadIffFileNotingDamage(const char* name, BitmapImage* image, std::string* damage);
uint32_t ReadPcxFile(const char* name, BitmapImage* image);
// Autodesk cel files and the first frame of FLI/FLC animations.
uint32_t ReadCelFile(const char* name, BitmapImage* image);
uint32_t ReadGifFile(const char* name, BitmapImage* image);

uint32_t ReadBmpFile(const char* name, BitmapImage* image);
uint32_t WriteBmpFile(const char* name, const BitmapImage& image);

// The TIFF, PNG and JPEG writers above, stating a resolution of `ppi` pixels per inch: TIFF's
// XResolution and YResolution with ResolutionUnit inch, PNG's pHYs chunk (pixels per metre),
// JFIF's density in dots per inch. 0 states none, and writes the bytes the writers above write;
// a resolution the format cannot hold (see MaxStatedResolution) is 8, and no file is made.
uint32_t WriteTiffFileWithResolution(const char* name, const BitmapImage& image,
                                     const TiffSaveInfo* info, int32_t ppi);
uint32_t WritePngFileWithResolution(const char* name, const BitmapImage& image, int32_t ppi);
uint32_t WriteJpegFileWithResolution(const char* name, const BitmapImage& image, int quality,
                                     int32_t ppi);

}  // namespace imagefile
