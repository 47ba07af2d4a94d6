// The reading policy case by case: what makes a file unreadable, what ends the walk with the
// earlier records kept, what breaks one record only, and what is tolerated.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ansinist/picture.h"
#include "ansinist/transaction.h"
#include "support/memory_encoders.h"
#include "support/transaction_writer.h"
#include "transaction_test_pictures.h"

namespace {

using ansinist::Record;
using ansinist::Transaction;
using ansinisttest::Bytes;
using testsupport::kNistRS;
using testsupport::kNistUS;
using testsupport::NistField;
using testsupport::TransactionWriter;

const int kSide = 24;

Bytes Grey(uint32_t seed) {
    return testsupport::synthetic_print(kSide, kSide, seed);
}

// Type-1, Type-2, a Type-14 (IDC 1), a Type-4 (IDC 2) and a Type-14 in PNG (IDC 3), all with
// uncompressed or lossless pictures.
TransactionWriter BaseWriter() {
    TransactionWriter writer;
    writer.addTagged(2, 0, {{18, "DOE, JANE"}});
    writer.addFrictionRidge(14, 1, 1, {1}, kSide, kSide, 500, "NONE", 8, Grey(1));
    writer.addFingerprintBinary(4, 2, 1, {2}, 1, kSide, kSide, 0, Grey(2));
    writer.addFrictionRidge(14, 3, 1, {3}, kSide, kSide, 500, "PNG", 8,
                            testsupport::EncodePngInMemory(Grey(3), kSide, kSide, 1));
    return writer;
}

std::string Text(const Bytes& b) {
    return std::string(b.begin(), b.end());
}
Bytes FromText(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

// Where the digits of the tagged record's length at `offset` are.
std::pair<size_t, size_t> LengthDigits(const Bytes& bytes, size_t offset) {
    size_t begin = offset;
    while (bytes[begin] != ':') ++begin;
    ++begin;
    size_t end = begin;
    while (bytes[end] != 0x1d) ++end;
    return {begin, end - begin};
}

// The bytes with the tagged record's length digits replaced by `digits` (same count or not).
Bytes WithTaggedLength(Bytes bytes, size_t offset, const std::string& digits) {
    const auto [at, count] = LengthDigits(bytes, offset);
    std::string s = Text(bytes);
    s.replace(at, count, digits);
    return FromText(s);
}

void ExpectPicturesOfFirstRecords(const std::vector<uint8_t>& bytes, const Transaction& t,
                                  size_t count) {
    ASSERT_GE(t.records.size(), count);
    for (size_t i = 0; i < count; ++i) {
        const Record& r = t.records[i];
        EXPECT_EQ(r.problem, "") << "record " << r.index;
        if (!r.image) continue;
        const ansinist::Picture p = ansinist::decodePicture(bytes, r);
        EXPECT_TRUE(p) << "record " << r.index << ": " << p.error;
        EXPECT_EQ(p.pixels, Grey(static_cast<uint32_t>(*r.idc))) << "record " << r.index;
    }
}

TEST(ReadingPolicy, DamagedType1MakesTheFileUnreadable) {
    const Bytes good = BaseWriter().bytes();
    const size_t type1Length = BaseWriter().places()[0].length;
    const auto [lenAt, lenDigits] = LengthDigits(good, 0);
    auto type1Only = [](const std::vector<NistField>& fields) {
        return FromText(TransactionWriter::taggedRecord(1, fields));
    };
    Bytes noFs = good;
    noFs[type1Length - 1] = 0x1d;
    TransactionWriter noColon = BaseWriter();
    noColon.setType1Field(5,
                          "20240115\x1d"
                          "1.0099");
    struct Case {
        const char* what;
        Bytes bytes;
        const char* error;
    };
    const Case cases[] = {
        {"length with a letter", WithTaggedLength(good, 0, "1x" + std::string(lenDigits - 2, '0')),
         "not a plain number"},
        {"length with a sign", WithTaggedLength(good, 0, "+" + std::to_string(type1Length)),
         "not a plain number"},
        {"length 0", WithTaggedLength(good, 0, std::string(lenDigits, '0')), "shorter"},
        {"length past the file", WithTaggedLength(good, 0, "999999999999"), "past the end"},
        {"length of thirteen digits", WithTaggedLength(good, 0, "0000000000100"),
         "more than 12 characters"},
        {"length one short", WithTaggedLength(good, 0, std::to_string(type1Length - 1)),
         "does not end with a record separator"},
        {"final FS missing", noFs, "does not end with a record separator"},
        {"field without ':'", noColon.bytes(), "has no tag"},
        {"no 1.003", type1Only({{2, "0502"}, {4, "CAR"}}), "no field 1.003"},
        {"1.003 without a count", type1Only({{2, "0502"}, {3, "2" + kNistUS + "01"}}),
         "count of records"},
        {"1.003 type not a number",
         type1Only({{2, "0502"}, {3, "1" + kNistUS + "1" + kNistRS + "X" + kNistUS + "01"}}),
         "not a record type"},
        {"1.003 type 0",
         type1Only({{2, "0502"}, {3, "1" + kNistUS + "1" + kNistRS + "0" + kNistUS + "01"}}),
         "not a record type"},
        {"1.003 type 100",
         type1Only({{2, "0502"}, {3, "1" + kNistUS + "1" + kNistRS + "100" + kNistUS + "01"}}),
         "not a record type"},
        {"Type-1 cut short", Bytes(good.begin(), good.begin() + static_cast<long>(lenAt + 2)),
         "Type-1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ansinist::ReadResult read = ansinist::readTransaction(c.bytes);
        EXPECT_FALSE(read);
        EXPECT_NE(read.error.find("Type-1"), std::string::npos) << read.error;
        EXPECT_NE(read.error.find(c.error), std::string::npos) << read.error;
    }
}

TEST(ReadingPolicy, RecordOfUnknownExtentEndsTheWalkAndKeepsTheRecordsBefore) {
    const TransactionWriter writer = BaseWriter();
    const Bytes good = writer.bytes();
    const auto places = writer.places();
    const size_t tagged = places[2].offset;  // the first Type-14, record 3
    const size_t binary = places[3].offset;  // the Type-4, record 4
    const auto [digitsAt, digitCount] = LengthDigits(good, tagged);
    auto withBinaryLength = [&](uint64_t length) {
        Bytes b = good;
        for (int i = 0; i < 4; ++i)
            b[binary + static_cast<size_t>(i)] = static_cast<uint8_t>(length >> (24 - 8 * i));
        return b;
    };
    Bytes noFs = good;
    noFs[places[2].offset + places[2].length - 1] = 'X';
    Bytes badTag = good;
    badTag[tagged + 1] = ',';  // "14,001:"
    struct Case {
        const char* what;
        Bytes bytes;
        size_t recordsKept;
        const char* walkEnd;
        size_t soundRecords = 0;  // when fewer than those kept: the last one has lost its end
    };
    const Case cases[] = {
        {"tagged length with a space",
         WithTaggedLength(good, tagged, " " + std::string(digitCount - 1, '9')), 2,
         "not a plain number"},
        {"tagged length 0", WithTaggedLength(good, tagged, std::string(digitCount, '0')), 2,
         "shorter than its own length field"},
        {"tagged length 1", WithTaggedLength(good, tagged, "1"), 2, "shorter"},
        {"tagged length past the file", WithTaggedLength(good, tagged, "999999999999"), 2,
         "past the end"},
        {"tagged length one too long",
         WithTaggedLength(good, tagged, std::to_string(places[2].length + 1)), 2,
         "does not end with a record separator"},
        {"tagged record without its FS", noFs, 2, "does not end with a record separator"},
        {"tagged record without its tag", badTag, 2, "does not begin with a field tag"},
        {"binary length 0", withBinaryLength(0), 3, "shorter than its 18-byte header"},
        {"binary length 1", withBinaryLength(1), 3, "shorter than its 18-byte header"},
        {"binary length 17", withBinaryLength(17), 3, "shorter than its 18-byte header"},
        {"binary length past the file", withBinaryLength(good.size() - binary + 1), 3,
         "past the end"},
        {"binary length 0xffffffff", withBinaryLength(0xffffffffu), 3, "past the end"},
        {"binary length one short", withBinaryLength(places[3].length - 1), 4,
         "does not begin with a field tag", 3},
        {"file cut inside a binary length",
         Bytes(good.begin(), good.begin() + static_cast<long>(binary + 3)), 3,
         "cut off inside its length"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ansinist::ReadResult read = ansinist::readTransaction(c.bytes);
        ASSERT_TRUE(read) << read.error;
        const Transaction& t = read.transaction;
        EXPECT_EQ(t.records.size(), c.recordsKept);
        EXPECT_NE(t.walkEnd.find(c.walkEnd), std::string::npos) << t.walkEnd;
        EXPECT_NE(t.walkEnd.find("record " + std::to_string(c.recordsKept + 1)), std::string::npos)
            << t.walkEnd;
        ExpectPicturesOfFirstRecords(c.bytes, t, c.soundRecords ? c.soundRecords : c.recordsKept);
    }
}

TEST(ReadingPolicy, DamageInsideASoundRecordBreaksThatRecordOnly) {
    const Bytes grey = Grey(2);
    const Bytes stream = ansinisttest::WsqOf(testsupport::synthetic_print(96, 96, 4), 96, 96);
    Bytes brokenStream = stream;
    brokenStream.resize(stream.size() / 2);
    const Bytes jpeg = testsupport::EncodeJpegInMemory(grey, kSide, kSide, 1);
    Bytes brokenJpeg = jpeg;
    brokenJpeg.resize(jpeg.size() - 40);
    const Bytes png = testsupport::EncodePngInMemory(grey, kSide, kSide, 1);
    Bytes brokenPng = png;
    brokenPng[png.size() / 2] ^= 0x55;  // the data chunk's checksum no longer matches

    struct Case {
        const char* what;
        std::function<void(TransactionWriter&)> add;  // adds the damaged record with IDC 2
        const char* recordProblem;                    // "" when the record itself is sound
        const char* pictureError;
    };
    auto tagged14 = [](std::vector<NistField> fields) {
        return [fields](TransactionWriter& w) { w.addTagged(14, 2, fields); };
    };
    const auto r14 = [&](const char* cga, const Bytes& data, int width = kSide) {
        return [=](TransactionWriter& w) {
            w.addFrictionRidge(14, 2, 1, {2}, width, kSide, 500, cga, 8, data);
        };
    };
    const Case cases[] = {
        {"width not a number",
         tagged14({{6, "2x"}, {7, "24"}, {11, "NONE"}, {12, "8"}, {999, Text(grey)}}),
         "HLL (14.006) is not a number", "HLL"},
        {"position not a number",
         tagged14({{6, "24"}, {7, "24"}, {11, "NONE"}, {12, "8"}, {13, "R"}, {999, Text(grey)}}),
         "not a position code", "position"},
        {"IDC not a number",
         [](TransactionWriter& w) {
             w.addRecordBytes(14, 2, TransactionWriter::taggedRecord(14, {{2, "A"}, {6, "24"}}));
         },
         "IDC 'A' is not a number", "IDC"},
        {"unknown compression", r14("LZW", grey), "unknown compression 'LZW'", "LZW"},
        {"no compression field", tagged14({{6, "24"}, {7, "24"}, {12, "8"}, {999, Text(grey)}}),
         "CGA", "CGA"},
        {"no bits per pixel", tagged14({{6, "24"}, {7, "24"}, {11, "NONE"}, {999, Text(grey)}}),
         "BPX", "BPX"},
        {"width 0", r14("NONE", grey, 0), "width or height", "width or height"},
        {"field without ':'",
         tagged14({{5,
                    "20240101\x1d"
                    "14.0200"},
                   {6, "24"},
                   {999, Text(grey)}}),
         "has no tag", "has no tag"},
        {"field of another record type",
         tagged14({{5,
                    "20240101\x1d"
                    "13.020:X"},
                   {999, Text(grey)}}),
         "another record type", "another record type"},
        {"image field missing in a latent",
         [&](TransactionWriter& w) {
             w.addTagged(13, 2, {{6, "24"}, {7, "24"}});
         },
         "has no picture", "has no picture"},
        {"uncompressed data one byte short", r14("NONE", Bytes(grey.begin(), grey.end() - 1)), "",
         "needs 576 bytes, the record holds 575"},
        {"WSQ cut in half", r14("WSQ20", brokenStream), "", "WSQ data cannot be decoded"},
        {"JPEG cut short", r14("JPEGB", brokenJpeg), "", "JPEG data cannot be decoded"},
        {"PNG with a bad checksum", r14("PNG", brokenPng), "", "PNG data cannot be"},
        {"JPEG labelled PNG", r14("PNG", jpeg), "", "looks like JPEG"},
        {"binary record with compression code 9",
         [&](TransactionWriter& w) { w.addFingerprintBinary(4, 2, 1, {2}, 1, 24, 24, 9, grey); },
         "unknown compression code 9", "unknown compression code 9"},
        {"binary record of 0 x 24",
         [&](TransactionWriter& w) { w.addFingerprintBinary(4, 2, 1, {2}, 1, 0, 24, 0, grey); },
         "width or height is zero", "zero"},
        {"uncompressed 65535 x 65535 in 576 bytes",
         [&](TransactionWriter& w) {
             w.addFingerprintBinary(4, 2, 1, {2}, 1, 65535, 65535, 0, grey);
         },
         "", "larger than the reader accepts"},
        {"uncompressed 4096 x 4096 in 576 bytes",
         [&](TransactionWriter& w) {
             w.addFingerprintBinary(4, 2, 1, {2}, 1, 4096, 4096, 0, grey);
         },
         "", "needs 16777216 bytes"},
        {"16-bit uncompressed",
         [&](TransactionWriter& w) {
             w.addFrictionRidge(14, 2, 1, {2}, 12, 24, 500, "NONE", 16, grey);
         },
         "", "16 bits a pixel are not supported"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TransactionWriter writer;
        writer.addFrictionRidge(14, 1, 1, {1}, kSide, kSide, 500, "NONE", 8, Grey(1));
        c.add(writer);
        writer.addFrictionRidge(14, 3, 1, {3}, kSide, kSide, 500, "NONE", 8, Grey(3));
        const Bytes bytes = writer.bytes();
        const ansinist::ReadResult read = ansinist::readTransaction(bytes);
        ASSERT_TRUE(read) << read.error;
        const Transaction& t = read.transaction;
        EXPECT_EQ(t.walkEnd, "");
        ASSERT_EQ(t.records.size(), 4u);
        const Record& damaged = t.records[2];
        if (*c.recordProblem == '\0')
            EXPECT_EQ(damaged.problem, "");
        else
            EXPECT_NE(damaged.problem.find(c.recordProblem), std::string::npos) << damaged.problem;
        const ansinist::Picture picture = ansinist::decodePicture(bytes, damaged);
        EXPECT_FALSE(picture);
        EXPECT_TRUE(picture.pixels.empty());
        EXPECT_EQ(picture.channels, 0);
        EXPECT_NE(picture.error.find(c.pictureError), std::string::npos) << picture.error;
        for (size_t i : {1u, 3u}) {
            const ansinist::Picture neighbour = ansinist::decodePicture(bytes, t.records[i]);
            EXPECT_TRUE(neighbour) << neighbour.error;
            EXPECT_EQ(neighbour.pixels, Grey(static_cast<uint32_t>(i == 1 ? 1 : 3)));
        }
    }
}

TEST(ReadingPolicy, RecordListAndFileEndDeviations) {
    const TransactionWriter writer = BaseWriter();
    const Bytes good = writer.bytes();
    const auto places = writer.places();
    struct Case {
        const char* what;
        Bytes bytes;
        size_t records;
        const char* walkEnd;  // "" when every listed record is read
        const char* warning;  // "" when there is none
    };
    auto plus = [&](const std::string& tail) { return FromText(Text(good) + tail); };
    TransactionWriter wrongCount = BaseWriter();
    wrongCount.setListedCount(9);
    TransactionWriter shorter;
    shorter.addTagged(2, 0, {{18, "DOE, JANE"}});
    const std::string extra = TransactionWriter::taggedRecord(2, {{2, "01"}, {18, "ROE"}});
    const Case cases[] = {
        {"as written", good, 5, "", ""},
        {"lone LF", plus("\n"), 5, "", ""},
        {"CR LF", plus("\r\n"), 5, "", ""},
        {"three line ends", plus("\n\n\n"), 5, "", "3 bytes follow"},
        {"other bytes", plus("xyz"), 5, "", "3 bytes follow"},
        {"list longer than the file: cut after record 3",
         Bytes(good.begin(), good.begin() + static_cast<long>(places[3].offset)), 3,
         "the file ends after record 3 of the 5", ""},
        {"list longer than the file: cut after record 4",
         Bytes(good.begin(), good.begin() + static_cast<long>(places[4].offset)), 4,
         "the file ends after record 4 of the 5", ""},
        {"list shorter than the file", FromText(Text(shorter.bytes()) + extra), 2, "",
         "bytes follow the last record"},
        {"count disagreeing with the list", wrongCount.bytes(), 5, "", "counts 9 records"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ansinist::ReadResult read = ansinist::readTransaction(c.bytes);
        ASSERT_TRUE(read) << read.error;
        const Transaction& t = read.transaction;
        EXPECT_EQ(t.records.size(), c.records);
        if (*c.walkEnd == '\0')
            EXPECT_EQ(t.walkEnd, "");
        else
            EXPECT_NE(t.walkEnd.find(c.walkEnd), std::string::npos) << t.walkEnd;
        if (*c.warning == '\0') {
            EXPECT_TRUE(t.warnings.empty()) << t.warnings.front();
        } else {
            ASSERT_EQ(t.warnings.size(), 1u);
            EXPECT_NE(t.warnings[0].find(c.warning), std::string::npos) << t.warnings[0];
        }
        ExpectPicturesOfFirstRecords(c.bytes, t, c.records);
    }
}

TEST(ReadingPolicy, RecordListDecidesBinaryOrTaggedAndIdcsAreCompared) {
    // 1.003 calls a tagged Type-14 a Type-4: its first bytes "14.0" read as a length of
    // 825,503,280, which the file cannot hold.
    const std::string type1 = TransactionWriter::taggedRecord(
        1, {{2, "0502"}, {3, "1" + kNistUS + "1" + kNistRS + "4" + kNistUS + "01"}});
    const std::string type14 =
        TransactionWriter::taggedRecord(14, {{2, "01"}, {6, "24"}, {7, "24"}});
    const ansinist::ReadResult misread = ansinist::readTransaction(FromText(type1 + type14));
    ASSERT_TRUE(misread) << misread.error;
    EXPECT_EQ(misread.transaction.records.size(), 1u);
    EXPECT_NE(misread.transaction.walkEnd.find("825503280"), std::string::npos)
        << misread.transaction.walkEnd;

    TransactionWriter writer = BaseWriter();
    Bytes bytes = writer.bytes();
    bytes[writer.places()[3].offset + 4] = 7;  // the Type-4's IDC byte; 1.003 says 2
    const ansinist::ReadResult read = ansinist::readTransaction(bytes);
    ASSERT_TRUE(read);
    const Record& binary = read.transaction.records[3];
    EXPECT_EQ(binary.idc, 7);
    EXPECT_EQ(binary.listedIdc, 2);
    ASSERT_EQ(binary.warnings.size(), 1u);
    EXPECT_NE(binary.warnings[0].find("IDC is 7"), std::string::npos) << binary.warnings[0];
    EXPECT_EQ(binary.problem, "");
}

TEST(ReadingPolicy, DecodedSizeDifferingFromTheRecordIsShownAndReported) {
    const Bytes stream = ansinisttest::WsqOf(testsupport::synthetic_print(96, 100, 4), 96, 100);
    TransactionWriter writer;
    writer.addFrictionRidge(14, 1, 1, {1}, 100, 96, 500, "WSQ20", 8, stream);
    const Bytes bytes = writer.bytes();
    const ansinist::ReadResult read = ansinist::readTransaction(bytes);
    ASSERT_TRUE(read);
    const ansinist::Picture picture = ansinist::decodePicture(bytes, read.transaction.records[1]);
    ASSERT_TRUE(picture) << picture.error;
    EXPECT_EQ(picture.width, 96);
    EXPECT_EQ(picture.height, 100);
    EXPECT_EQ(picture.pixels.size(), 9600u);
    ASSERT_EQ(picture.notes.size(), 1u);
    EXPECT_EQ(picture.notes[0], "the picture is 96 x 100, the record says 100 x 96");
}

}  // namespace
