// The about box and the browser its link starts.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include "linklabel.h"
#include "support/modal_watcher.h"
#include "support/qt_app_env.h"
#include "wsqaboutdialog.h"
#include "wsqimageviewer.h"

TEST(AboutBox, ContentsAndLayout) {
    wsqimageviewer window;
    testsupport::ModalWatcher watcher([&window](QWidget* modal) {
        auto* about = qobject_cast<QDialog*>(modal);
        ASSERT_NE(about, nullptr);
        EXPECT_EQ(about->size(), QSize(300, 300));
        EXPECT_EQ(about->windowTitle(), "About");
        EXPECT_EQ(about->parentWidget(), &window);
        EXPECT_TRUE(about->isModal());
        QLayout* layout = about->layout();
        ASSERT_NE(layout, nullptr);
        EXPECT_EQ(layout->spacing(), 10);
        EXPECT_EQ(layout->contentsMargins(), QMargins(10, 10, 10, 10));
        ASSERT_EQ(layout->count(), 5);

        auto* title = qobject_cast<QLabel*>(layout->itemAt(0)->widget());
        ASSERT_NE(title, nullptr);
        EXPECT_TRUE(title->text().startsWith("<b>Tarvelon WSQ viewer 1."));
        EXPECT_TRUE(title->text().contains("Linux", Qt::CaseInsensitive));
        EXPECT_TRUE(title->alignment() & Qt::AlignHCenter);

        auto* description = qobject_cast<QTextEdit*>(layout->itemAt(1)->widget());
        ASSERT_NE(description, nullptr);
        EXPECT_TRUE(description->toPlainText().contains("WSQ"));
        EXPECT_TRUE(description->toPlainText().contains(projectWebAddress()));

        auto* logo = qobject_cast<QLabel*>(layout->itemAt(2)->widget());
        ASSERT_NE(logo, nullptr);
        EXPECT_EQ(logo->pixmap().size(), QSize(200, 69));

        auto* link = dynamic_cast<LinkLabel*>(layout->itemAt(3)->widget());
        ASSERT_NE(link, nullptr);
        EXPECT_EQ(link->text(), QStringLiteral("<a href=\"%1\">%1</a>").arg(projectWebAddress()));
        EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
        EXPECT_TRUE(projectWebAddress().contains("example.org"));

        auto* ok = qobject_cast<QPushButton*>(layout->itemAt(4)->widget());
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(ok->text(), "OK");
        ok->click();  // closes the box
    });
    QMetaObject::invokeMethod(&window, "about");
    ASSERT_EQ(watcher.seen().size(), 1);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    // Destroyed on return. The box has no meta-object of its own, so look for it by type.
    for (QDialog* dialog : window.findChildren<QDialog*>())
        EXPECT_EQ(dynamic_cast<WSQAboutDialog*>(dialog), nullptr);
}

// The link tries "firefox", "konqueror" and "nestcape" in turn, each found through PATH.
class BrowserFallback : public ::testing::Test {
protected:
    void SetUp() override {
        m_savedPath = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(m_bin.path()));
    }
    void TearDown() override { qputenv("PATH", m_savedPath); }

    void installBrowser(const QString& name) {
        QFile script(m_bin.filePath(name));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\necho \"" + name.toUtf8() + " $*\" >> '" +
                     QFile::encodeName(m_log.filePath("started")) + "'\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    // Clicks the link and returns what the browsers wrote (waits for a detached start).
    QString clickAndCollect(LinkLabel& link, bool expectStart) {
        QTest::mouseClick(&link, Qt::LeftButton);
        QFile log(m_log.filePath("started"));
        for (int i = 0; expectStart && i < 200 && !log.exists(); ++i) QTest::qWait(25);
        QTest::qWait(100);  // a second, wrong browser would have written by now
        if (!log.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(log.readAll());
    }

    QTemporaryDir m_bin;
    QTemporaryDir m_log;
    QByteArray m_savedPath;
};

TEST_F(BrowserFallback, FirstBrowserFoundIsStartedWithTheAddress) {
    struct Row {
        QStringList installed;
        QString started;
    };
    const Row rows[] = {
        {{"firefox", "konqueror", "nestcape"}, "firefox"},
        {{"konqueror", "nestcape"}, "konqueror"},
        {{"nestcape"}, "nestcape"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.started.toStdString());
        for (const QString& name : QDir(m_bin.path()).entryList(QDir::Files))
            QFile::remove(m_bin.filePath(name));
        QFile::remove(m_log.filePath("started"));
        for (const QString& name : row.installed) installBrowser(name);
        WSQAboutDialog about;
        LinkLabel* link = about.findChild<LinkLabel*>("linkLabel");
        ASSERT_NE(link, nullptr);
        testsupport::ModalWatcher watcher;
        EXPECT_EQ(clickAndCollect(*link, true), row.started + " " + projectWebAddress() + "\n");
        EXPECT_TRUE(watcher.seen().isEmpty());
    }
}

TEST_F(BrowserFallback, NoBrowserWarnsOncePerClick) {
    WSQAboutDialog about;
    LinkLabel* link = about.findChild<LinkLabel*>("linkLabel");
    ASSERT_NE(link, nullptr);
    testsupport::ModalWatcher watcher;
    EXPECT_EQ(clickAndCollect(*link, false), "");
    EXPECT_EQ(clickAndCollect(*link, false), "");
    ASSERT_EQ(watcher.seen().size(), 2);
    for (const testsupport::SeenModal& box : watcher.seen()) {
        EXPECT_EQ(box.caption, "WSQ viewer");
        EXPECT_EQ(box.text,
                  "Unable to launch web browser: \nfirefox, konqueror or nestcape not found.");
        EXPECT_EQ(box.icon, QMessageBox::Warning);
    }
}
