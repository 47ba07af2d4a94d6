// The formats the library reads and writes, named as values rather than by a file name, and the
// two rules that turn a name or a save type code into one: ReadImageFile's dispatch by extension
// key, and WriteImageFile's type codes.
#pragma once

#include <optional>

namespace imagefile {

enum class ImageFormat {
    // Read and written.
    Wsq,
    Bmp,
    Tiff,
    Png,
    Jpeg,
    Sgi,
    Targa,
    // Read only.
    Cel,  // also the first frame of FLI/FLC animations
    Gif,
    Psd,
    Iff,
    Pcx,
};

// The reader ReadImageFile picks for `name` by its extension key: WSQ, TIF, then the keys
// ReadBitmapFile knows (PNG, JPG, BMP, TGA, CEL, RGB, GIF, PSD, IFF, PCX). None for any other key
// and for a name without "." (so x.jpeg and x.sgi have none).
std::optional<ImageFormat> ReadFormatForName(const char* name);

// The format of a WriteImageFile type code 1..7; none for any other code.
std::optional<ImageFormat> FormatForFileType(int type);

// True for the formats the library can write.
bool IsWritableFormat(ImageFormat format);

}  // namespace imagefile
