#include "fileio/atomic_file.h"

#include "fileio/temporary_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace fileio {

AtomicFile::~AtomicFile() {
    abandon();
}

bool AtomicFile::open(const char* target) {
    abandon();
    if (target == nullptr || *target == '\0') return false;
    m_target = target;
    m_failed = false;
    const std::string t(target);
    const size_t slash = t.rfind('/');
    std::string pattern =
        (slash == std::string::npos ? std::string() : t.substr(0, slash + 1)) + ".wsqtmp-XXXXXX";
    int fd = createTrackedTemporary(&pattern);
    if (fd < 0) return false;
    m_temp = pattern;
    // A new file gets the permissions an ordinary create would give it.
    mode_t mask = umask(0);
    umask(mask);
    struct stat existing {};
    if (stat(target, &existing) == 0 && S_ISREG(existing.st_mode)) {
        fchmod(fd, existing.st_mode & 07777);
    } else {
        fchmod(fd, 0666 & ~mask);
    }
    m_stream = fdopen(fd, "wb");
    if (m_stream == nullptr) {
        ::close(fd);
        unlink(m_temp.c_str());
        untrackTemporary(m_temp);
        m_temp.clear();
        return false;
    }
    return true;
}

bool AtomicFile::write(const void* data, size_t n) {
    if (m_stream == nullptr) return false;
    if (n == 0) return true;
    if (std::fwrite(data, 1, n, m_stream) != n) {
        m_failed = true;
        return false;
    }
    return true;
}

bool AtomicFile::commit() {
    if (m_stream == nullptr) return false;
    bool ok = !m_failed && std::fflush(m_stream) == 0 && !std::ferror(m_stream);
    ok = ok && fsync(fileno(m_stream)) == 0;
    ok = (std::fclose(m_stream) == 0) && ok;
    m_stream = nullptr;
    if (ok) {
        struct stat st {};
        // Never replace a directory or anything that is not a plain file.
        if (lstat(m_target.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) ok = false;
    }
    ok = ok && std::rename(m_temp.c_str(), m_target.c_str()) == 0;
    if (!ok) {
        unlink(m_temp.c_str());
    }
    untrackTemporary(m_temp);
    m_temp.clear();
    return ok;
}

void AtomicFile::abandon() {
    if (m_stream != nullptr) {
        std::fclose(m_stream);
        m_stream = nullptr;
    }
    if (!m_temp.empty()) {
        unlink(m_temp.c_str());
        untrackTemporary(m_temp);
        m_temp.clear();
    }
}

}  // namespace fileio
