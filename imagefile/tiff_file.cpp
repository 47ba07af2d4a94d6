// TIFF files over libtiff: the reader turns the first directory into a record and reports its
// compression, photometric interpretation and orientation; the writer stores a record with one
// row per strip.
#include <fcntl.h>
#include <sys/stat.h>
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstring>
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

// Compression tag value of each selector of TiffSaveInfo.
constexpr uint16_t kCompressionBySelector[16] = {
    COMPRESSION_NONE,      COMPRESSION_CCITTRLE, COMPRESSION_CCITTFAX3,   COMPRESSION_CCITTFAX4,
    COMPRESSION_LZW,       COMPRESSION_OJPEG,    COMPRESSION_JPEG,        COMPRESSION_NEXT,
    COMPRESSION_CCITTRLEW, COMPRESSION_PACKBITS, COMPRESSION_THUNDERSCAN, COMPRESSION_PIXARFILM,
    COMPRESSION_PIXARLOG,  COMPRESSION_DEFLATE,  COMPRESSION_DCS,         COMPRESSION_JBIG,
};
constexpr uint32_t kSelectorLzw = 4;
constexpr uint32_t kSelectorPackBits = 9;
constexpr uint32_t kSelectorDeflate = 13;

// No strip buffer, and nothing libtiff allocates for one file, may exceed this.
constexpr tmsize_t kMaxTiffAllocation = tmsize_t{256} << 20;

// libtiff reads and writes through a plain descriptor: the reader's own, or the temporary file
// of the writer's AtomicFile (whose stdio stream is never written to directly).
int HandleFd(thandle_t handle) {
    return static_cast<int>(reinterpret_cast<intptr_t>(handle));
}

