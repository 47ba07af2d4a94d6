// The picture of one image record, decoded on demand from the transaction's bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "ansinist/transaction.h"

namespace ansinist {

class TransactionFile;

struct Picture {
    std::vector<uint8_t> pixels;  // rows top to bottom, `channels` bytes a pixel (grey, or R G B)
    int width = 0;
    int height = 0;
    int channels = 0;        // 1 grey, 3 RGB; 0 when there is no picture
    std::optional<int> ppi;  // the record's resolution, else the stream's own, if any
    std::string error;       // why there is no picture; empty on success
    // Things worth saying about a picture that did decode: a size that differs from the
    // record's, data that looks like another compression than the record names, and so on.
    std::vector<std::string> notes;
    explicit operator bool() const { return error.empty() && channels > 0; }
};

// Decodes the picture of an image record of the transaction read from `file`. Records without
// a picture, damaged records, unsupported compressions (JPEGL, binary images) and data that
// does not decode give a Picture with an error and no pixels.
Picture decodePicture(std::span<const uint8_t> file, const Record& record);
Picture decodePicture(const TransactionFile& file, const Record& record);

// The stored picture data of an image record (the compressed stream, or the raw pixels), for
// extraction as it is; empty when the record has none.
std::span<const uint8_t> imageData(std::span<const uint8_t> file, const Record& record);
std::span<const uint8_t> imageData(const TransactionFile& file, const Record& record);

}  // namespace ansinist
