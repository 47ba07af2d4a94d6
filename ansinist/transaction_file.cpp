// Opening a transaction file: map it, read the transaction, keep the mapping alive.
#include "ansinist/transaction_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace ansinist {

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// Reads the whole of a file that cannot be mapped (a pipe-backed or special file system).
bool readAll(int fd, std::vector<uint8_t>& bytes, uint64_t size) {
    bytes.resize(size);
    uint64_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, bytes.data() + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<uint64_t>(n);
    }
    return true;
}

}  // namespace

TransactionFile::~TransactionFile() {
    if (m_mapping) ::munmap(m_mapping, m_size);
}

OpenResult TransactionFile::open(const std::string& path) {
    OpenResult result;
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        result.error = "cannot open the file: " + std::string(std::strerror(errno));
        return result;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        result.error = "cannot read the file's size: " + std::string(std::strerror(errno));
        return result;
    }
    if (!S_ISREG(st.st_mode)) {
        result.error = "not a regular file";
        return result;
    }
    const uint64_t size = static_cast<uint64_t>(st.st_size);
    if (size == 0) {
        result.error = "the file is empty";
        return result;
    }
    if (size > SIZE_MAX / 2) {
        result.error = "the file is too large to read";
        return result;
    }
    std::unique_ptr<TransactionFile> file(new TransactionFile);
    file->m_path = path;
    void* mapping = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd.get(), 0);
    if (mapping != MAP_FAILED) {
        file->m_mapping = mapping;
        file->m_data = static_cast<const uint8_t*>(mapping);
        file->m_size = size;
    } else {
        try {
            if (!readAll(fd.get(), file->m_owned, size)) {
                result.error = "cannot read the file: " + std::string(std::strerror(errno));
                return result;
            }
        } catch (const std::bad_alloc&) {
            result.error = "not enough memory to read the file";
            return result;
        }
        file->m_data = file->m_owned.data();
        file->m_size = file->m_owned.size();
    }
    return readInto(std::move(file));
}

OpenResult TransactionFile::fromBytes(std::vector<uint8_t> bytes) {
    std::unique_ptr<TransactionFile> file(new TransactionFile);
    file->m_owned = std::move(bytes);
    file->m_data = file->m_owned.data();
    file->m_size = file->m_owned.size();
    return readInto(std::move(file));
}

OpenResult TransactionFile::readInto(std::unique_ptr<TransactionFile> file) {
    OpenResult result;
    ReadResult read = readTransaction(file->bytes());
    if (!read) {
        result.error = std::move(read.error);
        return result;
    }
    file->m_transaction = std::move(read.transaction);
    result.file = std::move(file);
    return result;
}

}  // namespace ansinist
