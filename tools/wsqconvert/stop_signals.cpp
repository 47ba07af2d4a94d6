#include "stop_signals.h"

#include <pthread.h>
#include <signal.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <thread>

#include "fileio/temporary_files.h"

namespace wsqconvert {

namespace {

sigset_t stopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}

void waitForStop() {
    const sigset_t set = stopSignals();
    int number = 0;
    while (sigwait(&set, &number) != 0) {
    }
    fileio::removeTemporaryFilesForExit();
    const char* name = sigabbrev_np(number);
    std::fprintf(stderr, "wsqconvert: stopped by SIG%s; outputs not finished were removed\n",
                 name ? name : "?");
    std::fflush(stderr);
    // Ends the process by the signal itself, so a shell loop or a job manager sees why.
    std::signal(number, SIG_DFL);
    sigset_t one;
    sigemptyset(&one);
    sigaddset(&one, number);
    pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
    raise(number);
}

}  // namespace

void handleStopSignals() {
    const sigset_t set = stopSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::thread(waitForStop).detach();
}

}  // namespace wsqconvert
