// Binary records (types 3-8): a fixed big-endian header, then the image bytes.
#include <cmath>

#include "ansinist/field_text.h"
#include "ansinist/record_reading.h"

namespace ansinist::detail {

namespace {

// The header of types 3-7 (Type-7 in the layout most receivers use; only its first two
// fields are fixed).
enum FingerprintHeader : uint64_t {
    LengthAt = 0,        // u32 record length, header included
    IdcAt = 4,           // u8
    ImpressionAt = 5,    // u8 impression type
    PositionsAt = 6,     // 6 x u8 finger positions, 255 unused
    ResolutionAt = 12,   // u8 ISR: 0 minimum scanning resolution, 1 native (1.011)
    WidthAt = 13,        // u16 pixels per line
    HeightAt = 15,       // u16 lines
    CompressionAt = 17,  // u8 GCA (BCA in the binary-image types 5 and 6)
    FingerprintHeaderSize = 18,
};

// The header of Type-8 (signature).
enum SignatureHeader : uint64_t {
    SignatureTypeAt = 5,     // u8 0 subject, 1 official
    RepresentationAt = 6,    // u8 0 scanned, 1 scanned and compressed, 2 vector list
    SignatureIsrAt = 7,      // u8 as ISR above
    SignatureWidthAt = 8,    // u16
    SignatureHeightAt = 10,  // u16
    SignatureHeaderSize = 12,
};

// The smallest Type-7: length and IDC.
constexpr uint64_t kUserDefinedMinimum = 5;
// The minimum scanning resolution a record falls back to when Type-1 gives none.
constexpr double kMinimumScanningResolution = 19.69;

uint32_t u32(std::span<const uint8_t> b, uint64_t at) {
    return uint32_t{b[at]} << 24 | uint32_t{b[at + 1]} << 16 | uint32_t{b[at + 2]} << 8 | b[at + 3];
}
int u16(std::span<const uint8_t> b, uint64_t at) {
    return b[at] << 8 | b[at + 1];
}

Field textField(int number, uint64_t offset, uint64_t length, const std::string& text) {
    Field f;
    f.number = number;
    f.offset = offset;
    f.length = length;
    f.text = text;
    f.subfields = splitSubfields(text);
    return f;
}

// The resolution of a record at 500 ppi class (types 4, 6, 7, 8) from its ISR byte.
int highResolutionPpi(int isr, const TransactionResolution& resolution, Record& record) {
    std::optional<double> ppmm = isr == 1 ? resolution.native : resolution.transmitting;
    if (!ppmm) {
        if (isr == 1)
            record.warnings.push_back(
                "ISR says the native scanning resolution applies, but 1.011 gives none: "
                "19.69 pixels per millimetre assumed");
        ppmm = kMinimumScanningResolution;
    }
    return static_cast<int>(std::lround(*ppmm * 25.4));
}

}  // namespace

RecordRead readBinaryRecord(std::span<const uint8_t> file, uint64_t offset, int type,
                            const TransactionResolution& resolution) {
    const uint64_t left = file.size() - offset;
    const std::string what =
        "the Type-" + std::to_string(type) + " record at offset " + std::to_string(offset);
    if (left < 4) return {std::nullopt, what + " is cut off inside its length"};
    const uint64_t length = u32(file, offset);
    const uint64_t header = type == 8   ? uint64_t{SignatureHeaderSize}
                            : type == 7 ? kUserDefinedMinimum
                                        : uint64_t{FingerprintHeaderSize};
    if (length < header)
        return {std::nullopt, what + " has a length of " + std::to_string(length) +
                                  ", shorter than its " + std::to_string(header) + "-byte header"};
    if (length > left)
        return {std::nullopt, what + " has a length of " + std::to_string(length) +
                                  ", running past the end of the file (" + std::to_string(left) +
                                  " bytes left)"};

    Record record;
    record.type = type;
    record.binary = true;
    record.offset = offset;
    record.length = length;
    const std::span<const uint8_t> b = file.subspan(offset, length);
    record.idc = b[IdcAt];
    record.fields.push_back(textField(1, offset, 4, std::to_string(length)));
    record.fields.push_back(textField(2, offset + IdcAt, 1, std::to_string(b[IdcAt])));

    ImageInfo info;
    uint64_t dataAt = 0;
    if (type == 8) {
        record.fields.push_back(textField(3, offset + 5, 1, std::to_string(b[SignatureTypeAt])));
        record.fields.push_back(textField(4, offset + 6, 1, std::to_string(b[RepresentationAt])));
        record.fields.push_back(textField(5, offset + 7, 1, std::to_string(b[SignatureIsrAt])));
        info.width = u16(b, SignatureWidthAt);
        info.height = u16(b, SignatureHeightAt);
        record.fields.push_back(textField(6, offset + 8, 2, std::to_string(info.width)));
        record.fields.push_back(textField(7, offset + 10, 2, std::to_string(info.height)));
        info.ppi = highResolutionPpi(b[SignatureIsrAt], resolution, record);
        info.bitsPerPixel = 1;
        info.compressionText = "SRT " + std::to_string(b[RepresentationAt]);
        dataAt = SignatureHeaderSize;
    } else if (length >= FingerprintHeaderSize) {
        const int isr = b[ResolutionAt];
        info.impression = b[ImpressionAt];
        std::string positions;
        for (int i = 0; i < 6; ++i) {
            const int code = b[PositionsAt + i];
            positions += (i ? "\x1e" : "") + std::to_string(code);
            // Unused bytes are 255; some writers fill them with 0 after the first position.
            if (i == 0 || (code != 255 && code != 0)) info.positions.push_back(code);
        }
        info.width = u16(b, WidthAt);
        info.height = u16(b, HeightAt);
        const int code = b[CompressionAt];
        record.fields.push_back(
            textField(3, offset + ImpressionAt, 1, std::to_string(*info.impression)));
        record.fields.push_back(textField(4, offset + PositionsAt, 6, positions));
        record.fields.push_back(textField(5, offset + ResolutionAt, 1, std::to_string(isr)));
        record.fields.push_back(textField(6, offset + WidthAt, 2, std::to_string(info.width)));
        record.fields.push_back(textField(7, offset + HeightAt, 2, std::to_string(info.height)));
        record.fields.push_back(textField(8, offset + CompressionAt, 1, std::to_string(code)));
        info.compressionText = std::to_string(code);
        if (type == 5 || type == 6) {
            info.bitsPerPixel = 1;
            info.compressionText = "BCA " + std::to_string(code);
        } else {
            info.bitsPerPixel = 8;
            info.compression = compressionFromCode(code);
            if (info.compression == Compression::Unknown)
                record.problem = "unknown compression code " + std::to_string(code);
        }
        if (type == 3 || type == 5) {
            // Low-resolution records: only a stated native resolution is known.
            if (isr == 1 && resolution.native)
                info.ppi = static_cast<int>(std::lround(*resolution.native * 25.4));
        } else {
            info.ppi = highResolutionPpi(isr, resolution, record);
        }
        dataAt = FingerprintHeaderSize;
    }
    if (dataAt != 0) {
        Field data;
        data.number = dataAt == SignatureHeaderSize ? 8 : 9;
        data.binary = true;
        data.offset = offset + dataAt;
        data.length = length - dataAt;
        record.fields.push_back(data);
        info.hasData = data.length > 0;
        info.dataOffset = data.offset;
        info.dataLength = data.length;
        if (!info.hasData && record.problem.empty())
            record.problem = "the record holds no image data";
        if ((info.width == 0 || info.height == 0) && record.problem.empty())
            record.problem = "the picture's width or height is zero";
        record.image = std::move(info);
    } else if (length > kUserDefinedMinimum) {
        Field data;
        data.number = 3;
        data.binary = true;
        data.offset = offset + kUserDefinedMinimum;
        data.length = length - kUserDefinedMinimum;
        record.fields.push_back(data);
    }
    return {std::move(record), {}};
}

}  // namespace ansinist::detail
