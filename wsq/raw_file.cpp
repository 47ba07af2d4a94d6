// Whole-file read into memory and write from memory.
#include "wsq/raw_file.h"

#include <cstdio>
#include <memory>
#include <new>

#include "fileio/atomic_file.h"
#include "wsq/diagnostics.h"
#include "wsq/image_limits.h"

namespace wsq {

namespace {

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

}  // namespace

long filesize(const char* path) {
    FilePtr fp(std::fopen(path, "rb"));
    if (!fp) {
        report("ERROR : filesize : file %s could not be opened\n", path);
        return -2;
    }
    if (std::fseek(fp.get(), 0L, SEEK_END) != 0) {
        report("ERROR : filesize : seeking to EOF of file %s failed\n", path);
        return -3;
    }
    const long size = std::ftell(fp.get());
    if (size < 0) {
        report("ERROR : filesize : ftell at EOF of file %s failed\n", path);
        return -4;
    }
    return size;
}

int read_raw_from_filesize(const char* path, std::vector<uint8_t>* odata, int* olen) {
    const long size = filesize(path);
    if (size < 0) return static_cast<int>(size);
    FilePtr fp(std::fopen(path, "rb"));
    if (!fp) {
        report("ERORR : read_raw_from_filesize : fopen : %s\n", path);
        return -2;
    }
    // A file larger than any picture we accept is refused before its buffer is allocated.
    std::vector<uint8_t> data;
    if (static_cast<unsigned long>(size) > kMaxWholeFileBytes) {
        report("ERORR : read_raw_from_filesize : %s is larger than %llu bytes\n", path,
               static_cast<unsigned long long>(kMaxWholeFileBytes));
        return -3;
    }
    try {
        data.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        report("ERORR : read_raw_from_filesize : malloc : idata\n");
        return -3;
    }
    const size_t n = std::fread(data.data(), 1, data.size(), fp.get());
    if (n != data.size()) {
        report("ERORR : main : read_raw_from_filesize : ");
        report("%d of %d bytes read from %s\n", static_cast<int>(n), static_cast<int>(size), path);
        return -4;
    }
    *odata = std::move(data);
    *olen = static_cast<int>(size);
    return 0;
}

int write_raw_from_memsize(const char* path, const uint8_t* data, int length) {
    // The bytes go to a temporary file beside the target, which replaces it only when all of
    // them were written: a failed save never destroys the file that was there.
    fileio::AtomicFile file;
    if (!file.open(path)) {
        report("ERROR: write_raw_from_memsize : fopen : %s\n", path);
        return -2;
    }
    const size_t want = length > 0 ? static_cast<size_t>(length) : 0;
    const size_t n = want > 0 ? std::fwrite(data, 1, want, file.stream()) : 0;
    if (n != want || !file.commit()) {
        file.abandon();
        report("ERROR: write_raw_from_memsize : fwrite : ");
        report("only %d of %d bytes written from file %s\n", static_cast<int>(n == want ? 0 : n),
               length, path);
        return -3;
    }
    return 0;
}

}  // namespace wsq
