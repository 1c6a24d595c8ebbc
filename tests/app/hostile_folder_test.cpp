// Starting in a hostile working folder: one that cannot be written, table files the reader does
// not fully understand, a huge value, a table file that is a symbolic link, temporaries left by
// killed writes. The program starts, says what is wrong, and never loses the user's bytes.

#include "contacts/contacts_window.h"
#include "contacts/messages_window.h"
#include "core/store/schemas.h"
#include "core/tables/errors.h"
#include "harness/window_test.h"
#include "reminders/main_window.h"

#include <QComboBox>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string kHeader = "contact_no^name^appointment_date^appointment_time^message^"
                            "days_before_appointment^recurring_days^Recurring^status^delivery^"
                            "batch^AllKey^\r\n";

std::string row(int n) {
    const std::string number = "07" + std::to_string(100 + n);
    return number + "^Ann^24/12/2026^10:00:00^Hello^0^0^^False^False^0^Hello" + number + "^\r\n";
}

std::string tenRows(int nulInRow = 0) {
    std::string text = kHeader;
    for (int n = 1; n <= 10; ++n) {
        std::string r = row(n);
        if (n == nulInRow)
            r[3] = '\0';
        text += r;
    }
    return text;
}

// Every write of this process fails as on a full disk, as long as it lives.
class FileSizeLimit {
public:
    FileSizeLimit() {
        std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &old_);
        rlimit none = old_;
        none.rlim_cur = 0;
        ::setrlimit(RLIMIT_FSIZE, &none);
    }
    ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &old_); }

private:
    rlimit old_{};
};

// The box of a file kept aside: the read's reason, whether the read reached the file's end (only
// a value or a line's end was cut) and the copy.
QString copyNamed(const std::string& reason, const std::string& path, bool readToEnd = false) {
    return QString::fromStdString(
        reason + "\n\nThe file " + path +
        (readToEnd ? " was read to its end." : " could not be read to its end.") +
        " Its contents are kept unchanged in " + path + ".unreadable.");
}

class HostileFolder : public WindowTest {
protected:
    // The files a first start and exit leave (settings, column widths, contacts, groups).
    void settle() {
        startForms();
        stopForms();
    }
};

struct BadFile {
    const char* name;
    std::string file;
    std::string bytes;
    std::string reason;
    bool readToEnd = false;
};

// Each file is read as far as it goes, kept aside byte for byte with a box that says why and
// names the copy, and the copy survives the exit's rewrite.
TEST_F(HostileFolder, AFileTheReaderDoesNotFullyUnderstandIsKeptAsideBeforeAnyRewrite) {
    const std::string garbage = "contact\tnumber\tgroup\tcontactKey\t\r\nAnn\t0123\t\t0123\t\r\n" +
                                std::string("\x7f\x01\x02\0\xff\x10garbage", 14);
    const BadFile cases[] = {
        {"nulInRowFive", "reminders.txt", tenRows(5),
         "reminders.txt: The file holds a NUL byte at position " +
             std::to_string(kHeader.size() + 4 * row(1).size() + 4) +
             "; nothing after it was read"},
        {"tabSeparatedReminders", "reminders.txt", "contact_no\tname\t\r\n0123\tAnn\t\r\n",
         "reminders.txt: The first line names none of the table's fields: "
         "'contact_no\tname\t'"},
        {"tenMegabytesWithoutLineEnd", "reminders.txt", std::string(10'000'000, 'q'),
         "reminders.txt: The first line names none of the table's fields: '" +
             std::string(80, 'q') + "\u2026'"},
        {"contactsWithBinaryGarbage", "dxContact.txt", garbage,
         "dxContact.txt: The file holds a NUL byte at position " +
             std::to_string(garbage.find('\0') + 1) + "; nothing after it was read"},
        {"hugeDateValue", "reminders.txt",
         kHeader + "0123^Ann^" + std::string(10'000'000, '9') + "^10:00:00^^^^^^^^^\r\n",
         "'" + std::string(80, '9') + "\u2026' is not a valid date"},
        // Read to its end: only the value is cut, and the box says so, naming the file.
        {"messageLongerThanItsField", "reminders.txt",
         kHeader + row(1) + "0123^Ann^24/12/2026^10:00:00^" + std::string(200, 'm') +
             "^0^0^^False^False^0^x^\r\n" + row(2),
         "reminders.txt: Line 3: a value of 200 characters does not fit field 'message' (160); "
         "only that value was cut",
         true},
    };
    for (const BadFile& c : cases) {
        SCOPED_TRACE(c.name);
        folder.write(c.file, c.bytes);
        const std::string path = folder.file(c.file);
        prompter.expectError(copyNamed(c.reason, path, c.readToEnd));
        startForms();
        prompter.verifyAllUsed();
        ASSERT_EQ(prompter.shown.size(), 1u);
        EXPECT_LT(prompter.shown.back().text.size(), 600); // quoted values are cut
        EXPECT_EQ(folder.read(c.file + ".unreadable"), c.bytes);
        stopForms();
        EXPECT_EQ(folder.read(c.file + ".unreadable"), c.bytes);
        prompter.shown.clear();
        for (const auto& e : std::filesystem::directory_iterator(folder.path()))
            std::filesystem::remove(e.path());
    }
}

