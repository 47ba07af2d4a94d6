// The real program started with a file name that does not exist.
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
