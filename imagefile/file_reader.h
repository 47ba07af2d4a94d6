// Bounded reading of a picture file for the raster readers. The file is opened once, its size is
// known up front, and every read either delivers exactly the bytes asked for or fails with the
// reader failure 11 ("Error reading file"), so a short file can never turn into silent zeros.
// Nothing reads, skips or seeks past the end of the file, and buffers sized from the file are
// checked against the bytes that are really left before they are allocated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "imagefile/image_failure.h"

namespace imagefile {

class FileReader {
public:
    FileReader() = default;
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;
    ~FileReader();

    // Opens a regular, seekable file for binary reading; false when that is not possible.
    [[nodiscard]] bool open(const char* name);
    // Throws ImageFailure{7} instead of returning false.
    void openOrFail(const char* name);

    uint64_t size() const { return m_size; }
    uint64_t position() const { return m_bufferStart + m_bufferPos; }
    uint64_t remaining() const { return m_size - position(); }

    // Each of these throws ImageFailure{kErrorReadingFile} when the file holds fewer bytes.
    void read(void* destination, size_t count);
    std::vector<uint8_t> readVector(uint64_t count);
    uint8_t u8();
    uint16_t be16();
    uint32_t be32();
    uint16_t le16();
    uint32_t le32();
    void skip(uint64_t count);
    void seek(uint64_t offset);

private:
    bool fill();

    FILE* m_file = nullptr;
    uint64_t m_size = 0;
    // The buffer holds the file bytes [m_bufferStart, m_bufferStart + m_buffer.size()).
    std::vector<uint8_t> m_buffer;
    uint64_t m_bufferStart = 0;
    size_t m_bufferPos = 0;
};

}  // namespace imagefile
