#include "imagefile/image_format.h"

#include <string>

#include "imagefile/extension_key.h"

namespace imagefile {

std::optional<ImageFormat> ReadFormatForName(const char* name) {
    const std::string key = ExtensionKey(name);
    if (key == "WSQ") return ImageFormat::Wsq;
    if (key == "TIF") return ImageFormat::Tiff;
    if (key == "PNG") return ImageFormat::Png;
    if (key == "JPG") return ImageFormat::Jpeg;
    if (key == "BMP") return ImageFormat::Bmp;
    if (key == "TGA") return ImageFormat::Targa;
    if (key == "CEL") return ImageFormat::Cel;
    if (key == "RGB") return ImageFormat::Sgi;
    if (key == "GIF") return ImageFormat::Gif;
    if (key == "PSD") return ImageFormat::Psd;
    if (key == "IFF") return ImageFormat::Iff;
    if (key == "PCX") return ImageFormat::Pcx;
    return std::nullopt;
}

std::optional<ImageFormat> FormatForFileType(int type) {
    switch (type) {
        case 1:
            return ImageFormat::Wsq;
        case 2:
            return ImageFormat::Bmp;
        case 3:
            return ImageFormat::Tiff;
        case 4:
            return ImageFormat::Png;
        case 5:
            return ImageFormat::Jpeg;
        case 6:
            return ImageFormat::Sgi;
        case 7:
            return ImageFormat::Targa;
        default:
            return std::nullopt;
    }
}

bool IsWritableFormat(ImageFormat format) {
    switch (format) {
        case ImageFormat::Wsq:
        case ImageFormat::Bmp:
        case ImageFormat::Tiff:
        case ImageFormat::Png:
        case ImageFormat::Jpeg:
        case ImageFormat::Sgi:
        case ImageFormat::Targa:
            return true;
        default:
            return false;
    }
}

}  // namespace imagefile
