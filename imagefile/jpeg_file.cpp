// JPEG files over libjpeg (the 6b interface of libjpeg-turbo). libjpeg reports its errors
// through an error handler that must not return; ours longjmps back into the small C-style step
// that called the library. Those steps hold nothing with a destructor, so a jump never skips
// one; the C++ code around them owns the file, the library structs and the record.
#include <cstdio>
// jpeglib.h needs FILE and size_t declared first.
#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <memory>
#include <new>

#include "fileio/atomic_file.h"
#include "imagefile/atomic_output.h"
#include "imagefile/formats.h"
#include "imagefile/grey_ramp.h"
#include "imagefile/image_error.h"
#include "imagefile/image_failure.h"
#include "imagefile/image_layout.h"
#include "imagefile/pixel_conversions.h"
#include "imagefile/stated_resolution.h"
#include "imagefile/writer_input.h"
#include "wsq/image_limits.h"

namespace imagefile {

namespace {

// Working memory libjpeg may use for one file (progressive files keep every coefficient).
constexpr long kMaxJpegMemory = 512L << 20;
// Progressive files of more scans than this are refused: each scan costs a pass over the picture.
constexpr int kMaxJpegScans = 100;

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using InputFile = std::unique_ptr<FILE, FileCloser>;

struct JpegFailure {
    jpeg_error_mgr manager;  // first, so that cinfo->err converts back to the whole record
    jmp_buf jump;
    uint32_t code;
};

JpegFailure* FailureOf(j_common_ptr cinfo) {
    return reinterpret_cast<JpegFailure*>(cinfo->err);
}

[[noreturn]] void JpegErrorExit(j_common_ptr cinfo) {
    (*cinfo->err->output_message)(cinfo);
    JpegFailure* failure = FailureOf(cinfo);
    failure->code = cinfo->err->msg_code == JERR_FILE_WRITE ? kErrorWritingFile : kCorruptedFile;
    std::longjmp(failure->jump, 1);
}

// Warnings are not printed. A file that ends before its picture is complete is a failed read,
// not a picture padded with grey.
void JpegEmitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;
    cinfo->err->num_warnings++;
    if (cinfo->err->msg_code == JWRN_JPEG_EOF) {
        JpegFailure* failure = FailureOf(cinfo);
        failure->code = kErrorReadingFile;
        std::longjmp(failure->jump, 1);
    }
}

void JpegProgress(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor) return;
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxJpegScans) {
        JpegFailure* failure = FailureOf(cinfo);
        failure->code = kCorruptedFile;
        std::longjmp(failure->jump, 1);
    }
}

void InstallFailure(JpegFailure* failure) {
    jpeg_std_error(&failure->manager);
    failure->manager.error_exit = JpegErrorExit;
    failure->manager.emit_message = JpegEmitMessage;
    failure->code = kCorruptedFile;
}

// ---- C-style steps (setjmp only here) ----

int JpegStepReadHeader(j_decompress_ptr cinfo, JpegFailure* failure, jpeg_progress_mgr* progress,
                       FILE* file) {
    if (setjmp(failure->jump)) return (int)failure->code;
    jpeg_create_decompress(cinfo);
    cinfo->mem->max_memory_to_use = kMaxJpegMemory;
    progress->progress_monitor = JpegProgress;
    cinfo->progress = progress;
    jpeg_stdio_src(cinfo, file);
    jpeg_read_header(cinfo, TRUE);
    return 0;
}

int JpegStepDecode(j_decompress_ptr cinfo, JpegFailure* failure, unsigned char* bits,
                   size_t scanWidth, JDIMENSION width, JDIMENSION height, int components) {
    if (setjmp(failure->jump)) return (int)failure->code;
    jpeg_start_decompress(cinfo);
    if (cinfo->output_width != width || cinfo->output_height != height ||
        cinfo->output_components != components) {
        return (int)kCorruptedFile;
    }
    // The record is bottom-up: the first decoded row is its last stored row.
    while (cinfo->output_scanline < height) {
        JSAMPROW row = bits + (size_t)(height - 1 - cinfo->output_scanline) * scanWidth;
        if (jpeg_read_scanlines(cinfo, &row, 1) != 1) return (int)kErrorReadingFile;
    }
    jpeg_finish_decompress(cinfo);
    return 0;
}

