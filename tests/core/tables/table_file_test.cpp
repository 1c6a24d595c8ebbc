#include "core/store/schemas.h"
#include "core/tables/atomic_file.h"
#include "core/tables/date_time.h"
#include "core/tables/errors.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

namespace {

class TableFile : public ::testing::Test {
protected:
    TempFolder folder;
    const std::string dir = folder.path();
};

std::string fixture(const char* name) {
    return readWholeFile(std::string(TEST_FIXTURES_DIR) + "/" + name);
}

// The three-column table of the line-splitting cases.
std::unique_ptr<TdxMemData> abc() {
    std::vector<FieldDef> f(3);
    f[0].name = "a";
    f[1].name = "b";
    f[2].name = "c";
    for (auto& d : f)
        d.size = 2000;
    auto t = std::make_unique<TdxMemData>("dxTest", f);
    t->FieldDelimiter = '^';
    return t;
}

TEST_F(TableFile, TheWorkedExampleIsWrittenByteForByteAndReadBackIdentically) {
    auto t = schemas::makeReminders();
    t->FieldDelimiter = kRemindersDelimiter;
    const std::string message = "Your appointment is on 31/01/2003 at 14:30";
    t->AddRow({FieldValue{}, std::string("0000000000"), std::string("A Client"),
               int32_t(dayNumber(2003, 1, 31)), int32_t(timeMs(14, 30)), message, int32_t(1),
               int32_t(0), FieldValue{}, false, false, 0.0, message.substr(0, 50) + "0000000000"});
    t->WriteDelimitedFile(folder.file("reminders.txt"));
    const std::string expected = fixture("reminders_example.txt");
    EXPECT_EQ(readWholeFile(folder.file("reminders.txt")), expected);

    auto back = schemas::makeReminders();
    back->FieldDelimiter = kRemindersDelimiter;
    back->ReadDelimitedFile(std::string(TEST_FIXTURES_DIR) + "/reminders_example.txt");
    ASSERT_EQ(back->RowCount(), 1);
    EXPECT_EQ(back->DelimitedText(), expected);
    EXPECT_EQ(back->State(), DataSetState::Browse);
    EXPECT_EQ(back->RowNumber(), 1);
    EXPECT_FALSE(back->Loading());
}

TEST_F(TableFile, ABatchIsWrittenInItsShortestForm) {
    auto t = schemas::makeReminders();
    t->AddRow({FieldValue{}, std::string("1"), FieldValue{}, FieldValue{}, FieldValue{},
               FieldValue{}, FieldValue{}, FieldValue{}, FieldValue{}, true, true,
               dateTimeValue(37652, timeMs(14, 29))});
    EXPECT_EQ(t->CellText(0, t->FieldIndex("batch")), "37652.6034722222");
    EXPECT_EQ(t->CellText(0, t->FieldIndex("status")), "True");
}

// Numbers repeated down a column are formatted once and copied after: over many values, some
// repeated, some new, some null, every line is still each value's own text.
TEST_F(TableFile, EveryValueIsWrittenInItsOwnFormWhateverCameBefore) {
    auto t = schemas::makeReminders();
    t->FieldDelimiter = '^';
    std::mt19937 rng(7);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    t->SuspendViews();
    for (int i = 0; i < 3000; ++i) {
        const bool sparse = pick(8) == 0;
        t->AddRow({FieldValue{}, std::to_string(pick(1000)), std::string("n"),
                   sparse ? FieldValue{} : FieldValue(int32_t(46000 + pick(400))),
                   FieldValue(int32_t(pick(86'400'000))), std::string("m"),
                   FieldValue(int32_t(pick(300) - 150)),
                   sparse ? FieldValue{} : FieldValue(int32_t{0}), FieldValue{}, pick(2) == 0,
                   FieldValue(pick(3) == 0),
                   FieldValue(pick(4) == 0 ? 46365.5 : (rng() % 100000000) / 997.0)});
    }
    t->ResumeViews();
    const std::string text = t->DelimitedText();
    std::string expected = text.substr(0, text.find("\r\n") + 2);
    for (int r = 0; r < t->RowCount(); ++r) {
        for (int f = 1; f < t->FieldCount(); ++f) {
            if (t->Field(f).Def().calculated)
                continue;
            expected += t->CellText(r, f);
            expected += '^';
        }
        expected += "\r\n";
    }
    EXPECT_TRUE(text == expected);
}

TEST_F(TableFile, WritingKeepsTheCurrentRowAndAnEmptyTableIsItsHeader) {
    auto t = schemas::makeGroups();
    EXPECT_EQ(t->DelimitedText(), "groupName\t\r\n");
    for (const char* g : {"a", "b", "c", "d"})
        t->AddRow({FieldValue{}, std::string(g)});
    t->SetRowNumber(3);
    t->WriteDelimitedFile(folder.file("groups.txt"));
    EXPECT_EQ(t->RowNumber(), 3);
    EXPECT_EQ(readWholeFile(folder.file("groups.txt")),
              "groupName\t\r\na\t\r\nb\t\r\nc\t\r\nd\t\r\n");
}

struct ReadCase {
    const char* name;
    std::string file;
    std::vector<std::vector<std::string>> rows; // a, b, c of every row read
    const char* error;                          // nullptr when the read succeeds
};

class TableFileRead : public TableFile, public ::testing::WithParamInterface<ReadCase> {};

// Each case is read twice: straight into rows, and through the row-by-row cycle that a field
// with an OnChange handler needs; both give the same rows and the same error.
TEST_P(TableFileRead, ReadsAsTheRulesSay) {
    const ReadCase& c = GetParam();
    folder.write("t.txt", c.file);
    for (const bool handler : {false, true}) {
        SCOPED_TRACE(handler ? "row by row" : "straight");
        auto t = abc();
        if (handler)
            t->Field(2).OnChange = [](TField&) {};
        if (c.error) {
            try {
                t->ReadDelimitedFile(folder.file("t.txt"));
                ADD_FAILURE() << "no error";
            } catch (const std::exception& e) {
                EXPECT_STREQ(e.what(), c.error);
            }
            EXPECT_EQ(t->State(), DataSetState::Browse);
            EXPECT_FALSE(t->Loading());
            EXPECT_FALSE(t->ViewsSuspended());
        } else {
            t->ReadDelimitedFile(folder.file("t.txt"));
        }
        ASSERT_EQ(t->RowCount(), static_cast<int>(c.rows.size()));
        for (size_t r = 0; r < c.rows.size(); ++r)
            for (int f = 0; f < 3; ++f)
                EXPECT_EQ(t->CellText(static_cast<int>(r), f + 1),
                          c.rows[r][static_cast<size_t>(f)])
                    << "row " << r << " field " << f;
    }
}

const std::string kLong = std::string(10, 'x') + "^" + std::string(1189, 'y'); // 1200 characters

INSTANTIATE_TEST_SUITE_P(
    Cases, TableFileRead,
    ::testing::Values(
        ReadCase{"crlf", "a^b^c^\r\n1^2^3^\r\n", {{"1", "2", "3"}}, nullptr},
        ReadCase{"lfOnly", "a^b^c^\n1^2^3^\n4^5^6^", {{"1", "2", "3"}, {"4", "5", "6"}}, nullptr},
        ReadCase{"crOnly", "a^b^c^\r1^2^3^\r4^5^6^\r", {{"1", "2", "3"}, {"4", "5", "6"}}, nullptr},
        ReadCase{"headerInAnotherCase", "A^B^C^\r\n1^2^3^\r\n", {{"1", "2", "3"}}, nullptr},
        ReadCase{
            "unknownAndRecIdColumnsIgnored", "RecId^zz^c^\r\n9^8^3^\r\n", {{"", "", "3"}}, nullptr},
        ReadCase{"someFieldsOnly", "b^\r\n2^\r\n", {{"", "2", ""}}, nullptr},
        ReadCase{"fewerValues", "a^b^c^\r\na^b^\r\n", {{"a", "b", ""}}, nullptr},
        ReadCase{"emptyValueBetween", "a^b^c^\r\na^^c^\r\n", {{"a", "", "c"}}, nullptr},
        ReadCase{"blankLineIsAnEmptyRow",
                 "a^b^c^\r\n\r\n1^2^3^\r\n",
                 {{"", "", ""}, {"1", "2", "3"}},
                 nullptr},
        ReadCase{"nulEndsTheText",
                 std::string("a^b^c^\r\n1^2^3^\r\n4^5", 19) + '\0' + "^6^\r\n",
                 {{"1", "2", "3"}, {"4", "5", ""}},
                 "t.txt: The file holds a NUL byte at position 20; nothing after it was read"},
        ReadCase{
            "longLineLosesItsEnd",
            "a^b^c^\r\n" + kLong + "\r\n1^2^3^\r\n",
            {{std::string(10, 'x'), std::string(1000, 'y'), ""}, {"1", "2", "3"}},
            "t.txt: Line 2 is longer than the reader takes; the end of that line was not read"},
        ReadCase{
            "longHeaderLosesItsEnd",
            "a^" + std::string(1001, 'b') + "^c^\r\n1^\r\n",
            {{"1", "", ""}},
            "t.txt: The first line is longer than the reader takes; the end of that line was not "
            "read"},
        ReadCase{"noLineEndAtAllIsOneHeader", std::string("a^b^c^"), {}, nullptr},
        ReadCase{"headerOnlyEmptiesTheTable", "a^b^c^\r\n", {}, nullptr},
        ReadCase{"tooManyValues",
                 "a^b^c^\r\n1^2^3^\r\na^b^c^d^\r\n",
                 {{"1", "2", "3"}},
                 "List index out of bounds (3)"}),
    [](const ::testing::TestParamInfo<ReadCase>& i) { return std::string(i.param.name); });

// A file is read a piece at a time: wherever a piece ends, inside a line, between the CR and
// the LF of a line end, on a blank line or before a NUL, the rows, the losses and the errors
// are those of the same bytes read whole.
TEST_F(TableFile, AFileReadInPiecesGivesWhatItsWholeTextGives) {
    const std::string snippets[] = {"1^2^3^\r\n4^5^6^\r\n",
                                    "1^2^3^\n4^5^6^\n7^8^9^",
                                    "1^2^3^\r4^5^6^\r\r7^",
                                    "1^2^3^\r\n\r\n\r\n4^5^\r\n",
                                    std::string("1^2\0^3^\r\n4^\r\n", 14),
                                    kLong + "\r\n1^2^3^\r\n",
                                    "1^2^3^\r\na^b^c^d^\r\n",
                                    "1^2^3^\r\nq^" + std::string(2100, 'z')};
    const std::string header = "a^b^c^\r\n";
    const std::string filler = std::string(500, 'p') + "^f^\r\n";
    for (const std::string& snippet : snippets) {
        for (size_t before = 0; before < 14; ++before) {
            // The snippet begins `before` bytes ahead of the end of the first piece.
            const size_t at = TdxMemData::kReadPiece - before;
            std::string text = header;
            while (text.size() + filler.size() + 600 < at)
                text += filler;
            text += std::string(at - text.size() - 5, 'p') + "^f^\r\n";
            ASSERT_EQ(text.size(), at);
            text += snippet;
            folder.write("t.txt", text);
            for (const bool handler : {false, true}) {
                SCOPED_TRACE(::testing::Message()
                             << "snippet " << &snippet - snippets << ", piece ends " << before
                             << " bytes before it" << (handler ? ", row by row" : ""));
                auto fromFile = abc();
                auto whole = abc();
                if (handler)
                    fromFile->Field(2).OnChange = whole->Field(2).OnChange = [](TField&) {};
                std::string fileError, wholeError;
                try {
                    fromFile->ReadDelimitedFile(folder.file("t.txt"));
                } catch (const std::exception& e) {
                    fileError = e.what();
                }
                try {
                    whole->ReadDelimitedText(text);
                } catch (const std::exception& e) {
                    wholeError = e.what();
                }
                // The file's errors name the file where the text's name the table.
                if (wholeError.rfind("dxTest: ", 0) == 0)
                    wholeError.replace(0, 6, "t.txt");
                EXPECT_EQ(fileError, wholeError);
                EXPECT_EQ(fromFile->RowCount(), whole->RowCount());
                EXPECT_TRUE(fromFile->DelimitedText() == whole->DelimitedText());
                EXPECT_FALSE(fromFile->Loading());
                EXPECT_FALSE(fromFile->ViewsSuspended());
            }
        }
    }
}

TEST_F(TableFile, ARefusedValueStopsTheReadKeepingTheRowsBefore) {
    folder.write(
        "r.txt",
        "contact_no^appointment_date^\r\n1^31/1/2003^\r\n2^2003-01-31^\r\n3^01/02/2003^\r\n");
    auto t = schemas::makeReminders();
    t->FieldDelimiter = '^';
    try {
        t->ReadDelimitedFile(folder.file("r.txt"));
        ADD_FAILURE();
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'2003-01-31' is not a valid date");
    }
    ASSERT_EQ(t->RowCount(), 1);
    EXPECT_EQ(t->CellText(0, t->FieldIndex("appointment_date")), "31/01/2003");
    EXPECT_EQ(t->State(), DataSetState::Browse);
    // The table is usable again at once.
    t->AddRow({FieldValue{}, std::string("9")});
    EXPECT_EQ(t->RowCount(), 2);
}

TEST_F(TableFile, BooleansAndDatesAreWrittenBackInTheirOneForm) {
    folder.write("s.txt", "contact_no\tstatus\tcreate_date\t\r\n1\tt\t1/2/2003\t\r\n");
    auto t = schemas::makeSentItems();
    t->ReadDelimitedFile(folder.file("s.txt"));
    EXPECT_EQ(t->DelimitedText(),
              "contact_no\tname\tappointment_date\tappointment_time\tmessage\t"
              "days_before_appointment\trecurring_days\tcreate_date\tstatus\tdelivery\tbatch\t\r\n"
              "1\t\t\t\t\t\t\t01/02/2003\tTrue\t\t\t\r\n");
}

TEST_F(TableFile, ReadingSortsAndNumbersRowsInFileOrder) {
    folder.write(
        "s.txt",
        "contact_no\tcreate_date\t\r\nold\t01/01/2026\t\r\nnone\t\t\r\nnew\t05/01/2026\t\r\n");
    auto t = schemas::makeSentItems(); // create_date, descending
    t->ReadDelimitedFile(folder.file("s.txt"));
    EXPECT_EQ(t->CellText(0, 1), "new");
    EXPECT_EQ(t->CellText(1, 1), "old");
    EXPECT_EQ(t->CellText(2, 1), "none"); // an empty date is the lowest
    EXPECT_EQ(t->RecIdAt(0), 3);
    EXPECT_EQ(t->RowNumber(), 1);
}

TEST_F(TableFile, AnEmptyFileChangesNothingAndAMissingFileFailsFirst) {
    auto t = schemas::makeGroups();
    t->AddRow({FieldValue{}, std::string("kept")});
    folder.write("empty.txt", "");
    t->ReadDelimitedFile(folder.file("empty.txt"));
    EXPECT_EQ(t->RowCount(), 1);
    try {
        t->ReadDelimitedFile(folder.file("missing.txt"));
        ADD_FAILURE();
    } catch (const EFileError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + folder.file("missing.txt"));
    }
    EXPECT_EQ(t->RowCount(), 1);
}

