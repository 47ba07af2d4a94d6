// Baseline JPEG from memory over libjpeg. libjpeg reports errors through a handler that must
// not return; ours longjmps back into the small C-style step that called the library. Those
// steps hold nothing with a destructor, so a jump never skips one.
#include <cstdio>
// jpeglib.h needs FILE and size_t declared first.
#include <jerror.h>
#include <jpeglib.h>

#include <csetjmp>
#include <new>

#include "ansinist/raster_decoders.h"

namespace ansinist::detail {

namespace {

// Working memory libjpeg may use for one picture (progressive data keeps every coefficient).
constexpr long kMaxJpegMemory = 512L << 20;
// Progressive data of more scans than this is refused: each scan costs a pass over the picture.
constexpr int kMaxJpegScans = 100;
// Huffman-coded sequential data spends at least two bits (DC and end of block) on each 8 x 8
// block of the first component: 256 pixels a byte at most.
constexpr uint64_t kMaxSequentialPixelsPerByte = 256;

struct JpegFailure {
    jpeg_error_mgr manager;  // first, so that cinfo->err converts back to the whole record
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

JpegFailure* failureOf(j_common_ptr cinfo) {
    return reinterpret_cast<JpegFailure*>(cinfo->err);
}

[[noreturn]] void onError(j_common_ptr cinfo) {
    JpegFailure* failure = failureOf(cinfo);
    (*cinfo->err->format_message)(cinfo, failure->message);
    std::longjmp(failure->jump, 1);
}

// A warning means damaged data (cut off, corrupt entropy-coded data) that libjpeg would fill
// in with grey: the picture is not whole, so it is refused.
void onMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;
    onError(cinfo);
}

void onProgress(j_common_ptr cinfo) {
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxJpegScans) {
        JpegFailure* failure = failureOf(cinfo);
        std::snprintf(failure->message, sizeof failure->message, "more than %d scans",
                      kMaxJpegScans);
        std::longjmp(failure->jump, 1);
    }
}

// ---- C-style steps (setjmp only here) ----

int stepReadHeader(j_decompress_ptr cinfo, JpegFailure* failure, jpeg_progress_mgr* progress,
                   const uint8_t* data, unsigned long size) {
    if (setjmp(failure->jump)) return 1;
    jpeg_create_decompress(cinfo);
    cinfo->mem->max_memory_to_use = kMaxJpegMemory;
    progress->progress_monitor = onProgress;
    cinfo->progress = progress;
    jpeg_mem_src(cinfo, data, size);
    if (jpeg_read_header(cinfo, TRUE) != JPEG_HEADER_OK) {
        std::snprintf(failure->message, sizeof failure->message, "no picture in the JPEG data");
        return 1;
    }
    return 0;
}

int stepDecode(j_decompress_ptr cinfo, JpegFailure* failure, J_COLOR_SPACE space, uint8_t* out,
               size_t stride, JDIMENSION width, JDIMENSION height) {
    if (setjmp(failure->jump)) return 1;
    cinfo->out_color_space = space;
    jpeg_start_decompress(cinfo);
    if (cinfo->output_width != width || cinfo->output_height != height ||
        cinfo->output_components != (space == JCS_GRAYSCALE ? 1 : 3)) {
        std::snprintf(failure->message, sizeof failure->message, "unexpected output layout");
        return 1;
    }
    while (cinfo->output_scanline < height) {
        JSAMPROW row = out + size_t{cinfo->output_scanline} * stride;
        if (jpeg_read_scanlines(cinfo, &row, 1) != 1) {
            std::snprintf(failure->message, sizeof failure->message, "the JPEG data ends early");
            return 1;
        }
    }
    jpeg_finish_decompress(cinfo);
    return 0;
}

void stepDestroy(j_decompress_ptr cinfo) {
    jpeg_destroy_decompress(cinfo);
}

// Destroys the decompressor however the decode ends.
struct Decompressor {
    jpeg_decompress_struct cinfo{};
    bool created = false;
    ~Decompressor() {
        if (created) stepDestroy(&cinfo);
    }
};

}  // namespace

Picture decodeJpeg(std::span<const uint8_t> data) {
    Picture picture;
    if (data.size() > 0xFFFFFFFFu) {
        picture.error = "the JPEG data is too large";
        return picture;
    }
    JpegFailure failure{};
    jpeg_progress_mgr progress{};
    Decompressor d;
    d.cinfo.err = jpeg_std_error(&failure.manager);
    failure.manager.error_exit = onError;
    failure.manager.emit_message = onMessage;
    d.created = true;  // jpeg_create_decompress runs first in the step; destroy copes either way
    if (stepReadHeader(&d.cinfo, &failure, &progress, data.data(),
                       static_cast<unsigned long>(data.size())) != 0) {
        picture.error = std::string("the JPEG data cannot be read: ") + failure.message;
        return picture;
    }
    const int components = d.cinfo.num_components;
    if (components != 1 && components != 3) {
        picture.error =
            "JPEG pictures of " + std::to_string(components) + " components are not supported";
        return picture;
    }
    const uint64_t width = d.cinfo.image_width, height = d.cinfo.image_height;
    const bool sequentialHuffman = !d.cinfo.progressive_mode && !d.cinfo.arith_code;
    if (!acceptPictureSize(picture, width, height, data.size(),
                           sequentialHuffman ? kMaxSequentialPixelsPerByte : 0))
        return picture;
    const int channels = components == 1 ? 1 : 3;
    std::vector<uint8_t> pixels;
    try {
        pixels.resize(width * height * static_cast<uint64_t>(channels));
    } catch (const std::bad_alloc&) {
        picture.error = "not enough memory for the picture";
        return picture;
    }
    if (stepDecode(&d.cinfo, &failure, channels == 1 ? JCS_GRAYSCALE : JCS_RGB, pixels.data(),
                   width * static_cast<uint64_t>(channels), static_cast<JDIMENSION>(width),
                   static_cast<JDIMENSION>(height)) != 0) {
        picture.error = std::string("the JPEG data cannot be decoded: ") + failure.message;
        return picture;
    }
    picture.pixels = std::move(pixels);
    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
    picture.channels = channels;
    return picture;
}

}  // namespace ansinist::detail
