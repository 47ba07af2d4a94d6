#include <gtest/gtest.h>

#include "imagefile/extension_key.h"
#include "imagefile/save_settings.h"

namespace imagefile {
namespace {

TEST(ExtensionKey, TakesThreeUpperCasedCharactersAfterTheLastDot) {
    EXPECT_EQ(ExtensionKey("photo.tiff"), "TIF");
    EXPECT_EQ(ExtensionKey("x.jpeg"), "JPE");
    EXPECT_EQ(ExtensionKey("a.Tga"), "TGA");
    EXPECT_EQ(ExtensionKey("scan.old.wsq"), "WSQ");
    EXPECT_EQ(ExtensionKey("x.ti"), "TI");
    EXPECT_EQ(ExtensionKey("trailing."), "");
}

TEST(ExtensionKey, LooksAtTheDirectoryPartToo) {
    EXPECT_EQ(ExtensionKey("archive.d/picture"), "D/P");
    EXPECT_EQ(ExtensionKey("picture"), "");
    EXPECT_EQ(ExtensionKey(nullptr), "");
}

TEST(SaveSettings, StartWithTheLibraryDefaults) {
    EXPECT_DOUBLE_EQ(GetWsqBitRate(), 0.75);
    EXPECT_EQ(GetWsqPpi(), 500);
    EXPECT_EQ(GlobalWsqSaveSettings().depth, 8);
    EXPECT_EQ(GetWsqComment(), nullptr);
    EXPECT_EQ(GetTiffCompression(), 0u);
    EXPECT_EQ(GetTiffPredictor(), 2);
}

TEST(SaveSettings, CommentIsCopiedAndCleared) {
    std::string text = "left index";
    SetWsqComment(text.c_str());
    text = "changed";
    EXPECT_STREQ(GetWsqComment(), "left index");
    SetWsqComment(nullptr);
    EXPECT_EQ(GetWsqComment(), nullptr);
}

TEST(SaveSettings, TiffCompressionByNumberAndBack) {
    SetTiffPredictor(1);
    SetTiffCompressionByNumber(1);
    EXPECT_EQ(GetTiffCompression(), 13u);
    EXPECT_EQ(GetTiffPredictor(), 2);
    EXPECT_EQ(GetTiffCompressionNumber(), 1);
    SetTiffCompressionByNumber(2);
    EXPECT_EQ(GetTiffCompression(), 9u);
    EXPECT_EQ(GetTiffCompressionNumber(), 2);
    SetTiffCompressionByNumber(7);
    EXPECT_EQ(GetTiffCompression(), 0u);
    EXPECT_EQ(GetTiffCompressionNumber(), 0);
    SetTiffCompression(4);
    EXPECT_EQ(GetTiffCompressionNumber(), 0);
}

}  // namespace
}  // namespace imagefile
