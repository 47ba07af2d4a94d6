// How the raster readers leave a failed read: a failure anywhere inside a reader is thrown as an
// ImageFailure carrying the library error code and caught at the reader's boundary, which frees
// the record and stores the code as the last error. Everything the reader owns (the file, its
// buffers, the record under construction) is released by its destructor on the way out.
#pragma once

#include <cstdint>
#include <new>
#include <stdexcept>

#include "imagefile/bitmap_image.h"
#include "imagefile/image_error.h"

namespace imagefile {

struct ImageFailure {
    uint32_t code;
};

[[noreturn]] inline void FailImage(uint32_t code) { throw ImageFailure{code}; }

// Runs body(), which returns 0 or a code or throws ImageFailure, as a reader boundary: the last
// error is cleared on entry and holds the result on exit; on failure the record is left empty.
template <typename Body>
uint32_t RunImageReader(BitmapImage* image, Body&& body) {
    SetLastImageError(kNoError);
    if (image == nullptr) {
        SetLastImageError(kInvalidBitmapPointer);
        return kInvalidBitmapPointer;
    }
    uint32_t code = kNoError;
    try {
        code = body();
    } catch (const ImageFailure& failure) {
        code = failure.code;
    } catch (const std::bad_alloc&) {
        code = kMemoryAllocation;
    } catch (const std::length_error&) {
        code = kMemoryAllocation;
    }
    if (code != kNoError) FreeBitmapImage(image);
    SetLastImageError(code);
    return code;
}

}  // namespace imagefile
