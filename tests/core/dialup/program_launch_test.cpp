#include "core/dialup/program_launch.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

TEST(LaunchFailureText, NamesEachResult) {
    const std::vector<std::pair<int, std::string>> cases{
        {0, "The operating system is out of memory or resources."},
        {2, "The specified file was not found."},
        {3, "The specified path was not found."},
        {5, "The operating system denied access to the specified file."},
        {8, "There was not enough memory to complete the operation."},
        {11, "The .EXE file is invalid (non-Win32 .EXE or error in .EXE image)."},
        {26, "A sharing violation occurred."},
        {27, "The filename association is incomplete or invalid."},
        {28, "The DDE transaction could not be completed because the request timed out."},
        {29, "The DDE transaction failed."},
        {30, "The DDE transaction could not be completed because other DDE transactions were "
             "being processed."},
        {31, "There is no application associated with the given filename extension."},
        {32, "The specified dynamic-link library was not found."},
        {1, "ShellExecute failed with error #1"},
        {4, "ShellExecute failed with error #4"},
        {25, "ShellExecute failed with error #25"},
    };
    for (const auto& [result, text] : cases)
        EXPECT_EQ(launchFailureText(result), text) << result;
}

TEST(LaunchResultForError, FollowsTheResultConvention) {
    const std::vector<std::pair<int, int>> cases{
        {ENOENT, 2},   {ENOTDIR, 3}, {EACCES, 5},   {EPERM, 5}, {ENOMEM, 8}, {E2BIG, 8},
        {ENOEXEC, 11}, {EAGAIN, 0},  {ETXTBSY, 26}, {EIO, 1},   {EINVAL, 1},
    };
    for (const auto& [error, result] : cases)
        EXPECT_EQ(launchResultForError(error), result) << error;
}

// A real start: a small script as the program, which writes its working folder and its
// parameters, one a line, to "<script>.out" once it has run.
class ProgramLaunch : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directory(dir_ + "/work"); }

    std::string writeFile(const std::string& name, const std::string& text, fs::perms perms) {
        const std::string path = dir_ + "/" + name;
        std::ofstream(path) << text;
        fs::permissions(path, perms);
        return path;
    }
    std::string writeRecorder(const std::string& name) {
        return writeFile(name,
                         "#!/bin/sh\n"
                         "{ pwd; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } >\"$0.tmp\"\n"
                         "mv \"$0.tmp\" \"$0.out\"\n",
                         fs::perms::owner_all);
    }
    // Waits a bounded time for the script's record; empty when it never came.
    static std::string awaitRecord(const std::string& script) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!fs::exists(script + ".out") && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::ifstream in(script + ".out");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    TempFolder folder_;
    const std::string dir_ = folder_.path();
};

TEST_F(ProgramLaunch, StartsTheProgramWithItsWordsInItsFolderWithoutAShell) {
    const std::string script = writeRecorder("record words.sh");
    const std::string command =
        "\"" + script + "\"  one 'two  words' \"$(touch injected)\";touch injected|x `id`";
    ASSERT_EQ(launchCommand(command, dir_ + "/work"), kLaunchStarted);
    EXPECT_EQ(awaitRecord(script), dir_ + "/work\none\ntwo  words\n$(touch injected);touch\n"
                                          "injected|x\n`id`\n");
    EXPECT_FALSE(fs::exists(dir_ + "/work/injected"));
    EXPECT_FALSE(fs::exists(dir_ + "/injected"));
}

TEST_F(ProgramLaunch, EmptyFolderStartsInThisProcesssFolder) {
    const std::string script = writeRecorder("record.sh");
    ASSERT_EQ(launchCommand("\"" + script + "\"", ""), kLaunchStarted);
    EXPECT_EQ(awaitRecord(script), fs::current_path().string() + "\n");
}

TEST_F(ProgramLaunch, FailuresGiveTheirResults) {
    const std::string script = writeRecorder("record.sh");
    const std::string readOnly = writeFile("plain.sh", "#!/bin/sh\n", fs::perms::owner_read);
    const std::string noFormat =
        writeFile("text.bin", "not a program at all\n", fs::perms::owner_all);
    struct Case {
        std::string command;
        std::string directory;
        int result;
    };
    const std::vector<Case> cases{
        {"\"" + dir_ + "/missing program\"", "", 2},
        {"tallyminder-no-such-program readme.txt", dir_, 2},
        {"", dir_, 2},
        {"/starts with a splitter", dir_, 2},
        {"\"" + script + "\"", dir_ + "/no such folder", 3},
        {"\"" + script + "\"", script, 3},
        {"\"" + readOnly + "\"", dir_, 5},
        {"\"" + noFormat + "\" x", dir_, 11},
    };
    for (const Case& c : cases)
        EXPECT_EQ(launchCommand(c.command, c.directory), c.result) << c.command;
    EXPECT_FALSE(fs::exists(script + ".out"));
}

} // namespace
