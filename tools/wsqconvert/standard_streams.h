// INPUT "-" and OUTPUT "-": standard input is copied to a temporary file that the conversion
// reads, and the output is written to a temporary file that is then copied to standard output.
// Both files are removed afterwards, and by a stop signal.
#pragma once

#include <QString>

namespace wsqconvert {

class StreamFile {
public:
    StreamFile() = default;
    StreamFile(const StreamFile&) = delete;
    StreamFile& operator=(const StreamFile&) = delete;
    ~StreamFile();

    // Makes an empty temporary file whose name ends in "." + extension; false when it cannot.
    bool create(const QString& extension);
    QString path() const { return m_path; }

    // Copies standard input into the file; false on a read or write error.
    bool fillFromStandardInput();
    // Copies the file to standard output; false on a read or write error (a closed pipe too).
    bool copyToStandardOutput() const;

private:
    QString m_reserved;  // the name mkstemp made, kept so no one else takes it
    QString m_path;
};

}  // namespace wsqconvert
