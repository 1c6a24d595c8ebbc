// The program asked to end by a signal (a log-out, a service manager) while a box waits for the
// user: it closes the box, writes its files as a close of the main window does, and ends.

#include "support/temp_folder.h"

#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

namespace {

TEST(TerminationSignal, SigtermWhileTheStartUpErrorBoxIsOpenEndsTheProgramCleanly) {
    TempFolder folder;
    // The program's own copy: its settings are written beside it, in the test's folder.
    const std::string program = folder.file("tallyminder");
    std::filesystem::copy_file(TALLYMINDER_PROGRAM, program);
    folder.write("reminders.txt", "not a table of reminders\r\n"); // a box at start

    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("TALLYMINDER_DATA"), QString::fromStdString(folder.path()));
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(QString::fromStdString(folder.path()));
    process.start(QString::fromStdString(program), {});
    ASSERT_TRUE(process.waitForStarted(10000));
    // The file is kept aside just before its box opens.
    ASSERT_TRUE(QTest::qWaitFor([&] { return folder.exists("reminders.txt.unreadable"); }, 20000));

    ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
    const bool ended = process.waitForFinished(10000);
    if (!ended) {
        process.kill();
        process.waitForFinished(5000);
    }
    ASSERT_TRUE(ended) << "the program ignored SIGTERM";
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    // The end wrote what a close of the main window writes.
    EXPECT_TRUE(folder.exists("dxContact.txt"));
    EXPECT_TRUE(folder.exists("groups.txt"));
    EXPECT_EQ(folder.read("reminders.txt.unreadable"), "not a table of reminders\r\n");
}

} // namespace
