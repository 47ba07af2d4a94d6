#include "support/peak_memory.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

namespace {

int64_t PeakResidentKib() {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int64_t PeakResidentGrowthKib(const std::function<void()>& body) {
    int channel[2];
    if (pipe(channel) != 0) return -1;
    const pid_t child = fork();
    if (child < 0) {
        close(channel[0]);
        close(channel[1]);
        return -1;
    }
    if (child == 0) {
        close(channel[0]);
        const int64_t before = PeakResidentKib();
        body();
        const int64_t growth = PeakResidentKib() - before;
        const bool sent = write(channel[1], &growth, sizeof growth) == sizeof growth;
        _exit(sent ? 0 : 1);
    }
    close(channel[1]);
    int64_t growth = -1;
    if (read(channel[0], &growth, sizeof growth) != sizeof growth) growth = -1;
    close(channel[0]);
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return growth;
}

}  // namespace testsupport
