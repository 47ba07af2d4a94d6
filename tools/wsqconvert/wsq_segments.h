// The segments of a WSQ file, in file order, with their offsets and lengths: what --info lists.
#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace wsqconvert {

struct WsqSegment {
    uint16_t marker = 0;
    size_t offset = 0;  // of the marker
    size_t length = 0;  // marker included; for a block, its coded data too
};

// The two-to-three-letter name of a WSQ marker ("SOI", "COM", ...), or "?".
const char* wsqMarkerName(uint16_t marker);

// Walks the markers from SOI to EOI. A block's coded data runs to the next marker (a 0xFF not
// followed by the stuffed 0x00). True when the walk reached EOI; otherwise *why says where it
// stopped, and the segments before that are kept.
bool listWsqSegments(const uint8_t* data, size_t size, std::vector<WsqSegment>* segments,
                     QString* why);

}  // namespace wsqconvert
