// A transaction file opened for reading: its bytes mapped into memory (read into memory where
// mapping is not possible) for as long as the object lives, and the transaction read from them.
// Only the pages that are touched are read, so pictures that are not decoded are never read.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "ansinist/transaction.h"

namespace ansinist {

class TransactionFile;

struct OpenResult {
    std::unique_ptr<TransactionFile> file;  // null on failure
    std::string error;                      // why the file could not be opened or read
};

class TransactionFile {
public:
    // Opens and reads the file. Fails when the file cannot be opened or mapped, or when it is
    // not a readable transaction (see readTransaction).
    static OpenResult open(const std::string& path);
    // The same over bytes already in memory (tests, fuzzers, data from elsewhere).
    static OpenResult fromBytes(std::vector<uint8_t> bytes);

    ~TransactionFile();
    TransactionFile(const TransactionFile&) = delete;
    TransactionFile& operator=(const TransactionFile&) = delete;

    const Transaction& transaction() const { return m_transaction; }
    std::span<const uint8_t> bytes() const { return {m_data, m_size}; }
    const std::string& path() const { return m_path; }  // "" for fromBytes

private:
    TransactionFile() = default;
    // Reads the transaction from the file's bytes; the file is dropped when it is not one.
    static OpenResult readInto(std::unique_ptr<TransactionFile> file);
    std::string m_path;
    const uint8_t* m_data = nullptr;
    size_t m_size = 0;
    void* m_mapping = nullptr;  // the mapping to release, if the bytes are mapped
    std::vector<uint8_t> m_owned;
    Transaction m_transaction;
};

}  // namespace ansinist
