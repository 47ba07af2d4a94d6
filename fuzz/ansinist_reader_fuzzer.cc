// The transaction reader over arbitrary bytes: the walk, the fields and the image spans, without
// decoding pictures (ansinist_picture_fuzzer does that).
#include <cstdint>
#include <cstdlib>

#include "ansinist/codes.h"
#include "ansinist/picture.h"
#include "ansinist/transaction.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> file(data, size);
    const ansinist::ReadResult read = ansinist::readTransaction(file);
    if (!read) {
        if (read.error.empty()) std::abort();
        return 0;
    }
    const ansinist::Transaction& t = read.transaction;
    if (t.records.empty() || t.records.size() > static_cast<size_t>(t.listedRecords) + 1)
        std::abort();
    uint64_t next = 0;
    for (const ansinist::Record& r : t.records) {
        // Records follow each other without gaps or overlaps and stay inside the file.
        if (r.offset != next || r.length == 0 || r.length > size - r.offset) std::abort();
        next = r.offset + r.length;
        for (const ansinist::Field& f : r.fields) {
            if (f.offset < r.offset || f.length > r.offset + r.length - f.offset) std::abort();
            if (!f.binary && f.subfields.empty()) std::abort();
            (void)ansinist::fieldMnemonic(r.type, f.number);
        }
        if (r.image) {
            const auto span = ansinist::imageData(file, r);
            if (span.size() != (r.image->hasData ? r.image->dataLength : 0)) std::abort();
            if (!span.empty() && (span.data() < data + r.offset ||
                                  span.data() + span.size() > data + r.offset + r.length))
                std::abort();
            for (int code : r.image->positions) (void)ansinist::positionName(r.type, code);
        }
    }
    return 0;
}
