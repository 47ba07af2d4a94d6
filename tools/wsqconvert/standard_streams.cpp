#include "standard_streams.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "fileio/temporary_files.h"

namespace wsqconvert {

namespace {

// Copies everything from one descriptor to another.
bool copyAll(int from, int to) {
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t n = ::read(from, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(to, buffer.data() + done, static_cast<size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) return false;
            done += w;
        }
    }
}

void removeTracked(const QString& path) {
    if (path.isEmpty()) return;
    const QByteArray name = QFile::encodeName(path);
    ::unlink(name.constData());
    fileio::untrackTemporary(name.toStdString());
}

}  // namespace

StreamFile::~StreamFile() {
    removeTracked(m_path);
    removeTracked(m_reserved);
}

bool StreamFile::create(const QString& extension) {
    std::string pattern =
        QFile::encodeName(QDir::tempPath() + QStringLiteral("/wsqconvert-XXXXXX")).toStdString();
    const int fd = fileio::createTrackedTemporary(&pattern);
    if (fd < 0) return false;
    ::close(fd);
    m_reserved = QFile::decodeName(pattern.c_str());
    const QString path = m_reserved + QLatin1Char('.') + extension;
    if (!fileio::trackTemporary(QFile::encodeName(path).toStdString())) return false;
    m_path = path;
    return true;
}

bool StreamFile::fillFromStandardInput() {
    const int fd = ::open(QFile::encodeName(m_path).constData(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    const bool copied = copyAll(STDIN_FILENO, fd);
    return (::close(fd) == 0) && copied;
}

bool StreamFile::copyToStandardOutput() const {
    const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool copied = copyAll(fd, STDOUT_FILENO);
    ::close(fd);
    return copied;
}

}  // namespace wsqconvert
