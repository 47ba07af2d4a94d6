// JPEG 2000 from memory over OpenJPEG: a JP2 file or a bare codestream, to 8-bit grey or RGB.
#include <openjpeg.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include "ansinist/raster_decoders.h"

namespace ansinist::detail {

namespace {

// JPEG 2000 can describe a large empty picture in few bytes, and OpenJPEG holds every sample as
// a 32-bit integer besides its tile buffers. Pictures are refused when they would need more
// than this many pixels for each byte of data; real prints and faces stay far below it.
constexpr uint64_t kMaxPixelsPerByte = 8192;

constexpr uint8_t kJp2Signature[12] = {0x00, 0x00, 0x00, 0x0C, 0x6A, 0x50,
                                       0x20, 0x20, 0x0D, 0x0A, 0x87, 0x0A};
constexpr uint8_t kCodestreamStart[4] = {0xFF, 0x4F, 0xFF, 0x51};

struct MemoryStream {
    const uint8_t* data;
    uint64_t size;
    uint64_t pos;
};

OPJ_SIZE_T readStream(void* out, OPJ_SIZE_T n, void* user) {
    auto* s = static_cast<MemoryStream*>(user);
    if (s->pos >= s->size) return static_cast<OPJ_SIZE_T>(-1);
    const uint64_t count = std::min<uint64_t>(n, s->size - s->pos);
    std::memcpy(out, s->data + s->pos, count);
    s->pos += count;
    return static_cast<OPJ_SIZE_T>(count);
}

OPJ_OFF_T skipStream(OPJ_OFF_T n, void* user) {
    auto* s = static_cast<MemoryStream*>(user);
    if (n < 0) {
        if (static_cast<uint64_t>(-n) > s->pos) return -1;
        s->pos -= static_cast<uint64_t>(-n);
        return n;
    }
    const uint64_t count = std::min<uint64_t>(static_cast<uint64_t>(n), s->size - s->pos);
    s->pos += count;
    return static_cast<OPJ_OFF_T>(count);
}

OPJ_BOOL seekStream(OPJ_OFF_T to, void* user) {
    auto* s = static_cast<MemoryStream*>(user);
    if (to < 0 || static_cast<uint64_t>(to) > s->size) return OPJ_FALSE;
    s->pos = static_cast<uint64_t>(to);
    return OPJ_TRUE;
}

void keepError(const char* message, void* user) {
    auto* last = static_cast<std::string*>(user);
    *last = message;
    while (!last->empty() && (last->back() == '\n' || last->back() == '\r')) last->pop_back();
}

void ignoreMessage(const char*, void*) {}

struct StreamCloser {
    void operator()(opj_stream_t* s) const { opj_stream_destroy(s); }
};
struct CodecCloser {
    void operator()(opj_codec_t* c) const { opj_destroy_codec(c); }
};
struct ImageCloser {
    void operator()(opj_image_t* i) const { opj_image_destroy(i); }
};

// A sample of any precision (1-31 bits, signed or not) as 8 bits.
int to8Bits(int sample, const opj_image_comp_t& comp) {
    const uint32_t precision = comp.prec;
    int64_t value = sample;
    if (comp.sgnd) value += int64_t{1} << (precision - 1);
    if (precision > 8)
        value >>= precision - 8;
    else if (precision < 8)
        value = value * 255 / ((int64_t{1} << precision) - 1);
    return static_cast<int>(std::clamp<int64_t>(value, 0, 255));
}

}  // namespace

Picture decodeJpeg2000(std::span<const uint8_t> data) {
    Picture picture;
    OPJ_CODEC_FORMAT format;
    if (data.size() >= sizeof kJp2Signature &&
        std::memcmp(data.data(), kJp2Signature, sizeof kJp2Signature) == 0) {
        format = OPJ_CODEC_JP2;
    } else if (data.size() >= sizeof kCodestreamStart &&
               std::memcmp(data.data(), kCodestreamStart, sizeof kCodestreamStart) == 0) {
        format = OPJ_CODEC_J2K;
    } else {
        picture.error = "the data is neither a JPEG 2000 file nor a JPEG 2000 codestream";
        return picture;
    }

    MemoryStream memory{data.data(), data.size(), 0};
    std::unique_ptr<opj_stream_t, StreamCloser> stream(opj_stream_create(1 << 16, OPJ_TRUE));
    std::unique_ptr<opj_codec_t, CodecCloser> codec(opj_create_decompress(format));
    if (!stream || !codec) {
        picture.error = "not enough memory to read JPEG 2000 data";
        return picture;
    }
    opj_stream_set_user_data(stream.get(), &memory, nullptr);
    opj_stream_set_user_data_length(stream.get(), data.size());
    opj_stream_set_read_function(stream.get(), readStream);
    opj_stream_set_skip_function(stream.get(), skipStream);
    opj_stream_set_seek_function(stream.get(), seekStream);

    std::string lastError;
    opj_set_error_handler(codec.get(), keepError, &lastError);
    opj_set_warning_handler(codec.get(), ignoreMessage, nullptr);
    opj_set_info_handler(codec.get(), ignoreMessage, nullptr);
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    if (!opj_setup_decoder(codec.get(), &parameters) ||
        !opj_decoder_set_strict_mode(codec.get(), OPJ_TRUE)) {
        picture.error = "the JPEG 2000 decoder cannot be set up";
        return picture;
    }
    opj_image_t* raw = nullptr;
    const bool header = opj_read_header(stream.get(), codec.get(), &raw);
    std::unique_ptr<opj_image_t, ImageCloser> image(raw);
    if (!header || !image) {
        picture.error = "the JPEG 2000 data cannot be read: " + lastError;
        return picture;
    }
    const uint64_t width = image->x1 > image->x0 ? image->x1 - image->x0 : 0;
    const uint64_t height = image->y1 > image->y0 ? image->y1 - image->y0 : 0;
    if (!acceptPictureSize(picture, width, height, data.size(), kMaxPixelsPerByte)) return picture;
    const uint32_t components = image->numcomps;
    if (components < 1 || components > 4) {
        picture.error =
            "JPEG 2000 pictures of " + std::to_string(components) + " components are not supported";
        return picture;
    }
    if (image->color_space == OPJ_CLRSPC_CMYK) {
        picture.error = "CMYK JPEG 2000 pictures are not supported";
        return picture;
    }
    if (!opj_decode(codec.get(), stream.get(), image.get()) ||
        !opj_end_decompress(codec.get(), stream.get())) {
        picture.error = "the JPEG 2000 data cannot be decoded: " + lastError;
        return picture;
    }

    // Grey (with alpha, dropped) or three colour components (with alpha, dropped).
    const int channels = components >= 3 ? 3 : 1;
    for (int c = 0; c < channels; ++c) {
        const opj_image_comp_t& comp = image->comps[c];
        if (!comp.data || comp.dx == 0 || comp.dy == 0 || comp.prec < 1 || comp.prec > 31 ||
            uint64_t{comp.w} * comp.dx < width || uint64_t{comp.h} * comp.dy < height) {
            picture.error = "the JPEG 2000 picture's components do not cover it";
            return picture;
        }
    }
    std::vector<uint8_t> pixels;
    try {
        pixels.resize(width * height * static_cast<uint64_t>(channels));
    } catch (const std::bad_alloc&) {
        picture.error = "not enough memory for the picture";
        return picture;
    }
    const bool ycc = channels == 3 && (image->color_space == OPJ_CLRSPC_SYCC ||
                                       image->color_space == OPJ_CLRSPC_EYCC);
    for (uint64_t y = 0; y < height; ++y) {
        for (uint64_t x = 0; x < width; ++x) {
            uint8_t* out = pixels.data() + (y * width + x) * static_cast<uint64_t>(channels);
            int v[3] = {0, 0, 0};
            for (int c = 0; c < channels; ++c) {
                const opj_image_comp_t& comp = image->comps[c];
                const uint64_t cx = std::min<uint64_t>(x / comp.dx, comp.w - 1);
                const uint64_t cy = std::min<uint64_t>(y / comp.dy, comp.h - 1);
                v[c] = to8Bits(comp.data[cy * comp.w + cx], comp);
            }
            if (ycc) {
                // Full-range YCbCr to RGB.
                const double luma = v[0], cb = v[1] - 128.0, cr = v[2] - 128.0;
                v[0] = static_cast<int>(std::lround(luma + 1.402 * cr));
                v[1] = static_cast<int>(std::lround(luma - 0.344136 * cb - 0.714136 * cr));
                v[2] = static_cast<int>(std::lround(luma + 1.772 * cb));
            }
            for (int c = 0; c < channels; ++c)
                out[c] = static_cast<uint8_t>(std::clamp(v[c], 0, 255));
        }
    }
    picture.pixels = std::move(pixels);
    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
    picture.channels = channels;
    return picture;
}

}  // namespace ansinist::detail
