// The viewer's save when the file system fails it: a directory it may not write, a file system
// that is full, and a file size limit that stops the write part-way over an existing file. For
// a WSQ save, the raster library's writers and the toolkit's, the viewer shows its warning,
// the file that was there stays byte for byte and nothing is left beside it. Each save runs in
// a forked child of the test (the helpers in support/save_faults), which needs no display on
// the offscreen platform.
#include <gtest/gtest.h>

#include <cstdio>

#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>

#include "support/modal_watcher.h"
#include "support/qt_app_env.h"
#include "support/save_faults.h"
#include "wsqfilewindow.h"
#include "wsqimageviewer.h"

namespace {

struct SaveCase {
    const char* fileName;  // what the save writes: the name given plus the type's extension
    int type;              // the viewer's save type
    // The warning's text for a file that cannot be created, and for one whose write failed;
    // %1 is the file's path.
    const char* openFailure;
    const char* writeFailure;
};

const SaveCase kCases[] = {
    {"print.wsq", 1, "Error opening file for writing", "Error writing output file"},
    {"picture.png", 4, "Could not write %1: Unable to open file",
     "Could not write %1: Error writing to the output file"},
    {"picture.tga", 7, "Could not write %1: Unable to open file",
     "Could not write %1: Error writing to the output file"},
    {"picture.bmp", 2, "Error opening file for writing\n%1", "Error writing output file\n%1"},
    {"picture.xpm", 9, "Error opening file for writing\n%1", "Error writing output file\n%1"},
};

const std::vector<uint8_t> kOldBytes = {'k', 'e', 'p', 't', ' ', 0, 1, 2, 0xfe, 0xff, '\n'};

enum class Fault { OpenFails, WriteFails };

class ViewerSaveFaults : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        // Noise, so that every type's file of it, compressed or not, is well over the size
        // limit used below.
        QImage noise(200, 200, QImage::Format_RGB32);
        uint32_t state = 12345;
        for (int y = 0; y < noise.height(); ++y)
            for (int x = 0; x < noise.width(); ++x) {
                state = state * 1664525u + 1013904223u;
                noise.setPixel(x, y, qRgb(state >> 24, (state >> 16) & 255, (state >> 8) & 255));
            }
        const QString source = m_dir.filePath("source.png");
        ASSERT_TRUE(noise.save(source, "PNG"));
        m_window.load(source);
        ASSERT_NE(m_window.currentPixmap(), nullptr);
        // The silent WSQ save takes the properties window's fields as they are.
        m_window.m_interactiveSave = 0;
        auto* properties = m_window.findChild<WSQFileWindow*>("WSQFilePropertiesDialog");
        ASSERT_NE(properties, nullptr);
        properties->bitrateEdit->setText("0.75");
        properties->ppiEdit->setText("500");
        properties->commenttextEdit->setText("kept");
    }

    // The save as the child runs it: the viewer's save of the name without its extension. It
    // counts as a reported failure (non-zero) only when exactly the expected warning came up
    // and the viewer did not take the file as written; anything else is told on stderr.
    testsupport::SaveAction viewerSave(const SaveCase& c, Fault fault) {
        return [this, &c, fault](const std::string& target) {
            const QString path = QString::fromStdString(target);
            const QString stem = path.left(path.size() - path.section('.', -1).size() - 1);
            const QString expected =
                QString::fromLatin1(fault == Fault::OpenFails ? c.openFailure : c.writeFailure);
            const QString expectedText = expected.contains("%1") ? expected.arg(path) : expected;
            testsupport::ModalWatcher watcher;
            m_window.save(stem, c.type);
            const auto& seen = watcher.seen();
            const bool warned = seen.size() == 1 && seen[0].icon == QMessageBox::Warning &&
                                seen[0].caption == "WSQ viewer" && seen[0].text == expectedText;
            if (!warned) {
                std::fprintf(stderr, "%s: expected the warning \"%s\", saw %d windows\n", c.fileName,
                             qPrintable(expectedText), int(seen.size()));
                for (const auto& s : seen)
                    std::fprintf(stderr, "  %s \"%s\": \"%s\"\n", qPrintable(s.className),
                                 qPrintable(s.caption), qPrintable(s.text));
            }
            return warned && m_window.savedFileName() == path ? 1 : 0;
        };
    }

    static void expectKept(const testsupport::SaveFaultResult& r, const SaveCase& c) {
        EXPECT_TRUE(r.reportedError) << c.fileName << ": the failure was not shown as expected " << r.detail;
        EXPECT_TRUE(r.oldFileIntact) << c.fileName << ": the existing file changed " << r.detail;
        EXPECT_TRUE(r.noResidue) << c.fileName << ": " << r.detail;
    }

    QTemporaryDir m_dir;
    wsqimageviewer m_window;
};

TEST_F(ViewerSaveFaults, ReadOnlyDirectory) {
    for (const SaveCase& c : kCases) {
        const auto r = testsupport::SaveIntoReadOnlyDirectory(c.fileName, kOldBytes,
                                                              viewerSave(c, Fault::OpenFails));
        if (r.skipped) GTEST_SKIP() << r.skipReason;
        expectKept(r, c);
    }
}

TEST_F(ViewerSaveFaults, FullFileSystem) {
    for (const SaveCase& c : kCases) {
        const auto r = testsupport::SaveOntoFullFileSystem(c.fileName, kOldBytes,
                                                           viewerSave(c, Fault::WriteFails));
        if (r.skipped) GTEST_SKIP() << r.skipReason;
        expectKept(r, c);
    }
}

TEST_F(ViewerSaveFaults, FileSizeLimitStopsTheWritePartWay) {
    for (const SaveCase& c : kCases) {
        const auto r = testsupport::SaveWithFileSizeLimit(c.fileName, kOldBytes,
                                                          viewerSave(c, Fault::WriteFails), 1000);
        ASSERT_FALSE(r.skipped) << r.skipReason;
        expectKept(r, c);
    }
}

}  // namespace
