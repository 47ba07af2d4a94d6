// Hands fuzz input to readers that take a file name. Without a suffix the bytes live in an
// anonymous memory file (/proc/self/fd/N, no disk I/O); with a suffix (for the by-extension entry
// points) they go to a private file in /dev/shm (or /tmp) whose name ends in it.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

class FuzzInputFile {
public:
    FuzzInputFile(const uint8_t* data, size_t size, const std::string& suffix = std::string()) {
        if (suffix.empty()) {
            m_fd = memfd_create("fuzz-input", 0);
            if (m_fd >= 0) m_path = "/proc/self/fd/" + std::to_string(m_fd);
        } else {
            const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
            std::string pattern = std::string(dir) + "/fuzz-input-XXXXXX" + suffix;
            m_fd = mkstemps(pattern.data(), static_cast<int>(suffix.size()));
            if (m_fd >= 0) {
                m_path = pattern;
                m_unlink = true;
            }
        }
        if (m_fd < 0) return;
        size_t done = 0;
        while (done < size) {
            ssize_t n = write(m_fd, data + done, size - done);
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        lseek(m_fd, 0, SEEK_SET);
    }
    ~FuzzInputFile() {
        if (m_fd >= 0) close(m_fd);
        if (m_unlink) unlink(m_path.c_str());
    }
    FuzzInputFile(const FuzzInputFile&) = delete;
    FuzzInputFile& operator=(const FuzzInputFile&) = delete;

    bool ok() const { return m_fd >= 0; }
    const char* path() const { return m_path.c_str(); }

private:
    int m_fd = -1;
    std::string m_path;
    bool m_unlink = false;
};