TEST_F(HostileFolder, TheRowsBeforeANulByteAreReadAndTheCopyIsTakenOnce) {
    folder.write("reminders.txt", tenRows(5));
    prompter.expectError({});
    startForms();
    EXPECT_EQ(forms->frmMain->dxmReminders->RowCount(), 5); // four rows and the start of one
    stopForms();
    // The next start reads the rewritten file without a word.
    startForms();
    EXPECT_EQ(forms->frmMain->dxmReminders->RowCount(), 5);
    EXPECT_FALSE(folder.exists("reminders.txt.unreadable-2"));
}

// A folder that cannot be written: one box at start names the folder and the reason, start-up
// reads what it can, and every write that fails says so without ending the program or touching
// the old file.
TEST_F(HostileFolder, AFolderThatCannotBeWrittenStartsWithOneBoxAndKeepsEveryOldFile) {
    settle();
    folder.write("reminders.txt", kHeader + row(1));
    folder.write("groups.txt", "groupName\t\r\n\t\r\nall\t\r\nvip\t\r\n");
    {
        FileSizeLimit full;
        prompter.expectError(QString::fromStdString(
            "The data folder " + folder.path() +
            " cannot be written: File too large.\n\nThe program shows what it can read; "
            "changes cannot be saved until the folder can be written."));
        startForms();
        prompter.verifyAllUsed();
        EXPECT_EQ(forms->frmMain->dxmReminders->RowCount(), 1);
        EXPECT_GE(child<QComboBox>(forms->frmMain, "cboGroup")->findText("vip"), 0);

        // A change that cannot be saved is said; the program and the old file stay.
        TdxMemData& reminders = *forms->frmMain->dxmReminders;
        reminders.AddRow({FieldValue{}, std::string("0999")});
        const QString cannot = QString::fromStdString("Cannot create file " + folder.path());
        prompter.expectError(cannot + QStringLiteral("/reminders.txt"));
        stopForms();
    }
    EXPECT_EQ(folder.read("reminders.txt"), kHeader + row(1));
    EXPECT_EQ(folder.read("groups.txt"), "groupName\t\r\n\t\r\nall\t\r\nvip\t\r\n");
}

// The end of the program in a folder that became full: one box names every file that could not
// be saved, instead of a box per file.
TEST_F(HostileFolder, AnExitThatCannotSaveSaysSoInOneBoxNamingEveryFile) {
    settle();
    startForms();
    forms->frmMain->show();
    forms->frmMain->dxmReminders->AddRow({FieldValue{}, std::string("0999")});
    forms->frmMain->dxGroup->AddRow({FieldValue{}, std::string("golf")});
    forms->frmContact->dxContact->AddRow({FieldValue{}, std::string("Ann"), std::string("0123")});
    forms->frmMessage->dxmMessage->AddRow({FieldValue{}, std::string("See you soon")});
    {
        FileSizeLimit full;
        prompter.expectError({});
        forms->frmMain->close();
        stopForms();
    }
    prompter.verifyAllUsed();
    ASSERT_EQ(prompter.shown.size(), 1u);
    const QString text = prompter.shown.back().text;
    EXPECT_TRUE(text.startsWith(QStringLiteral("Some of your changes could not be saved:\n\n")))
        << text.toStdString();
    for (const char* file : {"reminders.txt", "groups.txt", "dxContact.txt", "message.txt"})
        EXPECT_TRUE(
            text.contains(QString::fromStdString("Cannot create file " + folder.file(file))))
            << file << "\n"
            << text.toStdString();
}

// When the copy cannot be made, the box gives the read's own error, and the file is held: it is
// neither rewritten nor deleted until its copy exists.
TEST_F(HostileFolder, AnUnreadableFileWhoseCopyFailsIsHeldUntilItCanBeCopied) {
    settle();
    const std::string bad = "contact_no\tname\t\r\n0123\tAnn\t\r\n";
    folder.write("reminders.txt", bad);
    const std::string path = folder.file("reminders.txt");
    {
        FileSizeLimit full;
        prompter.expectError({}); // the folder
        prompter.expectError(QString::fromStdString(
            "reminders.txt: The first line names none of the table's fields: "
            "'contact_no\tname\t'\n\nThe file " +
            path +
            " could not be read to its end, and its contents could not be copied aside (Cannot "
            "create file " +
            path + ".unreadable). The program will not change the file until they can be."));
        startForms();
        prompter.verifyAllUsed();
        // Deleting the (empty) pending list is refused while the copy cannot be made.
        try {
            forms->frmMain->saveReminders(true);
            ADD_FAILURE() << "deleted";
        } catch (const EFileError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "Cannot delete file " + path +
                          ": its earlier contents, which could not be read, could not be copied "
                          "aside, so the file is left as it is");
        }
        EXPECT_EQ(folder.read("reminders.txt"), bad);
    }
    // With room again, the exit copies the file aside first and only then deletes it.
    stopForms();
    EXPECT_EQ(folder.read("reminders.txt.unreadable"), bad);
    EXPECT_FALSE(folder.exists("reminders.txt"));
}

