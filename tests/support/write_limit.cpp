#include "support/write_limit.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

namespace testsupport {

uint32_t RunWithFileSizeLimit(size_t limitBytes, const std::function<uint32_t()>& write) {
    const pid_t child = fork();
    if (child < 0) return 255;
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {};
        limit.rlim_cur = limitBytes;
        limit.rlim_max = limitBytes;
        setrlimit(RLIMIT_FSIZE, &limit);
        const uint32_t code = write();
        _exit(static_cast<int>(code > 254 ? 254 : code));
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return 255;
    return static_cast<uint32_t>(WEXITSTATUS(status));
}

}  // namespace testsupport
