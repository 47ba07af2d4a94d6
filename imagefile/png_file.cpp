// PNG files over libpng. libpng reports its errors with longjmp; the only functions that call
// setjmp are the small C-style steps below, which hold nothing with a destructor, so a jump
// never skips one. The C++ code around them owns the file, the structs and the buffers.
#include <png.h>
#include <sys/stat.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

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

// Largest ancillary chunk libpng keeps in memory.
constexpr png_alloc_size_t kMaxPngChunk = 8000000;

// libpng takes a buffer for a text chunk at the length the chunk claims, before it reads a
// byte of it, so a few bytes can ask for 2 GB. Every block libpng asks for goes through
// PngAllocate, which refuses one larger than the file can account for: its own rows and the
// inflate state fit in kPngWorkingBlock, a stored chunk is no longer than the file, and a
// compressed one inflates to at most kDeflateRatio times the file (and kMaxPngChunk).
constexpr png_alloc_size_t kPngWorkingBlock = png_alloc_size_t{1} << 20;
constexpr uint64_t kDeflateRatio = 1032;

png_alloc_size_t PngBlockLimit(uint64_t fileSize) {
    const uint64_t inflated = std::min<uint64_t>(fileSize * kDeflateRatio, kMaxPngChunk);
    return static_cast<png_alloc_size_t>(
        std::max({uint64_t{kPngWorkingBlock}, fileSize, inflated}));
}

struct PngMemory {
    png_alloc_size_t limit = kPngWorkingBlock;
};

png_voidp PngAllocate(png_structp png, png_alloc_size_t size) {
    auto* memory = static_cast<PngMemory*>(png_get_mem_ptr(png));
    return size > memory->limit ? nullptr : std::malloc(size);
}

void PngFree(png_structp, png_voidp block) {
    std::free(block);
}

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using InputFile = std::unique_ptr<FILE, FileCloser>;

struct PngIo {
    FILE* input = nullptr;
    fileio::AtomicFile* output = nullptr;
    bool shortRead = false;
    bool shortWrite = false;
};

// libpng's messages are not ours to print: a failure reaches the caller as a code.
void PngError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void PngWarning(png_structp, png_const_charp) {}

void PngReadData(png_structp png, png_bytep data, size_t length) {
    auto* io = static_cast<PngIo*>(png_get_io_ptr(png));
    if (std::fread(data, 1, length, io->input) != length) {
        io->shortRead = true;
        png_error(png, "file ends early");
    }
}

void PngWriteData(png_structp png, png_bytep data, size_t length) {
    auto* io = static_cast<PngIo*>(png_get_io_ptr(png));
    if (!io->output->write(data, length)) {
        io->shortWrite = true;
        png_error(png, "write came short");
    }
}

void PngFlush(png_structp) {}

// ---- C-style steps (setjmp only here) ----

int PngStepReadInfo(png_structp png, png_infop info) {
    if (setjmp(png_jmpbuf(png))) return 1;
    png_read_info(png, info);
    return 0;
}

enum PngTransform : unsigned {
    kStrip16 = 1,
    kBgr = 2,
    kPaletteToRgb = 4,
    kTrnsToAlpha = 8,
    kGreyToRgb = 16,
};

int PngStepTransforms(png_structp png, png_infop info, unsigned transforms) {
    if (setjmp(png_jmpbuf(png))) return 1;
    if (transforms & kStrip16) png_set_strip_16(png);
    if (transforms & kPaletteToRgb) png_set_palette_to_rgb(png);
    if (transforms & kTrnsToAlpha) png_set_tRNS_to_alpha(png);
    if (transforms & kGreyToRgb) png_set_gray_to_rgb(png);
    if (transforms & kBgr) png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return 0;
}

int PngStepReadImage(png_structp png, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return 1;
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    return 0;
}

struct PngWriteJob {
    png_uint_32 width;
    png_uint_32 height;
    int bitDepth;
    int colorType;
    png_const_colorp palette;
    int paletteEntries;
    int bgr;
    const unsigned char* bits;
    size_t scanWidth;
    png_uint_32 pixelsPerMetre;  // the pHYs chunk's, across and down; 0 writes no pHYs
};

