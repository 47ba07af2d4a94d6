#include "imagefile/checked_image_io.h"

#include <cstring>
#include <new>

#include "imagefile/grey_ramp.h"
#include "imagefile/pixel_conversions.h"
#include "imagefile/stated_resolution.h"
#include "wsq/image_limits.h"
#include "wsq/wsq.h"

namespace imagefile {

namespace {

// The library's code for a failed whole-file read: the codec's -2 means the file could not be
// opened (or sized); anything else, that it could not be read whole.
uint32_t CodeOfWsqFileRead(int ret) {
    return ret == -2 ? kUnableToOpenFile : kErrorReadingFile;
}

// The library's code for a failed WSQ encode or write.
uint32_t CodeOfWsqWrite(int ret) {
    switch (ret) {
        case -2:
            return kUnableToOpenFile;
        case -10:
        case -12:
        case -13:
            return kMemoryAllocation;
        case -11:
        case -14:
        case -15:
            return kInvalidImageSize;
        default:
            return kErrorWritingFile;
    }
}

void ReadWsq(const char* name, CheckedImageRead* result) {
    std::vector<uint8_t> data;
    int length = 0;
    if (int ret = wsq::read_raw_from_filesize(name, &data, &length); ret != 0) {
        result->wsqCode = ret;
        result->code = CodeOfWsqFileRead(ret);
        return;
    }

    WsqFileFacts facts;
    std::vector<uint8_t> grey;
    int w = 0, h = 0, depth = 8, lossy = 0, encoder = 0, software = 0;
    const int decoded = wsq::wsq_decode_mem(&grey, &w, &h, &depth, &facts.ppi, &lossy, &encoder,
                                            &software, data.data(), length);
    // The comment is the last one ahead of the first block, whether or not the picture decoded.
    std::vector<std::string> comments;
    wsq::read_comments_before_first_block(&comments, data.data(), length);
    if (!comments.empty()) facts.comment = std::move(comments.back());
    result->wsq = std::move(facts);

    const size_t n = static_cast<size_t>(w) * static_cast<size_t>(h);
    if (decoded != 0 || w <= 0 || h <= 0 || grey.size() < n) {
        result->wsqCode = decoded;
        result->code = kCorruptedFile;
        return;
    }
    std::vector<uint8_t> planes(3 * n);
    for (size_t plane = 0; plane < 3; ++plane) {
        std::memcpy(planes.data() + plane * n, grey.data(), n);
    }
    result->planes = std::move(planes);
    result->width = w;
    result->height = h;
    result->depth = 8;
    result->fileDepth = 8;
    result->ppi = result->wsq->ppi > 0 ? result->wsq->ppi : -1;
}

uint32_t ReadRecord(const char* name, ImageFormat format, BitmapImage* record,
                    CheckedImageRead* result) {
    switch (format) {
        case ImageFormat::Tiff: {
            TiffSaveInfo info;
            int32_t ppi = -1;
            const uint32_t code = ReadTiffFile(name, record, &info, &ppi);
            result->tiff = info;
            result->ppi = ppi;
            return code;
        }
        case ImageFormat::Png:
            return ReadPngFile(name, record);
        case ImageFormat::Jpeg:
            return ReadJpegFile(name, record);
        case ImageFormat::Bmp:
            return ReadBmpFile(name, record);
        case ImageFormat::Targa:
            return ReadTargaFile(name, record);
        case ImageFormat::Cel:
            return ReadCelFile(name, record);
        case ImageFormat::Sgi:
            return ReadSgiFile(name, record);
        case ImageFormat::Gif:
            return ReadGifFile(name, record);
        case ImageFormat::Psd:
            return ReadPsdFile(name, record);
        case ImageFormat::Iff:
            return ReadIffFileNotingDamage(name, record, &result->damage);
        case ImageFormat::Pcx:
            return ReadPcxFile(name, record);
        case ImageFormat::Wsq:
            break;
    }
    return kUnsupportedExtension;
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

void ReadLibraryFormat(const char* name, ImageFormat format, CheckedImageRead* result) {
    BitmapImage source;
    source.dibLayout = 1;
    result->code = ReadRecord(name, format, &source, result);
    if (result->code != kNoError) return;
    result->fileDepth = source.bitsPerPixel;

    BitmapImage converted;
    converted.dibLayout = 1;
    result->code = ConvertToTrueColor(source, &converted);
    if (result->code != kNoError) return;
    FreeBitmapImage(&source);
    result->depth = converted.bitsPerPixel;
    if (!RecordToPlanes(converted, &result->planes)) {
        result->code = kInvalidBitsPerPixel;
        return;
    }
    result->width = static_cast<int>(converted.width);
    result->height = static_cast<int>(converted.height);
}

CheckedImageWrite WriteWsq(const char* name, int width, int height, const uint8_t* planes,
                           const WsqSaveSettings& settings) {
    CheckedImageWrite result;
    // A size the encoder refuses gets no grey plane: the encoder says why (and a negative size
    // must never be turned into a buffer length).
    std::vector<uint8_t> grey;
    if (wsq::image_size_acceptable(static_cast<uint64_t>(width > 0 ? width : 0),
                                   static_cast<uint64_t>(height > 0 ? height : 0))) {
        if (planes == nullptr) {
            result.code = kInvalidBitmapPointer;
            return result;
        }
        const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
        grey.resize(n);
        for (size_t i = 0; i < n; ++i) {
            grey[i] = static_cast<uint8_t>((planes[i] + planes[n + i] + planes[2 * n + i]) / 3);
        }
    }
    std::vector<uint8_t> encoded;
    int encodedLength = 0;
    int ret = wsq::wsq_encode_1(&encoded, &encodedLength, static_cast<float>(settings.bitRate),
                                grey.data(), width, height, settings.depth, settings.ppi,
                                settings.comment ? settings.comment->c_str() : nullptr);
    if (ret == 0) ret = wsq::write_raw_from_memsize(name, encoded.data(), encodedLength);
    if (ret != 0) {
        result.wsqCode = ret;
        result.code = CodeOfWsqWrite(ret);
    }
    return result;
}

// The library writer of `format` (JPEG at quality 100). TIFF, PNG and JPEG state the
// resolution of the settings, and refuse (8) one they cannot hold. The library's BMP writer
// states none, so it refuses (8) any rather than drop it; SGI and Targa have no field for one
// and ignore it.
uint32_t WriteRecord(const char* name, ImageFormat format, const BitmapImage& image,
                     const SaveSettings& settings) {
    const int32_t ppi = settings.resolution.value_or(0);
    if (settings.resolution && MaxStatedResolution(format) > 0 &&
        !CanStateResolution(format, ppi)) {
        return kUnsupportedOption;
    }
    switch (format) {
        case ImageFormat::Bmp:
            return settings.resolution ? kUnsupportedOption : WriteBmpFile(name, image);
        case ImageFormat::Tiff:
            return WriteTiffFileWithResolution(name, image, &settings.tiff, ppi);
        case ImageFormat::Png:
            return WritePngFileWithResolution(name, image, ppi);
        case ImageFormat::Jpeg:
            return WriteJpegFileWithResolution(name, image, 100, ppi);
        case ImageFormat::Sgi:
            return WriteSgiFile(name, image);
        case ImageFormat::Targa:
            return WriteTargaFile(name, image);
        default:
            return kUnsupportedExtension;
    }
}

uint32_t WriteLibraryFormat(const char* name, ImageFormat format, int width, int height,
                            const uint8_t* planes, const SaveSettings& settings) {
    if (width < 1 || height < 1) return kInvalidImageSize;
    if (planes == nullptr) return kInvalidBitmapPointer;
    BitmapImage image;
    image.width = static_cast<uint32_t>(width);
    image.height = static_cast<uint32_t>(height);
    image.bitsPerPixel = 24;
    image.dibLayout = 1;
    if (uint32_t code = AllocateBitmapImage(&image); code != kNoError) return code;

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
    return WriteRecord(name, format, image, settings);
}

// An 8-bit record with the rising grey ramp as its palette: every writer stores its indices as
// grey levels (BMP keeps the palette).
uint32_t WriteGreyLibraryFormat(const char* name, ImageFormat format, int width, int height,
                                const uint8_t* grey, const SaveSettings& settings) {
    BitmapImage image;
    image.width = static_cast<uint32_t>(width);
    image.height = static_cast<uint32_t>(height);
    image.bitsPerPixel = 8;
    image.dibLayout = 1;
    if (uint32_t code = AllocateBitmapImage(&image); code != kNoError) return code;
    FillGreyRamp(&image, true);
    const size_t w = image.width;
    const size_t h = image.height;
    for (size_t y = 0; y < h; ++y)
        std::memcpy(image.bits.data() + (h - 1 - y) * image.scanWidth, grey + y * w, w);
    return WriteRecord(name, format, image, settings);
}

}  // namespace

CheckedImageRead ReadImageFileChecked(const char* name) {
    const std::optional<ImageFormat> format = ReadFormatForName(name);
    if (!format) {
        CheckedImageRead result;
        result.code = kUnsupportedExtension;
        SetLastImageError(result.code);
        return result;
    }
    return ReadImageFileChecked(name, *format);
}

CheckedImageRead ReadImageFileChecked(const char* name, ImageFormat format) {
    CheckedImageRead result;
    SetLastImageError(kNoError);
    try {
        if (name == nullptr) {
            result.code = kUnableToOpenFile;
        } else if (format == ImageFormat::Wsq) {
            ReadWsq(name, &result);
        } else {
            ReadLibraryFormat(name, format, &result);
        }
    } catch (const std::bad_alloc&) {
        result.code = kMemoryAllocation;
    }
    if (result.code != kNoError) {
        result.damage.clear();
        result.width = result.height = result.depth = 0;
        result.ppi = -1;
        result.planes.clear();
        result.planes.shrink_to_fit();
    }
    SetLastImageError(result.code);
    return result;
}

CheckedImageWrite WriteImageFileChecked(const char* name, ImageFormat format, int width, int height,
                                        const uint8_t* planes, const SaveSettings& settings) {
    CheckedImageWrite result;
    SetLastImageError(kNoError);
    try {
        if (!IsWritableFormat(format)) {
            result.code = kUnsupportedExtension;
        } else if (name == nullptr || *name == '\0') {
            result.code = kUnableToOpenFile;
        } else if (format == ImageFormat::Wsq) {
            result = WriteWsq(name, width, height, planes, settings.wsq);
        } else {
            result.code = WriteLibraryFormat(name, format, width, height, planes, settings);
        }
    } catch (const std::bad_alloc&) {
        result.code = kMemoryAllocation;
    }
    SetLastImageError(result.code);
    return result;
}

CheckedImageWrite WriteGreyImageFileChecked(const char* name, ImageFormat format, int width,
                                            int height, const uint8_t* grey,
                                            const SaveSettings& settings) {
    CheckedImageWrite result;
    SetLastImageError(kNoError);
    try {
        const bool greyFormat = format == ImageFormat::Png || format == ImageFormat::Tiff ||
                                format == ImageFormat::Jpeg || format == ImageFormat::Bmp;
        if (!greyFormat) {
            result.code = kUnsupportedExtension;
        } else if (name == nullptr || *name == '\0') {
            result.code = kUnableToOpenFile;
        } else if (width < 1 || height < 1) {
            result.code = kInvalidImageSize;
        } else if (grey == nullptr) {
            result.code = kInvalidBitmapPointer;
        } else {
            result.code = WriteGreyLibraryFormat(name, format, width, height, grey, settings);
        }
    } catch (const std::bad_alloc&) {
        result.code = kMemoryAllocation;
    }
    SetLastImageError(result.code);
    return result;
}

}  // namespace imagefile
