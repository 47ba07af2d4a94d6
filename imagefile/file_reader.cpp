#include "imagefile/file_reader.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

namespace imagefile {

namespace {

constexpr size_t kBufferSize = 64 * 1024;

}  // namespace

FileReader::~FileReader() {
    if (m_file != nullptr) std::fclose(m_file);
}

bool FileReader::open(const char* name) {
    if (m_file != nullptr || name == nullptr) return false;
    FILE* file = std::fopen(name, "rb");
    if (file == nullptr) return false;
    struct stat info {};
    if (fstat(fileno(file), &info) != 0 || S_ISDIR(info.st_mode) ||
        fseeko(file, 0, SEEK_END) != 0) {
        std::fclose(file);
        return false;
    }
    off_t end = ftello(file);
    if (end < 0 || fseeko(file, 0, SEEK_SET) != 0) {
        std::fclose(file);
        return false;
    }
    m_file = file;
    m_size = static_cast<uint64_t>(end);
    m_buffer.clear();
    m_bufferStart = 0;
    m_bufferPos = 0;
    return true;
}

void FileReader::openOrFail(const char* name) {
    if (!open(name)) FailImage(kUnableToOpenFile);
}

// Moves the window to the current position and reads the next block into it.
bool FileReader::fill() {
    uint64_t here = position();
    if (m_file == nullptr || here >= m_size) return false;
    if (fseeko(m_file, static_cast<off_t>(here), SEEK_SET) != 0) return false;
    size_t want = static_cast<size_t>(std::min<uint64_t>(kBufferSize, m_size - here));
    m_buffer.resize(want);
    size_t got = std::fread(m_buffer.data(), 1, want, m_file);
    m_buffer.resize(got);
    m_bufferStart = here;
    m_bufferPos = 0;
    return got > 0;
}

void FileReader::read(void* destination, size_t count) {
    if (count > remaining()) FailImage(kErrorReadingFile);
    auto* out = static_cast<uint8_t*>(destination);
    while (count > 0) {
        if (m_bufferPos == m_buffer.size() && !fill()) FailImage(kErrorReadingFile);
        size_t n = std::min(count, m_buffer.size() - m_bufferPos);
        std::memcpy(out, m_buffer.data() + m_bufferPos, n);
        m_bufferPos += n;
        out += n;
        count -= n;
    }
}

std::vector<uint8_t> FileReader::readVector(uint64_t count) {
    // The file has to hold the bytes before anything is allocated for them.
    if (count > remaining()) FailImage(kErrorReadingFile);
    std::vector<uint8_t> bytes(static_cast<size_t>(count));
    read(bytes.data(), bytes.size());
    return bytes;
}

uint8_t FileReader::u8() {
    if (m_bufferPos == m_buffer.size() && !fill()) FailImage(kErrorReadingFile);
    return m_buffer[m_bufferPos++];
}

uint16_t FileReader::be16() {
    uint8_t b[2];
    read(b, 2);
    return static_cast<uint16_t>(b[0] << 8 | b[1]);
}

uint32_t FileReader::be32() {
    uint8_t b[4];
    read(b, 4);
    return uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | b[3];
}

uint16_t FileReader::le16() {
    uint8_t b[2];
    read(b, 2);
    return static_cast<uint16_t>(b[1] << 8 | b[0]);
}

uint32_t FileReader::le32() {
    uint8_t b[4];
    read(b, 4);
    return uint32_t{b[3]} << 24 | uint32_t{b[2]} << 16 | uint32_t{b[1]} << 8 | b[0];
}

void FileReader::skip(uint64_t count) {
    if (count > remaining()) FailImage(kErrorReadingFile);
    seek(position() + count);
}

void FileReader::seek(uint64_t offset) {
    if (offset > m_size) FailImage(kErrorReadingFile);
    if (offset >= m_bufferStart && offset <= m_bufferStart + m_buffer.size()) {
        m_bufferPos = static_cast<size_t>(offset - m_bufferStart);
    } else {
        m_buffer.clear();
        m_bufferStart = offset;
        m_bufferPos = 0;
    }
}

}  // namespace imagefile
