#include "imagefile/file_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

using imagefile::FileReader;
using imagefile::ImageFailure;

std::string WriteTemp(const std::vector<uint8_t>& bytes) {
    std::string path = (std::filesystem::temp_directory_path() /
                        ("file_reader_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                         "_" + std::to_string(bytes.size()) + ".bin"))
                           .string();
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
}

uint32_t FailureCode(const std::function<void()>& action) {
    try {
        action();
    } catch (const ImageFailure& failure) {
        return failure.code;
    }
    return 0;
}

TEST(FileReader, ReadsBothByteOrdersAndStopsAtTheEnd) {
    std::string path = WriteTemp({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13});
    FileReader file;
    ASSERT_TRUE(file.open(path.c_str()));
    EXPECT_EQ(file.size(), 13u);
    EXPECT_EQ(file.be16(), 0x0102);
    EXPECT_EQ(file.le16(), 0x0403);
    EXPECT_EQ(file.be32(), 0x05060708u);
    EXPECT_EQ(file.le32(), 0x0C0B0A09u);
    EXPECT_EQ(file.remaining(), 1u);
    // A 16-bit read with one byte left fails and does not deliver the byte as a value.
    EXPECT_EQ(FailureCode([&] { file.be16(); }), 11u);
    file.seek(12);
    EXPECT_EQ(file.u8(), 13);
    EXPECT_EQ(FailureCode([&] { file.u8(); }), 11u);
    file.seek(2);
    EXPECT_EQ(file.u8(), 3);
    EXPECT_EQ(FailureCode([&] { file.skip(11); }), 11u);
    file.skip(10);
    EXPECT_EQ(file.remaining(), 0u);
    EXPECT_EQ(FailureCode([&] { file.seek(14); }), 11u);
    // A buffer larger than the rest of the file is refused before it is allocated.
    file.seek(0);
    EXPECT_EQ(FailureCode([&] { file.readVector(uint64_t{1} << 40); }), 11u);
    EXPECT_EQ(file.readVector(13).back(), 13);
    std::remove(path.c_str());
}

TEST(FileReader, ReadsAcrossItsBufferAndRefusesWhatIsNoFile) {
    std::vector<uint8_t> bytes(200000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
    std::string path = WriteTemp(bytes);
    FileReader file;
    ASSERT_TRUE(file.open(path.c_str()));
    file.seek(65530);
    std::vector<uint8_t> part(70000);
    file.read(part.data(), part.size());
    EXPECT_TRUE(std::equal(part.begin(), part.end(), bytes.begin() + 65530));
    file.seek(3);
    EXPECT_EQ(file.u8(), bytes[3]);
    std::remove(path.c_str());

    FileReader missing;
    EXPECT_FALSE(missing.open("/nonexistent/dir/file.pcx"));
    EXPECT_EQ(FailureCode([&] { FileReader other; other.openOrFail("/nonexistent/x"); }), 7u);
    FileReader directory;
    EXPECT_FALSE(directory.open(std::filesystem::temp_directory_path().c_str()));
}

}  // namespace
