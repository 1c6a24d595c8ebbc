#include "core/tables/ini_file.h"

#include "core/tables/atomic_file.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

class IniFileTest : public ::testing::Test {
protected:
    TempFolder folder_;
    const std::string dir_ = folder_.path();
};

// Mixed line ends on purpose: CR LF, LF and a lone CR.
const std::string kSample = "; settings\r\n"
                            "orphan=outside any section\r\n"
                            "[Widths]\r\n"
                            "  Col0 = 83  \r\n"
                            "col1=\n"
                            "col2=\"  quoted  \"\n"
                            "col3='x'\n"
                            "col4=\"mismatch'\n"
                            "col5=0x1F\n"
                            "col6=12abc\n"
                            "col7=-42\n"
                            "col8=0X10\n"
                            "col9=99999999999\n"
                            "plus=+5\n"
                            "hexonly=0x\n"
                            "spaced=1 2\n"
                            "quotednum=\"12\"\n"
                            ";col1=commented out\n"
                            "noequals\n"
                            "COL1=second spelling\n"
                            "[widths]\n"
                            "col0=999\n"
                            "later=in the second widths section\r"
                            " [ Other ] \r"
                            "key=v\r"
                            "[Caf\xE9]\r\n"
                            "name=accented";

TEST_F(IniFileTest, Reads) {
    writeFileAtomically(folder_.file("s.ini"), kSample);
    const TIniFile ini(folder_.file("s.ini"));
    struct Case {
        const char* section;
        const char* key;
        std::string text;
        int number;
    };
    // Text reads use the default "dflt", number reads the default 7.
    const Case cases[] = {
        {"widths", "col0", "83", 83},
        {" WIDTHS\t", " COL0 ", "83", 83},
        {"widths", "col1", "", 7}, // present but empty: empty text, not the default
        {"widths", "missing", "dflt", 7},
        {"nosuch", "col0", "dflt", 7},
        {"widths", "col2", "  quoted  ", 7},
        {"widths", "col3", "x", 7},
        {"widths", "col4", "\"mismatch'", 7},
        {"widths", "col5", "0x1F", 31},
        {"widths", "col6", "12abc", 7},
        {"widths", "col7", "-42", -42},
        {"widths", "col8", "0X10", 16},
        {"widths", "col9", "99999999999", 7},
        {"widths", "plus", "+5", 5},
        {"widths", "hexonly", "0x", 7},
        {"widths", "spaced", "1 2", 7},
        {"widths", "quotednum", "12", 12},
        {"widths", "noequals", "dflt", 7},
        {"widths", "later", "dflt", 7}, // only the first section of a name counts
        {"", "orphan", "dflt", 7},
        {"other", "key", "v", 7},
        {"CAF\xC9", "NAME", "accented", 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.section) + "/" + c.key);
        EXPECT_EQ(ini.ReadString(c.section, c.key, "dflt"), c.text);
        EXPECT_EQ(ini.ReadInteger(c.section, c.key, 7), c.number);
    }
}

TEST_F(IniFileTest, ListsKeysAndFindsSections) {
    writeFileAtomically(folder_.file("s.ini"), kSample);
    const TIniFile ini(folder_.file("s.ini"));
    const std::vector<std::string> widths = {"Col0", "col1",    "col2",   "col3",     "col4",
                                             "col5", "col6",    "col7",   "col8",     "col9",
                                             "plus", "hexonly", "spaced", "quotednum"};
    EXPECT_EQ(ini.ReadSectionKeys("WIDTHS"), widths);
    EXPECT_EQ(ini.ReadSectionKeys("other"), std::vector<std::string>{"key"});
    EXPECT_TRUE(ini.ReadSectionKeys("nosuch").empty());
    EXPECT_TRUE(ini.SectionExists(" other "));
    EXPECT_FALSE(ini.SectionExists("nosuch"));
    EXPECT_TRUE(ini.ValueExists("widths", "COL1"));
    EXPECT_FALSE(ini.ValueExists("widths", "noequals"));
}

TEST_F(IniFileTest, MissingFileReadsAsEmpty) {
    TIniFile ini(folder_.file("none.ini"));
    ini.Update([](IniDocument& d) { EXPECT_EQ(d.ReadString("widths", "col0", "d"), "d"); });
    EXPECT_EQ(ini.ReadString("widths", "col0", "d"), "d");
    EXPECT_EQ(ini.ReadInteger("widths", "col0", 83), 83);
    EXPECT_TRUE(ini.ReadSectionKeys("widths").empty());
    EXPECT_FALSE(ini.SectionExists("widths"));
    EXPECT_FALSE(fileExists(folder_.file("none.ini")));
}

