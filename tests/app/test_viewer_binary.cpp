// The real program: started with a file name that does not exist, and without a screen.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>

#include <memory>

namespace {

// One QCoreApplication for each test, as QProcess needs.
class ViewerBinary : public ::testing::Test {
protected:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "viewer-binary-test";
        static char* argv[] = {name, nullptr};
        m_application = std::make_unique<QCoreApplication>(argc, argv);
    }
    void TearDown() override { m_application.reset(); }

private:
    std::unique_ptr<QCoreApplication> m_application;
};

}  // namespace

TEST_F(ViewerBinary, MissingFileOnTheCommandLinePrintsTheErrorLine) {
    QProcess viewer;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    viewer.setProcessEnvironment(environment);
    viewer.setProcessChannelMode(QProcess::SeparateChannels);
    viewer.start(WSQ_BINARY_DIR "/app/wsqviewer", {"/nonexistent/dir/scan.png"});
    ASSERT_TRUE(viewer.waitForStarted(10000));
    QByteArray output;
    while (!output.contains('\n') && viewer.waitForReadyRead(20000))
        output += viewer.readAllStandardOutput();
    // The window stays open and usable after the message.
    EXPECT_EQ(viewer.state(), QProcess::Running);
    viewer.kill();
    viewer.waitForFinished(10000);
    EXPECT_EQ(output, "Error: Input file does not exist.\n");
}

TEST_F(ViewerBinary, WithoutAGraphicalSessionSaysSoInOneLine) {
    QProcess viewer;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(variable);
    viewer.setProcessEnvironment(environment);
    viewer.start(WSQ_BINARY_DIR "/app/wsqviewer", {});
    ASSERT_TRUE(viewer.waitForFinished(20000));
    EXPECT_EQ(viewer.exitStatus(), QProcess::NormalExit);  // no abort, no core dump
    EXPECT_EQ(viewer.exitCode(), 1);
    const QByteArray err = viewer.readAllStandardError();
    EXPECT_EQ(err.count('\n'), 1) << err.toStdString();
    EXPECT_TRUE(err.contains("needs a graphical session")) << err.toStdString();
    EXPECT_TRUE(err.contains("xvfb-run make run")) << err.toStdString();
}
