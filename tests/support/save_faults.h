// Saves that fail in the ways real file systems fail: an unwritable directory, a full file
// system, a file size limit reached part-way. Each helper runs the save in a forked child and
// reports whether the save returned an error and the existing file stayed byte for byte.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// What happened to one provoked failure.
struct SaveFaultResult {
    bool skipped = false;     // the fault cannot be arranged here (e.g. no mount privilege)
    std::string skipReason;
    bool reportedError = false;  // the save returned a failure
    bool oldFileIntact = false;  // the file that was there is unchanged, byte for byte
    bool noResidue = false;      // the directory holds nothing but the old file
    std::string detail;
};

// A save: writes the file at `path`, returns 0 on success or an error code.
using SaveAction = std::function<int(const std::string& path)>;

// The directory cannot be written: the save runs as user and group 65534 without supplementary
// groups (root ignores modes), over `oldBytes` in a directory of mode 0555. Skipped when the
// process can neither change its user nor is denied by the mode.
SaveFaultResult SaveIntoReadOnlyDirectory(const std::string& fileName, const std::vector<uint8_t>& oldBytes,
                                          const SaveAction& save);
// A tmpfs of `capacityBytes` mounted in a private mount namespace holds `oldBytes` and as much
// filler as fits, so that the save runs out of space. Skipped when mounting is not possible.
SaveFaultResult SaveOntoFullFileSystem(const std::string& fileName, const std::vector<uint8_t>& oldBytes,
                                       const SaveAction& save, uint64_t capacityBytes = 64 * 1024);
// The file size limit (RLIMIT_FSIZE, SIGXFSZ ignored) stops the save after `limitBytes`.
SaveFaultResult SaveWithFileSizeLimit(const std::string& fileName, const std::vector<uint8_t>& oldBytes,
                                      const SaveAction& save, uint64_t limitBytes = 1000);

}  // namespace testsupport