struct JpegWriteJob {
    JDIMENSION width;
    JDIMENSION height;
    int components;
    J_COLOR_SPACE colourSpace;
    int quality;
    const unsigned char* bits;
    size_t scanWidth;
    // Palette pictures go through a row buffer: grey levels, or red-green-blue from the palette.
    int throughPalette;
    const unsigned char* palette;
    unsigned paletteSize;
    unsigned paletteEntrySize;
    // The JFIF density in dots per inch, across and down; 0 keeps libjpeg's 1:1 aspect ratio.
    unsigned densityPpi;
};

int JpegStepWrite(j_compress_ptr cinfo, JpegFailure* failure, FILE* file, const JpegWriteJob* job) {
    if (setjmp(failure->jump)) return (int)failure->code;
    jpeg_create_compress(cinfo);
    jpeg_stdio_dest(cinfo, file);
    cinfo->image_width = job->width;
    cinfo->image_height = job->height;
    cinfo->input_components = job->components;
    cinfo->in_color_space = job->colourSpace;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, job->quality, TRUE);
    if (job->densityPpi != 0) {
        cinfo->density_unit = 1;
        cinfo->X_density = (UINT16)job->densityPpi;
        cinfo->Y_density = (UINT16)job->densityPpi;
    }
    jpeg_start_compress(cinfo, TRUE);
    JSAMPARRAY buffer = NULL;
    if (job->throughPalette) {
        buffer = (*cinfo->mem->alloc_sarray)((j_common_ptr)cinfo, JPOOL_IMAGE,
                                             job->width * (JDIMENSION)job->components, 1);
    }
    while (cinfo->next_scanline < job->height) {
        const unsigned char* src =
            job->bits + (size_t)(job->height - 1 - cinfo->next_scanline) * job->scanWidth;
        JSAMPROW row = (JSAMPROW)src;
        if (job->throughPalette) {
            row = buffer[0];
            for (JDIMENSION x = 0; x < job->width; ++x) {
                const unsigned index = src[x];
                const unsigned char* e = index < job->paletteSize
                                             ? job->palette + (size_t)index * job->paletteEntrySize
                                             : NULL;
                if (job->components == 1) {
                    row[x] = job->paletteSize == 0 ? (JSAMPLE)index : e ? e[0] : 0;
                } else {
                    row[3 * x] = e ? e[2] : 0;
                    row[3 * x + 1] = e ? e[1] : 0;
                    row[3 * x + 2] = e ? e[0] : 0;
                }
            }
        }
        jpeg_write_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_compress(cinfo);
    return 0;
}

// ---- reader ----

struct DecompressGuard {
    jpeg_decompress_struct* cinfo;
    ~DecompressGuard() { jpeg_destroy_decompress(cinfo); }
};

uint32_t ReadJpeg(const char* name, BitmapImage& image) {
    InputFile file(std::fopen(name, "rb"));
    if (!file) return kUnableToOpenFile;
    jpeg_decompress_struct cinfo{};
    JpegFailure failure{};
    jpeg_progress_mgr progress{};
    InstallFailure(&failure);
    cinfo.err = &failure.manager;
    DecompressGuard guard{&cinfo};
    if (int code = JpegStepReadHeader(&cinfo, &failure, &progress, file.get()); code != 0) {
        return static_cast<uint32_t>(code);
    }
    if (!wsq::image_size_acceptable(cinfo.image_width, cinfo.image_height)) {
        return kInvalidImageSize;
    }
    int components = 0;
    if (cinfo.num_components == 1 && cinfo.jpeg_color_space == JCS_GRAYSCALE) {
        cinfo.out_color_space = JCS_GRAYSCALE;
        components = 1;
    } else if (cinfo.num_components == 3 &&
               (cinfo.jpeg_color_space == JCS_YCbCr || cinfo.jpeg_color_space == JCS_RGB)) {
        cinfo.out_color_space = JCS_EXT_BGR;
        components = 3;
    } else {
        return kUnsupportedOption;  // CMYK, YCCK and the like
    }

    image.width = cinfo.image_width;
    image.height = cinfo.image_height;
    image.bitsPerPixel = static_cast<uint8_t>(8 * components);
    image.paletteSize = 0;
    image.paletteEntrySize = 0;
    if (uint32_t code = AllocateBitmapImage(&image); code != kNoError) return code;
    if (components == 1) FillGreyRamp(&image, true);
    return static_cast<uint32_t>(JpegStepDecode(&cinfo, &failure, image.bits.data(),
                                                image.scanWidth, image.width, image.height,
                                                components));
}

