// Two copies of the program on one data folder, as two sets of tables with a guard each: no
// write of one wipes what the other wrote, a read-only copy changes and writes nothing.

#include "core/folder/folder_guard.h"

#include "core/store/schemas.h"
#include "core/tables/atomic_file.h"
#include "core/tables/errors.h"
#include "core/tables/format_settings.h"
#include "core/tables/mem_data.h"
#include "core/tables/table_file_guard.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <unistd.h>

namespace {

// One copy of the program's pending reminders.
struct Desk {
    FolderGuard guard;
    std::unique_ptr<TdxMemData> reminders = schemas::makeReminders();
    std::string path;
    std::vector<std::string> notices;

    explicit Desk(const TempFolder& folder) : path(folder.file(kRemindersFile)) {
        setProcessFormats(FormatSettings{});
        reminders->FieldDelimiter = kRemindersDelimiter;
        reminders->FileGuard = &guard;
        guard.onNotice = [this](const std::string& text) { notices.push_back(text); };
    }
    void read() {
        if (fileExists(path))
            reminders->ReadDelimitedFile(path);
    }
    void add(const std::string& number, const std::string& message) {
        reminders->AddRow({FieldValue{}, number, "Name " + number, int32_t(46'000),
                           int32_t(36'000'000), message, int32_t(1), int32_t(0), std::string(),
                           false, false, 0.0, message + number});
        reminders->WriteDelimitedFile(path);
    }
    int rowOf(const std::string& number) {
        return reminders->FindRowNumber(FieldValue{number}, fields::contact_no);
    }
    void edit(const std::string& number, const std::string& message) {
        reminders->SetRowNumber(rowOf(number));
        reminders->Edit();
        reminders->FieldNamed(fields::message).SetAsString(message);
        reminders->Post();
        reminders->WriteDelimitedFile(path);
    }
    void remove(const std::string& number) {
        reminders->SetRowNumber(rowOf(number));
        reminders->Delete();
        if (reminders->RowCount() == 0)
            RemoveTableFile(*reminders, path);
        else
            reminders->WriteDelimitedFile(path);
    }
};

// The file's rows as number -> message, failing on a number twice.
std::map<std::string, std::string> fileRows(const std::string& path) {
    std::map<std::string, std::string> rows;
    if (!fileExists(path))
        return rows;
    auto table = schemas::makeReminders();
    table->FieldDelimiter = kRemindersDelimiter;
    table->ReadDelimitedFile(path);
    for (int r = 0; r < table->RowCount(); ++r) {
        const std::string number = table->CellText(r, table->FieldIndex(fields::contact_no));
        EXPECT_TRUE(
            rows.emplace(number, table->CellText(r, table->FieldIndex(fields::message))).second)
            << number << " is in the file twice";
    }
    return rows;
}

TEST(FolderGuard, AReminderTypedAtOneDeskSurvivesTheOthersSave) {
    TempFolder folder;
    Desk one(folder), two(folder);
    one.add("0401", "first");
    two.read();
    one.add("0402", "typed at desk one");
    two.add("0403", "typed at desk two"); // desk two never saw 0402
    EXPECT_EQ(fileRows(two.path),
              (std::map<std::string, std::string>{{"0401", "first"},
                                                  {"0402", "typed at desk one"},
                                                  {"0403", "typed at desk two"}}));
    // Desk two's table took the other desk's row too, so its next save keeps it.
    EXPECT_EQ(two.reminders->RowCount(), 3);
    EXPECT_TRUE(two.notices.empty());
}

TEST(FolderGuard, AChangeMadeAtBothDesksKeepsOursAndSetsTheirsAsideWithOneNotice) {
    TempFolder folder;
    Desk one(folder), two(folder);
    one.add("0401", "original");
    two.read();
    one.edit("0401", "desk one's change");
    two.edit("0401", "desk two's change");
    EXPECT_EQ(fileRows(two.path),
              (std::map<std::string, std::string>{{"0401", "desk two's change"}}));
    ASSERT_TRUE(folder.exists("reminders.txt.conflict"));
    EXPECT_EQ(fileRows(folder.file("reminders.txt.conflict")),
              (std::map<std::string, std::string>{{"0401", "desk one's change"}}));
    ASSERT_EQ(two.notices.size(), 1u);
    EXPECT_NE(two.notices[0].find("reminders.txt.conflict"), std::string::npos);
}

TEST(FolderGuard, RemovingAnEmptiedListKeepsRowsTheOtherDeskAddedMeanwhile) {
    TempFolder folder;
    Desk one(folder), two(folder);
    one.add("0401", "sent soon");
    two.read();
    one.add("0402", "added while desk two empties its list");
    two.remove("0401");
    EXPECT_EQ(fileRows(two.path), (std::map<std::string, std::string>{
                                      {"0402", "added while desk two empties its list"}}));
    one.read();
    one.remove("0402");
    EXPECT_FALSE(folder.exists("reminders.txt"));
}

TEST(FolderGuard, AListFileLostByHandIsWrittenAgainWhole) {
    TempFolder folder;
    FolderGuard guard;
    auto groups = schemas::makeGroups();
    groups->FileGuard = &guard;
    const std::string path = folder.file(kGroupsFile);
    folder.write(kGroupsFile, "groupName\t\r\nall\t\r\nwork\t\r\n");
    groups->ReadDelimitedFile(path);
    std::remove(path.c_str());
    groups->WriteDelimitedFile(path);
    EXPECT_EQ(folder.read(kGroupsFile), "groupName\t\r\nall\t\r\nwork\t\r\n");
}

TEST(FolderGuard, SenderSettingsKeepThisCopysAndSaySoOnce) {
    TempFolder folder;
    FolderGuard guard;
    std::vector<std::string> notices;
    guard.onNotice = [&](const std::string& text) { notices.push_back(text); };
    auto mail = schemas::makeMail();
    mail->FileGuard = &guard;
    const std::string path = folder.file(kMailFile);
    folder.write(kMailFile, "FromAddress\t\r\nme@example.com\t\r\n");
    mail->ReadDelimitedFile(path);
    folder.write(kMailFile, "FromAddress\t\r\nother@example.com\t\r\n");
    mail->Edit();
    mail->FieldNamed("FromAddress").SetAsString("mine@example.com");
    mail->Post();
    mail->WriteDelimitedFile(path);
    EXPECT_NE(folder.read(kMailFile).find("mine@example.com"), std::string::npos);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find("sender settings"), std::string::npos);
    mail->WriteDelimitedFile(path);
    EXPECT_EQ(notices.size(), 1u);
}

TEST(FolderGuard, AReadOnlyCopyRefusesEveryChangeAndWritesNothing) {
    TempFolder folder;
    Desk one(folder);
    one.add("0401", "kept");
    const std::string before = folder.read(kRemindersFile);
    one.guard.setReadOnly("The data folder is in use by anna on DESK-2 since 09:12.");
    one.read(); // reading stays possible: Reload
    EXPECT_EQ(one.reminders->RowCount(), 1);

    const std::vector<std::pair<const char*, std::function<void()>>> changes = {
        {"add", [&] { one.add("0402", "refused"); }},
        {"edit", [&] { one.edit("0401", "refused"); }},
        {"delete", [&] { one.remove("0401"); }},
        {"append", [&] { one.reminders->Append(); }},
        {"fill",
         [&] {
             one.reminders->FillColumns({{one.reminders->FieldIndex("batch"), 1.5}});
         }},
    };
    for (const auto& [what, change] : changes) {
        SCOPED_TRACE(what);
        try {
            change();
            ADD_FAILURE() << "not refused";
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "The data folder is in use by anna on DESK-2 since 09:12. This copy of the "
                      "program is open read-only: nothing can be changed.");
        }
    }
    // The end of the program writes and removes nothing.
    one.reminders->Close();
    one.reminders->Open();
    one.reminders->WriteDelimitedFile(one.path);
    RemoveTableFile(*one.reminders, one.path);
    EXPECT_EQ(folder.read(kRemindersFile), before);
}

