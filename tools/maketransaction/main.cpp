// maketransaction: writes a demonstration ten-print transaction.
//   maketransaction OUTPUT
// Type-1, a Type-2 with a made-up subject, and 14 Type-4 records of synthetic WSQ prints: the
// ten rolled fingers, the two plain thumbs and the two plain four-finger slaps. Every run writes
// the same bytes.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "synthprint.h"
#include "wsq/wsq.h"

namespace {

const char kFS = 0x1c;
const char kGS = 0x1d;
const char kRS = 0x1e;
const char kUS = 0x1f;

struct Field {
    int number;
    std::string value;
};

std::string tag(int type, int number) {
    std::string digits = std::to_string(number);
    while (digits.size() < 3) digits.insert(digits.begin(), '0');
    return std::to_string(type) + "." + digits + ":";
}

// A tagged record: its length field first (counting its own digits), then the fields, FS last.
std::string taggedRecord(int type, const std::vector<Field>& fields) {
    std::string body;
    for (const Field& f : fields) body += kGS + tag(type, f.number) + f.value;
    body += kFS;
    const std::string lengthTag = tag(type, 1);
    size_t length = lengthTag.size() + body.size() + 1;
    for (;;) {
        const size_t next = lengthTag.size() + std::to_string(length).size() + body.size();
        if (next == length) break;
        length = next;
    }
    return lengthTag + std::to_string(length) + body;
}

struct Print {
    int position;    // finger position code
    int impression;  // 1 live-scan rolled, 0 live-scan plain
    int width;
    int height;
};

// A binary fingerprint record: the 18-byte header (length, IDC, impression, six positions,
// ISR 1 for the native resolution, width, height, compression 1 for WSQ), then the stream.
std::string fingerprintRecord(int idc, const Print& print, const std::vector<uint8_t>& wsq) {
    const uint32_t length = uint32_t(18 + wsq.size());
    std::string r = {char(length >> 24), char(length >> 16), char(length >> 8), char(length)};
    r += char(idc);
    r += char(print.impression);
    r += char(print.position);
    r.append(5, char(255));
    r += char(1);
    r += {char(print.width >> 8), char(print.width), char(print.height >> 8), char(print.height)};
    r += char(1);
    r.append(wsq.begin(), wsq.end());
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr,
                     "usage: maketransaction OUTPUT\n"
                     "Writes a demonstration ten-print transaction of synthetic WSQ prints.\n");
        return 2;
    }
    std::vector<Print> prints;
    for (int finger = 1; finger <= 10; ++finger) prints.push_back({finger, 1, 400, 400});
    prints.push_back({11, 0, 300, 400});
    prints.push_back({12, 0, 300, 400});
    prints.push_back({13, 0, 800, 500});
    prints.push_back({14, 0, 800, 500});

    std::vector<std::string> records;
    records.push_back(taggedRecord(2, {{2, "00"},
                                       {18, "SAMPLE, DEMO"},
                                       {22, "19800101"},
                                       {24, "X"},
                                       {37, "Synthetic prints for trying the viewer"}}));
    for (size_t i = 0; i < prints.size(); ++i) {
        const Print& p = prints[i];
        synthprint::PrintOptions options;
        options.width = p.width;
        options.height = p.height;
        options.seed = uint32_t(101 + i);
        const std::vector<uint8_t> grey = synthprint::make_synthetic_print(options);
        const wsq::Encoded encoded = wsq::encode(grey, p.width, p.height, 0.75f, 500);
        if (encoded.error) {
            std::fprintf(stderr, "maketransaction: print %zu did not encode\n", i + 1);
            return 1;
        }
        records.push_back(fingerprintRecord(int(i + 1), p, encoded.bytes));
    }

    // 1.003: the record count, then each record's type and IDC.
    std::string content = "1" + std::string(1, kUS) + std::to_string(records.size());
    content += kRS + std::string("2") + kUS + "00";
    for (size_t i = 0; i < prints.size(); ++i) {
        std::string idc = std::to_string(i + 1);
        if (idc.size() < 2) idc.insert(idc.begin(), '0');
        content += kRS + std::string("4") + kUS + idc;
    }
    std::string file = taggedRecord(1, {{2, "0502"},
                                        {3, content},
                                        {4, "CAR"},
                                        {5, "20240115"},
                                        {7, "DEMO00000"},
                                        {8, "DEMO00000"},
                                        {9, "DEMO-0001"},
                                        {11, "19.69"},
                                        {12, "19.69"}});
    for (const std::string& r : records) file += r;

    const wsq::Error error =
        wsq::write_file(argv[1], {reinterpret_cast<const uint8_t*>(file.data()), file.size()});
    if (error) {
        std::fprintf(stderr, "maketransaction: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