tmsize_t FdRead(thandle_t handle, void* buffer, tmsize_t size) {
    auto* out = static_cast<char*>(buffer);
    tmsize_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(HandleFd(handle), out + done, static_cast<size_t>(size - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

tmsize_t FdWrite(thandle_t handle, void* buffer, tmsize_t size) {
    const auto* in = static_cast<const char*>(buffer);
    tmsize_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(HandleFd(handle), in + done, static_cast<size_t>(size - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return -1;
        done += n;
    }
    return done;
}

toff_t FdSeek(thandle_t handle, toff_t offset, int whence) {
    const off_t at = ::lseek(HandleFd(handle), static_cast<off_t>(offset), whence);
    return at < 0 ? static_cast<toff_t>(-1) : static_cast<toff_t>(at);
}

int FdClose(thandle_t) {
    return 0;
}  // the descriptor belongs to the caller

toff_t FdSize(thandle_t handle) {
    struct stat st {};
    return fstat(HandleFd(handle), &st) == 0 ? static_cast<toff_t>(st.st_size) : 0;
}

int NoMap(thandle_t, void**, toff_t*) {
    return 0;
}
void NoUnmap(thandle_t, void*, toff_t) {}

// libtiff's messages are not ours to print: a failure reaches the caller as a code.
int QuietHandler(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

class TiffHandle {
public:
    TiffHandle(const char* name, const char* mode, int fd) {
        TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
        if (options == nullptr) return;
        TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxTiffAllocation);
        TIFFOpenOptionsSetErrorHandlerExtR(options, QuietHandler, nullptr);
        TIFFOpenOptionsSetWarningHandlerExtR(options, QuietHandler, nullptr);
        m_tif = TIFFClientOpenExt(name, mode, reinterpret_cast<thandle_t>(intptr_t{fd}), FdRead,
                                  FdWrite, FdSeek, FdClose, FdSize, NoMap, NoUnmap, options);
        TIFFOpenOptionsFree(options);
    }
    ~TiffHandle() {
        if (m_tif != nullptr) TIFFClose(m_tif);
    }
    TiffHandle(const TiffHandle&) = delete;
    TiffHandle& operator=(const TiffHandle&) = delete;
    TIFF* get() const { return m_tif; }
    // Writes what is still pending and lets go of the file; false when that write failed.
    bool close() {
        if (m_tif == nullptr) return false;
        const bool flushed = TIFFFlush(m_tif) == 1;
        TIFFClose(m_tif);
        m_tif = nullptr;
        return flushed;
    }

private:
    TIFF* m_tif = nullptr;
};

class InputFd {
public:
    explicit InputFd(const char* name) {
        m_fd = ::open(name, O_RDONLY | O_CLOEXEC);
        struct stat st {};
        if (m_fd >= 0 && (fstat(m_fd, &st) != 0 || S_ISDIR(st.st_mode))) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~InputFd() {
        if (m_fd >= 0) ::close(m_fd);
    }
    InputFd(const InputFd&) = delete;
    InputFd& operator=(const InputFd&) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd = -1;
};

uint32_t SelectorOfCompression(uint16_t compression, bool* known) {
    for (uint32_t s = 0; s < 16; ++s) {
        if (kCompressionBySelector[s] == compression) {
            *known = true;
            return s;
        }
    }
    *known = false;
    return 0;
}

bool PhotometricSelector(uint16_t photometric, uint32_t* selector) {
    switch (photometric) {
        case 0:
        case 1:
        case 2:
        case 3:
        case 4:
        case 5:
        case 6:
            *selector = photometric;
            return true;
        case 8:
            *selector = 7;
            return true;
        case 32844:
            *selector = 8;
            return true;
        case 32845:
            *selector = 9;
            return true;
        default:
            return false;
    }
}

uint16_t Sample16(const uint8_t* row, uint32_t index) {
    uint16_t v;
    std::memcpy(&v, row + size_t{index} * 2, 2);
    return v;
}

// Everything the per-row conversions need to know about the directory being read.
struct TiffLayout {
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t bits = 1;
    uint16_t samples = 1;
    uint16_t photometric = 1;
    int shift = 0;            // right shift of 16-bit samples down to 8 bits
    bool bottomUp = false;    // Orientation 4: the first file row is the bottom row
    bool associated = false;  // one extra sample, and it is premultiplied alpha
    tmsize_t scanline = 0;
    uint32_t rowsPerStrip = 1;
};

uint8_t SampleToByte(uint32_t sample, int shift) {
    return static_cast<uint8_t>(std::min<uint32_t>(sample >> shift, 255));
}

// Stored row (the record is bottom-up) of file row r.
uint32_t StoredRow(const TiffLayout& t, uint32_t r) {
    return t.bottomUp ? r : t.height - 1 - r;
}

// Reads the strips of one sample plane (always 0 for contiguous data) and hands every file row
// to convert(fileRow, rowBytes).
template <typename Convert>
uint32_t ForEachFileRow(TIFF* tif, const TiffLayout& t, uint16_t plane,
                        std::vector<uint8_t>& buffer, Convert&& convert) {
    for (uint32_t r = 0; r < t.height; r += t.rowsPerStrip) {
        const uint32_t rows = std::min(t.rowsPerStrip, t.height - r);
        const tmsize_t want = static_cast<tmsize_t>(rows) * t.scanline;
        const uint32_t strip = TIFFComputeStrip(tif, r, plane);
        if (strip >= TIFFNumberOfStrips(tif)) return kCorruptedFile;
        const tmsize_t got = TIFFReadEncodedStrip(tif, strip, buffer.data(), want);
        if (got < want) return kErrorReadingFile;
        for (uint32_t k = 0; k < rows; ++k) convert(r + k, buffer.data() + size_t{k} * t.scanline);
    }
    return kNoError;
}

void Unpremultiply(BitmapImage& image) {
    for (uint32_t y = 0; y < image.height; ++y) {
        uint8_t* p = &image.bits[size_t{y} * image.scanWidth];
        for (uint32_t x = 0; x < image.width; ++x, p += 4) {
            const uint32_t a = p[3];
            if (a == 0) continue;
            for (int c = 0; c < 3; ++c)
                p[c] = static_cast<uint8_t>(std::min<uint32_t>(255, p[c] * 256u / a));
        }
    }
}

uint32_t ReadContiguous(TIFF* tif, const TiffLayout& t, BitmapImage& image,
                        std::vector<uint8_t>& buffer) {
    const uint32_t width = t.width;
    const size_t packedRow = static_cast<size_t>(RowBytes(image.bitsPerPixel, width, false));
    return ForEachFileRow(tif, t, 0, buffer, [&](uint32_t r, const uint8_t* src) {
        uint8_t* dst = &image.bits[size_t{StoredRow(t, r)} * image.scanWidth];
        if (t.bits == 16) {
            for (uint32_t x = 0; x < width; ++x) {
                const uint32_t base = x * t.samples;
                if (t.samples == 1) {
                    dst[x] = SampleToByte(Sample16(src, base), t.shift);
                } else if (t.samples == 2) {
                    const uint8_t grey = SampleToByte(Sample16(src, base), t.shift);
                    dst[4 * x] = dst[4 * x + 1] = dst[4 * x + 2] = grey;
                    dst[4 * x + 3] = SampleToByte(Sample16(src, base + 1), t.shift);
                } else {
                    const uint32_t step = image.bitsPerPixel / 8;
                    uint8_t* p = dst + size_t{x} * step;
                    p[0] = SampleToByte(Sample16(src, base + 2), t.shift);
                    p[1] = SampleToByte(Sample16(src, base + 1), t.shift);
                    p[2] = SampleToByte(Sample16(src, base), t.shift);
                    if (t.samples == 4) p[3] = SampleToByte(Sample16(src, base + 3), t.shift);
                }
            }
        } else if (t.samples == 1) {
            std::memcpy(dst, src, packedRow);
        } else if (t.samples == 2) {
            for (uint32_t x = 0; x < width; ++x) {
                dst[4 * x] = dst[4 * x + 1] = dst[4 * x + 2] = src[2 * x];
                dst[4 * x + 3] = src[2 * x + 1];
            }
        } else {
            const uint32_t step = t.samples;
            for (uint32_t x = 0; x < width; ++x) {
                const uint8_t* s = src + size_t{x} * step;
                uint8_t* p = dst + size_t{x} * step;
                p[0] = s[2];
                p[1] = s[1];
                p[2] = s[0];
                if (step == 4) p[3] = s[3];
            }
        }
    });
}

// Separate planes of 1-bit samples make an index into the eight corner colours (and grey for a
// cleared fourth plane); planes of 8- or 16-bit samples fill the colour and alpha bytes.
uint32_t ReadSeparate(TIFF* tif, const TiffLayout& t, BitmapImage& image,
                      std::vector<uint8_t>& buffer) {
    const uint32_t width = t.width;
    const bool indexed = t.bits == 1;
    const uint32_t step = image.bitsPerPixel / 8;
    for (uint16_t s = 0; s < t.samples; ++s) {
        const uint32_t code =
            ForEachFileRow(tif, t, s, buffer, [&](uint32_t r, const uint8_t* src) {
                uint8_t* dst = &image.bits[size_t{StoredRow(t, r)} * image.scanWidth];
                for (uint32_t x = 0; x < width; ++x) {
                    if (indexed) {
                        const uint8_t bit = (src[x >> 3] >> (7 - (x & 7))) & 1;
                        if (s < 3) {
                            dst[x] = static_cast<uint8_t>(dst[x] + (bit << (2 - s)));
                        } else if (s == 3 && bit == 0) {
                            dst[x] = 8;
                        }
                        continue;
                    }
                    const uint8_t v =
                        t.bits == 16 ? SampleToByte(Sample16(src, x), t.shift) : src[x];
                    uint8_t* p = dst + size_t{x} * step;
                    if (t.samples == 2) {
                        if (s == 0) {
                            p[0] = p[1] = p[2] = v;
                        } else {
                            p[3] = v;
                        }
                    } else if (s < 3) {
                        p[2 - s] = v;
                    } else if (s == 3) {
                        p[3] = v;
                    }
                }
            });
        if (code != kNoError) return code;
    }
    if (indexed) {
        // The index palette: bit 0 blue, bit 1 green, bit 2 red; entry 8 is grey.
        for (uint32_t i = 0; i < image.paletteSize; ++i) {
            uint8_t* e = &image.palette[size_t{i} * image.paletteEntrySize];
            if (i < 8) {
                e[0] = (i & 1) ? 255 : 0;
                e[1] = (i & 2) ? 255 : 0;
                e[2] = (i & 4) ? 255 : 0;
            } else {
                e[0] = e[1] = e[2] = 127;
            }
        }
        return ReducePaletteDepth(&image);
    }
    return kNoError;
}

uint32_t FillTiffPalette(TIFF* tif, const TiffLayout& t, BitmapImage& image) {
    if (t.photometric == PHOTOMETRIC_PALETTE) {
        uint16_t* red = nullptr;
        uint16_t* green = nullptr;
        uint16_t* blue = nullptr;
        if (TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) != 1 || red == nullptr ||
            green == nullptr || blue == nullptr) {
            return kCorruptedFile;
        }
        // libtiff holds 2^bits entries per channel.
        const uint32_t entries = std::min<uint32_t>(1u << t.bits, image.paletteSize);
        bool wide = false;
        for (uint32_t i = 0; i < entries; ++i) {
            wide = wide || red[i] > 255 || green[i] > 255 || blue[i] > 255;
        }
        for (uint32_t i = 0; i < entries; ++i) {
            uint8_t* e = &image.palette[size_t{i} * image.paletteEntrySize];
            if (wide) {
                e[0] = static_cast<uint8_t>(blue[i] * 255u / 65535u);
                e[1] = static_cast<uint8_t>(green[i] * 255u / 65535u);
                e[2] = static_cast<uint8_t>(red[i] * 255u / 65535u);
            } else {
                e[0] = static_cast<uint8_t>(blue[i]);
                e[1] = static_cast<uint8_t>(green[i]);
                e[2] = static_cast<uint8_t>(red[i]);
            }
        }
        return kNoError;
    }
    // Grey: a ramp over the whole palette, whatever the sample range says, so that a short
    // MaxSampleValue never turns the picture black.
    FillGreyRamp(&image, t.photometric != PHOTOMETRIC_MINISWHITE);
    return kNoError;
}

// Pixels per inch from XResolution and YResolution: in inches (also when ResolutionUnit is
// missing, inch being its default), or in centimetres; -1 for none, for unit "none" (an aspect
// ratio only), and for a different resolution across and down. libtiff drops a unit it does
// not know as it reads the directory, so such a file reads as one without a unit.
int32_t StatedResolution(TIFF* tif) {
    float x = 0;
    float y = 0;
    uint16_t unit = RESUNIT_INCH;
    if (TIFFGetField(tif, TIFFTAG_XRESOLUTION, &x) != 1 ||
        TIFFGetField(tif, TIFFTAG_YRESOLUTION, &y) != 1) {
        return -1;
    }
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    if (!(x > 0) || x != y) return -1;
    double ppi = 0;
    if (unit == RESUNIT_INCH) {
        ppi = x;
    } else if (unit == RESUNIT_CENTIMETER) {
        ppi = x * 2.54;
    } else {
        return -1;
    }
    // A float can be far beyond any int; such a value states nothing we could keep.
    if (!(ppi < 2147483647.0)) return -1;
    const long rounded = std::lround(ppi);
    return rounded >= 1 ? static_cast<int32_t>(rounded) : -1;
}

uint32_t ReadTiff(const char* name, BitmapImage& image, TiffSaveInfo* info, int32_t* ppi) {
    InputFd input(name);
    if (input.fd() < 0) return kUnableToOpenFile;
    TiffHandle handle(name, "rm", input.fd());
    TIFF* tif = handle.get();
    if (tif == nullptr) return kCorruptedFile;

    TiffLayout t;
    uint16_t compression = COMPRESSION_NONE;
    uint16_t planar = PLANARCONFIG_CONTIG;
    if (TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &t.width) != 1 ||
        TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &t.height) != 1) {
        return kCorruptedFile;
    }
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    if (TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &t.photometric) != 1) return kCorruptedFile;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &t.bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &t.samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);

    switch (t.photometric) {
        case PHOTOMETRIC_YCBCR:
        case PHOTOMETRIC_CIELAB:
        case PHOTOMETRIC_ICCLAB:
        case PHOTOMETRIC_ITULAB:
        case PHOTOMETRIC_LOGL:
        case PHOTOMETRIC_LOGLUV:
            return kUnsupportedOption;
        default:
            break;
    }
    if (!wsq::image_size_acceptable(t.width, t.height)) return kInvalidImageSize;
    if (t.bits != 1 && t.bits != 2 && t.bits != 4 && t.bits != 8 && t.bits != 16) {
        return kInvalidBitsPerPixel;
    }
    if (t.samples == 0) return kCorruptedFile;
    if (t.samples > 4) return kUnsupportedOption;
    if (planar != PLANARCONFIG_CONTIG && planar != PLANARCONFIG_SEPARATE) return kCorruptedFile;
    if (TIFFIsTiled(tif)) return kUnsupportedOption;
    // One sample per pixel is laid out the same way in both configurations.
    const bool separate = planar == PLANARCONFIG_SEPARATE && t.samples > 1;
    if (t.photometric == PHOTOMETRIC_RGB && t.samples < 3) return kCorruptedFile;
    if (t.photometric == PHOTOMETRIC_PALETTE && (t.samples != 1 || t.bits > 8)) {
        return t.samples != 1 ? kCorruptedFile : kUnsupportedOption;
    }

    // Record depth. Grey with alpha (two samples) becomes blue-green-red-alpha.
    uint32_t depth = 0;
    if (t.samples > 1 && t.bits != 8 && t.bits != 16 && !(separate && t.bits == 1)) {
        return kUnsupportedOption;
    }
    if (!separate) {
        if (t.samples == 2) {
            depth = 32;
        } else {
            depth = (t.bits == 16 ? 8u : t.bits) * t.samples;
        }
    } else if (t.bits == 1) {
        depth = 8;
    } else if (t.bits == 8 || t.bits == 16) {
        depth = t.samples == 2 ? 32u : 8u * t.samples;
    } else {
        return kUnsupportedOption;
    }
    if (!IsValidBitsPerPixel(depth)) return kInvalidBitsPerPixel;

    uint16_t extraCount = 0;
    uint16_t* extraTypes = nullptr;
    TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes);
    if (depth == 32 && !(separate && t.bits == 1) && extraCount == 0) return kUnsupportedOption;
    t.associated = depth == 32 && extraCount == 1 && extraTypes != nullptr &&
                   extraTypes[0] == EXTRASAMPLE_ASSOCALPHA;

    uint32_t rowsPerStrip = 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    t.rowsPerStrip = rowsPerStrip == 0 || rowsPerStrip > t.height ? t.height : rowsPerStrip;

    uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetField(tif, TIFFTAG_ORIENTATION, &orientation);
    t.bottomUp = orientation == ORIENTATION_BOTLEFT;

    TiffSaveInfo found;
    if (info != nullptr) {
        found = *info;
        if (orientation != ORIENTATION_TOPLEFT && orientation != ORIENTATION_BOTLEFT) {
            return kUnsupportedOption;
        }
        found.bottomUp = t.bottomUp ? 1 : 0;
        found.predictor = 0;
        if (compression == COMPRESSION_OJPEG || compression == COMPRESSION_JPEG ||
            compression == COMPRESSION_JBIG) {
            return kUnsupportedOption;
        }
        bool known = false;
        const uint32_t selector = SelectorOfCompression(compression, &known);
        if (known) found.compression = selector;
        if (compression == COMPRESSION_LZW) {
            uint16_t predictor = 0;
            found.predictor = TIFFGetField(tif, TIFFTAG_PREDICTOR, &predictor) == 1 ? predictor : 2;
        }
        uint32_t photometricSelector = 0;
        if (PhotometricSelector(t.photometric, &photometricSelector)) {
            found.photometric = photometricSelector;
        }
    }

    // Sample range: 16-bit samples are shifted down so that the range fits 8 bits.
    uint32_t maxSample = (1u << t.bits) - 1;
    uint16_t tagged = 0;
    if (TIFFGetField(tif, TIFFTAG_MAXSAMPLEVALUE, &tagged) == 1) maxSample = tagged;
    t.shift = maxSample > 255
                  ? static_cast<int>(std::log(double(maxSample)) / std::log(2.0) + 0.5) - 8
                  : 0;
    t.shift = std::clamp(t.shift, 0, 8);

    // The strip buffer holds whole strips of whole rows; the rows converted out of it must be
    // as long as the directory says.
    t.scanline = TIFFScanlineSize(tif);
    const uint64_t rowBits = uint64_t{t.width} * t.bits * (separate ? 1 : t.samples);
    if (t.scanline <= 0 || uint64_t(t.scanline) < (rowBits + 7) / 8) return kCorruptedFile;
    const uint64_t stripBytes = uint64_t(t.scanline) * t.rowsPerStrip;
    if (stripBytes > uint64_t(kMaxTiffAllocation)) return kMemoryAllocation;
    // Uncompressed strips must be in the file before a record of their size is made.
    if (compression == COMPRESSION_NONE) {
        const uint64_t planes = separate ? t.samples : 1;
        if (uint64_t(t.scanline) * t.height * planes >
            FdSize(reinterpret_cast<thandle_t>(intptr_t{input.fd()}))) {
            return kErrorReadingFile;
        }
    }

    image.width = t.width;
    image.height = t.height;
    image.bitsPerPixel = static_cast<uint8_t>(depth);
    image.paletteSize = 0;
    image.paletteEntrySize = 0;
    image.transparentIndex = -1;
    if (separate && t.bits == 1) {
        image.paletteEntrySize = image.dibLayout == 1 ? 4 : 3;
        image.paletteSize = t.samples == 3 ? 8 : 9;
        if (t.samples != 3) image.transparentIndex = 8;
    }
    if (uint32_t code = AllocateBitmapImage(&image); code != kNoError) return code;

    std::vector<uint8_t> buffer;
    try {
        buffer.resize(static_cast<size_t>(stripBytes));
    } catch (const std::bad_alloc&) {
        return kMemoryAllocation;
    }
    uint32_t code =
        separate ? ReadSeparate(tif, t, image, buffer) : ReadContiguous(tif, t, image, buffer);
    if (code != kNoError) return code;
    if (t.associated) Unpremultiply(image);
    if (!separate && depth <= 8) {
        if (code = FillTiffPalette(tif, t, image); code != kNoError) return code;
    }
    if (info != nullptr) *info = found;
    if (ppi != nullptr) *ppi = StatedResolution(tif);
    return kNoError;
}

