// Reading one record at a known offset: the parsers the transaction walk calls for tagged and
// binary records, and the facts from Type-1 that image records need.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "ansinist/transaction.h"

namespace ansinist::detail {

// Type-1's resolutions, in pixels per millimetre, for binary image records.
struct TransactionResolution {
    std::optional<double> native;        // 1.011 NSR
    std::optional<double> transmitting;  // 1.012 NTR
};

// A record read at an offset, or why its extent cannot be known (which ends the walk).
struct RecordRead {
    std::optional<Record> record;
    std::string stop;
};

// Reads the tagged record of `type` starting at `offset`. Its extent is known when its first
// field is `<type>.001:` with a plain-number length that fits the file and ends on FS; damage
// after that is the record's own problem.
RecordRead readTaggedRecord(std::span<const uint8_t> file, uint64_t offset, int type);

// Reads the binary record (types 3-8) of `type` starting at `offset`.
RecordRead readBinaryRecord(std::span<const uint8_t> file, uint64_t offset, int type,
                            const TransactionResolution& resolution);

// Fills record.image from the fields of a tagged image record (types 10, 13-17, 19, 20).
void describeTaggedImage(Record& record);

// True for the tagged record types that carry a picture.
bool isTaggedImageType(int type);

}  // namespace ansinist::detail
