#include "support/peer_output.h"

#include <sys/wait.h>

#include <array>
#include <cstdio>

namespace testsupport {

std::optional<std::string> PeerOutput(const std::string& command) {
    FILE* pipe = popen(("(" + command + ") 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) return std::nullopt;
    std::string output;
    std::array<char, 4096> buffer;
    size_t got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        output.append(buffer.data(), got);
    const int status = pclose(pipe);
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return output;
}

}  // namespace testsupport
