// GIF files over giflib: the first picture of the file, on its logical screen, as a palette
// record (reduced to 1 or 4 bits when the palette is small). There is no writer.
//
// The file is read record by record up to its first image rather than slurped whole: only the
// first image is shown, and a frame's raster is never allocated before its rectangle is known.
#include <gif_lib.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

#include "imagefile/formats.h"
#include "imagefile/image_error.h"
#include "imagefile/pixel_conversions.h"
#include "wsq/image_limits.h"

namespace imagefile {

namespace {

constexpr int kGraphicControlExtension = 0xF9;

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using InputFile = std::unique_ptr<FILE, FileCloser>;

struct GifInput {
    FILE* file = nullptr;
    bool shortRead = false;
};

int GifRead(GifFileType* gif, GifByteType* buffer, int length) {
    auto* input = static_cast<GifInput*>(gif->UserData);
    if (length <= 0) return 0;
    const size_t n = std::fread(buffer, 1, static_cast<size_t>(length), input->file);
    if (n < static_cast<size_t>(length)) input->shortRead = true;
    return static_cast<int>(n);
}

class GifHandle {
public:
    GifHandle(GifInput* input) {
        int error = 0;
        m_gif = DGifOpen(input, GifRead, &error);
    }
    ~GifHandle() { close(); }
    GifHandle(const GifHandle&) = delete;
    GifHandle& operator=(const GifHandle&) = delete;
    GifFileType* get() const { return m_gif; }
    bool close() {
        if (m_gif == nullptr) return true;
        int error = 0;
        const bool ok = DGifCloseFile(m_gif, &error) == GIF_OK;
        m_gif = nullptr;
        return ok;
    }

private:
    GifFileType* m_gif = nullptr;
};

// Frame rows in the order the file stores them: four passes for an interlaced frame.
std::vector<uint32_t> FrameRowOrder(uint32_t height, bool interlaced) {
    std::vector<uint32_t> order;
    order.reserve(height);
    if (!interlaced) {
        for (uint32_t r = 0; r < height; ++r) order.push_back(r);
        return order;
    }
    constexpr uint32_t kStart[4] = {0, 4, 2, 1};
    constexpr uint32_t kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        for (uint32_t r = kStart[pass]; r < height; r += kStep[pass]) order.push_back(r);
    }
    return order;
}

uint32_t ReadGif(const char* name, BitmapImage& image) {
    InputFile file(std::fopen(name, "rb"));
    if (!file) return kUnableToOpenFile;
    GifInput input;
    input.file = file.get();
    GifHandle handle(&input);
    GifFileType* gif = handle.get();
    auto libraryFailure = [&input] { return input.shortRead ? kErrorReadingFile : kCorruptedFile; };
    if (gif == nullptr) return libraryFailure();
    const uint32_t screenWidth = gif->SWidth > 0 ? static_cast<uint32_t>(gif->SWidth) : 0;
    const uint32_t screenHeight = gif->SHeight > 0 ? static_cast<uint32_t>(gif->SHeight) : 0;
    if (!wsq::image_size_acceptable(screenWidth, screenHeight)) return kInvalidImageSize;

    // Extension blocks up to the first image: the first graphic control block gives the
    // transparent index.
    int transparentIndex = -1;
    bool graphicControlSeen = false;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) return libraryFailure();
        if (type == IMAGE_DESC_RECORD_TYPE) break;
        if (type == TERMINATE_RECORD_TYPE) return kCorruptedFile;  // no picture at all
        if (type != EXTENSION_RECORD_TYPE) return kCorruptedFile;
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return libraryFailure();
        if (code == kGraphicControlExtension && !graphicControlSeen && block != nullptr) {
            graphicControlSeen = true;
            if (block[0] >= 4 && (block[1] & 1) != 0) transparentIndex = block[4];
        }
        while (block != nullptr) {
            if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return libraryFailure();
        }
    }
    if (DGifGetImageDesc(gif) == GIF_ERROR) return libraryFailure();

    // The frame's own colour map is the one its pixels index; the global one otherwise.
    const ColorMapObject* map = gif->Image.ColorMap != nullptr ? gif->Image.ColorMap : gif->SColorMap;
    if (map == nullptr || map->Colors == nullptr || map->ColorCount <= 0 || map->ColorCount > 256) {
        return kCorruptedFile;
    }
    const uint32_t colours = static_cast<uint32_t>(map->ColorCount);

    image.width = screenWidth;
    image.height = screenHeight;
    image.bitsPerPixel = 8;
    image.paletteSize = static_cast<uint16_t>(colours);
    image.paletteEntrySize = 0;
    if (uint32_t code = AllocateBitmapImage(&image); code != kNoError) return code;
    // An index past the colour map marks no pixel: every such pixel becomes the background.
    if (transparentIndex >= 0 && static_cast<uint32_t>(transparentIndex) >= colours) transparentIndex = -1;
    image.transparentIndex = static_cast<int16_t>(transparentIndex);
    for (uint32_t i = 0; i < colours && i < image.paletteSize; ++i) {
        uint8_t* e = &image.palette[size_t{i} * image.paletteEntrySize];
        e[0] = map->Colors[i].Blue;
        e[1] = map->Colors[i].Green;
        e[2] = map->Colors[i].Red;
    }

    // The canvas is the record itself: canvas row y (0 = top) is stored row height - 1 - y.
    // Every index that lands in it is inside the palette.
    const uint8_t background =
        gif->SBackGroundColor >= 0 && static_cast<uint32_t>(gif->SBackGroundColor) < colours
            ? static_cast<uint8_t>(gif->SBackGroundColor)
            : 0;
    for (uint32_t y = 0; y < screenHeight; ++y) {
        std::fill_n(&image.bits[size_t{y} * image.scanWidth], screenWidth, background);
    }

    const GifImageDesc& frame = gif->Image;
    if (frame.Left < 0 || frame.Top < 0 || frame.Width < 0 || frame.Height < 0) {
        return kCorruptedFile;
    }
    const uint32_t left = static_cast<uint32_t>(frame.Left);
    const uint32_t top = static_cast<uint32_t>(frame.Top);
    const uint32_t frameWidth = static_cast<uint32_t>(frame.Width);
    const uint32_t frameHeight = static_cast<uint32_t>(frame.Height);
    if (frameWidth > 0 && frameHeight > 0) {
        // A frame reaching past the screen is clipped to it (it still has to be decoded whole).
        std::vector<GifPixelType> line(frameWidth);
        const std::vector<uint32_t> order = FrameRowOrder(frameHeight, frame.Interlace);
        for (uint32_t k = 0; k < frameHeight; ++k) {
            if (DGifGetLine(gif, line.data(), static_cast<int>(frameWidth)) == GIF_ERROR) {
                return libraryFailure();
            }
            const uint64_t y = uint64_t{top} + order[k];
            if (y >= screenHeight || left >= screenWidth) continue;
            uint8_t* row = &image.bits[size_t{screenHeight - 1 - uint32_t(y)} * image.scanWidth];
            const uint32_t visible = std::min(frameWidth, screenWidth - left);
            for (uint32_t x = 0; x < visible; ++x) {
                row[left + x] = line[x] < colours ? line[x] : background;
            }
        }
    }
    if (!handle.close()) return kCorruptedFile;
    return ReducePaletteDepth(&image);
}

}  // namespace

uint32_t ReadGifFile(const char* name, BitmapImage* image) {
    SetLastImageError(kNoError);
    if (image == nullptr) {
        SetLastImageError(kInvalidBitmapPointer);
        return kInvalidBitmapPointer;
    }
    uint32_t code = kMemoryAllocation;
    try {
        code = name == nullptr ? kUnableToOpenFile : ReadGif(name, *image);
    } catch (const std::bad_alloc&) {
    }
    if (code != kNoError) FreeBitmapImage(image);
    SetLastImageError(code);
    return code;
}

}  // namespace imagefile
