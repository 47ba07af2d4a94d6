#include "shard.h"

#include <cstdint>

namespace wsqconvert {

int shardOf(const QString& relativePath, int count) {
    // 64-bit FNV-1a of the UTF-8 path: the same on every machine and in every release.
    uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : relativePath.toUtf8()) {
        hash ^= static_cast<uint8_t>(c);
        hash *= 0x100000001b3ULL;
    }
    return static_cast<int>(hash % static_cast<uint64_t>(count)) + 1;
}

}  // namespace wsqconvert