int PngStepWrite(png_structp png, png_infop info, const PngWriteJob* job) {
    if (setjmp(png_jmpbuf(png))) return 1;
    png_set_IHDR(png, info, job->width, job->height, job->bitDepth, job->colorType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (job->palette != nullptr) png_set_PLTE(png, info, job->palette, job->paletteEntries);
    if (job->pixelsPerMetre != 0) {
        png_set_pHYs(png, info, job->pixelsPerMetre, job->pixelsPerMetre, PNG_RESOLUTION_METER);
    }
    png_write_info(png, info);
    if (job->bgr) png_set_bgr(png);
    // The record is bottom-up: the first PNG row is its last stored row.
    for (png_uint_32 y = 0; y < job->height; ++y) {
        png_write_row(png, job->bits + (size_t)(job->height - 1 - y) * job->scanWidth);
    }
    png_write_end(png, nullptr);
    return 0;
}

// ---- reader ----

class PngReadStruct {
public:
    explicit PngReadStruct(PngMemory* memory) {
        m_png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning,
                                         memory, PngAllocate, PngFree);
        if (m_png != nullptr) m_info = png_create_info_struct(m_png);
    }
    ~PngReadStruct() {
        if (m_png != nullptr) png_destroy_read_struct(&m_png, m_info ? &m_info : nullptr, nullptr);
    }
    PngReadStruct(const PngReadStruct&) = delete;
    PngReadStruct& operator=(const PngReadStruct&) = delete;
    bool ok() const { return m_png != nullptr && m_info != nullptr; }
    png_structp png() const { return m_png; }
    png_infop info() const { return m_info; }

private:
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
};

// How the decoded rows land in the record.
enum class PngLayout { kIndexed, kTwoBit, kBgr, kBgra };

