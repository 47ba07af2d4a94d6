// Running the wsqconvert binary from the tests, and the small pictures they convert.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <string>
#include <vector>

#include "synthprint.h"
#include "wsq/encoder.h"

namespace wsqconverttest {

struct ToolRun {
    int status = -1;
    QString out;
    QString err;
    // The lines of standard error that wsqconvert itself wrote (the codec and the library
    // print their own "ERROR" diagnostics too), its warnings left out.
    QStringList toolErrorLines() const {
        QStringList lines;
        for (const QString& line : err.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            if (line.startsWith(QLatin1String("wsqconvert: ")) &&
                !line.startsWith(QLatin1String("wsqconvert: warning: ")))
                lines << line;
        return lines;
    }
    // Its warnings, without "wsqconvert: warning: ".
    QStringList warningLines() const {
        QStringList lines;
        for (const QString& line : err.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            if (line.startsWith(QLatin1String("wsqconvert: warning: "))) lines << line.mid(21);
        return lines;
    }
};

inline QString toolPath() {
    return QStringLiteral(WSQ_BINARY_DIR "/tools/wsqconvert/wsqconvert");
}

inline ToolRun runTool(const QStringList& arguments, const QString& workingDir = QString()) {
    QProcess process;
    if (!workingDir.isEmpty()) process.setWorkingDirectory(workingDir);
    process.start(toolPath(), arguments);
    ToolRun run;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.status = process.exitCode();
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

inline QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// A small colour picture with a different value in every channel of most pixels.
// The WSQ encoder takes pictures of 81 x 81 pixels and more.
inline QImage colourPicture(int w = 96, int h = 84) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y,
                           qRgb((x * 7 + y) & 255, (y * 11 + 3 * x) & 255, (x * y + 40) & 255));
    return image;
}

inline std::vector<uint8_t> printPixels(int w, int h, uint32_t seed) {
    synthprint::PrintOptions options;
    options.width = w;
    options.height = h;
    options.seed = seed;
    return synthprint::make_synthetic_print(options);
}

inline QImage greyPicture(const std::vector<uint8_t>& pixels, int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int g = pixels[static_cast<size_t>(y) * w + x];
            image.setPixel(x, y, qRgb(g, g, g));
        }
    return image;
}

// A WSQ file of a synthetic print, written with the codec.
inline bool writeWsq(const QString& path, int w, int h, uint32_t seed, int ppi = 500,
                     const char* comment = nullptr) {
    const std::vector<uint8_t> pixels = printPixels(w, h, seed);
    std::vector<uint8_t> encoded;
    int length = 0;
    if (wsq::wsq_encode_1(&encoded, &length, 0.75f, pixels.data(), w, h, 8, ppi, comment) != 0)
        return false;
    QFile file(path);
    return file.open(QIODevice::WriteOnly) &&
           file.write(reinterpret_cast<const char*>(encoded.data()), length) == length;
}

inline QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The pixels of a picture as opaque 32-bit values, for comparisons.
inline QImage rgb32(const QImage& image) {
    return image.convertToFormat(QImage::Format_RGB32);
}

}  // namespace wsqconverttest
