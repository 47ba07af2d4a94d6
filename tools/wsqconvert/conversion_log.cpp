#include "conversion_log.h"

#include <QFile>
#include <QJsonDocument>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "batch_plan.h"
#include "convert_file.h"

namespace wsqconvert {

ConversionLog::~ConversionLog() {
    if (m_fd >= 0) ::close(m_fd);
}

QString ConversionLog::open(const QString& path) {
    m_fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC,
                  0666);
    if (m_fd < 0)
        return QStringLiteral("%1: cannot open the log: %2")
            .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    return QString();
}

bool ConversionLog::write(const QJsonObject& entry) {
    const QByteArray line = QJsonDocument(entry).toJson(QJsonDocument::Compact) + '\n';
    const std::lock_guard lock(m_mutex);
    if (m_fd < 0) return false;
    // One write for the whole line: an appending write of a few hundred bytes is not interleaved
    // with another process's and is not torn by this process being killed.
    const char* p = line.constData();
    qsizetype left = line.size();
    while (left > 0) {
        const ssize_t n = ::write(m_fd, p, static_cast<size_t>(left));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        left -= n;
    }
    return true;
}

QJsonObject conversionEntry(const QString& input, const QString& output, std::optional<int> record,
                            const ConversionReport& report, const QString& sha256,
                            qint64 milliseconds) {
    QJsonObject entry;
    entry[QStringLiteral("input")] = input;
    entry[QStringLiteral("output")] = output;
    if (record) entry[QStringLiteral("record")] = *record;
    entry[QStringLiteral("status")] = QLatin1String(report.ok() ? kStatusOk : kStatusFailed);
    if (!report.ok()) entry[QStringLiteral("error")] = report.error;
    if (!report.warning.isEmpty()) entry[QStringLiteral("warning")] = report.warning;
    if (!report.damage.isEmpty()) entry[QStringLiteral("damage")] = report.damage;
    const auto number = [&](const char* name, qint64 value) {
        entry[QLatin1String(name)] = value >= 0 ? QJsonValue(value) : QJsonValue();
    };
    if (report.width > 0) {
        number("width", report.width);
        number("height", report.height);
    }
    number("ppi", report.inputPpi);
    if (report.ok()) number("output_ppi", report.outputPpi);
    number("input_bytes", report.inputBytes);
    if (report.ok()) {
        number("output_bytes", report.outputBytes);
        if (report.wsqOutput) {
            entry[QStringLiteral("bitrate")] = report.bitrate;
            entry[QStringLiteral("encodes")] = report.encodes;
            const double pixels = double(report.width) * report.height;
            if (pixels > 0 && report.outputBytes > 0) {
                entry[QStringLiteral("bits_per_pixel")] = report.outputBytes * 8.0 / pixels;
                entry[QStringLiteral("ratio")] = pixels / double(report.outputBytes);
            }
        }
        entry[QStringLiteral("sha256")] = sha256;
    }
    entry[QStringLiteral("ms")] = milliseconds;
    return entry;
}

QJsonObject itemEntry(const BatchItem& item, const char* status, const QString& error) {
    QJsonObject entry;
    entry[QStringLiteral("input")] = item.input;
    entry[QStringLiteral("output")] = item.output;
    if (item.record) entry[QStringLiteral("record")] = *item.record;
    entry[QStringLiteral("status")] = QLatin1String(status);
    if (!error.isEmpty()) entry[QStringLiteral("error")] = error;
    return entry;
}

}  // namespace wsqconvert
