// The walk over a transaction: Type-1, then each record 1.003 lists, in its order.
#include "ansinist/transaction.h"

#include <algorithm>
#include <string_view>

#include "ansinist/field_text.h"
#include "ansinist/record_reading.h"

namespace ansinist {

using namespace detail;

namespace {

// Type-1's fields the walk needs.
enum TransactionField {
    Version = 2,                  // VER
    Content = 3,                  // CNT: "1<US>count", then "type<US>IDC" per record
    NativeResolution = 11,        // NSR, pixels per millimetre
    TransmittingResolution = 12,  // NTR
};

struct Listed {
    int type = 0;
    std::optional<int> idc;
};

// The records 1.003 lists, or why it cannot be read.
std::string readContent(const Field& content, std::vector<Listed>& listed, int& count) {
    const auto& subfields = content.subfields;
    if (subfields.front().size() < 2 || parseNumber(subfields.front()[0]) != 1 ||
        !parseNumber(subfields.front()[1]))
        return "field 1.003 does not begin with the count of records ('1', then the count)";
    count = *parseNumber(subfields.front()[1]);
    for (size_t i = 1; i < subfields.size(); ++i) {
        const auto& items = subfields[i];
        const auto type = parseNumber(items[0]);
        if (!type || *type < 2 || *type > 99)
            return "field 1.003 lists '" + items[0] + "' as the type of record " +
                   std::to_string(i + 1) + ", not a record type from 2 to 99";
        Listed entry{*type, std::nullopt};
        if (items.size() > 1) entry.idc = parseNumber(items[1]);
        listed.push_back(entry);
    }
    return {};
}

bool isLineEnd(uint8_t b) {
    return b == '\r' || b == '\n';
}

}  // namespace

const std::string& Field::value() const {
    static const std::string kEmpty;
    if (subfields.empty() || subfields.front().empty()) return kEmpty;
    return subfields.front().front();
}

const Field* Record::field(int number) const {
    for (const Field& f : fields)
        if (f.number == number) return &f;
    return nullptr;
}

bool looksLikeTransaction(std::span<const uint8_t> head) {
    const std::string_view text(reinterpret_cast<const char*>(head.data()),
                                std::min<size_t>(head.size(), 16));
    return text.starts_with("1.001:") || text.starts_with("1.01:");
}

bool looksLikeXmlTransaction(std::span<const uint8_t> head) {
    size_t i = 0;
    if (head.size() >= 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF) i = 3;
    while (i < head.size() && (head[i] == ' ' || head[i] == '\t' || isLineEnd(head[i]))) ++i;
    return i < head.size() && head[i] == '<';
}

ReadResult readTransaction(std::span<const uint8_t> file) {
    ReadResult result;
    Transaction& t = result.transaction;
    t.fileSize = file.size();
    if (file.empty()) {
        result.error = "the file is empty";
        return result;
    }
    if (looksLikeXmlTransaction(file.first(std::min<size_t>(file.size(), 256)))) {
        result.error =
            "the file is XML: transactions in the XML encoding are not supported, only the "
            "traditional encoding";
        return result;
    }
    if (!looksLikeTransaction(file)) {
        result.error =
            "the file is not an ANSI/NIST-ITL transaction: it does not begin with "
            "field 1.001";
        return result;
    }

    RecordRead first = readTaggedRecord(file, 0, 1);
    if (!first.record) {
        result.error = "Type-1 cannot be read: " + first.stop;
        return result;
    }
    Record& type1 = *first.record;
    type1.index = 1;
    if (!type1.problem.empty()) {
        result.error = "Type-1 is damaged: " + type1.problem;
        return result;
    }
    const Field* content = type1.field(Content);
    if (!content) {
        result.error = "Type-1 has no field 1.003, the list of records";
        return result;
    }
    std::vector<Listed> listed;
    if (std::string problem = readContent(*content, listed, t.listedRecords); !problem.empty()) {
        result.error = "Type-1 is damaged: " + problem;
        return result;
    }
    if (t.listedRecords != static_cast<int>(listed.size()))
        t.warnings.push_back("field 1.003 counts " + std::to_string(t.listedRecords) +
                             " records but lists " + std::to_string(listed.size()) +
                             "; the list is used");
    t.listedRecords = static_cast<int>(listed.size());
    if (const Field* version = type1.field(Version))
        t.version = std::string(trimSpaces(version->value()));
    else
        t.warnings.push_back("Type-1 has no version (1.002)");

    TransactionResolution resolution;
    if (const Field* f = type1.field(NativeResolution))
        resolution.native = parsePixelsPerMillimetre(f->value());
    if (const Field* f = type1.field(TransmittingResolution))
        resolution.transmitting = parsePixelsPerMillimetre(f->value());

    uint64_t pos = type1.length;
    t.records.push_back(std::move(type1));
    for (size_t i = 0; i < listed.size(); ++i) {
        const int index = static_cast<int>(i) + 2;
        if (pos >= file.size()) {
            t.walkEnd = "the file ends after record " + std::to_string(index - 1) + " of the " +
                        std::to_string(listed.size() + 1) + " that field 1.003 lists";
            break;
        }
        const int type = listed[i].type;
        RecordRead read = type >= 3 && type <= 8 ? readBinaryRecord(file, pos, type, resolution)
                                                 : readTaggedRecord(file, pos, type);
        if (!read.record) {
            t.walkEnd = "record " + std::to_string(index) + ": " + read.stop;
            break;
        }
        Record& record = *read.record;
        record.index = index;
        record.listedIdc = listed[i].idc;
        if (record.idc && listed[i].idc && *record.idc != *listed[i].idc)
            record.warnings.push_back("the record's IDC is " + std::to_string(*record.idc) +
                                      ", field 1.003 gives " + std::to_string(*listed[i].idc));
        pos += record.length;
        t.records.push_back(std::move(record));
    }
    if (t.walkEnd.empty() && pos < file.size()) {
        const uint64_t rest = file.size() - pos;
        const bool lineEnd = rest <= 2 && isLineEnd(file[pos]) && isLineEnd(file[file.size() - 1]);
        if (!lineEnd)
            t.warnings.push_back(std::to_string(rest) +
                                 " bytes follow the last record field 1.003 "
                                 "lists and are not read");
    }
    return result;
}

}  // namespace ansinist
