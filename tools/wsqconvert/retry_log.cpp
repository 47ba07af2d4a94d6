#include "retry_log.h"

#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

#include "conversion_log.h"

namespace wsqconvert {

QString retryKey(const QString& input, std::optional<int> record) {
    return record ? input + QLatin1Char('\n') + QString::number(*record) : input;
}

FailedInputs readFailedInputs(const QString& name) {
    FailedInputs result;
    QFile file;
    const bool opened = name == QLatin1String("-")
                            ? file.open(stdin, QIODevice::ReadOnly)
                            : (file.setFileName(name), file.open(QIODevice::ReadOnly));
    if (!opened) {
        result.error = QStringLiteral("%1: cannot read the log").arg(name);
        return result;
    }
    QHash<QString, bool> failed;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.trimmed().isEmpty()) continue;
        const QJsonObject entry = QJsonDocument::fromJson(line).object();
        const QString input = entry.value(QStringLiteral("input")).toString();
        const QString status = entry.value(QStringLiteral("status")).toString();
        if (input.isEmpty() || status.isEmpty()) {
            ++result.unreadableLines;
            continue;
        }
        const QJsonValue record = entry.value(QStringLiteral("record"));
        const std::optional<int> number =
            record.isDouble() ? std::optional<int>(record.toInt()) : std::nullopt;
        failed[retryKey(input, number)] = status == QLatin1String(kStatusFailed);
    }
    for (auto it = failed.cbegin(); it != failed.cend(); ++it)
        if (it.value()) result.keys.insert(it.key());
    return result;
}

}  // namespace wsqconvert