// ---- writer ----

struct CompressGuard {
    jpeg_compress_struct* cinfo;
    ~CompressGuard() { jpeg_destroy_compress(cinfo); }
};

uint32_t WriteJpeg(const char* name, const BitmapImage& record, int quality, int32_t ppi) {
    if (uint32_t code = CheckWriterInput(record); code != kNoError) return code;
    if (ppi != 0 && !CanStateResolution(ImageFormat::Jpeg, ppi)) return kUnsupportedOption;
    const BitmapImage* image = &record;
    BitmapImage widened;
    if (record.bitsPerPixel == 16) {
        uint32_t code = CopyBitmapImage(record.width, record.height, 16, record.bits.data(), 0, 0,
                                        nullptr, record.scanWidth, record.dibLayout, &widened);
        if (code == kNoError) code = Convert16To24(&widened);
        if (code != kNoError) return code;
        image = &widened;
    }
    if (image->bitsPerPixel < 8) return kInvalidBitsPerPixel;

    JpegWriteJob job{};
    job.width = image->width;
    job.height = image->height;
    job.quality = std::clamp(quality, 0, 100);
    job.bits = image->bits.data();
    job.scanWidth = image->scanWidth;
    job.densityPpi = static_cast<unsigned>(ppi);
    if (image->bitsPerPixel == 8) {
        bool grey = true;
        for (uint32_t i = 0; i < image->paletteSize && grey; ++i) {
            const uint8_t* e = &image->palette[size_t{i} * image->paletteEntrySize];
            grey = e[0] == e[1] && e[0] == e[2];
        }
        job.components = grey ? 1 : 3;
        job.colourSpace = grey ? JCS_GRAYSCALE : JCS_RGB;
        // Grey levels are the palette's own, so that a grey palette other than the plain ramp
        // keeps its picture.
        job.throughPalette = PaletteGreyRamp(*image) != GreyRamp::kRising || !grey;
        job.palette = image->palette.data();
        job.paletteSize = image->paletteSize;
        job.paletteEntrySize = image->paletteEntrySize;
    } else {
        job.components = image->bitsPerPixel == 32 ? 4 : 3;
        job.colourSpace = image->bitsPerPixel == 32 ? JCS_EXT_BGRX : JCS_EXT_BGR;
    }

    fileio::AtomicFile file;
    if (!file.open(name)) return kUnableToOpenFile;
    jpeg_compress_struct cinfo{};
    JpegFailure failure{};
    InstallFailure(&failure);
    cinfo.err = &failure.manager;
    CompressGuard guard{&cinfo};
    if (int code = JpegStepWrite(&cinfo, &failure, file.stream(), &job); code != 0) {
        return static_cast<uint32_t>(code);
    }
    return file.commit() ? kNoError : kErrorWritingFile;
}

}  // namespace

uint32_t ReadJpegFile(const char* name, BitmapImage* image) {
    return RunImageReader(image, [&]() -> uint32_t {
        return name == nullptr ? kUnableToOpenFile : ReadJpeg(name, *image);
    });
}

uint32_t WriteJpegFile(const char* name, const BitmapImage& image, int quality) {
    return WriteJpegFileWithResolution(name, image, quality, 0);
}

uint32_t WriteJpegFileWithResolution(const char* name, const BitmapImage& image, int quality,
                                     int32_t ppi) {
    return RunImageWriter([&]() -> uint32_t {
        return name == nullptr ? kUnableToOpenFile : WriteJpeg(name, image, quality, ppi);
    });
}

}  // namespace imagefile
