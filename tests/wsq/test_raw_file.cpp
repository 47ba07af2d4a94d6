// Whole-file helpers: sizes, reads, and saves that never destroy the file already there.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "wsq/raw_file.h"

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

namespace fs = std::filesystem;

class RawFile : public testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("wsq_raw_" + std::to_string(getpid()) + "_" +
                 testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    std::string path(const char* name) const { return (m_dir / name).string(); }
    static std::string contents(const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    fs::path m_dir;
};

TEST_F(RawFile, WriteThenRead) {
    const std::string p = path("a.wsq");
    std::vector<uint8_t> data(1000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7);
    ASSERT_EQ(wsq::write_raw_from_memsize(p.c_str(), data.data(), 1000), 0);
    EXPECT_EQ(wsq::filesize(p.c_str()), 1000);
    std::vector<uint8_t> back;
    int len = 0;
    ASSERT_EQ(wsq::read_raw_from_filesize(p.c_str(), &back, &len), 0);
    EXPECT_EQ(len, 1000);
    EXPECT_EQ(back, data);

    // An empty file reads as nothing; nothing else is left in the directory.
    ASSERT_EQ(wsq::write_raw_from_memsize(p.c_str(), data.data(), 0), 0);
    ASSERT_EQ(wsq::read_raw_from_filesize(p.c_str(), &back, &len), 0);
    EXPECT_EQ(len, 0);
    EXPECT_TRUE(back.empty());
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1);
}

TEST_F(RawFile, MissingFilesAndDirectories) {
    const std::string p = path("missing.wsq");
    std::vector<uint8_t> out = {1, 2};
    int len = 42;
    CaptureStderr();
    EXPECT_EQ(wsq::read_raw_from_filesize(p.c_str(), &out, &len), -2);
    EXPECT_EQ(GetCapturedStderr(), "ERROR : filesize : file " + p + " could not be opened\n");
    EXPECT_EQ(len, 42);
    EXPECT_EQ(out.size(), 2u);

    const std::string nodir = path("no/such/dir.wsq");
    CaptureStderr();
    EXPECT_EQ(wsq::write_raw_from_memsize(nodir.c_str(), out.data(), 2), -2);
    EXPECT_EQ(GetCapturedStderr(), "ERROR: write_raw_from_memsize : fopen : " + nodir + "\n");
}

TEST_F(RawFile, FailedWriteKeepsTheOldFile) {
    const std::string p = path("keep.wsq");
    {
        std::ofstream(p, std::ios::binary) << "old contents";
    }
    // In a child limited to 1000-byte files, a 5000-byte save must fail and leave the old file.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{1000, 1000};
        setrlimit(RLIMIT_FSIZE, &limit);
        std::vector<uint8_t> big(5000, 0x55);
        std::fclose(stderr);
        _exit(wsq::write_raw_from_memsize(p.c_str(), big.data(), 5000) == -3 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(contents(p), "old contents");
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1);
}

}  // namespace
