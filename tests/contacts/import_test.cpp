// The import of tab-delimited address lists into the contact book.

#include "contacts/contacts_window.h"
#include "contacts_fixture.h"
#include "core/contacts/contact_import.h"
#include "core/store/schemas.h"
#include "core/tables/errors.h"
#include "reminders/main_window.h"

#include <QComboBox>
#include <QTest>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>

namespace {

class ContactImport : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        folder.write("groups.txt", tableFile({"groupName"}, {{""}, {"all"}, {"work"}}));
    }
    TfrmContact& show(const std::vector<Row>& contacts = {}) {
        if (!contacts.empty())
            folder.write("dxContact.txt", contactsFile(contacts));
        startForms();
        TfrmContact& w = *forms->frmContact;
        w.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
        return w;
    }
    // Imports a file through the context menu's entry and its file dialog; the import ends
    // with its summary (any text when none is given).
    void importThroughDialog(TfrmContact& w, const std::string& name, const std::string& bytes,
                             const QString& summary = {}) {
        folder.write(name, bytes);
        prompter.expectOpenFile(QString::fromStdString(folder.file(name)));
        prompter.expect(BoxKind::Information, summary, BoxButton::Ok,
                        QStringLiteral("Import Data"));
        w.Importfromtextfile1Click();
    }
    std::vector<Row> groupRows() { return rowsOf(*forms->frmMain->dxGroup, {"groupName"}); }
};

TEST_F(ContactImport, TheLinesOfTheExampleAreSplitSkippedAndAdded) {
    TfrmContact& w = show({{"Ann", "1", "work", "1work"}});
    prompter.expect(BoxKind::Confirmation,
                    QStringLiteral("Group family does not exist. Would you like to add?"),
                    BoxButton::Yes);
    importThroughDialog(w, "list.txt",
                        "\"smith, anna\"\t0000000000\t Family\r\n" // quoted name, a group to add
                        "Just a name\n"      // no TAB: all of it is the number
                        "\r\n"               // empty: skipped
                        "\t\n"               // a TAB alone: skipped
                        "bob\t22\n"          // one TAB: no group
                        "carl\t1\tWORK\n"    // Ann's number and group
                        "dora\t1\tfamily\n", // Ann's number, another group
                        QStringLiteral("4 contacts added.\n"
                                       "1 line was already in the contact book.\n"
                                       "2 lines skipped: 2 without name and number."));
    prompter.verifyAllUsed();
    EXPECT_EQ(prompter.fileDialogs,
              QStringList({QStringLiteral("Import Data"),
                           QStringLiteral("Tab Delimited Text Files|*.txt")}));

    const std::vector<Row> expected{{"Ann", "1", "work", "1work"},
                                    {"Smith, anna", "0000000000", "family", "0000000000family"},
                                    {"", "Just a name", "", "Just a name"},
                                    {"Bob", "22", "", "22"},
                                    {"Dora", "1", "family", "1family"}};
    EXPECT_EQ(contactRows(*w.dxContact), expected);
    // The book is written when the import ends, and the group table with the new group.
    EXPECT_EQ(folder.read("dxContact.txt"), contactsFile(expected));
    EXPECT_EQ(groupRows(), (std::vector<Row>{{""}, {"all"}, {"family"}, {"work"}}));
    // The file is written before the group picker re-sorts the table.
    EXPECT_EQ(folder.read("groups.txt"),
              tableFile({"groupName"}, {{""}, {"all"}, {"work"}, {"family"}}));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Contact Info for 5 Contacts"));
    EXPECT_FALSE(w.dxContact->ViewsSuspended());
    // The main window's group picker offers the new group.
    EXPECT_GE(child<QComboBox>(forms->frmMain, "cboGroup")->findText(QStringLiteral("family")), 0);
}

TEST_F(ContactImport, TheSameFileImportedTwiceAddsNothingTheSecondTime) {
    TfrmContact& w = show({{"Ann", "5", "work", "5work"}});
    const std::string list = "Zed\t9\twork\nAmy\t3\t\nBo\t5\tWork \nCy\t3\twork\n";
    importThroughDialog(w, "list.txt", list);
    auto once = contactRows(*w.dxContact);
    EXPECT_EQ(once.size(), 4u); // Bo is Ann's number and group
    importThroughDialog(w, "list.txt", list);
    // The import sorts the book by number first; the rows are the same.
    auto twice = contactRows(*w.dxContact);
    EXPECT_EQ(folder.read("dxContact.txt"), contactsFile(twice));
    std::sort(once.begin(), once.end());
    std::sort(twice.begin(), twice.end());
    EXPECT_EQ(twice, once);
}

