// --retry-failed: the inputs an earlier run's JSON-lines log marks failed.
#pragma once

#include <QSet>
#include <QString>

#include <optional>

namespace wsqconvert {

struct FailedInputs {
    // "input" and, for a transaction's picture, "input\nrecord": the last line of each that
    // says "failed".
    QSet<QString> keys;
    QString error;            // why the log could not be read
    int unreadableLines = 0;  // lines that are not a JSON object with input and status
};

// The key of an input (and record) in FailedInputs.
QString retryKey(const QString& input, std::optional<int> record);

// Reads the log `name` ("-": standard input). An input's last line decides: one that failed and
// then converted is not retried.
FailedInputs readFailedInputs(const QString& name);

}  // namespace wsqconvert
