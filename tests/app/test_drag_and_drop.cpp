// Drag and drop on the main window, with synthetic events: a dropped file opens as File > Open
// opens it (the first of several), a dropped folder opens its first picture by name, and a drag
// of the picture out of the view carries the file's URL.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QDir>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "imagelabel.h"
#include "support/qt_app_env.h"
#include "viewer_test_helpers.h"
#include "wsqimageviewer.h"

namespace {

QMimeData* urlData(const QStringList& paths) {
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
    data->setUrls(urls);
    return data;
}

class DragAndDropTest : public ::testing::Test {
protected:
    QString file(const QString& name) const { return m_dir.filePath(name); }
    QString picture(const QString& name, int width, int height) {
        const QString path = file(name);
        EXPECT_TRUE(viewertest::patternImage(width, height).save(path));
        return path;
    }
    // Whether the window takes a drag of `data` in, and what it does with its drop.
    bool enters(QMimeData* data) {
        QDragEnterEvent enter(QPoint(240, 240), Qt::CopyAction, data, Qt::LeftButton, {});
        QApplication::sendEvent(&m_window, &enter);
        return enter.isAccepted();
    }
    // Enters first, as every real drag does: Qt delivers a drop only to the widget that took the
    // drag in.
    void drop(QMimeData* data) {
        enters(data);
        QDropEvent event(QPointF(240, 240), Qt::CopyAction, data, Qt::LeftButton, {});
        QApplication::sendEvent(&m_window, &event);
        delete data;
    }
    QSize shownPicture() const {
        return m_window.currentPixmap() ? m_window.currentPixmap()->size() : QSize();
    }

    QTemporaryDir m_dir;
    wsqimageviewer m_window;
};

TEST_F(DragAndDropTest, ADroppedFileOpensTheFirstOfSeveral) {
    const QString stream = file("print.wsq");
    ASSERT_TRUE(
        QFile::copy(QStringLiteral(WSQ_CONFORMANCE_DIR "/fp_416x416_s3_r0.75.wsq"), stream));
    const QString png = picture("second.png", 30, 20);

    std::unique_ptr<QMimeData> probe(urlData({stream, png}));
    EXPECT_TRUE(enters(probe.get()));
    drop(urlData({stream, png}));
    EXPECT_EQ(m_window.fileName(), stream);
    EXPECT_EQ(shownPicture(), QSize(416, 416));
    EXPECT_TRUE(viewertest::statusText(m_window).startsWith(QStringLiteral("Image info:")));
    // Save and Copy are enabled, as after File > Open.
    EXPECT_TRUE(viewertest::menuEntry(m_window, QStringLiteral("&Save picture..."))->isEnabled());

    // Missing files are passed over for the next one.
    drop(urlData({file("missing.png"), png}));
    EXPECT_EQ(m_window.fileName(), png);
    EXPECT_EQ(shownPicture(), QSize(30, 20));
}

TEST_F(DragAndDropTest, ADroppedFolderOpensItsFirstPictureByName) {
    ASSERT_TRUE(QDir(m_dir.path()).mkpath(QStringLiteral("folder/a-subfolder")));
    const QString folder = file("folder");
    ASSERT_TRUE(viewertest::patternImage(5, 5).save(folder + "/a-subfolder/a.png"));
    QFile notes(folder + "/A-notes.txt");
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("not a picture");
    notes.close();
    ASSERT_TRUE(viewertest::patternImage(40, 10).save(folder + "/c.png"));
    ASSERT_TRUE(viewertest::patternImage(12, 34).save(folder + "/B.bmp"));

    std::unique_ptr<QMimeData> probe(urlData({folder}));
    EXPECT_TRUE(enters(probe.get()));
    drop(urlData({folder}));
    EXPECT_EQ(m_window.fileName(), folder + "/B.bmp");
    EXPECT_EQ(shownPicture(), QSize(12, 34));

    // A folder without a picture opens nothing and says so, without a box.
    ASSERT_TRUE(QDir(m_dir.path()).mkpath(QStringLiteral("empty")));
    drop(urlData({file("empty")}));
    EXPECT_EQ(m_window.fileName(), folder + "/B.bmp");
    EXPECT_EQ(shownPicture(), QSize(12, 34));
    EXPECT_TRUE(viewertest::statusText(m_window).startsWith(QStringLiteral("No picture in")));
}

TEST_F(DragAndDropTest, DragsWithoutLocalFilesAreRefused) {
    auto* text = new QMimeData;
    text->setText(QStringLiteral("/etc/hostname"));
    EXPECT_FALSE(enters(text));
    drop(text);
    auto* remote = new QMimeData;
    remote->setUrls({QUrl(QStringLiteral("https://example.org/print.wsq"))});
    EXPECT_FALSE(enters(remote));
    drop(remote);
    std::unique_ptr<QMimeData> missing(urlData({file("missing.wsq")}));
    EXPECT_FALSE(enters(missing.get()));
    EXPECT_EQ(m_window.currentPixmap(), nullptr);
    EXPECT_TRUE(m_window.fileName().isEmpty());
}

// Presses on the picture and moves the pointer to `to` (window coordinates) with the button
// held. Returns the URLs of the drag that started, if one did (the drag is then cancelled).
std::optional<QList<QUrl>> dragPictureTo(wsqimageviewer& window, QPoint to) {
    auto* label = window.findChild<ImageLabel*>(QStringLiteral("imagelabel"));
    const QPoint inside = label->mapFromGlobal(
        window.centralWidget()->mapToGlobal(window.centralWidget()->rect().center()));
    // A finished drag is deleted later: only a drag that starts now counts.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    std::optional<QList<QUrl>> urls;
    QTimer::singleShot(0, &window, [&window, &urls] {
        if (auto* drag = window.findChild<QDrag*>()) {
            urls = drag->mimeData()->urls();
            QDrag::cancel();
        }
    });
    QTest::mousePress(label, Qt::LeftButton, {}, inside);
    QTest::mouseMove(&window, to);
    QApplication::processEvents();
    QTest::mouseRelease(&window, Qt::LeftButton, {}, to);
    return urls;
}

TEST_F(DragAndDropTest, DraggingThePictureOutOfTheViewGivesTheFileUrl) {
    m_window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_window));
    const QString path = picture("big.png", 1200, 1200);
    m_window.load(path);
    ASSERT_NE(m_window.currentPixmap(), nullptr);

    // Inside the view the drag scrolls, as always.
    const QPoint centre = m_window.centralWidget()->geometry().center();
    EXPECT_FALSE(dragPictureTo(m_window, centre + QPoint(20, 20)).has_value());

    // Out of the view (here over the menu bar) it becomes a drag of the file.
    const std::optional<QList<QUrl>> urls = dragPictureTo(m_window, QPoint(centre.x(), 2));
    ASSERT_TRUE(urls.has_value());
    EXPECT_EQ(*urls, QList<QUrl>{QUrl::fromLocalFile(path)});
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // A pasted picture is no file's: nothing to drag out.
    QApplication::clipboard()->setImage(viewertest::patternImage(900, 900));
    ASSERT_TRUE(QMetaObject::invokeMethod(&m_window, "pastePicture"));
    EXPECT_FALSE(dragPictureTo(m_window, QPoint(centre.x(), 2)).has_value());
}

}  // namespace
