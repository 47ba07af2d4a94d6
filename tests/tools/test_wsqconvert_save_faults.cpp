// wsqconvert writing where the file system fails it: into a directory it may not write, onto a
// full file system, and over an existing file with a file size limit that stops the write
// part-way. Each time it prints its one error line and exits 1, the existing output stays byte
// for byte, and no temporary file is left. The binary runs in a child of the forked child the
// save-fault helpers make, so it inherits their user, mount namespace and limit.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/save_faults.h"
#include "wsqconvert_test_support.h"

using namespace wsqconverttest;

namespace {

namespace fs = std::filesystem;

struct OutputCase {
    const char* fileName;
    // The reason wsqconvert gives when the file cannot be created, and when its write failed.
    const char* openFailure;
    const char* writeFailure;
};

// WSQ, the toolkit's BMP and XPM, the library's PNG, and a library JPEG under a name whose
// extension key is not the library's own for JPEG (written under exactly that name).
const OutputCase kCases[] = {
    {"out.wsq", "Error opening file for writing", "Error writing output file"},
    {"out.bmp", "Error opening file for writing", "Error writing output file"},
    {"out.xpm", "Error opening file for writing", "Error writing output file"},
    {"out.png", "Unable to open file", "Error writing to the output file"},
    {"out.jpeg", "Unable to open file", "Error writing to the output file"},
};

const std::vector<uint8_t> kOldBytes = {'p', 'r', 'e', 'v',  'i',  'o',
                                        'u', 's', 0,   0x80, 0xff, '\n'};

// Runs wsqconvert with `input` and `output`; its exit status (-1 when it did not exit) and
// its standard error.
int runConvert(const std::string& input, const std::string& output, std::string* err) {
    const std::string tool = toolPath().toStdString();
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return -1;
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        dup2(pipeFds[1], 2);
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) dup2(null, 1);
        close(pipeFds[0]);
        close(pipeFds[1]);
        execl(tool.c_str(), tool.c_str(), input.c_str(), output.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    char buffer[4096];
    ssize_t n;
    while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0)
        err->append(buffer, static_cast<size_t>(n));
    close(pipeFds[0]);
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

class WsqConvertSaveFaults : public ::testing::Test {
protected:
    void SetUp() override {
        // The input must be readable by the unprivileged user of the read-only case.
        std::string pattern = (fs::temp_directory_path() / "wsqconvert-input-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_inputDir = pattern;
        chmod(m_inputDir.c_str(), 0755);
        m_input = m_inputDir + "/print.wsq";
        // Every output of this print is well over the size limit used below.
        ASSERT_TRUE(writeWsq(q(m_input), 200, 200, 3));
        chmod(m_input.c_str(), 0644);
    }
    void TearDown() override { fs::remove_all(m_inputDir); }

    // The conversion as the child runs it: non-zero only when wsqconvert exited 1 with exactly
    // the expected line; anything else is told on stderr.
    testsupport::SaveAction convert(const char* reason) const {
        return [this, reason](const std::string& output) {
            std::string err;
            const int status = runConvert(m_input, output, &err);
            const QStringList lines =
                ToolRun{status, {}, QString::fromLocal8Bit(err)}.toolErrorLines();
            const QString expected = QStringLiteral("wsqconvert: ") + q(output) + ": " + reason;
            const bool reported =
                status == 1 && lines.size() == 1 &&
                (expected.endsWith(' ') ? lines[0].startsWith(expected) : lines[0] == expected);
            if (!reported)
                std::fprintf(stderr, "%s: exit %d, expected \"%s\", stderr:\n%s\n", output.c_str(),
                             status, qPrintable(expected), err.c_str());
            return reported ? 1 : 0;
        };
    }

    static void expectKept(const testsupport::SaveFaultResult& r, const OutputCase& c) {
        EXPECT_TRUE(r.reportedError)
            << c.fileName << ": the failure was not reported as expected " << r.detail;
        EXPECT_TRUE(r.oldFileIntact) << c.fileName << ": the existing file changed " << r.detail;
        EXPECT_TRUE(r.noResidue) << c.fileName << ": " << r.detail;
    }

    std::string m_inputDir;
    std::string m_input;
};

TEST_F(WsqConvertSaveFaults, ReadOnlyDirectory) {
    for (const OutputCase& c : kCases) {
        const auto r =
            testsupport::SaveIntoReadOnlyDirectory(c.fileName, kOldBytes, convert(c.openFailure));
        if (r.skipped) GTEST_SKIP() << r.skipReason;
        expectKept(r, c);
    }
}

TEST_F(WsqConvertSaveFaults, FullFileSystem) {
    for (const OutputCase& c : kCases) {
        const auto r =
            testsupport::SaveOntoFullFileSystem(c.fileName, kOldBytes, convert(c.writeFailure));
        if (r.skipped) GTEST_SKIP() << r.skipReason;
        expectKept(r, c);
    }
}

TEST_F(WsqConvertSaveFaults, FileSizeLimitStopsTheWritePartWay) {
    for (const OutputCase& c : kCases) {
        const auto r = testsupport::SaveWithFileSizeLimit(c.fileName, kOldBytes,
                                                          convert(c.writeFailure), 1000);
        ASSERT_FALSE(r.skipped) << r.skipReason;
        expectKept(r, c);
    }
}

}  // namespace