TEST_F(HostileFolder, ATableFileThatIsALinkIsWrittenThroughToItsTarget) {
    std::filesystem::create_directory(folder.file("real"));
    folder.write("real/pending.txt", kHeader + row(1));
    std::filesystem::create_symlink("real/pending.txt", folder.file("reminders.txt"));
    startForms();
    forms->frmMain->dxmReminders->AddRow({FieldValue{}, std::string("0999")});
    stopForms();
    EXPECT_TRUE(std::filesystem::is_symlink(folder.file("reminders.txt")));
    const std::string written = folder.read("real/pending.txt");
    EXPECT_EQ(written.substr(0, kHeader.size() + row(1).size()), kHeader + row(1));
    EXPECT_NE(written.find("0999^"), std::string::npos);
    // No temporary is left in either folder.
    for (const auto& dir : {folder.path(), folder.file("real")})
        for (const auto& e : std::filesystem::directory_iterator(dir))
            EXPECT_EQ(e.path().string().find(".tmp"), std::string::npos) << e.path();
}

// reminders.txt planted as a link to somebody else's file outside the data folder: the start says
// so, copies none of its bytes into the folder, and the exit leaves that file as it was.
TEST_F(HostileFolder, AReminderFileLinkedOutOfTheFolderIsNeverCopiedNorWritten) {
    TempFolder elsewhere;
    const std::string secret = "somebody's private notes\r\n";
    elsewhere.write("notes.txt", secret);
    ::chmod(elsewhere.file("notes.txt").c_str(), 0600);
    std::filesystem::create_symlink(elsewhere.file("notes.txt"), folder.file("reminders.txt"));
    const std::string path = folder.file("reminders.txt");
    prompter.expectError(QString::fromStdString(
        "reminders.txt: The first line names none of the table's fields: 'somebody's private "
        "notes'\n\nThe file " +
        path +
        " could not be read to its end, and its contents could not be copied aside (Cannot copy "
        "file " +
        path + ": it is a link to " + elsewhere.file("notes.txt") +
        ", outside its folder). The program will not change the file until they can be."));
    startForms();
    prompter.verifyAllUsed();
    forms->frmMain->dxmReminders->AddRow({FieldValue{}, std::string("0999")});
    prompter.expectError({}); // the pending list cannot be saved over it
    stopForms();
    EXPECT_EQ(elsewhere.read("notes.txt"), secret);
    for (const auto& e : std::filesystem::directory_iterator(folder.path()))
        EXPECT_EQ(e.path().string().find(".unreadable"), std::string::npos) << e.path();
}

TEST_F(HostileFolder, StartUpRemovesOnlyItsOwnStaleTemporaries) {
    struct Temp {
        const char* name;
        bool old;
        bool removed;
    };
    const Temp temps[] = {
        {"reminders.txt.tmpAb12Cd", true, true},
        {"dxContact.txt.tmp0a0B0c", true, true},
        {"donottext.txt.tmpAb12Cd", true, true},
        {"donottext.txt.unreadable.tmpAb12Cd", true, true},
        {"groups.txt.tmpAb12Cd", true, true},
        {"message.txt.tmpAb12Cd", true, true},
        {"mail.txt.tmpAb12Cd", true, true},
        {"sentitems.txt.unreadable-2.tmpXyZ789", true, true},
        {"tallyminder.ini.tmpAb12Cd", true, true}, // the dial-up settings file's
        {"tallyminder.tmpAb12Cd", true, false},    // not a file the program writes here
        {"notes.txt.tmpAb12Cd", true, false},      // somebody else's
        {"reminders.txt.tmpAb12", true, false},    // not the temporaries' pattern
        {"reminders.txt.tmpAb12C!", true, false},  // nor this
        {"mail.txt.tmpQq11Ww", false, false},      // may be a live writer's
        {"groups.txt.unreadable", true, false},
    };
    for (const Temp& t : temps) {
        folder.write(t.name, "partial");
        if (t.old) {
            const timespec times[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
            ASSERT_EQ(::utimensat(AT_FDCWD, folder.file(t.name).c_str(), times, 0), 0);
        }
    }
    startForms();
    for (const Temp& t : temps)
        EXPECT_EQ(folder.exists(t.name), !t.removed) << t.name;
}

} // namespace
