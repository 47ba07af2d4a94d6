// Builds ANSI/NIST-ITL transactions in the traditional encoding for tests: Type-1 with its
// length and record list filled in, tagged records with their lengths found the way writers
// find them, and binary records with their fixed headers. Damaged files start from these bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// The separators, as text for building values.
inline const std::string kNistRS = "\x1e";  // between subfields
inline const std::string kNistUS = "\x1f";  // between items

// One field of a tagged record. The value is written as it is (it may hold RS and US, or any
// bytes for field 999).
struct NistField {
    int number = 0;
    std::string value;
};

// Where a record was put in the file, for tests that damage it.
struct NistRecordPlace {
    int type = 0;
    size_t offset = 0;
    size_t length = 0;
};

class TransactionWriter {
public:
    // A transaction of `version` (1.002) with the Type-1 fields every version has.
    explicit TransactionWriter(std::string version = "0502");

    // Field numbers written with this many digits at least: 3 (the usual "14.011"), or 2 for
    // old writers' "1.01". Numbers above 99 keep all their digits.
    void setFieldDigits(int digits) { m_fieldDigits = digits; }
    // Replaces or adds a Type-1 field other than LEN, VER and CNT (1.004 TOT, 1.011 NSR, ...).
    void setType1Field(int number, std::string value);
    // Writes this IDC-count value in 1.003's first subfield instead of the true count.
    void setListedCount(int count) { m_listedCount = count; }

    // A tagged record with IDC `idc` (written as two digits) and the given fields after 002,
    // in the order given.
    void addTagged(int type, int idc, std::vector<NistField> fields);
    // A binary record: its type as 1.003 lists it and its bytes after the 4-byte length,
    // IDC byte first.
    void addBinary(int type, std::vector<uint8_t> afterLength);
    // A record's bytes as they are, listed in 1.003 as `type` with IDC `listedIdc`.
    void addRecordBytes(int type, int listedIdc, std::string bytes);
    // A Type-4 (or Type-3/5/6/7) record in the 18-byte layout; unused positions are 255.
    void addFingerprintBinary(int type, int idc, int impression, std::vector<int> positions,
                              int isr, int width, int height, int compression,
                              const std::vector<uint8_t>& data);
    // A Type-14 record (or 13, 15, 19) with the usual fields: IMP, source agency, date, HLL,
    // VLL, SLC 1 (or `slc`), THPS/TVPS `scale`, CGA, BPX, FGP, and the data as 999.
    void addFrictionRidge(int type, int idc, int impression, std::vector<int> positions, int width,
                          int height, int scale, const std::string& compression, int bitsPerPixel,
                          const std::vector<uint8_t>& data, int slc = 1);
    // A Type-10 face record: IMT FACE, HLL, VLL, SLC 0, CGA, CSP and the data.
    void addFace(int idc, int width, int height, const std::string& compression,
                 const std::string& colourSpace, const std::vector<uint8_t>& data);

    // The whole file, and where each record is (Type-1 first).
    std::vector<uint8_t> bytes() const;
    std::vector<NistRecordPlace> places() const;

    // A tagged record alone: `<type>.001:LEN` first, then the fields as given, FS last. The
    // length is found by iteration, so that it counts its own digits.
    static std::string taggedRecord(int type, const std::vector<NistField>& fields,
                                    int fieldDigits = 3);

private:
    struct Entry {
        int type;
        int idc;
        std::string bytes;
    };
    std::string type1() const;

    std::string m_version;
    int m_fieldDigits = 3;
    int m_listedCount = -1;
    std::vector<NistField> m_type1;
    std::vector<Entry> m_records;
};

// Numbers in text fields: `value` with at least `digits` digits.
std::string NistNumber(int value, int digits = 1);

}  // namespace testsupport
