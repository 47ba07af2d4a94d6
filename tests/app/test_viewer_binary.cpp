// The real program: started with a file name that does not exist, and without a screen.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>

TEST(ViewerBinary, MissingFileOnTheCommandLinePrintsTheErrorLine) {
    int argc = 1;
    char name[] = "viewer-binary-test";
    char* argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);

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

TEST(ViewerBinary, WithoutAGraphicalSessionSaysSoInOneLine) {
    int argc = 1;
    char name[] = "viewer-binary-test";
    char* argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);

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
