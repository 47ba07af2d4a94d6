// Transactions built in code for tests.
#include "support/transaction_writer.h"

#include <cstdio>

namespace testsupport {

namespace {

const char kGS = 0x1d;
const char kFS = 0x1c;

std::string tag(int type, int field, int digits) {
    return std::to_string(type) + "." + NistNumber(field, digits) + ":";
}

}  // namespace

std::string NistNumber(int value, int digits) {
    std::string s = std::to_string(value);
    while (static_cast<int>(s.size()) < digits) s.insert(s.begin(), '0');
    return s;
}

TransactionWriter::TransactionWriter(std::string version) : m_version(std::move(version)) {
    m_type1 = {{4, "CAR"},      {5, "20240115"}, {7, "DAI000000"}, {8, "ORI000000"},
               {9, "TCN-0001"}, {11, "19.69"},   {12, "19.69"}};
}

void TransactionWriter::setType1Field(int number, std::string value) {
    for (NistField& f : m_type1)
        if (f.number == number) {
            f.value = std::move(value);
            return;
        }
    size_t at = 0;
    while (at < m_type1.size() && m_type1[at].number < number) ++at;
    m_type1.insert(m_type1.begin() + static_cast<long>(at), {number, std::move(value)});
}

std::string TransactionWriter::taggedRecord(int type, const std::vector<NistField>& fields,
                                            int fieldDigits) {
    std::string body;
    for (const NistField& f : fields) body += kGS + tag(type, f.number, fieldDigits) + f.value;
    body += kFS;
    const std::string lenTag = tag(type, 1, fieldDigits);
    // The length counts its own digits: grow the guess until it is stable.
    size_t length = lenTag.size() + body.size() + 1;
    for (;;) {
        const size_t next = lenTag.size() + std::to_string(length).size() + body.size();
        if (next == length) break;
        length = next;
    }
    return lenTag + std::to_string(length) + body;
}

void TransactionWriter::addTagged(int type, int idc, std::vector<NistField> fields) {
    fields.insert(fields.begin(), {2, NistNumber(idc, 2)});
    m_records.push_back({type, idc, taggedRecord(type, fields, m_fieldDigits)});
}

void TransactionWriter::addRecordBytes(int type, int listedIdc, std::string bytes) {
    m_records.push_back({type, listedIdc, std::move(bytes)});
}

void TransactionWriter::addBinary(int type, std::vector<uint8_t> afterLength) {
    const uint32_t length = static_cast<uint32_t>(afterLength.size() + 4);
    std::string bytes = {static_cast<char>(length >> 24), static_cast<char>(length >> 16),
                         static_cast<char>(length >> 8), static_cast<char>(length)};
    bytes.append(afterLength.begin(), afterLength.end());
    m_records.push_back({type, afterLength.empty() ? 0 : afterLength[0], std::move(bytes)});
}

void TransactionWriter::addFingerprintBinary(int type, int idc, int impression,
                                             std::vector<int> positions, int isr, int width,
                                             int height, int compression,
                                             const std::vector<uint8_t>& data) {
    std::vector<uint8_t> b = {static_cast<uint8_t>(idc), static_cast<uint8_t>(impression)};
    for (size_t i = 0; i < 6; ++i)
        b.push_back(i < positions.size() ? static_cast<uint8_t>(positions[i]) : 255);
    b.push_back(static_cast<uint8_t>(isr));
    b.push_back(static_cast<uint8_t>(width >> 8));
    b.push_back(static_cast<uint8_t>(width));
    b.push_back(static_cast<uint8_t>(height >> 8));
    b.push_back(static_cast<uint8_t>(height));
    b.push_back(static_cast<uint8_t>(compression));
    b.insert(b.end(), data.begin(), data.end());
    addBinary(type, std::move(b));
}

void TransactionWriter::addFrictionRidge(int type, int idc, int impression,
                                         std::vector<int> positions, int width, int height,
                                         int scale, const std::string& compression,
                                         int bitsPerPixel, const std::vector<uint8_t>& data,
                                         int slc) {
    std::string fgp;
    for (size_t i = 0; i < positions.size(); ++i)
        fgp += (i ? kNistRS : "") + std::to_string(positions[i]);
    addTagged(type, idc,
              {{3, std::to_string(impression)},
               {4, "ORI000000" + kNistUS + "Test agency"},
               {5, "20240115"},
               {6, std::to_string(width)},
               {7, std::to_string(height)},
               {8, std::to_string(slc)},
               {9, std::to_string(scale)},
               {10, std::to_string(scale)},
               {11, compression},
               {12, std::to_string(bitsPerPixel)},
               {13, fgp},
               {999, std::string(data.begin(), data.end())}});
}

void TransactionWriter::addFace(int idc, int width, int height, const std::string& compression,
                                const std::string& colourSpace, const std::vector<uint8_t>& data) {
    addTagged(10, idc,
              {{3, "FACE"},
               {4, "ORI000000"},
               {5, "20240115"},
               {6, std::to_string(width)},
               {7, std::to_string(height)},
               {8, "0"},
               {9, "1"},
               {10, "1"},
               {11, compression},
               {12, colourSpace},
               {999, std::string(data.begin(), data.end())}});
}

std::string TransactionWriter::type1() const {
    std::string content =
        "1" + kNistUS +
        std::to_string(m_listedCount >= 0 ? m_listedCount : static_cast<int>(m_records.size()));
    for (const Entry& e : m_records)
        content += kNistRS + std::to_string(e.type) + kNistUS + NistNumber(e.idc, 2);
    std::vector<NistField> fields = {{2, m_version}, {3, content}};
    fields.insert(fields.end(), m_type1.begin(), m_type1.end());
    return taggedRecord(1, fields, m_fieldDigits);
}

std::vector<uint8_t> TransactionWriter::bytes() const {
    std::string all = type1();
    for (const Entry& e : m_records) all += e.bytes;
    return std::vector<uint8_t>(all.begin(), all.end());
}

std::vector<NistRecordPlace> TransactionWriter::places() const {
    std::vector<NistRecordPlace> out;
    size_t offset = 0;
    const std::string first = type1();
    out.push_back({1, 0, first.size()});
    offset = first.size();
    for (const Entry& e : m_records) {
        out.push_back({e.type, offset, e.bytes.size()});
        offset += e.bytes.size();
    }
    return out;
}

}  // namespace testsupport
