// The raster library's front door: files read into three colour planes, or written from them,
// chosen by the file name's extension key. Planes (PlanarRgb) are one buffer of 3 x width x height
// bytes: the red plane, then green, then blue, rows top to bottom.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "imagefile/bitmap_image.h"
#include "imagefile/formats.h"

namespace imagefile {

enum ImageFileType : int {
    kWsqFileType = 1,
    kBmpFileType = 2,
    kTiffFileType = 3,
    kPngFileType = 4,
    kJpegFileType = 5,
    kSgiFileType = 6,
    kTargaFileType = 7,
};

// Longest output name, its terminating zero included.
inline constexpr size_t kOutputPathBufferSize = 4096;

// 1 when the steps ran to the end (a picture that could not be read comes back 0 x 0), 8 when
// the name has no ".", or the negative code of a failed WSQ file read.
int ReadImageFile(const char* name, int* width, int* height, std::vector<uint8_t>* planes);
// What ReadImageFile leaves behind after reading a file other than WSQ: the TIFF storage a TIFF
// read found (for the next TIFF save), and a line on standard error when the true-colour
// picture is not 8 or 24 bits deep. For callers that read with ReadImageFileChecked.
void KeepLibraryReadSettings(const std::optional<TiffSaveInfo>& tiff, int depth);
// 1 after a write attempt of a library format (the writer's code is the last error) or a
// successful WSQ write; 0 for a type outside 1..7; negative when nothing was written: -2 or -3
// from the WSQ file write, the encoder's code when WSQ encoding failed, -2 for a name too long
// for the output path buffer.
int WriteImageFile(const char* name, int type, int width, int height, const uint8_t* planes);

// Any library format but TIFF and WSQ, by extension key; 0 or an image error code.
uint32_t ReadBitmapFile(const char* name, BitmapImage* image);
// A packed buffer of 3 or 4 bytes a pixel (rows one after another, stored as given); byte order 1
// means blue-green-red, anything else red-green-blue.
uint32_t WriteBitmapFile(const char* name, int bytesPerPixel, uint32_t width, uint32_t height,
                         const uint8_t* pixels, int byteOrder);

}  // namespace imagefile
