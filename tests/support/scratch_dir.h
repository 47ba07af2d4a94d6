// A private temporary directory for one test, removed with everything in it at the end.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // The full name of `file` inside the directory.
    std::string file(const std::string& name) const { return (m_path / name).string(); }
    // Writes the bytes to `name` inside the directory and returns its full name.
    std::string write(const std::string& name, const std::vector<uint8_t>& bytes) const;

private:
    std::filesystem::path m_path;
};

std::vector<uint8_t> ReadWholeFile(const std::string& path);

}  // namespace testsupport
