// Running a program as a whole process for a benchmark: wall time from spawn to exit, and its
// peak resident memory (through GNU time when there is one).
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct RunResult {
    bool ok = false;
    double seconds = 0;
    long maxRssKiB = 0;
};

// The peak resident KiB GNU time wrote (its format "%M"); 0 when there is none.
inline long peakFromTimeFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr) return 0;
    long kib = 0;
    if (std::fscanf(file, "%ld", &kib) != 1) kib = 0;
    std::fclose(file);
    return kib;
}

// Runs args[0] (a path) with its standard output and error discarded, under GNU time when
// there is one (its start-up is part of the time, some milliseconds).
inline RunResult runProcess(std::vector<std::string> args, bool measurePeak = true) {
    const std::string timeFile = std::filesystem::temp_directory_path() / "bench-wsqconvert-peak";
    const bool timed = measurePeak && access("/usr/bin/time", X_OK) == 0;
    if (timed) args.insert(args.begin(), {"/usr/bin/time", "-f", "%M", "-o", timeFile});
    const std::string binary = args.front();
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    RunResult result;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, binary.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return result;
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    struct rusage usage {};
    if (wait4(pid, &status, 0, &usage) != pid) return result;
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // Through GNU time the peak is the program's own: the child of a spawn shares this
    // process's memory until its exec, and wait4 would count that too.
    result.maxRssKiB = timed ? peakFromTimeFile(timeFile) : usage.ru_maxrss;
    result.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return result;
}

}  // namespace
