#include "imagefile/image_file_io.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "imagefile/extension_key.h"
#include "imagefile/formats.h"
#include "imagefile/image_error.h"
#include "imagefile/pixel_conversions.h"
#include "imagefile/save_settings.h"
#include "wsq/wsq.h"

namespace imagefile {

namespace {

struct TypeExtension {
    const char* key;
    const char* extension;
};

// Indexed by ImageFileType.
constexpr TypeExtension kTypeExtensions[] = {
    {"", ""},         {"WSQ", ".wsq"}, {"BMP", ".bmp"}, {"TIF", ".tif"},
    {"PNG", ".png"}, {"JPG", ".jpg"}, {"RGB", ".rgb"}, {"TGA", ".tga"},
};

int ReadWsqIntoPlanes(const char* name, int* width, int* height, std::vector<uint8_t>* planes) {
    std::vector<uint8_t> data;
    int length = 0;
    int ret = wsq::read_raw_from_filesize(name, &data, &length);
    if (ret != 0) {
        *width = 0;
        *height = 0;
        planes->clear();
        return ret;
    }

    WsqSaveSettings& settings = GlobalWsqSaveSettings();
    settings.ppi = -1;
    std::vector<uint8_t> grey;
    int w = 0, h = 0, depth = 8, lossy = 0, encoder = 0, software = 0;
    int ppi = -1;
    if (wsq::wsq_decode_mem(&grey, &w, &h, &depth, &ppi, &lossy, &encoder, &software, data.data(),
                            length) != 0) {
        w = 0;
        h = 0;
        grey.clear();
    }
    settings.ppi = ppi;

    // The comment setting becomes the last comment ahead of the first block.
    settings.comment.reset();
    std::vector<std::string> comments;
    wsq::read_comments_before_first_block(&comments, data.data(), length);
    if (!comments.empty()) settings.comment = comments.back();

    const size_t n = static_cast<size_t>(w) * static_cast<size_t>(h);
    planes->assign(3 * n, 0);
    for (size_t plane = 0; plane < 3; ++plane) {
        std::memcpy(planes->data() + plane * n, grey.data(), n);
    }
    *width = w;
    *height = h;
    return 1;
}

// Turns a true-colour record (24 or 32 bits, bottom-up, blue-green-red) into top-down planes,
// walking each row with the record's own pixel size and stride. False (and no planes) for
// anything else.
bool RecordToPlanes(const BitmapImage& image, std::vector<uint8_t>* planes) {
    const size_t w = image.width;
    const size_t h = image.height;
    const size_t n = w * h;
    const size_t bytesPerPixel = image.bitsPerPixel / 8;
    planes->clear();
    if (n == 0 || bytesPerPixel < 3 || image.bits.size() < h * image.scanWidth) return false;
    planes->assign(3 * n, 0);
    uint8_t* red = planes->data();
    uint8_t* green = red + n;
    uint8_t* blue = green + n;
    for (size_t y = 0; y < h; ++y) {
        const uint8_t* row = image.bits.data() + (h - 1 - y) * image.scanWidth;
        for (size_t x = 0; x < w; ++x) {
            const uint8_t* pixel = row + bytesPerPixel * x;
            red[y * w + x] = pixel[2];
            green[y * w + x] = pixel[1];
            blue[y * w + x] = pixel[0];
        }
    }
    return true;
}

int WriteWsqFromPlanes(const char* outputName, int width, int height, const uint8_t* planes) {
    const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
    std::vector<uint8_t> grey(n);
    for (size_t i = 0; i < n; ++i) {
        grey[i] = static_cast<uint8_t>((planes[i] + planes[n + i] + planes[2 * n + i]) / 3);
    }
    const WsqSaveSettings& settings = GlobalWsqSaveSettings();
    std::vector<uint8_t> encoded;
    int encodedLength = 0;
    int ret = wsq::wsq_encode_1(&encoded, &encodedLength, static_cast<float>(settings.bitRate),
                                grey.data(), width, height, settings.depth, settings.ppi,
                                settings.comment ? settings.comment->c_str() : nullptr);
    if (ret != 0) return ret;
    ret = wsq::write_raw_from_memsize(outputName, encoded.data(), encodedLength);
    return ret == 0 ? 1 : ret;
}

uint32_t WriteLibraryFormat(const char* outputName, int type, int width, int height,
                            const uint8_t* planes) {
    BitmapImage image;
    image.width = static_cast<uint32_t>(width);
    image.height = static_cast<uint32_t>(height);
    image.bitsPerPixel = 24;
    image.dibLayout = 1;
    uint32_t code = AllocateBitmapImage(&image);
    if (code != kNoError) return code;

    const size_t w = image.width;
    const size_t h = image.height;
    const size_t n = w * h;
    for (size_t y = 0; y < h; ++y) {
        uint8_t* row = image.bits.data() + (h - 1 - y) * image.scanWidth;
        for (size_t x = 0; x < w; ++x) {
            row[3 * x + 2] = planes[y * w + x];
            row[3 * x + 1] = planes[n + y * w + x];
            row[3 * x] = planes[2 * n + y * w + x];
        }
    }
    switch (type) {
        case kBmpFileType:
            return WriteBmpFile(outputName, image);
        case kTiffFileType:
            return WriteTiffFile(outputName, image, &GlobalTiffSaveInfo());
        case kPngFileType:
            return WritePngFile(outputName, image);
        case kJpegFileType:
            return WriteJpegFile(outputName, image, 100);
        case kSgiFileType:
            return WriteSgiFile(outputName, image);
        default:
            return WriteTargaFile(outputName, image);
    }
}

}  // namespace

uint32_t ReadBitmapFile(const char* name, BitmapImage* image) {
    SetLastImageError(kNoError);
    if (name == nullptr || std::strchr(name, '.') == nullptr) return kUnsupportedOption;
    const std::string key = ExtensionKey(name);
    if (key == "PNG") return ReadPngFile(name, image);
    if (key == "JPG") return ReadJpegFile(name, image);
    if (key == "BMP") return ReadBmpFile(name, image);
    if (key == "TGA") return ReadTargaFile(name, image);
    if (key == "CEL") return ReadCelFile(name, image);
    if (key == "RGB") return ReadSgiFile(name, image);
    if (key == "GIF") return ReadGifFile(name, image);
    if (key == "PSD") return ReadPsdFile(name, image);
    if (key == "IFF") return ReadIffFile(name, image);
    if (key == "PCX") return ReadPcxFile(name, image);
    SetLastImageError(kUnsupportedExtension);
    return kUnsupportedExtension;
}

int ReadImageFile(const char* name, int* width, int* height, std::vector<uint8_t>* planes) {
    BitmapImage source;
    BitmapImage converted;
    source.dibLayout = 1;
    converted.dibLayout = 1;
    SetLastImageError(kNoError);
    if (name == nullptr || std::strchr(name, '.') == nullptr) return kUnsupportedOption;

    const std::string key = ExtensionKey(name);
    if (key == "WSQ") return ReadWsqIntoPlanes(name, width, height, planes);

    if (key == "TIF") {
        TiffSaveInfo info;
        ReadTiffFile(name, &source, &info);
        GlobalTiffSaveInfo() = info;
    } else {
        ReadBitmapFile(name, &source);
    }

    // A failed read leaves an empty source record, which converts to an empty picture.
    ConvertToTrueColor(source, &converted);
    SetLastImageError(kNoError);
    if (converted.bitsPerPixel != 8 && converted.bitsPerPixel != 24) {
        // 32-bit pictures (alpha, or a transparent palette index) are read with their own
        // row layout below; the line says what was found.
        std::fprintf(stderr, "ERROR: image depth = %d not 8 or 24\n", converted.bitsPerPixel);
    }
    const bool filled = RecordToPlanes(converted, planes);
    *width = filled ? static_cast<int>(converted.width) : 0;
    *height = filled ? static_cast<int>(converted.height) : 0;
    return 1;
}

int WriteImageFile(const char* name, int type, int width, int height, const uint8_t* planes) {
    if (name == nullptr) return 0;
    std::string outputPath(name);
    const std::string key = ExtensionKey(name);
    if (type < kWsqFileType || type > kTargaFileType) return 0;
    if (planes == nullptr && width > 0 && height > 0) {
        SetLastImageError(kInvalidBitmapPointer);
        return type == kWsqFileType ? -2 : 1;
    }
    if (key != kTypeExtensions[type].key) outputPath += kTypeExtensions[type].extension;
    if (outputPath.size() + 1 > kOutputPathBufferSize) {
        std::fprintf(stderr, "ERROR: WriteImageFile : output name longer than %zu bytes\n",
                     kOutputPathBufferSize - 1);
        SetLastImageError(kUnableToOpenFile);
        return -2;
    }
    if (type == kWsqFileType) return WriteWsqFromPlanes(outputPath.c_str(), width, height, planes);

    SetLastImageError(WriteLibraryFormat(outputPath.c_str(), type, width, height, planes));
    return 1;
}

uint32_t WriteBitmapFile(const char* name, int bytesPerPixel, uint32_t width, uint32_t height,
                         const uint8_t* pixels, int byteOrder) {
    BitmapImage image;
    image.width = width;
    image.height = height;
    image.bitsPerPixel = static_cast<uint8_t>(8 * bytesPerPixel);
    image.dibLayout = 0;
    uint32_t code = AllocateBitmapImage(&image);
    if (code != kNoError) return code;
    if (bytesPerPixel != 3 && bytesPerPixel != 4) {
        SetLastImageError(kInvalidBitsPerPixel);
        return kInvalidBitsPerPixel;
    }
    if (pixels == nullptr) {
        SetLastImageError(kInvalidBitmapPointer);
        return kInvalidBitmapPointer;
    }
    if (name == nullptr || std::strchr(name, '.') == nullptr) {
        SetLastImageError(kUnsupportedExtension);
        return kUnsupportedExtension;
    }
    const size_t rowBytes = static_cast<size_t>(width) * static_cast<size_t>(bytesPerPixel);
    for (size_t y = 0; y < height; ++y) {
        const uint8_t* in = pixels + y * rowBytes;
        uint8_t* out = image.bits.data() + y * image.scanWidth;
        std::memcpy(out, in, rowBytes);
        if (byteOrder != 1) {
            for (size_t x = 0; x < width; ++x) std::swap(out[x * bytesPerPixel], out[x * bytesPerPixel + 2]);
        }
    }
    const std::string key = ExtensionKey(name);
    if (key == "TIF") return WriteTiffFile(name, image, nullptr);
    if (key == "PNG") return WritePngFile(name, image);
    if (key == "JPG") return WriteJpegFile(name, image, 100);
    if (key == "BMP") return WriteBmpFile(name, image);
    if (key == "RGB") return WriteSgiFile(name, image);
    if (key == "TGA") return WriteTargaFile(name, image);
    SetLastImageError(kUnsupportedExtension);
    return kUnsupportedExtension;
}

}  // namespace imagefile
