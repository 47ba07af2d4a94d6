// Tagged records: the extent from the length field, then the fields one by one.
#include <algorithm>

#include "ansinist/field_text.h"
#include "ansinist/record_reading.h"

namespace ansinist::detail {

namespace {

// Longest length field read: the standard sets no upper bound, twelve digits is far past any
// file.
constexpr size_t kMaxLengthDigits = 12;
// Longest tag: a record type of up to 3 digits, '.', a field number of up to 9 digits, ':'.
constexpr size_t kMaxTagBytes = 3 + 1 + 9 + 1;

struct Tag {
    int type = 0;
    int field = 0;
    uint64_t valueOffset = 0;  // the byte after ':'
};

// The tag at `at`, which must end with ':' before `end`; nullopt when there is none there.
std::optional<Tag> readTag(std::span<const uint8_t> file, uint64_t at, uint64_t end) {
    const uint64_t limit = std::min<uint64_t>(end, at + kMaxTagBytes);
    uint64_t colon = at;
    while (colon < limit && file[colon] != ':') ++colon;
    if (colon >= limit) return std::nullopt;
    const std::string_view tag(reinterpret_cast<const char*>(file.data() + at), colon - at);
    const size_t dot = tag.find('.');
    if (dot == std::string_view::npos) return std::nullopt;
    const auto type = parseDigits(tag.substr(0, dot), 3);
    const auto field = parseDigits(tag.substr(dot + 1), 9);
    if (!type || !field) return std::nullopt;
    return Tag{static_cast<int>(*type), static_cast<int>(*field), colon + 1};
}

std::string at(uint64_t offset) {
    return " at offset " + std::to_string(offset);
}

}  // namespace

RecordRead readTaggedRecord(std::span<const uint8_t> file, uint64_t offset, int type) {
    const uint64_t size = file.size();
    const std::string what = "the Type-" + std::to_string(type) + " record" + at(offset);
    const auto first = readTag(file, offset, size);
    if (!first) return {std::nullopt, what + " does not begin with a field tag"};
    if (first->type != type || first->field != 1)
        return {std::nullopt, what + " begins with field " + std::to_string(first->type) + "." +
                                  std::to_string(first->field) + " instead of its length field"};
    uint64_t digitsEnd = first->valueOffset;
    const uint64_t digitsLimit =
        std::min<uint64_t>(size, first->valueOffset + kMaxLengthDigits + 1);
    while (digitsEnd < digitsLimit && file[digitsEnd] != kGS && file[digitsEnd] != kFS) ++digitsEnd;
    if (digitsEnd >= digitsLimit)
        return {std::nullopt, what + " has a length field of more than " +
                                  std::to_string(kMaxLengthDigits) + " characters"};
    const std::string_view digits(reinterpret_cast<const char*>(file.data() + first->valueOffset),
                                  digitsEnd - first->valueOffset);
    const auto length = parseDigits(digits, kMaxLengthDigits);
    if (!length) return {std::nullopt, what + " has a length that is not a plain number"};
    if (*length <= digitsEnd - offset)
        return {std::nullopt, what + " has a length of " + std::to_string(*length) +
                                  ", shorter than its own length field"};
    if (*length > size - offset)
        return {std::nullopt, what + " has a length of " + std::to_string(*length) +
                                  ", running past the end of the file (" +
                                  std::to_string(size - offset) + " bytes left)"};
    const uint64_t end = offset + *length;
    if (file[end - 1] != kFS) return {std::nullopt, what + " does not end with a record separator"};

    Record record;
    record.type = type;
    record.offset = offset;
    record.length = *length;
    const uint64_t bodyEnd = end - 1;
    uint64_t pos = offset;
    while (pos < bodyEnd) {
        const auto tag = readTag(file, pos, bodyEnd);
        if (!tag) {
            record.problem = "a field" + at(pos) + " has no tag ending in ':'";
            break;
        }
        if (tag->type != type) {
            record.problem = "field " + std::to_string(tag->type) + "." +
                             std::to_string(tag->field) + at(pos) +
                             " belongs to another record type";
            break;
        }
        Field field;
        field.number = tag->field;
        field.offset = tag->valueOffset;
        if (tag->field == 999) {
            // The image: binary, to the end of the record, whatever bytes it holds.
            field.binary = true;
            field.length = bodyEnd - tag->valueOffset;
            record.fields.push_back(std::move(field));
            pos = bodyEnd;
            break;
        }
        uint64_t valueEnd = tag->valueOffset;
        while (valueEnd < bodyEnd && file[valueEnd] != kGS) ++valueEnd;
        field.length = valueEnd - tag->valueOffset;
        field.text = textFromBytes(file.subspan(tag->valueOffset, field.length));
        field.subfields = splitSubfields(field.text);
        record.fields.push_back(std::move(field));
        pos = valueEnd + 1;  // past GS; a GS just before FS leaves pos at the end
    }

    if (type != 1) {
        const Field* idc = record.fields.size() > 1 ? &record.fields[1] : nullptr;
        if (!idc || idc->number != 2) {
            if (record.problem.empty())
                record.warnings.push_back("field 2 (IDC) is not the second field");
            idc = record.field(2);
        }
        if (idc) {
            if (const auto value = parseNumber(idc->value()))
                record.idc = *value;
            else if (record.problem.empty())
                record.problem = "the IDC '" + idc->text + "' is not a number";
        }
    }
    if (isTaggedImageType(type)) describeTaggedImage(record);
    return {std::move(record), {}};
}

}  // namespace ansinist::detail