uint32_t ReadPng(const char* name, BitmapImage& image) {
    InputFile file(std::fopen(name, "rb"));
    if (!file) return kUnableToOpenFile;
    png_byte signature[8] = {};
    if (std::fread(signature, 1, 8, file.get()) != 8 || png_sig_cmp(signature, 0, 8) != 0) {
        return kUnsupportedOption;
    }
    struct stat fileStat {};
    if (fstat(fileno(file.get()), &fileStat) != 0) return kErrorReadingFile;
    PngMemory memory;
    memory.limit = PngBlockLimit(static_cast<uint64_t>(std::max<off_t>(fileStat.st_size, 0)));
    PngReadStruct s(&memory);
    if (!s.ok()) return kMemoryAllocation;
    png_structp png = s.png();
    png_infop info = s.info();
    PngIo io;
    io.input = file.get();
    png_set_read_fn(png, &io, PngReadData);
    png_set_sig_bytes(png, 8);
    png_set_user_limits(png, wsq::kMaxImageAxis, wsq::kMaxImageAxis);
    png_set_chunk_malloc_max(png, kMaxPngChunk);
    // A refused block fails like a damaged chunk: error 1.
    auto libraryFailure = [&io] { return io.shortRead ? kErrorReadingFile : kCorruptedFile; };

    if (PngStepReadInfo(png, info) != 0) return libraryFailure();
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colorType = 0;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, nullptr, nullptr, nullptr);
    if (!wsq::image_size_acceptable(width, height)) return kInvalidImageSize;

    png_bytep trnsAlpha = nullptr;
    int trnsCount = 0;
    png_color_16p trnsColour = nullptr;
    const bool hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0 &&
                         png_get_tRNS(png, info, &trnsAlpha, &trnsCount, &trnsColour) != 0;

    PngLayout layout = PngLayout::kIndexed;
    unsigned transforms = 0;
    int transparentIndex = -1;
    int depth = 8;
    switch (colorType) {
        case PNG_COLOR_TYPE_PALETTE:
            if (hasTrns && trnsCount == 1 && trnsAlpha != nullptr && trnsAlpha[0] == 0) {
                transparentIndex = 0;  // one fully transparent entry: stays a palette picture
            } else if (hasTrns && trnsCount >= 1 && !(trnsCount == 1 && trnsAlpha[0] == 255)) {
                layout = PngLayout::kBgra;
                transforms = kPaletteToRgb | kTrnsToAlpha | kBgr;
            }
            break;
        case PNG_COLOR_TYPE_GRAY:
            if (bitDepth == 16) {
                if (hasTrns) {
                    // The key is a 16-bit level: it is matched before the samples are cut.
                    layout = PngLayout::kBgra;
                    transforms = kTrnsToAlpha | kGreyToRgb | kStrip16;
                } else {
                    transforms = kStrip16;
                }
            } else if (hasTrns && trnsColour != nullptr && trnsColour->gray < (1u << bitDepth)) {
                transparentIndex = trnsColour->gray;
            }
            break;
        case PNG_COLOR_TYPE_GRAY_ALPHA:
            layout = PngLayout::kBgra;
            transforms = kGreyToRgb | kStrip16;
            break;
        case PNG_COLOR_TYPE_RGB:
            layout = hasTrns ? PngLayout::kBgra : PngLayout::kBgr;
            transforms = kStrip16 | kBgr | (hasTrns ? kTrnsToAlpha : 0u);
            break;
        case PNG_COLOR_TYPE_RGB_ALPHA:
            layout = PngLayout::kBgra;
            transforms = kStrip16 | kBgr;
            break;
        default:
            return kCorruptedFile;
    }
    if (layout == PngLayout::kIndexed) {
        const int fileDepth = bitDepth == 16 ? 8 : bitDepth;
        if (fileDepth == 2) layout = PngLayout::kTwoBit;
        depth = fileDepth == 2 ? 4 : fileDepth;
    } else {
        depth = layout == PngLayout::kBgr ? 24 : 32;
    }
    if (PngStepTransforms(png, info, transforms) != 0) return libraryFailure();

    const uint64_t rowBytes = png_get_rowbytes(png, info);
    const uint64_t expected = layout == PngLayout::kTwoBit ? (uint64_t{width} * 2 + 7) / 8
                                                           : RowBytes(depth, width, false);
    if (rowBytes != expected) return kCorruptedFile;

    image.width = width;
    image.height = height;
    image.bitsPerPixel = static_cast<uint8_t>(depth);
    image.paletteEntrySize = 0;
    image.paletteSize = 0;
    if (depth <= 8) {
        // A 2-bit file keeps its four levels in a 4-bit record.
        image.paletteSize = static_cast<uint16_t>(1u << (layout == PngLayout::kTwoBit ? 2 : depth));
    }
    if (uint32_t code = AllocateBitmapImage(&image); code != kNoError) return code;
    image.transparentIndex = static_cast<int16_t>(transparentIndex);
    if (depth <= 8) {
        if (colorType == PNG_COLOR_TYPE_PALETTE) {
            png_colorp entries = nullptr;
            int count = 0;
            if (png_get_PLTE(png, info, &entries, &count) != 0 && entries != nullptr) {
                const int used = std::min<int>(count, image.paletteSize);
                for (int i = 0; i < used; ++i) {
                    uint8_t* e = &image.palette[size_t(i) * image.paletteEntrySize];
                    e[0] = entries[i].blue;
                    e[1] = entries[i].green;
                    e[2] = entries[i].red;
                }
            }
        } else {
            FillGreyRamp(&image, true);
        }
    }

    std::vector<uint8_t> twoBit;
    std::vector<png_bytep> rows(height);
    if (layout == PngLayout::kTwoBit) {
        twoBit.resize(static_cast<size_t>(rowBytes * height));
        for (uint32_t y = 0; y < height; ++y) rows[y] = twoBit.data() + size_t(rowBytes) * y;
    } else {
        for (uint32_t y = 0; y < height; ++y) {
            rows[y] = image.bits.data() + size_t{height - 1 - y} * image.scanWidth;
        }
    }
    if (PngStepReadImage(png, rows.data()) != 0) return libraryFailure();

    if (layout == PngLayout::kTwoBit) {
        for (uint32_t y = 0; y < height; ++y) {
            const uint8_t* src = rows[y];
            uint8_t* dst = image.bits.data() + size_t{height - 1 - y} * image.scanWidth;
            for (uint32_t x = 0; x < width; ++x) {
                const uint8_t v = (src[x >> 2] >> (6 - 2 * (x & 3))) & 3;
                dst[x >> 1] = static_cast<uint8_t>(dst[x >> 1] | ((x & 1) ? v : v << 4));
            }
        }
    }
    return kNoError;
}

