// Saves that fail, and reads of files that change under the reader: every writer reports the
// failure and leaves the file that was there byte for byte, with no temporary file behind; a
// file shorter than its size said, or gone, is a clean read error.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "imagefile/bitmap_image.h"
#include "imagefile/formats.h"
#include "support/peer_tools.h"
#include "support/record_pixels.h"
#include "support/save_faults.h"
#include "wsq/raw_file.h"

namespace {

using imagefile::BitmapImage;
using testsupport::SaveAction;
using testsupport::SaveFaultResult;

struct NamedSave {
    const char* name;  // also the file name the save writes
    SaveAction save;
};

// A picture big enough that every format's file passes the limits below (about 48 KB raw).
const BitmapImage& Picture() {
    static const BitmapImage image =
        testsupport::PeerPixelsToRecord(testsupport::PeerTestPattern(128, 128, 3), 0);
    return image;
}

std::vector<NamedSave> Saves() {
    static const std::vector<uint8_t> raw(48 * 1024, 0xa5);
    return {
        {"raw.wsq", [](const std::string& p) { return wsq::write_raw_from_memsize(p.c_str(), raw.data(), int(raw.size())); }},
        {"picture.bmp", [](const std::string& p) { return int(imagefile::WriteBmpFile(p.c_str(), Picture())); }},
        {"picture.tga", [](const std::string& p) { return int(imagefile::WriteTargaFile(p.c_str(), Picture())); }},
        {"picture.sgi", [](const std::string& p) { return int(imagefile::WriteSgiFile(p.c_str(), Picture())); }},
        {"picture.tif", [](const std::string& p) { return int(imagefile::WriteTiffFile(p.c_str(), Picture(), nullptr)); }},
        {"picture.png", [](const std::string& p) { return int(imagefile::WritePngFile(p.c_str(), Picture())); }},
        {"picture.jpg", [](const std::string& p) { return int(imagefile::WriteJpegFile(p.c_str(), Picture(), 95)); }},
    };
}

const std::vector<uint8_t> kOldBytes = {'o', 'l', 'd', ' ', 'f', 'i', 'l', 'e', 0, 1, 2, 3, 0xff};

void Expect(const SaveFaultResult& r, const char* name) {
    EXPECT_TRUE(r.reportedError) << name << " reported success " << r.detail;
    EXPECT_TRUE(r.oldFileIntact) << name << " changed the existing file " << r.detail;
    EXPECT_TRUE(r.noResidue) << name << r.detail;
}

TEST(SaveFaults, ReadOnlyDirectory) {
    for (const NamedSave& s : Saves()) {
        const SaveFaultResult r = testsupport::SaveIntoReadOnlyDirectory(s.name, kOldBytes, s.save);
        if (r.skipped) GTEST_SKIP() << r.skipReason;
        Expect(r, s.name);
    }
}

TEST(SaveFaults, FullFileSystem) {
    for (const NamedSave& s : Saves()) {
        const SaveFaultResult r = testsupport::SaveOntoFullFileSystem(s.name, kOldBytes, s.save);
        if (r.skipped) GTEST_SKIP() << r.skipReason;
        Expect(r, s.name);
    }
}

TEST(SaveFaults, FileSizeLimitPartWay) {
    for (const NamedSave& s : Saves()) {
        const SaveFaultResult r = testsupport::SaveWithFileSizeLimit(s.name, kOldBytes, s.save, 1000);
        ASSERT_FALSE(r.skipped) << r.skipReason;
        Expect(r, s.name);
    }
}

// sysfs attribute files claim 4096 bytes and deliver a few: a file that shrank between the
// size query and the read, without any race to win.
const char* ShrinkingFile() {
    static const char* const candidates[] = {"/sys/kernel/profiling", "/sys/kernel/mm/transparent_hugepage/enabled"};
    for (const char* path : candidates) {
        struct stat st {};
        if (stat(path, &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 4096 && access(path, R_OK) == 0)
            return path;
    }
    return nullptr;
}

TEST(ReadFaults, FileShorterThanItsSize) {
    const char* path = ShrinkingFile();
    if (!path) GTEST_SKIP() << "no sysfs attribute file to read";
    ASSERT_EQ(wsq::filesize(path), 4096);
    std::vector<uint8_t> data;
    int len = -1;
    EXPECT_EQ(wsq::read_raw_from_filesize(path, &data, &len), -4);
    EXPECT_TRUE(data.empty());

    using Reader = uint32_t (*)(const char*, BitmapImage*);
    for (Reader read : {Reader{imagefile::ReadBmpFile}, Reader{imagefile::ReadTargaFile}, Reader{imagefile::ReadSgiFile},
                        Reader{imagefile::ReadPngFile}, Reader{imagefile::ReadJpegFile}, Reader{imagefile::ReadGifFile},
                        Reader{imagefile::ReadPsdFile}, Reader{imagefile::ReadPcxFile}, Reader{imagefile::ReadIffFile},
                        Reader{imagefile::ReadCelFile}}) {
        BitmapImage image;
        EXPECT_NE(read(path, &image), 0u);
        EXPECT_TRUE(image.bits.empty());
    }
}

TEST(ReadFaults, FileGone) {
    const std::string path = testsupport::PeerScratchDirectory() + "/gone.wsq";
    std::vector<uint8_t> data;
    int len = -1;
    EXPECT_EQ(wsq::filesize(path.c_str()), -2);
    EXPECT_EQ(wsq::read_raw_from_filesize(path.c_str(), &data, &len), -2);
    BitmapImage image;
    EXPECT_NE(imagefile::ReadBmpFile(path.c_str(), &image), 0u);
}

}  // namespace