// Compressions libtiff 4 can encode for any of our records; the others fall back to none.
uint16_t WritableCompression(uint32_t selector) {
    switch (selector) {
        case kSelectorLzw:
        case kSelectorPackBits:
        case kSelectorDeflate: {
            const uint16_t value = kCompressionBySelector[selector];
            return TIFFIsCODECConfigured(value) ? value : uint16_t{COMPRESSION_NONE};
        }
        default:
            return COMPRESSION_NONE;
    }
}

uint32_t WriteTiff(const char* name, const BitmapImage& image, const TiffSaveInfo* info,
                   int32_t ppi) {
    if (uint32_t code = CheckWriterInput(image); code != kNoError) return code;
    if (ppi != 0 && !CanStateResolution(ImageFormat::Tiff, ppi)) return kUnsupportedOption;
    uint32_t selector = info != nullptr ? info->compression : 0;
    const uint32_t bottomUpFlag = info != nullptr ? info->bottomUp : 0;
    const uint16_t predictor = info != nullptr ? info->predictor : 0;

    const bool indexed = image.bitsPerPixel <= 8;
    uint16_t samples = 1;
    uint16_t photometric = PHOTOMETRIC_MINISBLACK;
    if (indexed) {
        switch (PaletteGreyRamp(image)) {
            case GreyRamp::kRising:
                photometric = PHOTOMETRIC_MINISBLACK;
                break;
            case GreyRamp::kFalling:
                photometric = PHOTOMETRIC_MINISWHITE;
                break;
            case GreyRamp::kNone:
                photometric = PHOTOMETRIC_PALETTE;
                break;
        }
        if (image.bitsPerPixel == 1) selector = kSelectorPackBits;
    } else {
        samples = image.bitsPerPixel == 32 ? 4 : 3;
        photometric = PHOTOMETRIC_RGB;
    }
    const uint16_t bits = image.bitsPerPixel == 16 ? 8 : image.bitsPerPixel / samples;
    const uint16_t compression = WritableCompression(selector);

    fileio::AtomicFile file;
    if (!file.open(name)) return kUnableToOpenFile;
    TiffHandle handle(name, "w", fileno(file.stream()));
    TIFF* tif = handle.get();
    if (tif == nullptr) return kMemoryAllocation;

    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, image.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, image.height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    if (samples == 4) {
        // Our alpha is straight, not premultiplied.
        const uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    uint32_t rowsPerStrip = TIFFDefaultStripSize(tif, 65535);
    if (rowsPerStrip == 65535 || rowsPerStrip == 0) rowsPerStrip = 1;
    rowsPerStrip = std::min(rowsPerStrip, image.height);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
    if (bottomUpFlag == 0) TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    if (bottomUpFlag == 1) TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_BOTLEFT);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
    if ((compression == COMPRESSION_LZW || compression == COMPRESSION_DEFLATE) && predictor == 2 &&
        bits == 8) {
        TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    }
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
    if (ppi != 0) {
        TIFFSetField(tif, TIFFTAG_XRESOLUTION, static_cast<double>(ppi));
        TIFFSetField(tif, TIFFTAG_YRESOLUTION, static_cast<double>(ppi));
        TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    }
    if (photometric == PHOTOMETRIC_PALETTE) {
        // libtiff takes 2^bits entries per channel; entries beyond the palette stay black.
        // 8-bit levels scale by 257, so that 255 is full intensity and reads back as 255.
        const uint32_t entries = 1u << bits;
        std::vector<uint16_t> map;
        try {
            map.assign(size_t{entries} * 3, 0);
        } catch (const std::bad_alloc&) {
            return kMemoryAllocation;
        }
        const uint32_t used = std::min<uint32_t>(entries, image.paletteSize);
        for (uint32_t i = 0; i < used; ++i) {
            const uint8_t* e = &image.palette[size_t{i} * image.paletteEntrySize];
            map[i] = static_cast<uint16_t>(e[2] * 257);
            map[entries + i] = static_cast<uint16_t>(e[1] * 257);
            map[2 * entries + i] = static_cast<uint16_t>(e[0] * 257);
        }
        TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data() + entries,
                     map.data() + 2 * entries);
    }

    const tmsize_t scanline = TIFFScanlineSize(tif);
    const size_t packedRow = static_cast<size_t>(RowBytes(image.bitsPerPixel, image.width, false));
    if (scanline <= 0) return kMemoryAllocation;
    std::vector<uint8_t> buffer;
    try {
        buffer.assign(size_t(scanline) * rowsPerStrip, 0);
    } catch (const std::bad_alloc&) {
        return kMemoryAllocation;
    }
    for (uint32_t y = 0; y < image.height; y += rowsPerStrip) {
        const uint32_t rows = std::min(rowsPerStrip, image.height - y);
        for (uint32_t k = 0; k < rows; ++k) {
            const uint32_t fileRow = y + k;
            const uint32_t stored = bottomUpFlag == 1 ? fileRow : image.height - 1 - fileRow;
            const uint8_t* src = &image.bits[size_t{stored} * image.scanWidth];
            uint8_t* dst = buffer.data() + size_t{k} * scanline;
            if (indexed) {
                std::memcpy(dst, src, packedRow);
            } else if (image.bitsPerPixel == 16) {
                for (uint32_t x = 0; x < image.width; ++x) {
                    const uint32_t p = src[2 * x] | (src[2 * x + 1] << 8);
                    dst[3 * x] = static_cast<uint8_t>((p & 0x7C00) >> 7);
                    dst[3 * x + 1] = static_cast<uint8_t>((p & 0x3E0) >> 2);
                    dst[3 * x + 2] = static_cast<uint8_t>((p & 0x1F) << 3);
                }
            } else {
                const uint32_t step = image.bitsPerPixel / 8;
                for (uint32_t x = 0; x < image.width; ++x) {
                    const uint8_t* s = src + size_t{x} * step;
                    uint8_t* d = dst + size_t{x} * step;
                    d[0] = s[2];
                    d[1] = s[1];
                    d[2] = s[0];
                    if (step == 4) d[3] = s[3];
                }
            }
        }
        const uint32_t strip = TIFFComputeStrip(tif, y, 0);
        if (TIFFWriteEncodedStrip(tif, strip, buffer.data(), tmsize_t(rows) * scanline) < 0) {
            return kErrorWritingFile;
        }
    }
    if (!handle.close()) return kErrorWritingFile;
    return file.commit() ? kNoError : kErrorWritingFile;
}

}  // namespace

uint32_t ReadTiffFile(const char* name, BitmapImage* image, TiffSaveInfo* info, int32_t* ppi) {
    return RunImageReader(image, [&]() -> uint32_t {
        return name == nullptr ? kUnableToOpenFile : ReadTiff(name, *image, info, ppi);
    });
}

uint32_t WriteTiffFile(const char* name, const BitmapImage& image, const TiffSaveInfo* info) {
    return WriteTiffFileWithResolution(name, image, info, 0);
}

uint32_t WriteTiffFileWithResolution(const char* name, const BitmapImage& image,
                                     const TiffSaveInfo* info, int32_t ppi) {
    return RunImageWriter([&]() -> uint32_t {
        return name == nullptr ? kUnableToOpenFile : WriteTiff(name, image, info, ppi);
    });
}

}  // namespace imagefile
