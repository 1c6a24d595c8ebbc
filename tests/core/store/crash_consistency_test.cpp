// A writer killed at random instants: the table file is always the whole old or the whole new
// content, never a torn one, and the next start's clean-up leaves no temporary behind.

#include "core/store/schemas.h"
#include "core/tables/atomic_file.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::unique_ptr<TdxMemData> bigReminders(const std::string& tag, int rows) {
    auto t = schemas::makeReminders();
    t->FieldDelimiter = kRemindersDelimiter;
    for (int i = 0; i < rows; ++i) {
        const std::string number = "04" + std::to_string(10'000'000 + i);
        t->AddRow({FieldValue{}, number, tag + " customer " + std::to_string(i),
                   int32_t(46'000 + i % 300), int32_t((i % 96) * 900'000),
                   std::string("Your appointment with ") + tag + " is coming up", int32_t(1),
                   int32_t(0), std::string(), false, true, 46'000.25, tag + number});
    }
    return t;
}

int temporaries(const std::string& dir) {
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        n += e.path().filename().string().find(".tmp") != std::string::npos;
    return n;
}

TEST(CrashConsistency, AKilledWriterNeverTearsTheFileAndLeavesNoTemporaryAfterTheNextStart) {
    TempFolder folder;
    const std::string dir = folder.path();
    const std::string path = dir + "/reminders.txt";

    auto a = bigReminders("old", 20'000);
    auto b = bigReminders("new", 20'000);
    const std::string textA = a->DelimitedText();
    const std::string textB = b->DelimitedText();
    ASSERT_NE(textA, textB);
    a->WriteDelimitedFile(path);

    std::mt19937 random(20261210); // fixed: a failure can be replayed
    std::uniform_int_distribution<int> delayUs(0, 40'000);
    constexpr int kKills = 25;
    int torn = 0, sawOld = 0, sawNew = 0;
    for (int k = 0; k < kKills; ++k) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // The child rewrites the table, old and new by turns, until it is killed.
            for (;;) {
                b->WriteDelimitedFile(path);
                a->WriteDelimitedFile(path);
            }
        }
        ::usleep(static_cast<useconds_t>(delayUs(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));

        const std::string now = readWholeFile(path);
        sawOld += now == textA;
        sawNew += now == textB;
        torn += now != textA && now != textB;
    }
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(sawOld + sawNew, kKills);

    // The clean-up at the next start removes what the killed writers left, and nothing else.
    std::filesystem::path other = dir + "/notes.txt.tmpAbCdEf";
    std::FILE* f = std::fopen(other.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    const int left = temporaries(dir) - 1;
    EXPECT_EQ(removeStaleTemporaries(dir, {kRemindersFile}, std::chrono::seconds(0)), left);
    EXPECT_EQ(temporaries(dir), 1);
    EXPECT_TRUE(std::filesystem::exists(other));
    EXPECT_TRUE(readWholeFile(path) == textA || readWholeFile(path) == textB);
}

} // namespace
