#include "imagefile/extension_key.h"

#include <cctype>
#include <cstring>

namespace imagefile {

std::string ExtensionKey(const char* name) {
    std::string key;
    if (name == nullptr) return key;
    const char* dot = std::strrchr(name, '.');
    if (dot == nullptr) return key;
    for (const char* p = dot + 1; *p != '\0' && key.size() < 3; ++p) {
        key.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(*p))));
    }
    return key;
}

}  // namespace imagefile
