// Writing a file without ever destroying the one already there: the bytes go to a temporary
// file in the target's directory, which replaces the target only once everything was written,
// flushed and closed. Whatever fails, the temporary file is removed and the target is untouched.
#pragma once

#include <cstdio>
#include <string>

namespace fileio {

class AtomicFile {
public:
    AtomicFile() = default;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    // Removes the temporary file unless commit() succeeded.
    ~AtomicFile();

    // Creates the temporary file for `target`; false when it cannot be created.
    bool open(const char* target);
    // The stream to write to (null before open()).
    FILE* stream() const { return m_stream; }
    // Writes n bytes; false on a short write (the failure is remembered for commit()).
    bool write(const void* data, size_t n);
    // Flushes, syncs, closes and renames over the target, keeping the target's permissions when
    // it existed. False when any step, or any earlier write to stream(), failed.
    bool commit();
    // Drops the temporary file; the target stays as it was.
    void abandon();

private:
    std::string m_target;
    std::string m_temp;
    FILE* m_stream = nullptr;
    bool m_failed = false;
};

}  // namespace fileio