// A header that names no field would read every row as empty values: the read stops before
// anything changes, quoting the header cut to a readable length.
TEST_F(TableFile, AHeaderThatNamesNoFieldChangesNothing) {
    struct Case {
        std::string bytes;
        std::string quoted;
    };
    const Case cases[] = {
        {"contact_no\tname\t\r\n1\tA\t\r\n", "'contact_no\tname\t'"},
        {std::string(10'000'000, 'z'), "'" + std::string(80, 'z') + "\u2026'"},
        {"\xe9t\xe9^\r\n", "'\u00e9t\u00e9^'"},
    };
    for (const Case& c : cases) {
        folder.write("reminders.txt", c.bytes);
        auto t = schemas::makeReminders();
        t->FieldDelimiter = '^';
        t->AddRow({FieldValue{}, std::string("kept")});
        try {
            t->ReadDelimitedFile(folder.file("reminders.txt"));
            ADD_FAILURE() << "no error";
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "reminders.txt: The first line names none of the table's fields: " +
                          c.quoted);
        }
        EXPECT_EQ(t->RowCount(), 1);
        EXPECT_FALSE(t->ViewsSuspended());
    }
}

TEST_F(TableFile, AValueLongerThanItsFieldIsReadCutAndReported) {
    folder.write("g.txt", "groupName\t\r\n" + std::string(21, 'g') + "\t\r\nvip\t\r\n");
    auto t = schemas::makeGroups();
    try {
        t->ReadDelimitedFile(folder.file("g.txt"));
        ADD_FAILURE() << "no error";
    } catch (const ETableTextCut& e) { // read to its end: only the value was cut
        EXPECT_STREQ(e.what(), "g.txt: Line 2: a value of 21 characters does not fit field "
                               "'groupName' (20); only that value was cut");
    }
    ASSERT_EQ(t->RowCount(), 2); // every row is read
    EXPECT_EQ(t->CellText(0, 1), std::string(20, 'g'));
}

