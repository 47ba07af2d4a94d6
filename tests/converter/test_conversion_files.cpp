// Which files a conversion run takes and in which order, the output base names and the
// percentages: no window involved.
#include <cfloat>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "converter/conversionrun.h"

namespace {

void touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
}

QStringList relative(const QStringList& paths, const QString& root) {
    QStringList out;
    for (const QString& p : paths) out << p.mid(root.size());
    return out;
}

class CollectFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        root = tmp.path() + "/in";
        for (const char* name : {"b.wsq", "A.wsq", "IMG.WSQ", ".hidden.wsq", "c.tif", "a.b.tif",
                                 "notes.txt", "x/d.wsq", "x/deep/f.wsq", "Y/e.wsq", ".h/g.wsq"})
            touch(root + "/" + name);
        QDir().mkpath(root + "/dir.wsq");  // a directory that matches is not a file
    }
    QTemporaryDir tmp;
    QString root;
};

TEST_F(CollectFiles, MatchesCaseSensitivelySortedIgnoringCaseWithoutHiddenOrDirectories) {
    QStringList files;
    conversion::collectFiles(root, {"*.wsq"}, &files);
    EXPECT_EQ(relative(files, root), QStringList({"/A.wsq", "/b.wsq"}));

    files.clear();
    conversion::collectFiles(root, {"*.wsq", "*.tif"}, &files);
    EXPECT_EQ(relative(files, root), QStringList({"/a.b.tif", "/A.wsq", "/b.wsq", "/c.tif"}));
}

TEST_F(CollectFiles, NoPatternTakesNothing) {
    QStringList files;
    conversion::collectFiles(root, {}, &files);
    conversion::collectFilesRecursive(root, {}, &files);
    EXPECT_TRUE(files.isEmpty());
}

TEST_F(CollectFiles, TrailingSlashGivesTheSamePaths) {
    QStringList without, with;
    conversion::collectFilesRecursive(root, {"*.wsq"}, &without);
    conversion::collectFilesRecursive(root + "/", {"*.wsq"}, &with);
    EXPECT_EQ(without, with);
    for (const QString& p : with) EXPECT_FALSE(p.contains("//")) << p.toStdString();
}

TEST_F(CollectFiles, RecursiveTakesOwnFilesFirstThenSubdirectoriesInOrder) {
    QStringList files;
    conversion::collectFilesRecursive(root, {"*.wsq"}, &files);
    EXPECT_EQ(relative(files, root),
              QStringList({"/A.wsq", "/b.wsq", "/x/d.wsq", "/x/deep/f.wsq", "/Y/e.wsq"}));
}

TEST_F(CollectFiles, LinkBackUpTheTreeIsWalkedOnce) {
    ASSERT_TRUE(QFile::link(root, root + "/x/loop"));
    QStringList files;
    conversion::collectFilesRecursive(root, {"*.wsq"}, &files);
    EXPECT_EQ(files.size(), 5);
}

TEST(OutputBaseName, EndsAtTheFirstDot) {
    EXPECT_EQ(conversion::outputBaseName("/in/x/a.wsq"), "a");
    EXPECT_EQ(conversion::outputBaseName("/in/b.one.tif"), "b");
    EXPECT_EQ(conversion::outputBaseName("/in.d/plain"), "plain");
}

TEST(ProgressPercent, TruncatesTheExtendedPrecisionQuotient) {
    EXPECT_EQ(conversion::progressPercent(1, 3), 33);
    EXPECT_EQ(conversion::progressPercent(2, 3), 66);
    EXPECT_EQ(conversion::progressPercent(3, 3), 100);
    EXPECT_EQ(conversion::progressPercent(100, 100), 100);
    EXPECT_EQ(conversion::progressPercent(1, 7), 14);
#if LDBL_MANT_DIG == 64
    // 53 / 100 rounds just below 0.53 in the 64-bit mantissa, so the 53rd of 100 shows 52.
    EXPECT_EQ(conversion::progressPercent(53, 100), 52);
#endif
}

}  // namespace
