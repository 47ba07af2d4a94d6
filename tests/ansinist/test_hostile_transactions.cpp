// The hostile-file suite for transactions: small valid transactions made by the test writer are
// cut at every offset, have every length field set to 0, 1, its maximum and past the file, get
// wrong record lists, lose their FS or their image field, claim huge pictures over tiny data and
// are listed with unknown or wrong record types. Every variant is read, through the memory-
// mapped file and in memory, and every picture decoded, in a child process limited to 1 GiB and
// 10 s a case. Each must end with a clean error or sound records and pictures, and a cut file
// must never read as whole.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ansinist/picture.h"
#include "ansinist/transaction.h"
#include "ansinist/transaction_file.h"
#include "support/hostile_cases.h"
#include "support/memory_encoders.h"
#include "support/transaction_writer.h"
#include "transaction_test_pictures.h"
#include "wsq/image_limits.h"

namespace {

using ansinist::Record;
using ansinist::Transaction;
using ansinisttest::Bytes;
using testsupport::HostileCase;
using testsupport::kNistRS;
using testsupport::kNistUS;
using testsupport::NistRecordPlace;
using testsupport::TransactionWriter;

// A transaction and where its records are.
struct Valid {
    const char* name;
    Bytes bytes;
    std::vector<NistRecordPlace> places;
};

std::vector<Valid> ValidTransactions() {
    const Bytes grey = testsupport::synthetic_print(16, 12, 1);
    const Bytes print = testsupport::synthetic_print(96, 96, 2);
    const Bytes wsqStream = ansinisttest::WsqOf(print, 96, 96);
    const Bytes rgb = ansinisttest::ColourPattern(16, 16, 3);
    std::vector<Valid> out;
    {
        TransactionWriter w("0300");
        w.addTagged(2, 0, {{18, "DOE, JACK"}, {19, "A" + kNistRS + "B" + kNistUS + "C"}});
        w.addFingerprintBinary(4, 1, 1, {1, 2}, 1, 16, 12, 0, grey);
        w.addTagged(9, 1, {{3, "1"}, {4, "S"}});
        w.addFrictionRidge(14, 2, 1, {3}, 16, 12, 500, "NONE", 8, grey);
        w.addFace(3, 16, 16, "NONE", "SRGB", rgb);
        out.push_back({"uncompressed", w.bytes(), w.places()});
    }
    {
        TransactionWriter w("0502");
        w.addFingerprintBinary(4, 1, 1, {1}, 0, 96, 96, 1, wsqStream);
        out.push_back({"binary WSQ", w.bytes(), w.places()});
    }
    {
        TransactionWriter w("0502");
        w.addFrictionRidge(14, 1, 1, {2}, 96, 96, 500, "WSQ20", 8, wsqStream);
        out.push_back({"tagged WSQ", w.bytes(), w.places()});
    }
    {
        TransactionWriter w("0400");
        w.addFace(1, 16, 16, "JPEGB", "SRGB", testsupport::EncodeJpegInMemory(rgb, 16, 16, 3));
        w.addFrictionRidge(15, 2, 10, {21}, 16, 12, 1000, "PNG", 8,
                           testsupport::EncodePngInMemory(grey, 16, 12, 1));
        out.push_back({"JPEG and PNG", w.bytes(), w.places()});
    }
    return out;
}

std::string Text(const Bytes& b) {
    return std::string(b.begin(), b.end());
}
Bytes FromText(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

// The length field variants of one record: tagged records get their digits replaced, binary
// records their four bytes.
void AddLengthCases(const Valid& v, std::vector<HostileCase>& cases) {
    for (const NistRecordPlace& p : v.places) {
        const std::string where = std::string(v.name) + ": Type-" + std::to_string(p.type) +
                                  " length at " + std::to_string(p.offset);
        const uint64_t pastFile = v.bytes.size() - p.offset + 1;
        if (p.type >= 3 && p.type <= 8) {
            for (uint64_t value : {uint64_t{0}, uint64_t{1}, uint64_t{0xffffffff}, pastFile}) {
                Bytes b = v.bytes;
                for (int i = 0; i < 4; ++i)
                    b[p.offset + static_cast<size_t>(i)] =
                        static_cast<uint8_t>(value >> (24 - 8 * i));
                cases.push_back({where + " = " + std::to_string(value), b});
            }
            continue;
        }
        std::string s = Text(v.bytes);
        const size_t digits = s.find(':', p.offset) + 1;
        const size_t count = s.find('\x1d', digits) - digits;
        for (const std::string& value : {std::string("0"), std::string("1"), std::string(12, '9'),
                                         std::to_string(pastFile), std::string(count, '0')}) {
            std::string t = s;
            t.replace(digits, count, value);
            cases.push_back({where + " = " + value, FromText(t)});
        }
        std::string noFs = s;
        noFs[p.offset + p.length - 1] = 'X';
        cases.push_back({where + ": final FS replaced", FromText(noFs)});
    }
}

// Transactions the writer makes damaged on purpose.
void AddWrittenCases(std::vector<HostileCase>& cases) {
    const Bytes grey = testsupport::synthetic_print(16, 12, 1);
    const Bytes wsqStream = ansinisttest::WsqOf(testsupport::synthetic_print(96, 96, 2), 96, 96);
    const Bytes jpeg = testsupport::EncodeJpegInMemory(grey, 16, 12, 1);
    const Bytes png = testsupport::EncodePngInMemory(grey, 16, 12, 1);
    const std::pair<const char*, Bytes> streams[] = {{"NONE", grey},     {"WSQ20", wsqStream},
                                                     {"JPEGB", jpeg},    {"PNG", png},
                                                     {"JP2", wsqStream}, {"JPEGL", jpeg}};
    // Huge pictures over tiny data, in every compression.
    for (const auto& [cga, data] : streams) {
        for (const auto& [width, height] : {std::pair{99999, 99999}, std::pair{65535, 65535},
                                            std::pair{8192, 8192}, std::pair{1, 65535}}) {
            TransactionWriter w;
            w.addFrictionRidge(14, 1, 1, {1}, width, height, 500, cga, 8, data);
            w.addFace(2, width, height, cga, "SRGB", data);
            cases.push_back({std::string("huge ") + cga + " " + std::to_string(width) + " x " +
                                 std::to_string(height),
                             w.bytes()});
        }
    }
    for (int gca = 0; gca <= 7; ++gca) {
        TransactionWriter w;
        w.addFingerprintBinary(4, 1, 1, {1}, 1, 65535, 65535, gca, gca == 1 ? wsqStream : grey);
        w.addFingerprintBinary(7, 2, 1, {1}, 1, 65535, 65535, gca, grey);
        w.addFingerprintBinary(3, 3, 1, {1}, 1, 4096, 4096, gca, grey);
        cases.push_back({"huge binary records with GCA " + std::to_string(gca), w.bytes()});
    }
    // Record lists that do not match the file.
    for (int count : {0, 1, 999, 99999999}) {
        TransactionWriter w;
        w.setListedCount(count);
        w.addFrictionRidge(14, 1, 1, {1}, 16, 12, 500, "NONE", 8, grey);
        cases.push_back({"1.003 count " + std::to_string(count), w.bytes()});
    }
    {
        // A list of a thousand records over a file that holds one.
        std::string list = "1" + kNistUS + "1000";
        for (int i = 0; i < 1000; ++i) list += kNistRS + "14" + kNistUS + "01";
        TransactionWriter w;
        w.addFrictionRidge(14, 1, 1, {1}, 16, 12, 500, "NONE", 8, grey);
        const std::string type1 = TransactionWriter::taggedRecord(1, {{2, "0502"}, {3, list}});
        const std::string rest = Text(w.bytes()).substr(w.places()[1].offset);
        cases.push_back({"1.003 lists 1000 records", FromText(type1 + rest)});
    }
    // Records listed with other types: unknown, binary for tagged, tagged for binary.
    for (int type : {3, 4, 5, 6, 7, 8, 10, 13, 14, 17, 20, 50, 99}) {
        TransactionWriter valid;
        valid.addFrictionRidge(14, 1, 1, {1}, 16, 12, 500, "NONE", 8, grey);
        valid.addFingerprintBinary(4, 2, 1, {2}, 1, 16, 12, 0, grey);
        const std::string body = Text(valid.bytes()).substr(valid.places()[1].offset);
        for (int which = 0; which < 2; ++which) {
            const std::string list =
                "1" + kNistUS + "2" + kNistRS + std::to_string(which == 0 ? type : 14) + kNistUS +
                "01" + kNistRS + std::to_string(which == 1 ? type : 4) + kNistUS + "02";
            const std::string type1 = TransactionWriter::taggedRecord(1, {{2, "0502"}, {3, list}});
            cases.push_back(
                {"record " + std::to_string(which + 2) + " listed as Type-" + std::to_string(type),
                 FromText(type1 + body)});
        }
    }
    // Image records without their image field, and with fields out of place.
    {
        TransactionWriter w;
        w.addTagged(14, 1, {{6, "16"}, {7, "12"}, {11, "NONE"}, {12, "8"}});
        w.addTagged(10, 2, {{6, "16"}, {7, "12"}, {11, "NONE"}, {12, "GRAY"}});
        w.addTagged(13, 3, {{999, Text(grey)}});
        w.addTagged(17, 4, {{999, ""}});
        w.addTagged(16, 5, {{6, "16"}, {7, "12"}, {11, "NONE"}, {12, "8"}, {999, Text(grey)}});
        cases.push_back({"image records missing fields", w.bytes()});
    }
}

// What is wrong with reading `bytes`, or "" when the result is a clean error or sound. `cut`
// says that bytes were taken off the end, so the transaction cannot be whole.
std::string CheckRead(const Bytes& bytes, bool cut) {
    const ansinist::ReadResult read = ansinist::readTransaction(bytes);
    if (!read) return read.error.empty() ? "refused without a reason" : "";
    const Transaction& t = read.transaction;
    if (t.records.empty() || t.records[0].type != 1) return "no Type-1 record";
    if (cut && t.walkEnd.empty()) return "a cut file read as whole";
    uint64_t expected = 0;
    for (const Record& r : t.records) {
        if (r.offset != expected) return "records not contiguous";
        if (r.length == 0 || r.length > bytes.size() - r.offset) return "record outside the file";
        expected = r.offset + r.length;
        for (const ansinist::Field& f : r.fields)
            if (f.offset < r.offset || f.offset + f.length > r.offset + r.length)
                return "field outside its record";
        if (!r.image) continue;
        const auto data = ansinist::imageData(bytes, r);
        if (r.image->hasData && (data.data() < bytes.data() + r.offset ||
                                 data.data() + data.size() > bytes.data() + r.offset + r.length))
            return "image data outside its record";
        const ansinist::Picture p = ansinist::decodePicture(bytes, r);
        if (p) {
            const uint64_t w = static_cast<uint64_t>(p.width), h = static_cast<uint64_t>(p.height);
            if (!wsq::image_size_acceptable(w, h)) return "picture beyond the size limits";
            if (p.pixels.size() != w * h * static_cast<uint64_t>(p.channels))
                return "picture buffer of the wrong size";
            if (!r.problem.empty()) return "picture of a damaged record";
        } else if (p.error.empty() || !p.pixels.empty()) {
            return "failed picture without a reason or with pixels";
        }
    }
    return "";
}

TEST(HostileTransactions, EveryVariantEndsCleanly) {
    std::vector<HostileCase> cases;
    std::vector<bool> cut;
    for (const Valid& v : ValidTransactions()) {
        for (size_t n = 0; n < v.bytes.size(); ++n) {
            cases.push_back({std::string(v.name) + " cut to " + std::to_string(n),
                             Bytes(v.bytes.begin(), v.bytes.begin() + static_cast<long>(n))});
            cut.push_back(true);
        }
        const size_t before = cases.size();
        AddLengthCases(v, cases);
        // The binary headers' bytes and fields at their extremes.
        for (const NistRecordPlace& p : v.places) {
            if (p.type < 3 || p.type > 8) continue;
            testsupport::HostilePlan plan;
            plan.fields = {{p.offset + 4, p.offset + 18}};
            plan.packets = {};
            plan.littleEndian = false;
            for (HostileCase& c : testsupport::HostileVariants(v.bytes, plan))
                if (c.bytes.size() == v.bytes.size()) cases.push_back(std::move(c));
        }
        cut.resize(cut.size() + cases.size() - before, false);
    }
    const size_t written = cases.size();
    AddWrittenCases(cases);
    cut.resize(cases.size(), false);
    ASSERT_GT(written, 1000u);

    testsupport::MemoryFile memory;
    const auto failures = testsupport::RunHostileCases(cases.size(), [&](size_t i) {
        std::string wrong = CheckRead(cases[i].bytes, cut[i]);
        if (wrong.empty() && memory.assign(cases[i].bytes)) {
            // The same through the mapped file.
            const ansinist::OpenResult opened = ansinist::TransactionFile::open(memory.path());
            if (opened.file) {
                for (const Record& r : opened.file->transaction().records) {
                    const ansinist::Picture p = ansinist::decodePicture(*opened.file, r);
                    if (!p && p.error.empty()) wrong = "mapped: failed picture without a reason";
                }
            } else if (opened.error.empty()) {
                wrong = "mapped: refused without a reason";
            }
        }
        if (!wrong.empty()) wrong += " (" + cases[i].what + ")";
        return wrong;
    });
    for (const auto& f : failures)
        ADD_FAILURE() << "case " << f.index << " ("
                      << (f.index < cases.size() ? cases[f.index].what : std::string("?"))
                      << "): " << f.how;
    std::printf("hostile transactions: %zu cases\n", cases.size());
}

}  // namespace
