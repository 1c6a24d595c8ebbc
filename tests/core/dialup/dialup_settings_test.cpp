#include "core/dialup/dialup_settings.h"

#include "core/dialup/connection_state_text.h"
#include "core/tables/atomic_file.h"
#include "core/tables/errors.h"
#include "core/tables/ini_file.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

using namespace dialup;

namespace {

TEST(ConnectionStateText, Table) {
    const std::pair<uint32_t, std::string> cases[] = {
        {0, "Opening Port"},
        {5, "Starting Authentication"},
        {12, "Authentication Acknowledged"},
        {21, "Logon Network"},
        {22, ""},
        {23, ""},
        {24, "Connection state #24"},
        {4095, "Connection state #4095"},
        {4096, "Interactive"},
        {4099, "Password Expired"},
        {4100, "Connection state #4100"},
        {8191, "Connection state #8191"},
        {8192, "Connected"},
        {8193, "Disconnected"},
        {8194, "Connection state #8194"},
        {4294967295u, "Connection state #4294967295"},
    };
    for (const auto& [state, text] : cases)
        EXPECT_EQ(ConnectionStateText(state), text) << state;
}

TEST(EscapeIniName, MapsFiveCharactersAndKeepsTheRest) {
    const std::pair<std::string, std::string> cases[] = {
        {" _\\", "_\\_\\\\"}, // blank, underscore, backslash
        {" ", "_"},
        {"=", "\\-"},
        {"@", "\\A"},
        {"\\", "\\\\"},
        {"_", "\\_"},
        {"ann@example.net", "ann\\Aexample.net"},
        {"a=b c", "a\\-b_c"},
        {"Caf\xE9[1];x", "Caf\xE9[1];x"},
        {"", ""},
    };
    for (const auto& [name, escaped] : cases)
        EXPECT_EQ(EscapeIniName(name), escaped) << name;
    EXPECT_EQ(RasEntrySection(" My ISP"), "RAS_ENTRY__My_ISP");
    EXPECT_EQ(UserKey("ann smith"), "USER_ann_smith");
}

TEST(ScramblePassword, LengthsAndRoundTrip) {
    const std::pair<std::size_t, std::size_t> lengths[] = {
        {0, 25}, {1, 25}, {3, 25}, {9, 25}, {10, 30}, {11, 30}, {254, 640}, {255, 640}, {300, 640}};
    for (const auto& [n, digits] : lengths) {
        std::string p;
        for (std::size_t i = 0; i < n; ++i)
            p += static_cast<char>('a' + i % 26);
        const std::string s = ScramblePassword(p, 4711);
        EXPECT_EQ(s.size(), digits) << n;
        EXPECT_EQ(s.find_first_not_of("0123456789"), std::string::npos);
        EXPECT_EQ(UnscramblePassword(s), p.substr(0, 255)) << n;
    }
    std::string high;
    for (int c = 128; c < 256; ++c)
        high += static_cast<char>(c);
    EXPECT_EQ(UnscramblePassword(ScramblePassword(high, 1)), high);
    EXPECT_EQ(UnscramblePassword(ScramblePassword(std::string("a\0b", 3), 1)),
              std::string("a\0b", 3));
}

TEST(ScramblePassword, KnownDigits) {
    // Stored files depend on these digits.
    EXPECT_EQ(ScramblePassword("abc", 0), "4556646173459164566246173");
    EXPECT_EQ(ScramblePassword("Secret 1", 0), "4198746176467012903942028");
    // An empty password carries the tick count's digits, so two differ; both read back empty.
    EXPECT_EQ(ScramblePassword("", 123456), "3327533837343512078520731");
    const std::string a = ScramblePassword("", 1000);
    const std::string b = ScramblePassword("", 1001);
    EXPECT_EQ(a.size(), 25u);
    EXPECT_NE(a, b);
    EXPECT_EQ(UnscramblePassword(a), "");
    EXPECT_EQ(UnscramblePassword(b), "");
}

TEST(UnscramblePassword, StoredTextItNeverProduced) {
    // Empty: the 35 blanks the buffer starts with.
    EXPECT_EQ(UnscramblePassword(""), std::string(35, ' '));
    // A group below K wraps modulo 65536: 20730 is w = 65535, a length of 255.
    const std::string below = UnscramblePassword("20730" + std::string(640, '9'));
    EXPECT_EQ(below.size(), 255u);
    // More than 128 groups: the buffer holds 256 bytes, the rest is ignored.
    const std::string full = ScramblePassword(std::string(255, 'x'), 0);
    EXPECT_EQ(UnscramblePassword(full + std::string(5000, '7')), std::string(255, 'x'));
    // A short last group is read as the number it is.
    EXPECT_EQ(UnscramblePassword("20734").size(), 3u);
}

TEST(UnscramblePassword, NonDigitsAreRefused) {
    const std::pair<std::string, std::string> cases[] = {
        {"4556646173x5916", "'x5916' is not a valid integer value"},
        {"45566461734591645662461731234a", "'1234a' is not a valid integer value"},
        {"*", "'*' is not a valid integer value"},
        {"     ", "'     ' is not a valid integer value"},
        {std::string(700, '1') + "1-", "'1-' is not a valid integer value"},
    };
    for (const auto& [stored, message] : cases) {
        try {
            UnscramblePassword(stored);
            ADD_FAILURE() << "accepted " << stored;
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
    }
}

// A settings file that no program of ours wrote: everything it understands is read, and a write
// changes one line and keeps every other byte.
TEST(DialupSettingsFile, HostileFileLosesNothingWhenWrittenBack) {
    TempFolder folder;
    const std::string dir = folder.path();
    const std::string file = dir + "/tallyminder.ini";
    const std::string longLine(10 * 1024 * 1024, 'z');
    const std::string original = "garbage without equals\r\n"
                                 "[Last\r\n"
                                 "EntryName=Office\r\n"
                                 "=no key\r\n" +
                                 longLine + "\r\n" + std::string("nul\0inside=1\r\n", 14) +
                                 "[Windows]\r\n"
                                 "UplinkerForm=10, 20, 300, 400, 0\r\n"
                                 "\x01\x02\xff binary\n";
    writeFileAtomically(file, original);
    TIniFile ini(file);
    // "[Last" without its "]" names the section up to the line's end.
    EXPECT_EQ(ini.ReadString(kLastSection, kEntryName, ""), "Office");
    EXPECT_EQ(ini.ReadString(kWindowsSection, "UplinkerForm", ""), "10, 20, 300, 400, 0");
    EXPECT_EQ(ini.ReadString(kLastSection, std::string("nul\0inside", 10), "d"), "1");

    ini.WriteString(kWindowsSection, "UplinkerForm", "1, 2, 3, 4, 2");
    std::string expected = original;
    const std::string before = "UplinkerForm=10, 20, 300, 400, 0";
    expected.replace(expected.find(before), before.size(), "UplinkerForm=1, 2, 3, 4, 2");
    EXPECT_EQ(readWholeFile(file), expected);
}

} // namespace