TEST_F(TableFile, AFailedWriteLeavesTheOldFileAndTheTable) {
    folder.write("groups.txt", "groupName\t\r\nold\t\r\n");
    folder.write("afile", "a regular file");
    auto t = schemas::makeGroups();
    t->AddRow({FieldValue{}, std::string("new")});
    const std::string bad = folder.file("afile") + "/groups.txt";
    try {
        t->WriteDelimitedFile(bad);
        ADD_FAILURE();
    } catch (const EFileError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + bad);
    }
    EXPECT_FALSE(t->ViewsSuspended());
    EXPECT_EQ(t->RowCount(), 1);
    EXPECT_EQ(readWholeFile(folder.file("groups.txt")), "groupName\t\r\nold\t\r\n");
    // No temporary file is left behind.
    int files = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir))
        ++files;
    EXPECT_EQ(files, 2);
}

// The bytes a write hands on are the file's, and the caller and the guard hold one text between
// them: a file of tens of megabytes is not copied for each.
TEST_F(TableFile, TheBytesWrittenAreSharedWithTheGuardAsTheFileHoldsThem) {
    struct Recorder : TableFileGuard {
        void tableFileRead(TdxMemData&, const std::string&, std::string_view) override {}
        bool beforeTableFileWrite(TdxMemData&, const std::string&) override { return true; }
        void tableFileWritten(TdxMemData&, const std::string&, SharedText bytes) override {
            kept = std::move(bytes);
        }
        bool beforeTableFileRemove(TdxMemData&, const std::string&) override { return true; }
        void tableFileRemoved(TdxMemData&, const std::string&) override {}
        void beforeTableChange(TdxMemData&) override {}
        SharedText kept;
    } guard;
    auto t = schemas::makeGroups();
    t->AddRow({FieldValue{}, std::string("Dentists")});
    t->FileGuard = &guard;
    SharedText written;
    t->WriteDelimitedFile(folder.file("groups.txt"), &written);
    EXPECT_EQ(written, readWholeFile(folder.file("groups.txt")));
    EXPECT_EQ(written, "groupName\t\r\nDentists\t\r\n");
    EXPECT_EQ(guard.kept.data(), written.data());
}

TEST_F(TableFile, AClosedTableWritesNothing) {
    auto t = schemas::makeGroups();
    t->Close();
    t->WriteDelimitedFile(folder.file("groups.txt"));
    EXPECT_FALSE(fileExists(folder.file("groups.txt")));
}

TEST_F(TableFile, MailSettingsWithAnExtraColumnAreStillRead) {
    folder.write("mail.txt",
                 "FromAddress\tSomethingNew\tFromName\t\r\na@example.com\tx\tPat Sample\t\r\n");
    auto t = schemas::makeMail();
    t->ReadDelimitedFile(folder.file("mail.txt"));
    EXPECT_EQ(t->CellText(0, t->FieldIndex("FromName")), "Pat Sample");
}

} // namespace
