#include "toolkit_damage.h"

#include <QFile>

#include "bmp_damage.h"
#include "gif_damage.h"
#include "jpeg_damage.h"
#include "pnm_damage.h"
#include "xbm_damage.h"

namespace {

bool isJpeg(const QByteArray& format) {
    return format == "jpeg" || format == "jpg";
}

bool messageMeansDamage(const QByteArray& format, const QString& text) {
    if (isJpeg(format)) return jpegMessageMeansDamage(text);
    if (format == "xpm") return text.startsWith(QLatin1String("XPM pixels missing"));
    return false;
}

}  // namespace

QString toolkitDamage(std::span<const uint8_t> bytes, const QByteArray& format,
                      const std::vector<DecoderMessages::Message>& messages) {
    const QByteArray lower = format.toLower();
    // The reader's own words first: they say what went wrong, where the checks below can only
    // say where the file ends.
    for (const DecoderMessages::Message& message : messages)
        if (message.type != QtInfoMsg && messageMeansDamage(lower, message.text))
            return message.text;
    if (isJpeg(lower)) return jpegDamage(bytes);
    if (lower == "gif") return gifDamage(bytes);
    if (lower == "bmp" || lower == "dib") return bmpDamage(bytes);
    if (lower == "xbm") return xbmDamage(bytes);
    if (lower == "pgm" || lower == "ppm" || lower == "pnm") return pnmDamage(bytes);
    return QString();
}

QString toolkitDamage(const QString& fileName, const QByteArray& format,
                      const std::vector<DecoderMessages::Message>& messages) {
    QFile file(fileName);
    const uchar* mapped = nullptr;
    qint64 size = 0;
    if (file.open(QIODevice::ReadOnly)) {
        size = file.size();
        if (size > 0) mapped = file.map(0, size);
    }
    if (mapped == nullptr) return toolkitDamage(std::span<const uint8_t>(), format, messages);
    const QString damage = toolkitDamage(
        std::span<const uint8_t>(mapped, static_cast<size_t>(size)), format, messages);
    file.unmap(const_cast<uchar*>(mapped));
    return damage;
}
