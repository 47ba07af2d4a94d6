#include "support/save_faults.h"

#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace testsupport {

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
}

bool writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

std::string makeDirectory() {
    std::string pattern = (fs::temp_directory_path() / "wsq-save-fault-XXXXXX").string();
    if (!mkdtemp(pattern.data())) return std::string();
    return pattern;
}

// Child exit codes.
enum : int { kSaveFailed = 10, kSaveSucceeded = 11, kCannotArrange = 12 };

// Runs `child` in a forked process; its exit code, or -1 when it did not exit.
int inChild(const std::function<int()>& child) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) _exit(child());
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// Fills in the result from the child's code and the directory afterwards.
void judge(int code, const std::string& dir, const std::string& target,
           const std::vector<uint8_t>& oldBytes, SaveFaultResult* result) {
    if (code == kCannotArrange) {
        result->skipped = true;
        return;
    }
    result->reportedError = code == kSaveFailed;
    if (code != kSaveFailed && code != kSaveSucceeded)
        result->detail = "the save ended with status " + std::to_string(code);
    result->oldFileIntact = fileBytes(target) == oldBytes;
    size_t entries = 0;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        ++entries;
        if (entry.path() != fs::path(target))
            result->detail += " left behind: " + entry.path().filename().string();
    }
    result->noResidue = entries == 1;
}

}  // namespace

SaveFaultResult SaveIntoReadOnlyDirectory(const std::string& fileName,
                                          const std::vector<uint8_t>& oldBytes,
                                          const SaveAction& save) {
    SaveFaultResult result;
    const std::string dir = makeDirectory();
    const std::string target = dir + "/" + fileName;
    if (dir.empty() || !writeBytes(target, oldBytes)) {
        result.skipped = true;
        result.skipReason = "no scratch directory";
        return result;
    }
    chmod(dir.c_str(), 0555);
    chmod(target.c_str(), 0644);
    const int code = inChild([&] {
        if (geteuid() == 0) {
            // Root passes any mode check: become nobody, as setpriv --reuid=65534 --regid=65534
            // --clear-groups would.
            if (setgroups(0, nullptr) != 0 || setresgid(65534, 65534, 65534) != 0 ||
                setresuid(65534, 65534, 65534) != 0)
                return int{kCannotArrange};
        }
        if (access(dir.c_str(), W_OK) == 0) return int{kCannotArrange};
        return save(target) != 0 ? int{kSaveFailed} : int{kSaveSucceeded};
    });
    judge(code, dir, target, oldBytes, &result);
    if (result.skipped) result.skipReason = "the directory stays writable for this process";
    chmod(dir.c_str(), 0755);
    fs::remove_all(dir);
    return result;
}

SaveFaultResult SaveOntoFullFileSystem(const std::string& fileName,
                                       const std::vector<uint8_t>& oldBytes, const SaveAction& save,
                                       uint64_t capacityBytes) {
    SaveFaultResult result;
    const std::string dir = makeDirectory();
    if (dir.empty()) {
        result.skipped = true;
        result.skipReason = "no scratch directory";
        return result;
    }
    // The mount lives only in the child's namespace, so the child checks the outcome itself and
    // reports it in its exit code: 10/11 as above plus 20 when the old file changed and 40 when
    // something was left behind.
    const int code = inChild([&] {
        if (unshare(CLONE_NEWNS) != 0) return int{kCannotArrange};
        if (mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return int{kCannotArrange};
        const std::string options = "size=" + std::to_string(capacityBytes);
        if (mount("tmpfs", dir.c_str(), "tmpfs", 0, options.c_str()) != 0)
            return int{kCannotArrange};
        const std::string target = dir + "/" + fileName;
        const std::string filler = dir + "/.filler";
        if (!writeBytes(target, oldBytes)) return int{kCannotArrange};
        {
            // Fill the file system to the last block.
            FILE* f = std::fopen(filler.c_str(), "wb");
            if (!f) return int{kCannotArrange};
            std::vector<uint8_t> block(4096, 0x5a);
            while (std::fwrite(block.data(), 1, block.size(), f) == block.size()) {
            }
            std::fclose(f);
        }
        const int saved = save(target) != 0 ? int{kSaveFailed} : int{kSaveSucceeded};
        int outcome = saved;
        if (fileBytes(target) != oldBytes) outcome += 20;
        size_t entries = 0;
        for (const auto& entry : fs::directory_iterator(dir)) {
            (void)entry;
            ++entries;
        }
        if (entries != 2) outcome += 40;
        umount(dir.c_str());
        return outcome;
    });
    if (code == kCannotArrange || code < 0) {
        result.skipped = code == kCannotArrange;
        result.skipReason = "a tmpfs cannot be mounted here";
        if (code < 0) result.detail = "the save's process did not exit";
    } else {
        const int saved = code % 20;
        result.reportedError = saved == kSaveFailed;
        result.oldFileIntact = (code / 20) % 2 == 0;
        result.noResidue = code < 40;
        if (saved != kSaveFailed && saved != kSaveSucceeded)
            result.detail = "status " + std::to_string(code);
    }
    fs::remove_all(dir);
    return result;
}

SaveFaultResult SaveWithFileSizeLimit(const std::string& fileName,
                                      const std::vector<uint8_t>& oldBytes, const SaveAction& save,
                                      uint64_t limitBytes) {
    SaveFaultResult result;
    const std::string dir = makeDirectory();
    const std::string target = dir + "/" + fileName;
    if (dir.empty() || !writeBytes(target, oldBytes)) {
        result.skipped = true;
        result.skipReason = "no scratch directory";
        return result;
    }
    const int code = inChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {};
        limit.rlim_cur = limitBytes;
        limit.rlim_max = limitBytes;
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return int{kCannotArrange};
        return save(target) != 0 ? int{kSaveFailed} : int{kSaveSucceeded};
    });
    judge(code, dir, target, oldBytes, &result);
    fs::remove_all(dir);
    return result;
}

}  // namespace testsupport
