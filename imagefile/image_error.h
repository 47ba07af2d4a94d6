// The raster library's error codes, their fixed messages and the last-error code.
// The last error is kept per thread, so that files may be converted on several threads at once.
#pragma once

#include <cstdint>

namespace imagefile {

enum ImageError : uint32_t {
    kNoError = 0,
    kCorruptedFile = 1,
    kInvalidBitsPerPixel = 2,
    kMemoryAllocation = 3,
    kInvalidImageSize = 4,
    kInvalidBitmapHandle = 5,
    kWindowsApiError = 6,
    kUnableToOpenFile = 7,
    kUnsupportedOption = 8,
    kInvalidBitmapPointer = 9,
    kUnsupportedExtension = 10,
    kErrorReadingFile = 11,
    kErrorWritingFile = 12,
    kInvalidGeoTiffPointer = 13,
    kBackgroundUndefined = 14,
    kBackgroundTooSmall = 15,
    kCorruptFile = 16,
};

void SetLastImageError(uint32_t code);
uint32_t GetLastImageError();
const char* GetLastImageErrorMessage();
// The message of any code ("No Error" for 0); codes outside the table give an empty text.
const char* ImageErrorMessage(uint32_t code);

}  // namespace imagefile
