#include "imagefile/image_error.h"

namespace imagefile {

namespace {

thread_local uint32_t g_lastImageError = kNoError;

constexpr const char* kMessages[] = {
    "No Error",
    "Corrupted file or invalid file format",
    "Invalid bits per pixel for this file format",
    "Memory allocation error",
    "Invalid requested image size",
    "Invalid bitmap handle",
    "Windows API Error",
    "Unable to open file",
    "Unsupported file format option",
    "Invalid pointer to a bitmap image",
    "Unsupported file extension",
    "Error reading file",
    "Error writing to the output file",
    "Invalid pointer to a GeoTIFF structure",
    "The background image is undefined",
    "The background image is too small",
    "Corrupt File",
};

}  // namespace

void SetLastImageError(uint32_t code) { g_lastImageError = code; }

uint32_t GetLastImageError() { return g_lastImageError; }

const char* ImageErrorMessage(uint32_t code) {
    return code < sizeof(kMessages) / sizeof(kMessages[0]) ? kMessages[code] : "";
}

const char* GetLastImageErrorMessage() { return ImageErrorMessage(g_lastImageError); }

}  // namespace imagefile
