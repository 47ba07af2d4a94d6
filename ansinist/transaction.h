// A transaction read from the bytes of a file: its records in file order, each with its fields
// and, for image records, what is known about the picture and where its data lies. Reading
// touches only the records' headers and text fields; picture data is left where it is (see
// picture.h for decoding and transaction_file.h for opening a file).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "ansinist/compression.h"

namespace ansinist {

// One field of a record. Text fields hold their value split into subfields (RS) and items
// (US); a plain value is one subfield of one item. The binary image field (999 of a tagged
// record, or the data after a binary record's header) holds no text: `offset` and `length`
// say where its bytes are.
struct Field {
    int number = 0;  // 1 for "14.001:", "14.01:" and the LEN of a binary record; 2001 for "2.2001:"
    // The value as text: UTF-8 as written, or Latin-1 turned into UTF-8 when the bytes are not
    // UTF-8. The separators stay in place (RS 0x1E, US 0x1F). Empty for binary fields.
    std::string text;
    std::vector<std::vector<std::string>> subfields;  // text split on RS, then US
    uint64_t offset = 0;  // the value's bytes in the file (after the ':' of a tagged field)
    uint64_t length = 0;
    bool binary = false;

    // The first item of the first subfield, or "" when there is none.
    const std::string& value() const;
};

// What an image record says about its picture.
struct ImageInfo {
    std::vector<int> positions;     // finger, palm or plantar codes in order; unused fill dropped
    std::optional<int> impression;  // impression type (IMP), where the record type has one
    int width = 0;                  // pixels per line (HLL); 0 when missing or unreadable
    int height = 0;                 // lines (VLL)
    std::optional<int> ppi;         // pixels per inch, when the record or Type-1 gives it
    int bitsPerPixel = 0;           // 8 grey, 16 deep grey, 24 RGB, 1 binary; 0 unknown
    std::string colourSpace;        // colour space as written ("GRAY", "SRGB", ...); "" if none
    Compression compression = Compression::Unknown;
    std::string compressionText;  // as written in the record, or the binary code in decimal
    bool hasData = false;         // false when the record carries no picture (amputation)
    uint64_t dataOffset = 0;      // the stored picture's bytes within the file
    uint64_t dataLength = 0;
};

struct Record {
    int index = 0;        // position in the file, from 1; Type-1 is record 1
    int type = 0;         // as 1.003 lists it (binary records carry no type of their own)
    bool binary = false;  // types 3-8: a fixed header and image bytes, no tagged fields
    uint64_t offset = 0;  // the record's bytes within the file
    uint64_t length = 0;
    std::optional<int> idc;        // the record's own IDC (field 002, or the binary IDC byte)
    std::optional<int> listedIdc;  // the IDC 1.003 gives it; none for Type-1
    // Tagged records: every field in file order. Binary records: their header fields and the
    // image data as fields numbered as the record type numbers them (4.001 ... 4.009).
    std::vector<Field> fields;
    std::optional<ImageInfo> image;  // set for image record types
    // Damage inside the record that makes it, or its picture, unusable (a field without ':', a
    // bad number, an unknown compression); empty when the record is sound. The fields read
    // before the damage are kept.
    std::string problem;
    std::vector<std::string> warnings;  // tolerated deviations, e.g. an IDC that differs

    // The field with this number, or null.
    const Field* field(int number) const;
};

struct Transaction {
    std::string version;          // 1.002 as written, e.g. "0502"
    int listedRecords = 0;        // records 1.003 lists after Type-1
    std::vector<Record> records;  // Type-1 first, then the listed records that could be read
    // Why the walk stopped before reading every listed record (a length that is not a number,
    // a record running past the end of the file, a tagged record not ending in FS, the file
    // ending early); empty when every listed record was read.
    std::string walkEnd;
    std::vector<std::string> warnings;  // tolerated oddities of the whole file
    uint64_t fileSize = 0;
};

// The outcome of reading a transaction: the transaction, or why the file cannot be read at all
// (not a transaction, the XML encoding, a damaged Type-1).
struct ReadResult {
    Transaction transaction;
    std::string error;  // empty on success
    explicit operator bool() const { return error.empty(); }
};

// Reads the transaction held in `file`. The records keep offsets into `file`; pictures are
// decoded from the same bytes (picture.h).
ReadResult readTransaction(std::span<const uint8_t> file);

// True when the bytes start like a transaction in the traditional encoding ("1.001:" or the
// older "1.01:"); for telling such files by content.
bool looksLikeTransaction(std::span<const uint8_t> head);

// True when the bytes start like the XML encoding of a transaction, which is not read here.
bool looksLikeXmlTransaction(std::span<const uint8_t> head);

}  // namespace ansinist
