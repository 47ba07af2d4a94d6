#include "imagefile/image_file_io.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "imagefile/checked_image_io.h"
#include "imagefile/extension_key.h"
#include "imagefile/formats.h"
#include "imagefile/image_error.h"
#include "imagefile/image_format.h"
#include "imagefile/save_settings.h"

namespace imagefile {

namespace {

struct TypeExtension {
    const char* key;
    const char* extension;
};

// Indexed by ImageFileType.
constexpr TypeExtension kTypeExtensions[] = {
    {"", ""},        {"WSQ", ".wsq"}, {"BMP", ".bmp"}, {"TIF", ".tif"},
    {"PNG", ".png"}, {"JPG", ".jpg"}, {"RGB", ".rgb"}, {"TGA", ".tga"},
};

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

// The checked read with what ReadImageFile has always done on top: the TIFF settings and the
// WSQ resolution and comment found by a read become the library's save settings, a picture that
// could not be read is 0 x 0 with result 1, and the last error is cleared.
int ReadImageFile(const char* name, int* width, int* height, std::vector<uint8_t>* planes) {
    SetLastImageError(kNoError);
    if (name == nullptr || std::strchr(name, '.') == nullptr) return kUnsupportedOption;

    CheckedImageRead read = ReadImageFileChecked(name);
    if (ReadFormatForName(name) == ImageFormat::Wsq) {
        if (!read.wsq) {
            // The file could not be read into memory: the codec's code, and nothing changed.
            *width = 0;
            *height = 0;
            planes->clear();
            SetLastImageError(kNoError);
            return read.wsqCode;
        }
        WsqSaveSettings& settings = GlobalWsqSaveSettings();
        settings.ppi = read.wsq->ppi;
        settings.comment = std::move(read.wsq->comment);
    } else {
        KeepLibraryReadSettings(read.tiff, read.depth);
    }
    SetLastImageError(kNoError);
    *planes = std::move(read.planes);
    *width = read.width;
    *height = read.height;
    return 1;
}

void KeepLibraryReadSettings(const std::optional<TiffSaveInfo>& tiff, int depth) {
    if (tiff) GlobalTiffSaveInfo() = *tiff;
    if (depth != 8 && depth != 24) {
        // 32-bit pictures (alpha, or a transparent palette index) are read with their own row
        // layout; the line says what was found.
        std::fprintf(stderr, "ERROR: image depth = %d not 8 or 24\n", depth);
    }
}

// The checked write under WriteImageFile's own rules: the type's extension appended to a name
// whose key is not the type's, the library's save settings, and its result codes.
int WriteImageFile(const char* name, int type, int width, int height, const uint8_t* planes) {
    if (name == nullptr) return 0;
    std::string outputPath(name);
    const std::string key = ExtensionKey(name);
    const std::optional<ImageFormat> format = FormatForFileType(type);
    if (!format) return 0;
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
    const CheckedImageWrite written = WriteImageFileChecked(outputPath.c_str(), *format, width,
                                                            height, planes, CurrentSaveSettings());
    if (type == kWsqFileType) return written.ok() ? 1 : written.wsqCode;
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
            for (size_t x = 0; x < width; ++x)
                std::swap(out[x * bytesPerPixel], out[x * bytesPerPixel + 2]);
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
