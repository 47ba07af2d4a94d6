// synthprint: writes a synthetic fingerprint as PNG or raw grey bytes.
//   synthprint [--seed N] [--width W] [--height H] [--raw] OUTPUT
// OUTPUT ending in ".raw" (or --raw) gets width x height bytes; anything else is written by Qt
// in the format its extension names (PNG for ".png").
#include <QByteArray>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fileio/atomic_file.h"
#include "synthprint.h"

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: synthprint [--seed N] [--width W] [--height H] [--raw] OUTPUT\n"
                 "Writes a synthetic 500 ppi fingerprint (8-bit grey) as PNG or raw bytes.\n");
    return 2;
}

bool parse_int(const char* text, long lo, long hi, long* out) {
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < lo || v > hi) return false;
    *out = v;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    synthprint::PrintOptions options;
    bool raw = false;
    const char* output = nullptr;
    for (int i = 1; i < argc; ++i) {
        long v = 0;
        const std::string arg = argv[i];
        if ((arg == "--seed" || arg == "--width" || arg == "--height") && i + 1 < argc) {
            const bool ok = arg == "--seed" ? parse_int(argv[i + 1], 0, 4294967295L, &v)
                                            : parse_int(argv[i + 1], 1, 65535, &v);
            if (!ok) {
                std::fprintf(stderr, "synthprint: bad value for %s: %s\n", arg.c_str(),
                             argv[i + 1]);
                return 2;
            }
            if (arg == "--seed") options.seed = static_cast<uint32_t>(v);
            if (arg == "--width") options.width = static_cast<int>(v);
            if (arg == "--height") options.height = static_cast<int>(v);
            ++i;
        } else if (arg == "--raw") {
            raw = true;
        } else if (!arg.empty() && arg[0] != '-' && output == nullptr) {
            output = argv[i];
        } else {
            return usage();
        }
    }
    if (output == nullptr) return usage();
    const size_t len = std::strlen(output);
    if (len >= 4 && std::strcmp(output + len - 4, ".raw") == 0) raw = true;

    const std::vector<uint8_t> pixels = synthprint::make_synthetic_print(options);
    if (pixels.empty()) {
        std::fprintf(stderr, "synthprint: %d x %d is too large\n", options.width, options.height);
        return 1;
    }
    if (raw) {
        fileio::AtomicFile file;
        if (!file.open(output) || !file.write(pixels.data(), pixels.size()) || !file.commit()) {
            std::fprintf(stderr, "synthprint: cannot write %s\n", output);
            return 1;
        }
        return 0;
    }
    QImage image(pixels.data(), options.width, options.height, options.width,
                 QImage::Format_Grayscale8);
    // The file states the print's 500 ppi (Qt would otherwise write its screen default).
    constexpr int kDotsPerMetre = 19685;  // 500 / 0.0254
    image.setDotsPerMeterX(kDotsPerMetre);
    image.setDotsPerMeterY(kDotsPerMetre);
    // Written beside the target and renamed over it, so a failed write leaves any old file.
    const QString target = QString::fromLocal8Bit(output);
    QByteArray format = QFileInfo(target).suffix().toLower().toLatin1();
    if (format.isEmpty()) format = "png";
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, format.constData()) ||
        !file.commit()) {
        std::fprintf(stderr, "synthprint: cannot write %s\n", output);
        return 1;
    }
    return 0;
}
