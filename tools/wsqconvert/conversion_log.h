// The JSON-lines log of a conversion run (--log-json): one line per input, written and handed to
// the system as each input ends, so the log of a run that is killed holds every input that
// finished and nothing torn. A log is appended to, never truncated.
#pragma once

#include <QJsonObject>
#include <QString>

#include <mutex>

namespace wsqconvert {

struct BatchItem;
struct ConversionReport;

class ConversionLog {
public:
    ConversionLog() = default;
    ConversionLog(const ConversionLog&) = delete;
    ConversionLog& operator=(const ConversionLog&) = delete;
    ~ConversionLog();

    // Opens `path` for appending; empty when it worked, else why not.
    QString open(const QString& path);
    bool isOpen() const { return m_fd >= 0; }
    // Appends one line; false when it could not be written whole. Safe from any thread.
    bool write(const QJsonObject& entry);

private:
    std::mutex m_mutex;
    int m_fd = -1;
};

// The statuses a line gives.
inline constexpr char kStatusOk[] = "ok";
inline constexpr char kStatusFailed[] = "failed";
inline constexpr char kStatusSkipped[] = "skipped";
inline constexpr char kStatusCollision[] = "collision";

// The line of one finished conversion: input, output, record, status, error, width, height, ppi
// (the input's) and output_ppi, input_bytes, output_bytes, for WSQ outputs bitrate, encodes,
// bits_per_pixel and ratio, sha256 of the output, ms, and warning or damage when there is one.
QJsonObject conversionEntry(const QString& input, const QString& output, std::optional<int> record,
                            const ConversionReport& report, const QString& sha256,
                            qint64 milliseconds);
// The line of an item that was not converted: skipped or collision, with its reason.
QJsonObject itemEntry(const BatchItem& item, const char* status, const QString& error);

}  // namespace wsqconvert
