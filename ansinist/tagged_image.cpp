// What a tagged image record (types 10, 13-17, 19, 20) says about its picture.
#include <cmath>

#include "ansinist/codes.h"
#include "ansinist/field_text.h"
#include "ansinist/record_reading.h"

namespace ansinist::detail {

namespace {

// The field numbers shared by the tagged image records.
enum TaggedImageField {
    Impression = 3,        // IMP in 13, 14, 15 and 19 (Type-10 has the image type here)
    Width = 6,             // HLL
    Height = 7,            // VLL
    ScaleUnits = 8,        // SLC: 0 none, 1 pixels per inch, 2 pixels per centimetre
    HorizontalScale = 9,   // THPS
    CompressionText = 11,  // CGA
    BitsPerPixel = 12,     // BPX; Type-10 keeps its colour space here
    Positions = 13,        // FGP in 13, 14, 15 and 19; the colour space in 16, 17 and 20
    Amputation = 18,       // AMP in 14 and 15: why a finger or palm has no picture
    Data = 999,
};

bool hasFrictionRidgePositions(int type) {
    return type == 13 || type == 14 || type == 15 || type == 19;
}

std::string upper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

}  // namespace

bool isTaggedImageType(int type) {
    return type == 10 || (type >= 13 && type <= 17) || type == 19 || type == 20;
}

void describeTaggedImage(Record& record) {
    const int type = record.type;
    ImageInfo info;
    auto fail = [&](const std::string& problem) {
        if (record.problem.empty()) record.problem = problem;
    };
    auto name = [&](int field) {
        return std::string(fieldMnemonic(type, field)) + " (" + std::to_string(type) + "." +
               (field < 10    ? "00"
                : field < 100 ? "0"
                              : "") +
               std::to_string(field) + ")";
    };
    // A numeric field: its value, nullopt when absent, and a problem when it is not a number.
    auto number = [&](int field) -> std::optional<int> {
        const Field* f = record.field(field);
        if (!f) return std::nullopt;
        const auto value = parseNumber(f->value());
        if (!value) fail(name(field) + " is not a number: '" + f->value() + "'");
        return value;
    };

    const Field* data = record.field(Data);
    if (data) {
        info.hasData = true;
        info.dataOffset = data->offset;
        info.dataLength = data->length;
    }

    if (hasFrictionRidgePositions(type)) {
        info.impression = number(Impression);
        if (const Field* f = record.field(Positions)) {
            for (const auto& subfield : f->subfields) {
                const auto code = parseNumber(subfield.front());
                if (!code) {
                    fail(name(Positions) + " holds '" + subfield.front() +
                         "', not a position code");
                    break;
                }
                info.positions.push_back(*code);
            }
        }
    }

    const auto width = number(Width);
    const auto height = number(Height);
    info.width = width.value_or(0);
    info.height = height.value_or(0);

    const auto units = number(ScaleUnits);
    const auto scale = number(HorizontalScale);
    if (units && scale && *scale > 0) {
        if (*units == 1)
            info.ppi = *scale;
        else if (*units == 2)
            info.ppi = static_cast<int>(std::lround(*scale * 2.54));
        else if (*units != 0)
            record.warnings.push_back(name(ScaleUnits) + " is " + std::to_string(*units) +
                                      ", not 0, 1 or 2: the resolution is unknown");
    }

    if (const Field* f = record.field(CompressionText)) {
        info.compressionText = f->value();
        info.compression = compressionFromText(f->value());
    }

    if (type == 10) {
        if (const Field* f = record.field(BitsPerPixel))
            info.colourSpace = upper(trimSpaces(f->value()));
        info.bitsPerPixel = info.colourSpace == "GRAY" ? 8 : 24;
    } else {
        if (const auto bits = number(BitsPerPixel)) info.bitsPerPixel = *bits;
        if (type == 16 || type == 17 || type == 20)
            if (const Field* f = record.field(Positions))
                info.colourSpace = upper(trimSpaces(f->value()));
    }

    if (info.hasData) {
        if (!width || !height || *width == 0 || *height == 0)
            fail("the picture's width or height (" + name(Width) + ", " + name(Height) +
                 ") is missing or zero");
        if (!record.field(CompressionText))
            fail("the record does not say how its picture is compressed: " + name(CompressionText) +
                 " is missing");
        else if (info.compression == Compression::Unknown)
            fail("unknown compression '" + info.compressionText + "'");
        if (type != 10 && !record.field(BitsPerPixel)) fail(name(BitsPerPixel) + " is missing");
    } else if (type == 14 || type == 15 || type == 17) {
        // A finger, palm or iris that could not be captured: legal, and without a picture.
        if (type != 17 && !record.field(Amputation))
            record.warnings.push_back("the record has no picture (" + name(Data) +
                                      ") and does not say why (" + name(Amputation) + ")");
    } else {
        fail("the record has no picture: " + name(Data) + " is missing");
    }
    record.image = std::move(info);
}

}  // namespace ansinist::detail