TEST_F(IniFileTest, Writes) {
    const std::string start = "; top\r\n[a]\r\nx = 1\r\n; note\r\n\r\n[b]\ny=2\n";
    struct Case {
        std::optional<std::string> before; // nullopt: no file yet
        const char* section;
        const char* key;
        std::string value;
        std::string after;
    };
    const Case cases[] = {
        // in place, keeping the line's own spelling up to '='
        {start, "A", "X", "9", "; top\r\n[a]\r\nx =9\r\n; note\r\n\r\n[b]\ny=2\n"},
        // after the last key of the section
        {start, "a", "z", "3", "; top\r\n[a]\r\nx = 1\r\nz=3\r\n; note\r\n\r\n[b]\ny=2\n"},
        {start, "b", "q", "", "; top\r\n[a]\r\nx = 1\r\n; note\r\n\r\n[b]\ny=2\nq=\r\n"},
        // empty text leaves the key with an empty value
        {start, "b", "Y", "", "; top\r\n[a]\r\nx = 1\r\n; note\r\n\r\n[b]\ny=\n"},
        // new section at the end of the file
        {start, "c", "k", "v", start + "\r\n[c]\r\nk=v\r\n"},
        // values that would not read back as written go in quotes
        {start, "a", "x", " pad ", "; top\r\n[a]\r\nx =\" pad \"\r\n; note\r\n\r\n[b]\ny=2\n"},
        {start, "a", "x", "'q'", "; top\r\n[a]\r\nx =\"'q'\"\r\n; note\r\n\r\n[b]\ny=2\n"},
        // last line without a line end
        {"[s]\nk=1", "s", "m", "2", "[s]\nk=1\r\nm=2\r\n"},
        {"[s]\nk=1", "t", "m", "2", "[s]\nk=1\r\n\r\n[t]\r\nm=2\r\n"},
        {"[e]\r\n", "e", "k", "v", "[e]\r\nk=v\r\n"},
        {"\r\n", "e", "k", "v", "\r\n[e]\r\nk=v\r\n"},
        {std::nullopt, " widths ", " col0 ", "83", "[widths]\r\ncol0=83\r\n"},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.after);
        const std::string file = folder_.file("w" + std::to_string(n++) + ".ini");
        if (c.before)
            writeFileAtomically(file, *c.before);
        TIniFile ini(file);
        ini.WriteString(c.section, c.key, c.value);
        EXPECT_EQ(readWholeFile(file), c.after);
        EXPECT_EQ(ini.ReadString(c.section, c.key, "dflt"), c.value);
    }
}

TEST_F(IniFileTest, IntegersAndBatchedWrites) {
    TIniFile ini(folder_.file("width.ini"));
    ini.Update([](IniDocument& d) {
        for (int n = 0; n < 8; ++n)
            d.WriteInteger("widths", "col" + std::to_string(n), 60 + n);
    });
    EXPECT_EQ(readWholeFile(ini.FileName()),
              "[widths]\r\ncol0=60\r\ncol1=61\r\ncol2=62\r\ncol3=63\r\ncol4=64\r\ncol5=65\r\n"
              "col6=66\r\ncol7=67\r\n");
    ini.WriteInteger("widths", "col3", -2147483647 - 1);
    EXPECT_EQ(ini.ReadInteger("widths", "col3", 0), -2147483647 - 1);

    // A group that fails half-way writes nothing.
    const std::string before = readWholeFile(ini.FileName());
    EXPECT_THROW(ini.Update([](IniDocument& d) {
        d.WriteInteger("widths", "col0", 1);
        throw std::runtime_error("stop");
    }),
                 std::runtime_error);
    EXPECT_EQ(readWholeFile(ini.FileName()), before);
}

TEST_F(IniFileTest, NothingIsHeldBetweenCalls) {
    TIniFile ini(folder_.file("s.ini"));
    ini.WriteString("a", "k", "one");
    writeFileAtomically(ini.FileName(), "[a]\r\nk=changed elsewhere\r\nj=new\r\n");
    EXPECT_EQ(ini.ReadString("a", "k", ""), "changed elsewhere");
    ini.WriteString("a", "k", "two");
    EXPECT_EQ(readWholeFile(ini.FileName()), "[a]\r\nk=two\r\nj=new\r\n");
}

TEST_F(IniFileTest, RefusedWrites) {
    writeFileAtomically(folder_.file("afile"), "a regular file");
    std::filesystem::create_directory(folder_.file("folder.ini"));
    // A path through a regular file, and a folder where the file should be.
    for (const std::string& file :
         {folder_.file("afile/settings.ini"), folder_.file("folder.ini")}) {
        SCOPED_TRACE(file);
        TIniFile ini(file);
        try {
            ini.WriteString("widths", "col0", "83");
            ADD_FAILURE() << "the write was not refused";
        } catch (const EIniFileError& e) {
            EXPECT_EQ(std::string(e.what()), "Unable to write to " + file);
        }
        EXPECT_EQ(ini.ReadInteger("widths", "col0", 5), 5);
    }
    EXPECT_TRUE(std::filesystem::is_directory(folder_.file("folder.ini")));
    EXPECT_EQ(readWholeFile(folder_.file("afile")), "a regular file");
}

TEST_F(IniFileTest, RefusesNamesAndValuesThatWouldBreakTheFile) {
    const std::string file = folder_.file("s.ini");
    const std::string content = "[a]\r\nk=1\r\n";
    writeFileAtomically(file, content);
    TIniFile ini(file);
    struct Case {
        std::string section;
        std::string key;
        std::string value;
    };
    const Case cases[] = {
        {"a", "k", "1\r\n[evil]"}, {"a", "k", "x\ny"}, {"a", "k", std::string("x\0y", 3)},
        {"a", "b=c", "1"},         {"a", "[x", "1"},   {"a", ";c", "1"},
        {"a", "  ", "1"},          {"", "k", "1"},     {"a\r\nb", "k", "1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.section + "/" + c.key + "/" + c.value);
        try {
            ini.WriteString(c.section, c.key, c.value);
            ADD_FAILURE() << "not refused";
        } catch (const EIniFileError& e) {
            EXPECT_EQ(std::string(e.what()).rfind("Unable to write to " + file + ": ", 0), 0u)
                << e.what();
        }
        EXPECT_EQ(readWholeFile(file), content);
    }
}

} // namespace
