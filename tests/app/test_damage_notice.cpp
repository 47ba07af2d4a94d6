// The window and a damaged file: it shows what could be read, says in the status bar for a
// while that the file is damaged and why, and then gives the file's summary line back as it was.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "compare_pane.h"
#include "support/qt_app_env.h"
#include "viewer_test_helpers.h"
#include "wsqimageviewer.h"

using viewertest::patternImage;
using viewertest::statusText;
using viewertest::writeFile;

namespace {

// Longer than the notice stays.
constexpr int kPastTheNoticeMs = 5400;

class DamageNotice : public ::testing::Test {
protected:
    // A 40 x 30 BMP of 24 bits, cut `short` bytes before its end (inside its last row).
    QString bmp(const QString& name, int cutShort) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        EXPECT_TRUE(
            patternImage(40, 30).convertToFormat(QImage::Format_RGB888).save(&buffer, "BMP"));
        const QString path = m_dir.filePath(name);
        EXPECT_TRUE(writeFile(path, bytes.left(bytes.size() - cutShort)));
        return path;
    }

    QTemporaryDir m_dir;
    wsqimageviewer m_window;
};

TEST_F(DamageNotice, SaysTheFileIsDamagedThenGivesTheSummaryLineBack) {
    m_window.load(bmp("cut.bmp", 1000));
    ASSERT_NE(m_window.currentPixmap(), nullptr);
    EXPECT_EQ(m_window.currentPixmap()->size(), QSize(40, 30));
    EXPECT_EQ(statusText(m_window),
              "cut.bmp: damaged file: the pixel data hold 2600 of the 3600 bytes the header "
              "gives; showing what could be read");
    QTest::qWait(kPastTheNoticeMs);
    EXPECT_EQ(statusText(m_window), "Image info: width = 40, height =  30");

    // A whole file says nothing but its summary line.
    m_window.load(bmp("whole.bmp", 0));
    EXPECT_EQ(statusText(m_window), "Image info: width = 40, height =  30");
}

TEST_F(DamageNotice, ANewerLineIsNotOverwrittenWhenTheNoticeEnds) {
    m_window.load(bmp("cut.bmp", 1000));
    ASSERT_TRUE(statusText(m_window).startsWith("cut.bmp: damaged file: "));
    // The next file's line replaces the notice at once and stays.
    const QImage other = patternImage(12, 7);
    ASSERT_TRUE(other.save(m_dir.filePath("other.png"), "PNG"));
    m_window.load(m_dir.filePath("other.png"));
    EXPECT_EQ(statusText(m_window), "Image info: width = 12, height =  7");
    QTest::qWait(kPastTheNoticeMs);
    EXPECT_EQ(statusText(m_window), "Image info: width = 12, height =  7");
}

TEST_F(DamageNotice, ADamagedFileInTheComparePaneIsNoticedAndMarkedInItsFactsLine) {
    m_window.show();
    m_window.load(bmp("cut.bmp", 1000));
    ASSERT_TRUE(statusText(m_window).startsWith("cut.bmp: damaged file: "));
    // The compared file's notice follows the main one's and covers the same summary line.
    ASSERT_TRUE(m_window.compareWith(bmp("also-cut.bmp", 500)));
    EXPECT_EQ(statusText(m_window),
              "also-cut.bmp: damaged file: the pixel data hold 3100 of the 3600 bytes the header "
              "gives; showing what could be read");
    auto* pane = m_window.findChild<ComparePane*>("comparePane");
    ASSERT_NE(pane, nullptr);
    EXPECT_TRUE(pane->factsLine().endsWith(
        "  damaged file: the pixel data hold 3100 of the 3600 bytes the header gives"))
        << pane->factsLine().toStdString();
    QTest::qWait(kPastTheNoticeMs);
    EXPECT_EQ(statusText(m_window), "Image info: width = 40, height =  30");

    // A whole file in the pane adds nothing to its line.
    ASSERT_TRUE(m_window.compareWith(bmp("whole.bmp", 0)));
    EXPECT_FALSE(pane->factsLine().contains("damaged")) << pane->factsLine().toStdString();
    EXPECT_EQ(statusText(m_window), "Image info: width = 40, height =  30");
}

}  // namespace
