// PNG from memory over libpng. libpng reports errors with longjmp; the only functions that call
// setjmp are the small C-style steps below, which hold nothing with a destructor.
#include <png.h>

#include <csetjmp>
#include <cstring>
#include <new>

#include "ansinist/raster_decoders.h"

namespace ansinist::detail {

namespace {

// Largest ancillary chunk libpng may allocate for (text, profiles).
constexpr png_alloc_size_t kMaxChunkBytes = 8000000;
// Deflate expands at most 1032 to 1: the filtered rows cannot be larger than that.
constexpr uint64_t kMaxInflateRatio = 1032;

struct Source {
    const uint8_t* data;
    size_t size;
    size_t pos;
    char message[160];
};

void readData(png_structp png, png_bytep out, png_size_t length) {
    auto* source = static_cast<Source*>(png_get_io_ptr(png));
    if (source->size - source->pos < length) png_error(png, "the PNG data ends early");
    std::memcpy(out, source->data + source->pos, length);
    source->pos += length;
}

void onError(png_structp png, png_const_charp message) {
    auto* source = static_cast<Source*>(png_get_error_ptr(png));
    std::snprintf(source->message, sizeof source->message, "%s", message);
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

struct Header {
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colourType = 0, channels = 0;
    size_t rowBytes = 0;  // of the stored rows
    size_t outRowBytes = 0;
};

// ---- C-style steps (setjmp only here) ----

int stepReadHeader(png_structp png, png_infop info, Header* header) {
    if (setjmp(png_jmpbuf(png))) return 1;
    png_set_user_limits(png, 65535, 65535);
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    png_read_info(png, info);
    header->width = png_get_image_width(png, info);
    header->height = png_get_image_height(png, info);
    header->bitDepth = png_get_bit_depth(png, info);
    header->colourType = png_get_color_type(png, info);
    header->rowBytes = png_get_rowbytes(png, info);
    // To 8-bit grey or RGB: palettes and small depths expanded, 16 bits and alpha dropped.
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_strip_alpha(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    header->channels = png_get_channels(png, info);
    header->outRowBytes = png_get_rowbytes(png, info);
    return 0;
}

int stepReadRows(png_structp png, png_infop info, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return 1;
    png_read_image(png, rows);
    png_read_end(png, info);
    return 0;
}

struct Reader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~Reader() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

}  // namespace

Picture decodePng(std::span<const uint8_t> data) {
    Picture picture;
    Source source{data.data(), data.size(), 0, {}};
    std::snprintf(source.message, sizeof source.message, "not PNG data");
    if (data.size() < 8 || png_sig_cmp(data.data(), 0, 8) != 0) {
        picture.error = "the PNG data cannot be read: not PNG data";
        return picture;
    }
    Reader r;
    r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, onError, onWarning);
    if (r.png) r.info = png_create_info_struct(r.png);
    if (!r.png || !r.info) {
        picture.error = "not enough memory to read PNG data";
        return picture;
    }
    png_set_read_fn(r.png, &source, readData);
    Header header;
    if (stepReadHeader(r.png, r.info, &header) != 0) {
        picture.error = std::string("the PNG data cannot be read: ") + source.message;
        return picture;
    }
    if (!acceptPictureSize(picture, header.width, header.height, 0, 0)) return picture;
    const uint64_t stored = (uint64_t{header.rowBytes} + 1) * header.height;
    if (stored / kMaxInflateRatio > data.size()) {
        picture.error = "the PNG data is too small for a picture of " +
                        std::to_string(header.width) + " x " + std::to_string(header.height);
        return picture;
    }
    if ((header.channels != 1 && header.channels != 3) ||
        header.outRowBytes != uint64_t{header.width} * static_cast<uint64_t>(header.channels)) {
        picture.error = "unexpected PNG layout";
        return picture;
    }
    std::vector<uint8_t> pixels;
    std::vector<png_bytep> rows;
    try {
        pixels.resize(header.outRowBytes * header.height);
        rows.resize(header.height);
    } catch (const std::bad_alloc&) {
        picture.error = "not enough memory for the picture";
        return picture;
    }
    for (png_uint_32 y = 0; y < header.height; ++y)
        rows[y] = pixels.data() + y * header.outRowBytes;
    if (stepReadRows(r.png, r.info, rows.data()) != 0) {
        picture.error = std::string("the PNG data cannot be decoded: ") + source.message;
        return picture;
    }
    picture.pixels = std::move(pixels);
    picture.width = static_cast<int>(header.width);
    picture.height = static_cast<int>(header.height);
    picture.channels = header.channels;
    return picture;
}

}  // namespace ansinist::detail