TEST_F(ContactImport, NoToTheGroupQuestionStillImportsTheContactAndRewritesTheGroups) {
    TfrmContact& w = show();
    std::filesystem::remove(folder.file("groups.txt")); // read at start; the import writes it again
    prompter.expect(BoxKind::Confirmation,
                    QStringLiteral("Group club does not exist. Would you like to add?"),
                    BoxButton::No);
    importThroughDialog(w, "list.txt", "eve\t7\tClub\nfay\t8\tclub\n");
    prompter.verifyAllUsed();
    EXPECT_EQ(contactRows(*w.dxContact),
              (std::vector<Row>{{"Eve", "7", "club", "7club"}, {"Fay", "8", "club", "8club"}}));
    EXPECT_EQ(groupRows(), (std::vector<Row>{{""}, {"all"}, {"work"}}));
    EXPECT_EQ(folder.read("groups.txt"), tableFile({"groupName"}, {{""}, {"all"}, {"work"}}));
}

TEST_F(ContactImport, ACancelledDialogOrAFileThatCannotBeOpenedChangesNothing) {
    TfrmContact& w = show({{"Ann", "1", "work", "1work"}});
    const std::string book = folder.read("dxContact.txt");

    prompter.expectOpenFile(QString());
    w.Importfromtextfile1Click();

    // A name that names no file says so, with the name; a file that cannot be opened (here a
    // folder) keeps the answer of a file in use.
    prompter.expectOpenFile(QString::fromStdString(folder.file("missing.txt")));
    prompter.expectError(QStringLiteral("Could not import file because %1 was not found.")
                             .arg(QString::fromStdString(folder.file("missing.txt"))));
    w.Importfromtextfile1Click();
    std::filesystem::create_directory(folder.file("folder.txt"));
    prompter.expectOpenFile(QString::fromStdString(folder.file("folder.txt")));
    prompter.expectError(
        QStringLiteral("Could not import file because it is in use by another application"));
    w.Importfromtextfile1Click();

    prompter.verifyAllUsed();
    EXPECT_EQ(contactRows(*w.dxContact), (std::vector<Row>{{"Ann", "1", "work", "1work"}}));
    EXPECT_EQ(folder.read("dxContact.txt"), book);
    EXPECT_FALSE(w.dxContact->ViewsSuspended());
}

TEST_F(ContactImport, HostileFilesAreImportedOrSkippedLineByLine) {
    TfrmContact& w = show();
    std::string nul = "ni";
    nul += '\0';
    nul += "na\t4\n";
    const std::string megabyte(1 << 20, 'x');
    struct Case {
        const char* what;
        std::string bytes;
        std::vector<Row> added;
    };
    const Case cases[] = {
        {"CR-only line ends", "a\t1\rb\t2\r", {{"A", "1", "", "1"}, {"B", "2", "", "2"}}},
        {"a NUL byte", nul, {{"Nina", "4", "", "4"}}},
        {"bytes of no charset", "\xff\xfe\x80\t5\n", {{"\xff\xfe\x80", "5", "", "5"}}},
        // The fields keep their first 40 characters.
        {"a line of 1 MB",
         "m\t" + megabyte + "\n",
         {{"M", std::string(40, 'x'), "", std::string(20, 'x')}}},
        {"a reminder delimiter", "c^d\t6\n", {}},
    };
    for (const Case& c : cases) {
        w.dxContact->SuspendViews();
        while (w.dxContact->RowCount() > 0) {
            w.dxContact->First();
            w.dxContact->Delete();
        }
        w.dxContact->ResumeViews();
        prompter.expect(BoxKind::Information,
                        std::string(c.what) == "a reminder delimiter"
                            ? QStringLiteral("0 contacts added.\n"
                                             "0 lines were already in the contact book.\n"
                                             "1 line skipped: 1 holding the ^ character, which "
                                             "is not allowed.")
                            : QString());
        folder.write("list.txt", c.bytes);
        EXPECT_TRUE(w.importFile(folder.file("list.txt"))) << c.what;
        EXPECT_EQ(contactRows(*w.dxContact), c.added) << c.what;
        EXPECT_FALSE(w.dxContact->ViewsSuspended()) << c.what;
    }
    prompter.verifyAllUsed();
}