// Two desks with "Open Anyway" typing at once: each adds, edits and deletes its own rows and the
// other's at random, saving after each step as the program does. Whatever the interleaving, no
// row that nobody deleted is lost and none is in the file twice.
TEST(FolderGuard, TwoWritersInterleavingLoseNoRowAndDuplicateNone) {
    const bool memory = std::filesystem::is_directory("/dev/shm") && access("/dev/shm", W_OK) == 0;
    const TempFolder folder = memory ? TempFolder("/dev/shm") : TempFolder();
    Desk desks[2] = {Desk(folder), Desk(folder)};
    std::mt19937 random(31);
    std::set<std::string> added, deleted;
    int steps[2] = {0, 0}, serial = 0;
    while (steps[0] < 1000 || steps[1] < 1000) {
        const int d = steps[0] >= 1000 ? 1 : steps[1] >= 1000 ? 0 : int(random() % 2);
        Desk& desk = desks[d];
        ++steps[d];
        const int rows = desk.reminders->RowCount();
        // Half the steps add, a quarter edit, a quarter delete: the list grows.
        const unsigned op = rows == 0 ? 0 : std::max(0, int(random() % 4) - 1);
        if (op == 0) {
            const std::string number = std::to_string(d) + "-" + std::to_string(++serial);
            desk.add(number, "new");
            added.insert(number);
        } else {
            const int row = int(random() % unsigned(rows));
            const std::string number =
                desk.reminders->CellText(row, desk.reminders->FieldIndex(fields::contact_no));
            if (op == 1) {
                desk.edit(number, "edit " + std::to_string(serial++));
            } else {
                desk.remove(number);
                deleted.insert(number);
            }
        }
    }
    for (Desk& desk : desks)
        desk.reminders->WriteDelimitedFile(desk.path);

    const std::map<std::string, std::string> file = fileRows(desks[0].path);
    for (const std::string& number : added) {
        if (!deleted.count(number)) {
            EXPECT_EQ(file.count(number), 1u) << number << " was lost";
        }
    }
    for (const auto& [number, message] : file)
        EXPECT_TRUE(added.count(number)) << number << " was never added";
    EXPECT_GT(file.size(), 10u);
}

