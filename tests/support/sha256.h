// SHA-256 of a byte buffer as lower-case hex, for golden digests of our own output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

std::string sha256_hex(const uint8_t* data, size_t size);
inline std::string sha256_hex(const std::vector<uint8_t>& bytes) {
    return sha256_hex(bytes.data(), bytes.size());
}

}  // namespace testsupport