TEST_F(ContactImport, AHundredThousandLinesImportWithTheResultsOfTheRowByRowWalk) {
    // Existing contacts: a run of one number with two groups.
    TfrmContact& w = show({{"Ann", "100", "work", "100work"}, {"Bea", "100", "all", "100all"}});
    std::string bytes;
    for (int i = 0; i < 100000; ++i)
        bytes += "n" + std::to_string(i) + "\t" + std::to_string(i % 50000) + "\n";
    bytes += "x\t100\tall\nx\t100\twork\nx\t100\tother\n";
    folder.write("big.txt", bytes);
    prompter.expect(BoxKind::Confirmation,
                    QStringLiteral("Group other does not exist. Would you like to add?"),
                    BoxButton::No);
    prompter.expect(BoxKind::Information, {});
    ASSERT_TRUE(w.importFile(folder.file("big.txt")));
    // The first 50,000 lines are new. The second 50,000 repeat them: each repeat finds the one
    // row its number has, at the end of the book, except for 100, whose walk starts at the run
    // of Ann and Bea (sorted before the import) and stops at the first added row, so its repeat
    // is added once more. Of the last three lines, "all" and "work" find that run; "other" is new.
    const auto rows = contactRows(*w.dxContact);
    int withNumber100 = 0;
    for (const Row& r : rows)
        withNumber100 += r[1] == "100";
    EXPECT_EQ(rows.size(), 2u + 50000u + 1u + 1u);
    EXPECT_EQ(withNumber100, 5);
    EXPECT_EQ(rows[rows.size() - 2], (Row{"N50100", "100", "", "100"}));
    EXPECT_EQ(rows.back(), (Row{"X", "100", "other", "100other"}));
    prompter.verifyAllUsed();
}

// A group of a megabyte is cut to a readable length in its question.
TEST_F(ContactImport, AHugeGroupIsCutInItsQuestion) {
    TfrmContact& w = show({});
    folder.write("huge.txt", "Ann\t100\t" + std::string(1'000'000, 'g') + "\n");
    prompter.expect(BoxKind::Confirmation,
                    QStringLiteral("Group ") + QString(80, QLatin1Char('g')) +
                        QStringLiteral("\u2026 does not exist. Would you like to add?"),
                    BoxButton::No);
    prompter.expect(BoxKind::Information, {});
    ASSERT_TRUE(w.importFile(folder.file("huge.txt")));
    prompter.verifyAllUsed();
}

// A source that fails after its first bytes, as a disk read error would.
class FailingSource : public ByteSource {
public:
    size_t read(char* buffer, size_t size) override {
        if (served_)
            throw EFileError("Input/output error");
        served_ = true;
        const char text[] = "ann\t1\nbob\t2\n";
        const size_t n = std::min(size, sizeof text - 1);
        std::memcpy(buffer, text, n);
        return n;
    }

private:
    bool served_ = false;
};

TEST_F(ContactImport, AReadErrorMidFileIsReportedAndTheViewsAreResumed) {
    TfrmContact& w = show();
    bool closed = false;
    struct Tracked : FailingSource {
        bool& closed;
        explicit Tracked(bool& c) : closed(c) {}
        ~Tracked() override { closed = true; }
    };
    w.openImportFile = [&closed](const std::string&) -> std::unique_ptr<ByteSource> {
        return std::make_unique<Tracked>(closed);
    };
    EXPECT_THROW(w.importFile("any.txt"), EFileError);
    EXPECT_TRUE(closed);
    EXPECT_FALSE(w.dxContact->ViewsSuspended());
    EXPECT_FALSE(w.importing());
    // The lines read before the error stay.
    EXPECT_EQ(w.dxContact->RowCount(), 2);
}

// ---- the pieces the import is made of --------------------------------------------------------

