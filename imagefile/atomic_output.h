// The output side of the library's own writers: bytes go through fileio::AtomicFile, so the target
// is replaced only when the whole file was written, and a failure anywhere is thrown as an
// ImageFailure (7 when the file cannot be created, 12 on a short write or a failed commit) and
// caught at the writer's boundary, which stores the code as the last error. An uncommitted file
// is dropped by the destructor and the old target stays as it was.
#pragma once

#include <cstdint>
#include <new>

#include "fileio/atomic_file.h"
#include "imagefile/image_error.h"
#include "imagefile/image_failure.h"

namespace imagefile {

class AtomicOutput {
public:
    void open(const char* name) {
        if (name == nullptr || !m_file.open(name)) FailImage(kUnableToOpenFile);
    }
    void write(const void* data, size_t count) {
        if (!m_file.write(data, count)) FailImage(kErrorWritingFile);
    }
    void commit() {
        if (!m_file.commit()) FailImage(kErrorWritingFile);
    }

private:
    fileio::AtomicFile m_file;
};

// Little- and big-endian field stores for building headers in memory.
inline void PutLE16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutLE32(uint8_t* p, uint32_t v) {
    PutLE16(p, v);
    PutLE16(p + 2, v >> 16);
}
inline void PutBE16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}
inline void PutBE32(uint8_t* p, uint32_t v) {
    PutBE16(p, v >> 16);
    PutBE16(p + 2, v);
}

// Runs body(), which returns 0 or a code or throws ImageFailure, as a writer boundary: the last
// error is cleared on entry and holds the result on exit.
template <typename Body>
uint32_t RunImageWriter(Body&& body) {
    SetLastImageError(kNoError);
    uint32_t code = kNoError;
    try {
        code = body();
    } catch (const ImageFailure& failure) {
        code = failure.code;
    } catch (const std::bad_alloc&) {
        code = kMemoryAllocation;
    }
    SetLastImageError(code);
    return code;
}

}  // namespace imagefile
