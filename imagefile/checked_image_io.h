// Reading and writing picture files with the whole outcome handed back: the reader's or the
// writer's own error code, the exact output name, and the settings a save uses passed in. Nothing
// here reads or changes the library's process-wide save settings; what a read finds that a later
// save could reuse (a TIFF file's compression, a WSQ file's resolution and comment) is returned
// for the caller to keep or drop. ReadImageFile and WriteImageFile are built on these.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "imagefile/formats.h"
#include "imagefile/image_error.h"
#include "imagefile/image_format.h"
#include "imagefile/save_settings.h"

namespace imagefile {

// What a WSQ file carries beside its pixels.
struct WsqFileFacts {
    int32_t ppi = -1;  // from its NISTCOM list; -1 when it gives none
    // The text of the last comment segment ahead of the first block; none when there is none.
    std::optional<std::string> comment;
};

struct CheckedImageRead {
    // 0, or the code of the step that failed (the reader's own, for a library format). A WSQ
    // file that cannot be opened is 7, one that cannot be read whole 11, one that does not
    // decode 1. A failure never comes with a picture.
    uint32_t code = kNoError;
    // WSQ only: the codec's own code of the failed file read or decode; 0 otherwise.
    int wsqCode = 0;
    int width = 0;
    int height = 0;
    // The red, green and blue planes (width x height bytes each, rows top to bottom), one after
    // the other; empty on failure.
    std::vector<uint8_t> planes;
    // The depth of the true-colour picture the planes were made from: 24, or 32 for a picture
    // with alpha or a transparent palette index; 8 for WSQ grey; 0 when there was none.
    int depth = 0;
    // The bits per pixel of the picture as the file stores it (1, 4, 8, 24, 32, ...), before
    // the conversion to true colour; 8 for WSQ grey; 0 when there was none.
    int fileDepth = 0;
    // The resolution the file states, in pixels per inch: a TIFF file's XResolution and
    // YResolution (in inches or centimetres; see ReadTiffFile), a WSQ file's NISTCOM PPI. -1
    // when it states none, and for the other formats, which this read does not ask.
    int32_t ppi = -1;
    // Set whenever the TIFF reader ran: what the file says about its compression, orientation
    // and predictor. The reader fills it only from a file it read, so after a failure it holds
    // the defaults (which ReadImageFile has always kept as the library's TIFF settings).
    std::optional<TiffSaveInfo> tiff;
    // Set whenever a WSQ file was read into memory, also when it then failed to decode.
    std::optional<WsqFileFacts> wsq;
    // Set when the file fell short of what it promised but the picture could still be read
    // (an IFF file that lacks the pad byte its FORM counts): what is missing, in the reader's
    // words. Empty for a whole file and for a failure.
    std::string damage;

    bool ok() const { return code == kNoError; }
    // The library's fixed sentence for `code`.
    const char* message() const { return ImageErrorMessage(code); }
};

// Reads `name` with the reader ReadImageFile would pick by its extension key (ReadFormatForName).
// A name whose key picks no reader, or that has no ".", is 10.
CheckedImageRead ReadImageFileChecked(const char* name);
// Reads `name` as `format`, whatever its name says. The last error holds the result's code.
CheckedImageRead ReadImageFileChecked(const char* name, ImageFormat format);

struct CheckedImageWrite {
    // 0, or the writer's code. For WSQ: 7 when the file cannot be created, 12 when it cannot be
    // written whole, 4 for a picture the encoder refuses for its size, 3 when it runs out of
    // memory.
    uint32_t code = kNoError;
    // WSQ only: the encoder's or the file write's own negative code; 0 otherwise.
    int wsqCode = 0;

    bool ok() const { return code == kNoError; }
    const char* message() const { return ImageErrorMessage(code); }
};

// Writes the planes (as ReadImageFileChecked returns them) to exactly `name`, as `format`, with
// `settings` (WSQ: average grey of the three planes at its bit rate, resolution and comment;
// TIFF: its compression, orientation and predictor; JPEG at quality 100). TIFF, PNG and JPEG
// state `settings.resolution` when it is set and refuse (8) one they cannot hold; BMP, which
// this library writes without one, refuses (8) any. Like every writer of the library it
// replaces an existing file only when the new one was written whole. A format the library
// cannot write is 10; a width or height below 1 is 4; no planes 9; no name 7. The last error
// holds the result's code.
CheckedImageWrite WriteImageFileChecked(const char* name, ImageFormat format, int width, int height,
                                        const uint8_t* planes, const SaveSettings& settings = {});

// Writes width x height grey bytes (rows top to bottom) to exactly `name` as an 8-bit grey file:
// PNG (grey colour type), TIFF (min-is-black, with `settings.tiff`), JPEG (one component, quality
// 100) or BMP (8 bits with a grey palette). Any other format is 10; otherwise as
// WriteImageFileChecked.
CheckedImageWrite WriteGreyImageFileChecked(const char* name, ImageFormat format, int width,
                                            int height, const uint8_t* grey,
                                            const SaveSettings& settings);

}  // namespace imagefile
