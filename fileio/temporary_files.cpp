#include "fileio/temporary_files.h"

#include <stdlib.h>
#include <unistd.h>

#include <mutex>
#include <set>

namespace fileio {

namespace {

struct Registry {
    std::mutex mutex;
    std::set<std::string> paths;
    bool ending = false;
};

Registry& registry() {
    // Never destroyed: a thread may still create a file while the process ends.
    static Registry* instance = new Registry;
    return *instance;
}

}  // namespace

int createTrackedTemporary(std::string* pattern) {
    Registry& r = registry();
    const std::lock_guard lock(r.mutex);
    if (r.ending) return -1;
    const int fd = mkstemp(pattern->data());
    if (fd >= 0) r.paths.insert(*pattern);
    return fd;
}

bool trackTemporary(const std::string& path) {
    Registry& r = registry();
    const std::lock_guard lock(r.mutex);
    if (r.ending) return false;
    r.paths.insert(path);
    return true;
}

void untrackTemporary(const std::string& path) {
    Registry& r = registry();
    const std::lock_guard lock(r.mutex);
    r.paths.erase(path);
}

void removeTemporaryFilesForExit() {
    Registry& r = registry();
    // Held until the process ends: a thread that would now create, rename or give up a
    // temporary file waits here instead of reporting a failure the stop caused.
    r.mutex.lock();
    r.ending = true;
    // A file renamed into place a moment ago is gone under this name: unlink fails harmlessly
    // and the whole file stays.
    for (const std::string& path : r.paths) unlink(path.c_str());
    r.paths.clear();
}

}  // namespace fileio
