#include "core/dialup/command_line.h"

#include "core/dialup/dialup_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct SplitCase {
    std::string command;
    std::string program;
    std::string parameters;
};

class SplitCommand : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommand, GivesProgramAndParameters) {
    const CommandParts parts = splitCommand(GetParam().command);
    EXPECT_EQ(parts.program, GetParam().program);
    EXPECT_EQ(parts.parameters, GetParam().parameters);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitCommand,
    ::testing::Values(
        // A path with blanks and no quote is one program without parameters.
        SplitCase{R"(C:\Program Files\Plus!\Microsoft Internet\IEXPLORE.EXE)",
                  R"(C:\Program Files\Plus!\Microsoft Internet\IEXPLORE.EXE)", ""},
        // Splits at the first "/", which starts the parameters.
        SplitCase{
            R"(C:\WINDOWS\EXPLORER.EXE /root,C:\WINDOWS\Internet Mail.{89292102-4755-11cf-9DC2-00AA006C2B84})",
            R"(C:\WINDOWS\EXPLORER.EXE)",
            R"(/root,C:\WINDOWS\Internet Mail.{89292102-4755-11cf-9DC2-00AA006C2B84})"},
        // A blank does not split: program name and file name make one program name.
        SplitCase{"notepad readme.txt", "notepad readme.txt", ""},
        // Quoted program: parameters without the closing quote and without leading blanks.
        SplitCase{R"("C:\Program Files\Editor\edit.exe"   -n readme.txt )",
                  R"(C:\Program Files\Editor\edit.exe)", "-n readme.txt"},
        SplitCase{"", "", ""}, SplitCase{R"("unclosed quote )", "unclosed quote", ""},
        SplitCase{"  tool ?help", "tool", "?help"}, SplitCase{"ls|rm -rf /", "ls", "|rm -rf /"},
        SplitCase{"cat<in>out", "cat", "<in>out"}, SplitCase{"mid\"dle\"", "mid", "\"dle\""},
        // The platform's defaults give their program and parameters.
        SplitCase{dialup::kDefaultBrowserExe, "x-www-browser", ""},
        SplitCase{dialup::kDefaultMailExe, "xdg-email", ""},
        SplitCase{dialup::kDefaultNewsExe, "xdg-open", "\"news:\""}));

struct WordsCase {
    std::string parameters;
    std::vector<std::string> words;
};

class ParameterWords : public ::testing::TestWithParam<WordsCase> {};

TEST_P(ParameterWords, SplitLikeAShellWithoutExpanding) {
    EXPECT_EQ(splitParameterWords(GetParam().parameters), GetParam().words);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParameterWords,
    ::testing::Values(
        WordsCase{"", {}}, WordsCase{" \t ", {}}, WordsCase{"-a  b\tc", {"-a", "b", "c"}},
        WordsCase{R"('x  y' "z \"q\" \$ \n" w\ v)", {"x  y", R"(z "q" $ \n)", "w v"}},
        WordsCase{R"('a'"b"c '' "")", {"abc", "", ""}}, WordsCase{R"('it''s')", {"its"}},
        WordsCase{R"("unclosed 'single)", {"unclosed 'single"}},
        WordsCase{"$(rm -rf ~); echo `id` | cat > f && x",
                  {"$(rm", "-rf", "~);", "echo", "`id`", "|", "cat", ">", "f", "&&", "x"}},
        WordsCase{"trailing\\", {"trailing\\"}}));

} // namespace