// ---- writer ----

class PngWriteStruct {
public:
    PngWriteStruct() {
        m_png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
        if (m_png != nullptr) m_info = png_create_info_struct(m_png);
    }
    ~PngWriteStruct() {
        if (m_png != nullptr) png_destroy_write_struct(&m_png, m_info ? &m_info : nullptr);
    }
    PngWriteStruct(const PngWriteStruct&) = delete;
    PngWriteStruct& operator=(const PngWriteStruct&) = delete;
    bool ok() const { return m_png != nullptr && m_info != nullptr; }
    png_structp png() const { return m_png; }
    png_infop info() const { return m_info; }

private:
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
};

uint32_t WritePng(const char* name, const BitmapImage& record, int32_t ppi) {
    if (uint32_t code = CheckWriterInput(record); code != kNoError) return code;
    if (ppi != 0 && !CanStateResolution(ImageFormat::Png, ppi)) return kUnsupportedOption;
    const BitmapImage* image = &record;
    BitmapImage widened;
    if (record.bitsPerPixel == 16) {
        uint32_t code = CopyBitmapImage(record.width, record.height, 16, record.bits.data(), 0, 0,
                                        nullptr, record.scanWidth, record.dibLayout, &widened);
        if (code == kNoError) code = Convert16To24(&widened);
        if (code != kNoError) return code;
        image = &widened;
    }
    const int depth = image->bitsPerPixel;
    // Palette indices go out as grey levels only when the palette is the grey ramp of the
    // depth; any other palette, grey or not, is written as a palette.
    const bool grey = depth <= 8 && PaletteGreyRamp(*image) == GreyRamp::kRising;
    PngWriteJob job{};
    job.width = image->width;
    job.height = image->height;
    job.bitDepth = std::min(depth, 8);
    job.colorType = grey          ? PNG_COLOR_TYPE_GRAY
                    : depth == 32 ? PNG_COLOR_TYPE_RGB_ALPHA
                    : depth == 24 ? PNG_COLOR_TYPE_RGB
                                  : PNG_COLOR_TYPE_PALETTE;
    job.bgr = depth >= 24;
    job.bits = image->bits.data();
    job.scanWidth = image->scanWidth;
    job.pixelsPerMetre = ppi != 0 ? PixelsPerMetre(ppi) : 0;
    std::vector<png_color> palette;
    if (job.colorType == PNG_COLOR_TYPE_PALETTE) {
        const int entries = std::min<int>(image->paletteSize, 1 << depth);
        palette.resize(size_t(entries));
        for (int i = 0; i < entries; ++i) {
            const uint8_t* e = &image->palette[size_t(i) * image->paletteEntrySize];
            palette[size_t(i)] = png_color{e[2], e[1], e[0]};
        }
        job.palette = palette.data();
        job.paletteEntries = entries;
    }

    fileio::AtomicFile file;
    if (!file.open(name)) return kUnableToOpenFile;
    PngWriteStruct s;
    if (!s.ok()) return kMemoryAllocation;
    PngIo io;
    io.output = &file;
    png_set_write_fn(s.png(), &io, PngWriteData, PngFlush);
    if (PngStepWrite(s.png(), s.info(), &job) != 0) {
        return io.shortWrite ? kErrorWritingFile : kCorruptedFile;
    }
    return file.commit() ? kNoError : kErrorWritingFile;
}

}  // namespace

uint32_t ReadPngFile(const char* name, BitmapImage* image) {
    return RunImageReader(image, [&]() -> uint32_t {
        return name == nullptr ? kUnableToOpenFile : ReadPng(name, *image);
    });
}

uint32_t WritePngFile(const char* name, const BitmapImage& image) {
    return WritePngFileWithResolution(name, image, 0);
}

uint32_t WritePngFileWithResolution(const char* name, const BitmapImage& image, int32_t ppi) {
    return RunImageWriter([&]() -> uint32_t {
        return name == nullptr ? kUnableToOpenFile : WritePng(name, image, ppi);
    });
}

}  // namespace imagefile
