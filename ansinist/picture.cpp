// Decoding an image record's picture: checks on the record, then the decoder its compression
// names.
#include "ansinist/picture.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "ansinist/raster_decoders.h"
#include "ansinist/transaction_file.h"
#include "wsq/image_limits.h"
#include "wsq/wsq.h"

namespace ansinist {

using namespace detail;

namespace {

std::string size(uint64_t width, uint64_t height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

// What the data's first bytes say it is, for reporting data that does not match its record.
const char* signatureName(std::span<const uint8_t> data) {
    auto starts = [&](std::initializer_list<uint8_t> bytes) {
        return data.size() >= bytes.size() && std::equal(bytes.begin(), bytes.end(), data.begin());
    };
    if (starts({0xFF, 0xA0})) return "WSQ";
    if (starts({0xFF, 0xD8})) return "JPEG";
    if (starts({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A})) return "PNG";
    if (starts({0x00, 0x00, 0x00, 0x0C, 0x6A, 0x50, 0x20, 0x20}) ||
        starts({0xFF, 0x4F, 0xFF, 0x51}))
        return "JPEG 2000";
    return nullptr;
}

const char* expectedSignature(Compression compression) {
    switch (compression) {
        case Compression::Wsq:
            return "WSQ";
        case Compression::JpegBaseline:
        case Compression::JpegLossless:
            return "JPEG";
        case Compression::Jpeg2000:
        case Compression::Jpeg2000Lossless:
            return "JPEG 2000";
        case Compression::Png:
            return "PNG";
        default:
            return nullptr;
    }
}

Picture decodeWsq(std::span<const uint8_t> data) {
    Picture picture;
    if (data.size() > static_cast<uint64_t>(INT_MAX)) {
        picture.error = "the WSQ data is too large";
        return picture;
    }
    wsq::Decoded decoded = wsq::decode(data);
    if (decoded.error) {
        picture.error = "the WSQ data cannot be decoded: " + decoded.error.text();
        return picture;
    }
    const uint64_t width = static_cast<uint64_t>(decoded.facts.width);
    const uint64_t height = static_cast<uint64_t>(decoded.facts.height);
    if (width == 0 || height == 0 || decoded.pixels.size() != width * height) {
        picture.error = "the WSQ data holds no picture";
        return picture;
    }
    picture.pixels = std::move(decoded.pixels);
    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
    picture.channels = 1;
    if (decoded.facts.ppi > 0) picture.ppi = decoded.facts.ppi;
    return picture;
}

// Uncompressed 8-bit grey or 24-bit colour, rows top to bottom.
Picture decodeUncompressed(std::span<const uint8_t> data, const ImageInfo& info) {
    Picture picture;
    int channels = 0;
    if (info.bitsPerPixel == 8)
        channels = 1;
    else if (info.bitsPerPixel == 24)
        channels = 3;
    if (channels == 0) {
        picture.error = "uncompressed pictures of " + std::to_string(info.bitsPerPixel) +
                        " bits a pixel are not supported";
        return picture;
    }
    const uint64_t width = static_cast<uint64_t>(info.width);
    const uint64_t height = static_cast<uint64_t>(info.height);
    if (!acceptPictureSize(picture, width, height, 0, 0)) return picture;
    const uint64_t needed = width * height * static_cast<uint64_t>(channels);
    if (data.size() < needed) {
        picture.error = "the uncompressed picture of " + size(width, height) + " at " +
                        std::to_string(info.bitsPerPixel) + " bits needs " +
                        std::to_string(needed) + " bytes, the record holds " +
                        std::to_string(data.size());
        return picture;
    }
    if (data.size() > needed)
        picture.notes.push_back(std::to_string(data.size() - needed) +
                                " bytes after the picture's pixels are ignored");
    try {
        picture.pixels.assign(data.begin(), data.begin() + static_cast<ptrdiff_t>(needed));
    } catch (const std::bad_alloc&) {
        picture.error = "not enough memory for the picture";
        return picture;
    }
    if (channels == 3 && info.colourSpace == "SYCC") {
        for (uint64_t i = 0; i < needed; i += 3) {
            const double luma = picture.pixels[i], cb = picture.pixels[i + 1] - 128.0,
                         cr = picture.pixels[i + 2] - 128.0;
            const double rgb[3] = {luma + 1.402 * cr, luma - 0.344136 * cb - 0.714136 * cr,
                                   luma + 1.772 * cb};
            for (int c = 0; c < 3; ++c)
                picture.pixels[i + static_cast<uint64_t>(c)] =
                    static_cast<uint8_t>(std::lround(std::clamp(rgb[c], 0.0, 255.0)));
        }
    }
    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
    picture.channels = channels;
    return picture;
}

}  // namespace

namespace detail {

bool acceptPictureSize(Picture& picture, uint64_t width, uint64_t height, uint64_t dataBytes,
                       uint64_t maxPixelsPerByte) {
    if (!wsq::image_size_acceptable(width, height)) {
        picture.error = "a picture of " + size(width, height) +
                        " is larger than the reader accepts (" +
                        std::to_string(wsq::kMaxImageAxis) + " a side, " +
                        std::to_string(wsq::kMaxImagePixels) + " pixels)";
        if (width == 0 || height == 0) picture.error = "the picture has no pixels";
        return false;
    }
    if (maxPixelsPerByte != 0 && width * height / maxPixelsPerByte > dataBytes) {
        picture.error = "a picture of " + size(width, height) + " cannot be held in " +
                        std::to_string(dataBytes) + " bytes of data";
        return false;
    }
    return true;
}

}  // namespace detail

std::span<const uint8_t> imageData(std::span<const uint8_t> file, const Record& record) {
    if (!record.image || !record.image->hasData) return {};
    const ImageInfo& info = *record.image;
    if (info.dataOffset > file.size() || info.dataLength > file.size() - info.dataOffset) return {};
    return file.subspan(info.dataOffset, info.dataLength);
}

std::span<const uint8_t> imageData(const TransactionFile& file, const Record& record) {
    return imageData(file.bytes(), record);
}

Picture decodePicture(std::span<const uint8_t> file, const Record& record) {
    Picture picture;
    const std::string what =
        "record " + std::to_string(record.index) + " (Type-" + std::to_string(record.type) + ")";
    if (!record.image) {
        picture.error = what + " is not an image record";
        return picture;
    }
    const ImageInfo& info = *record.image;
    if (!record.problem.empty()) {
        picture.error = what + " is damaged: " + record.problem;
        return picture;
    }
    if (!info.hasData) {
        picture.error = what + " holds no picture";
        return picture;
    }
    if (record.type == 5 || record.type == 6 || record.type == 8) {
        picture.error = what + ": binary (one bit a pixel) pictures are not supported";
        return picture;
    }
    const std::span<const uint8_t> data = imageData(file, record);
    if (data.size() != info.dataLength) {
        picture.error = what + " lies outside the file it was given";
        return picture;
    }
    switch (info.compression) {
        case Compression::None:
            picture = decodeUncompressed(data, info);
            break;
        case Compression::Wsq:
            picture = decodeWsq(data);
            break;
        case Compression::JpegBaseline:
            picture = decodeJpeg(data);
            break;
        case Compression::Jpeg2000:
        case Compression::Jpeg2000Lossless:
            picture = decodeJpeg2000(data);
            break;
        case Compression::Png:
            picture = decodePng(data);
            break;
        case Compression::JpegLossless:
            picture.error = "lossless JPEG (JPEGL) pictures are not supported";
            break;
        case Compression::Unknown:
            picture.error = "unknown compression";
            break;
    }
    const char* found = signatureName(data);
    const char* expected = expectedSignature(info.compression);
    const bool mismatch = found && expected && std::strcmp(found, expected) != 0;
    if (!picture.error.empty()) {
        picture.error = what + ": " + picture.error;
        if (mismatch)
            picture.error += std::string(" (the record says ") + compressionName(info.compression) +
                             ", but the data looks like " + found + ")";
        picture.pixels.clear();
        picture.channels = 0;
        return picture;
    }
    if (mismatch)
        picture.notes.push_back(std::string("the record says ") +
                                compressionName(info.compression) + ", but the data looks like " +
                                found);
    if (info.ppi) picture.ppi = info.ppi;
    if (info.compression != Compression::None &&
        (picture.width != info.width || picture.height != info.height))
        picture.notes.push_back("the picture is " + size(picture.width, picture.height) +
                                ", the record says " + size(info.width, info.height));
    return picture;
}

Picture decodePicture(const TransactionFile& file, const Record& record) {
    return decodePicture(file.bytes(), record);
}

}  // namespace ansinist