// Two copies of the program on one folder, each table of the same file under its own guard; the
// file starts absent.
struct TwoDesks {
    TwoDesks(std::unique_ptr<TdxMemData> (*make)(), const char* name)
        : path(folder.file(name)), a(make()), b(make()) {
        setProcessFormats(FormatSettings{});
        a->FileGuard = &guardA;
        b->FileGuard = &guardB;
    }
    TempFolder folder;
    std::string path;
    FolderGuard guardA, guardB;
    std::unique_ptr<TdxMemData> a, b;
};

TEST(FolderGuard, CalendarLinksWrittenAtTwoDesksKeepBoth) {
    TwoDesks desks(schemas::makeCalendarLinks, kCalendarLinksFile);
    auto& [folder, path, guardA, guardB, a, b] = desks;
    auto link = [](TdxMemData& t, const char* uid) {
        t.AddRow({FieldValue{}, std::string(uid), std::string(), std::string("07700 900123"),
                  int32_t(46'000), int32_t(36'000'000), std::string("/salon.ics")});
    };
    link(*a, "u1");
    a->WriteDelimitedFile(path);
    link(*b, "u2"); // desk B never read A's file
    b->WriteDelimitedFile(path);
    auto onDisk = schemas::makeCalendarLinks();
    onDisk->ReadDelimitedFile(path);
    std::set<std::string> uids;
    for (int r = 0; r < onDisk->RowCount(); ++r)
        uids.insert(onDisk->CellText(r, onDisk->FieldIndex(fields::event_uid)));
    EXPECT_EQ(uids, (std::set<std::string>{"u1", "u2"}));
}

// Two desks read the same gateway mailbox: each keeps the replies it read in replies.txt. A
// reply read at both is in the file once, and neither desk's write drops what the other read.
TEST(FolderGuard, RepliesReadAtTwoDesksAreEachInTheFileOnce) {
    TwoDesks desks(schemas::makeReplies, kRepliesFile);
    auto& [folder, path, guardA, guardB, a, b] = desks;
    auto reply = [](TdxMemData& t, const char* id, bool read) {
        t.AddRow({FieldValue{}, 46'000.5, std::string("07700 900123"), FieldValue{}, FieldValue{},
                  FieldValue{}, std::string("Other"), std::string("see you"), std::string(id),
                  read});
    };
    reply(*a, "<m1@gw>", false);
    reply(*a, "<m2@gw>", false);
    a->WriteDelimitedFile(path);
    // Desk B never read A's file; it read m2 too, and has already shown it.
    reply(*b, "<m2@gw>", true);
    reply(*b, "<m3@gw>", false);
    b->WriteDelimitedFile(path);
    // Desk A writes again without having read B's file.
    a->FillColumns({{a->FieldIndex(fields::read_flag), true}});
    a->WriteDelimitedFile(path);

    auto onDisk = schemas::makeReplies();
    onDisk->ReadDelimitedFile(path);
    std::multiset<std::string> ids;
    for (int r = 0; r < onDisk->RowCount(); ++r)
        ids.insert(onDisk->CellText(r, onDisk->FieldIndex(fields::message_id)));
    EXPECT_EQ(ids, (std::multiset<std::string>{"<m1@gw>", "<m2@gw>", "<m3@gw>"}));
    // Each desk's table holds what the folder holds once it wrote.
    EXPECT_EQ(a->RowCount(), 3);
}

// A check of the replies first takes in what the other desk stored (so that it compares its new
// replies with them), without writing anything; a read-only copy takes in nothing that way.
TEST(FolderGuard, CatchingUpTakesTheOtherDesksRowsAndWritesNothing) {
    TwoDesks desks(schemas::makeReplies, kRepliesFile);
    auto& [folder, path, guardA, guardB, a, b] = desks;
    a->AddRow({FieldValue{}, 46'000.5, std::string("07700 900123"), FieldValue{}, FieldValue{},
               FieldValue{}, std::string("Other"), std::string("late"), std::string("<m1@gw>"),
               false});
    a->WriteDelimitedFile(path);
    const std::string before = readWholeFile(path);

    guardB.setReadOnly("The data folder is in use by anna on DESK-2 since 09:12.");
    CatchUpWithTableFile(*b, path);
    EXPECT_EQ(b->RowCount(), 0);
    EXPECT_FALSE(TableChangeable(*b));

    guardB.setReadOnly("");
    EXPECT_TRUE(TableChangeable(*b));
    CatchUpWithTableFile(*b, path);
    ASSERT_EQ(b->RowCount(), 1);
    EXPECT_EQ(b->CellText(0, b->FieldIndex(fields::message_id)), "<m1@gw>");
    EXPECT_EQ(readWholeFile(path), before);
}

} // namespace
