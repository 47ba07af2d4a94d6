// The compression of a transaction's image record: the code a binary record carries, or the
// text of a tagged record's compression field, as one value.
#pragma once

#include <string_view>

namespace ansinist {

enum class Compression {
    None,              // NONE, binary code 0
    Wsq,               // WSQ20 (and the older text WSQ), binary code 1
    JpegBaseline,      // JPEGB, 2
    JpegLossless,      // JPEGL, 3
    Jpeg2000,          // JP2, 4
    Jpeg2000Lossless,  // JP2L, 5
    Png,               // PNG, 6
    Unknown,           // anything else
};

// "NONE", "WSQ20", "JPEGB", "JPEGL", "JP2", "JP2L", "PNG", or "unknown".
const char* compressionName(Compression compression);

// The compression a tagged record names: case and surrounding spaces do not matter, and the
// older text "WSQ" means WSQ20. Unknown for anything else.
Compression compressionFromText(std::string_view text);

// The compression a binary record's code (0-6) names; Unknown for any other code.
Compression compressionFromCode(int code);

}  // namespace ansinist