TEST(ImportLine, IsSplitIntoNameNumberAndGroup) {
    struct Case {
        std::string line;
        std::string name, number, group;
        bool groupColumn;
    };
    const Case cases[] = {
        {"\"smith, anna\"\t0000000000\t Family", "Smith, anna", "0000000000", "family", true},
        {"Just a name", "", "Just a name", "", false},
        {"  \"jo\"  \t 12 \t", "jo", " 12 ", "", true},
        {"a\tb\tc\td", "A", "b", "c", true},
        {"", "", "", "", false},
        {"\t", "", "", "", false},
    };
    for (const Case& c : cases) {
        const ImportedContact got = splitImportLine(c.line);
        EXPECT_EQ(got.name, c.name) << c.line;
        EXPECT_EQ(got.number, c.number) << c.line;
        EXPECT_EQ(got.group, c.group) << c.line;
        EXPECT_EQ(got.hasGroupColumn, c.groupColumn) << c.line;
    }
}

TEST(ImportLine, ReaderSplitsAtEveryLineEndAcrossChunkBorders) {
    class Bytes : public ByteSource {
    public:
        explicit Bytes(std::string s) : s_(std::move(s)) {}
        size_t read(char* buffer, size_t size) override {
            const size_t n = std::min(size, s_.size() - pos_);
            std::memcpy(buffer, s_.data() + pos_, n);
            pos_ += n;
            return n;
        }

    private:
        std::string s_;
        size_t pos_ = 0;
    };
    const std::string text = std::string("one\r\ntwo\nthree\rfour\r\r\nfive") + '\0' + "six\n";
    for (size_t chunk : {1u, 2u, 3u, 7u, 4096u}) {
        Bytes source(text);
        ImportLineReader reader(source, chunk);
        std::vector<std::string> lines;
        std::string line;
        while (reader.next(line))
            lines.push_back(line);
        EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "three", "four", "", "fivesix"}))
            << "chunk " << chunk;
    }
}

// The import's indexes give what the row-by-row walk gives: FindRowNumber on the number, then
// the rows from there while their number is exactly the line's, looking for the line's group.
TEST(ImportLine, IndexedLookupsGiveTheResultsOfTheRowByRowWalk) {
    const char* numbers[] = {
        "1", "01", "A1", "a1", "", " 1", "1234567890123456789012345678901234567890X"};
    const char* groups[] = {"x", "X ", "y", "", "Y"};
    const char* names[] = {"ann", "", "\"bo\""};
    for (unsigned seed = 1; seed <= 40; ++seed) {
        std::mt19937 rng(seed);
        auto pick = [&rng](const auto& list) { return std::string(list[rng() % std::size(list)]); };
        auto reference = schemas::makeContacts();
        auto indexed = schemas::makeContacts();
        auto groupTable = schemas::makeGroups();
        for (const char* g : {"x", "y"})
            groupTable->AddRow({FieldValue{}, std::string(g)});
        for (int i = 0; i < 12; ++i) {
            const std::string n = pick(numbers), g = normalGroupText(pick(groups));
            for (auto* t : {reference.get(), indexed.get()})
                t->AddRow({FieldValue{}, std::string("c"), n, g, concatContact(n, g)});
        }
        // The import sorts by number; the first post clears the sort, so added rows go last.
        for (auto* t : {reference.get(), indexed.get()}) {
            t->SetSortedField("number");
            t->SetSortedField("");
        }
        ContactImporter importer(*indexed, *groupTable);
        importer.confirmAddGroup = [](const std::string&) { return false; };
        for (int i = 0; i < 60; ++i) {
            std::string line = pick(names) + "\t" + pick(numbers);
            if (rng() % 3)
                line += "\t" + pick(groups);
            importer.importLine(line);

            const ImportedContact c = splitImportLine(line);
            if (c.name.empty() && trimBlanks(c.number).empty())
                continue;
            bool found = false;
            const int numberField = reference->FieldIndex("number");
            const int groupField = reference->FieldIndex("group");
            for (int r = reference->FindRowNumber(FieldValue{c.number}, "number");
                 r > 0 && r <= reference->RowCount() &&
                 reference->CellText(r - 1, numberField) == c.number;
                 ++r)
                found = found || normalGroupText(reference->CellText(r - 1, groupField)) == c.group;
            if (!found)
                reference->AddRow(
                    {FieldValue{}, c.name, c.number, c.group, concatContact(c.number, c.group)});
        }
        ASSERT_EQ(contactRows(*indexed), contactRows(*reference)) << "seed " << seed;
    }
}

} // namespace
