// From an image record to its picture: the input is a small header that picks the record and
// its fields, then the image data; the fuzzer wraps them in a transaction, reads it and decodes
// the picture. A picture that decodes must be as large as it says and within the size limits.
//
// Input: byte 0 record kind (Type-14, Type-10, Type-4, Type-13), byte 1 compression (0-7, 7 an
// unknown one), bytes 2-3 and 4-5 the record's width and height (big-endian), byte 6 bits per
// pixel or colour space, then the data.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ansinist/picture.h"
#include "ansinist/transaction.h"
#include "wsq/image_limits.h"
#include "wsq/wsq.h"

namespace {

// Pictures above this many pixels are legal but slow to decode; the fuzzer leaves them out so
// that it spends its time on the parsing (the hostile-file tests cover large claims).
constexpr uint64_t kFuzzMaxPixels = uint64_t{1} << 16;

const char* const kCompressions[] = {"NONE", "WSQ20", "JPEGB", "JPEGL",
                                     "JP2",  "JP2L",  "PNG",   "LZW"};

std::string tagged(int type, const std::string& fields) {
    // The length counts its own digits.
    const std::string head = std::to_string(type) + ".001:";
    size_t length = head.size() + fields.size() + 2;
    for (;;) {
        const size_t next = head.size() + std::to_string(length).size() + fields.size() + 1;
        if (next == length) break;
        length = next;
    }
    return head + std::to_string(length) + fields + "\x1c";
}

uint32_t be(const uint8_t* p, int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = v << 8 | p[i];
    return v;
}

// The picture size the stream itself declares, where it is quick to find; 0 when unknown.
uint64_t declaredPixels(const uint8_t* d, size_t n) {
    if (n >= 2 && d[0] == 0xFF && d[1] == 0xA0) {
        const wsq::StreamFacts facts = wsq::inspect_stream({d, n});
        if (facts.has_frame) return uint64_t(facts.frame.width) * uint64_t(facts.frame.height);
        // The walk stopped ahead of the frame header, which the decoder may still reach: the
        // first SOF marker (then length, black, white, height, width).
        for (size_t i = 2; i + 10 <= n; ++i)
            if (d[i] == 0xFF && d[i + 1] == 0xA2)
                return uint64_t{be(d + i + 6, 2)} * be(d + i + 8, 2);
        return 0;
    }
    if (n >= 24 && d[0] == 0x89 && d[1] == 'P') return uint64_t{be(d + 16, 4)} * be(d + 20, 4);
    if (n >= 24 && d[0] == 0xFF && d[1] == 0x4F && d[2] == 0xFF && d[3] == 0x51)
        return uint64_t{be(d + 8, 4) - std::min(be(d + 8, 4), be(d + 16, 4))} *
               (be(d + 12, 4) - std::min(be(d + 12, 4), be(d + 20, 4)));
    if (n >= 4 && d[0] == 0xFF && d[1] == 0xD8) {
        for (size_t i = 2; i + 9 < n; ++i)
            if (d[i] == 0xFF && d[i + 1] >= 0xC0 && d[i + 1] <= 0xCF && d[i + 1] != 0xC4 &&
                d[i + 1] != 0xC8 && d[i + 1] != 0xCC)
                return uint64_t{be(d + i + 5, 2)} * be(d + i + 7, 2);
        return 0;
    }
    for (size_t i = 0; i + 16 < n && i < 256; ++i)
        if (std::memcmp(d + i, "ihdr", 4) == 0)
            return uint64_t{be(d + i + 4, 4)} * be(d + i + 8, 4);
    return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 7) return 0;
    const int kind = data[0] % 4;
    const int compression = data[1] % 8;
    const int width = static_cast<int>(be(data + 2, 2));
    const int height = static_cast<int>(be(data + 4, 2));
    const int depth = data[6];
    const std::string image(reinterpret_cast<const char*>(data + 7), size - 7);
    if (declaredPixels(data + 7, size - 7) > kFuzzMaxPixels) return 0;
    if (compression == 0 && uint64_t(width) * uint64_t(height) > kFuzzMaxPixels) return 0;

    const std::string gs = "\x1d", us = "\x1f", rs = "\x1e";
    std::string record;
    int type = 0;
    if (kind == 2) {
        type = 4;
        const uint32_t length = static_cast<uint32_t>(18 + image.size());
        const uint8_t header[18] = {uint8_t(length >> 24),
                                    uint8_t(length >> 16),
                                    uint8_t(length >> 8),
                                    uint8_t(length),
                                    1,
                                    1,
                                    1,
                                    255,
                                    255,
                                    255,
                                    255,
                                    255,
                                    uint8_t(depth & 1),
                                    uint8_t(width >> 8),
                                    uint8_t(width),
                                    uint8_t(height >> 8),
                                    uint8_t(height),
                                    uint8_t(compression)};
        record.assign(reinterpret_cast<const char*>(header), sizeof header);
        record += image;
    } else {
        type = kind == 0 ? 14 : kind == 1 ? 10 : 13;
        const char* const spaces[] = {"GRAY", "RGB", "SRGB", "YCC", "SYCC", "UNK"};
        const std::string t = std::to_string(type);
        std::string fields = gs + t + ".002:01" + gs + t + ".006:" + std::to_string(width) + gs +
                             t + ".007:" + std::to_string(height) + gs + t + ".008:1" + gs + t +
                             ".009:500" + gs + t + ".011:" + kCompressions[compression] + gs + t +
                             ".012:" + (type == 10 ? spaces[depth % 6] : std::to_string(depth));
        if (type != 10) fields += gs + t + ".013:1" + rs + "2";
        fields += gs + t + ".999:" + image;
        record = tagged(type, fields);
    }
    const std::string type1 = tagged(1,
                                     "\x1d"
                                     "1.002:0502\x1d"
                                     "1.003:1" +
                                         us + "1" + rs + std::to_string(type) + us + "01");
    const std::string file = type1 + record;
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(file.data()),
                                         file.size());
    const ansinist::ReadResult read = ansinist::readTransaction(bytes);
    if (!read || read.transaction.records.size() != 2) std::abort();
    const ansinist::Picture picture = ansinist::decodePicture(bytes, read.transaction.records[1]);
    if (picture) {
        const uint64_t w = uint64_t(picture.width), h = uint64_t(picture.height);
        if (!wsq::image_size_acceptable(w, h)) std::abort();
        if (picture.channels != 1 && picture.channels != 3) std::abort();
        if (picture.pixels.size() != w * h * uint64_t(picture.channels)) std::abort();
    } else if (picture.error.empty() || !picture.pixels.empty()) {
        std::abort();
    }
    return 0;
}
