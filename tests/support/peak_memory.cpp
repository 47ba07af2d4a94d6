#include "support/peak_memory.h"

#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace testsupport {

namespace {

// The child is a copy of a process that may run other threads; a lock one of them held at
// the fork stays held in the child. Such a child is ended instead of waited for.
constexpr int kChildSeconds = 20;

int64_t PeakResidentKib() {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Reads the child's report, giving up when the child has not sent it in time.
bool ReadReport(int fd, int64_t* growth) {
    pollfd ready{fd, POLLIN, 0};
    int polled = 0;
    do {
        polled = poll(&ready, 1, kChildSeconds * 1000);
    } while (polled < 0 && errno == EINTR);
    if (polled <= 0) return false;
    return read(fd, growth, sizeof *growth) == sizeof *growth;
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
        alarm(kChildSeconds);
        const int64_t before = PeakResidentKib();
        body();
        const int64_t growth = PeakResidentKib() - before;
        const bool sent = write(channel[1], &growth, sizeof growth) == sizeof growth;
        _exit(sent ? 0 : 1);
    }
    close(channel[1]);
    int64_t growth = -1;
    const bool reported = ReadReport(channel[0], &growth);
    close(channel[0]);
    if (!reported) kill(child, SIGKILL);
    int status = 0;
    pid_t waited = 0;
    do {
        waited = waitpid(child, &status, 0);
    } while (waited < 0 && errno == EINTR);
    if (!reported || waited != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return growth;
}

}  // namespace testsupport
