// Two copies of the program on one data folder: the second is told who holds the folder and
// chooses; a read-only copy changes and writes nothing and reloads on F5; a lock left by a
// killed copy is replaced; two copies writing at once lose nothing and send nothing twice.

#include "../sending/send_boxes.h"
#include "../sending/test_servers.h"
#include "core/folder/folder_lock.h"
#include "core/store/schemas.h"
#include "core/tables/date_time.h"
#include "core/tables/errors.h"
#include "harness/window_test.h"
#include "reminders/main_window.h"
#include "replies/replies_window.h"
#include "sending/send_mail_window.h"
#include "sending/sent_items_window.h"

#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <csignal>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class SharedFolder : public WindowTest {
protected:
    // The folder's holder as the start box names it.
    std::string holderText() {
        const auto owner = parseLockText(folder.read(kFolderLockFile));
        return owner ? folderInUseText(*owner) : std::string("no lock");
    }

    // A second copy of the program on the same folder, answering the start box.
    std::unique_ptr<Forms> secondCopy(BoxButton answer) {
        prompter.expect(BoxKind::Warning, QString::fromStdString(holderText()), answer);
        auto second =
            std::make_unique<Forms>(prompter, clock, AppPaths::inOneFolder(folder.path()));
        prompter.verifyAllUsed();
        const Box& box = prompter.shown.back();
        EXPECT_EQ(box.captions, (QStringList{"Open Read-Only", "Open Anyway", "Quit"}));
        EXPECT_EQ(box.defaultButton, BoxButton::Yes);
        return second;
    }

    static void addReminder(Forms& copy, const std::string& number, int day) {
        TdxMemData& pending = *copy.tables().dxmReminders;
        std::vector<FieldValue> row(static_cast<size_t>(pending.FieldCount()));
        auto set = [&](const char* f, FieldValue v) {
            row[static_cast<size_t>(pending.FieldIndex(f))] = std::move(v);
        };
        set(fields::contact_no, number);
        set(fields::name, "Client " + number);
        set(fields::appointment_date, dayNumber(2026, 12, day));
        set(fields::appointment_time, timeMs(10, 30));
        set(fields::message, std::string("See you soon"));
        set(fields::days_before_appointment, int32_t{1});
        set(fields::recurring_days, int32_t{0});
        pending.AddRow(row);
        // What OK does after adding a reminder.
        pending.FieldDelimiter = kRemindersDelimiter;
        pending.WriteDelimitedFile(copy.paths().file(kRemindersFile));
    }

    // The send window of a copy, filled in for the loopback server at port.
    static void openSendWindow(Forms& copy, uint16_t port) {
        TfrmSendMail& send = *copy.frmSendMail;
        send.smtp.Port = port;
        send.smtp.Timeouts.command = std::chrono::milliseconds(2000);
        send.show();
        for (auto [edit, text] : {std::pair{send.dbeFromAddress, "desk@shop.example"},
                                  std::pair{send.dbeFromName, "Front Desk"},
                                  std::pair{send.dbeMailServer, "127.0.0.1"}}) {
            edit->selectAll();
            QTest::keyClicks(edit, QString::fromLatin1(text));
        }
    }

    // Every file of the data folder with its bytes. The tests keep the program's own settings
    // (window places, column widths) in the same folder; on a desk they are each machine's own,
    // and are left out here.
    std::map<std::string, std::string> folderFiles() {
        std::map<std::string, std::string> files;
        for (const auto& e : std::filesystem::directory_iterator(folder.path())) {
            const std::string name = e.path().filename().string();
            if (name != "width.ini" && name != "tallyminder.ini")
                files[name] = folder.read(name);
        }
        return files;
    }
};

TEST_F(SharedFolder, TheFirstCopyHoldsTheFolderUntilItEnds) {
    startForms();
    ASSERT_TRUE(folder.exists(kFolderLockFile));
    const auto owner = parseLockText(folder.read(kFolderLockFile));
    ASSERT_TRUE(owner);
    EXPECT_EQ(owner->pid, getpid());
    EXPECT_FALSE(forms->readOnly());
    stopForms();
    EXPECT_FALSE(folder.exists(kFolderLockFile));
}

TEST_F(SharedFolder, AReadOnlySecondCopyRefusesChangesWritesNothingAndReloadsOnF5) {
    startForms();
    addReminder(*forms, "0411000001", 14);
    auto second = secondCopy(BoxButton::Yes);
    ASSERT_TRUE(second->readOnly());
    EXPECT_TRUE(second->frmMain->windowTitle().endsWith(" (read-only)"));
    EXPECT_FALSE(child<QPushButton>(second->frmMain, "bmbSendMail")->isEnabled());
    EXPECT_EQ(second->tables().dxmReminders->RowCount(), 1);

    const std::string refusal = holderText() + " This copy of the program is open read-only: "
                                               "nothing can be changed.";
    for (TdxMemData* table : {second->tables().dxmReminders.get(), second->tables().dxContact.get(),
                              second->tables().dxmMessage.get(), second->tables().dmMail.get()}) {
        SCOPED_TRACE(table->Name());
        try {
            table->Append();
            ADD_FAILURE() << "not refused";
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.what(), refusal);
        }
    }
    // Through the window: one box naming the holder.
    prompter.expect(BoxKind::Confirmation, {}, BoxButton::Yes); // the deletion's own question
    prompter.expectError(QString::fromStdString(refusal));
    child<RecordGrid>(second->frmMain, "dbgReminders")->selectRow(0);
    QTest::mouseClick(child<QPushButton>(second->frmMain, "bmbDelete"), Qt::LeftButton);
    prompter.verifyAllUsed();
    EXPECT_EQ(second->tables().dxmReminders->RowCount(), 1);
    // Checking the replies would add rows: refused before the mailbox is read.
    prompter.expectError(QString::fromStdString(refusal));
    child<QPushButton>(second->frmReplies, "bmbCheckReplies")->click();
    prompter.verifyAllUsed();

    // The first copy adds a reminder and reads a reply; F5 in the second shows both.
    addReminder(*forms, "0411000002", 15);
    TdxMemData& replies = *forms->tables().dxmReplies;
    replies.AddRow({FieldValue{}, 46'000.5, std::string("0411000002"), FieldValue{}, FieldValue{},
                    FieldValue{}, std::string("Other"), std::string("running late"),
                    std::string("<r1@gateway>"), false});
    forms->tables().write(replies, kRepliesFile);
    auto* reload = second->frmMain->findChild<QShortcut*>("Reload");
    ASSERT_TRUE(reload);
    EXPECT_EQ(reload->key(), QKeySequence(Qt::Key_F5));
    emit reload->activated();
    EXPECT_EQ(second->tables().dxmReminders->RowCount(), 2);
    EXPECT_EQ(second->tables().dxmReplies->RowCount(), 1);
    EXPECT_EQ(child<QToolButton>(second->frmMain, "bmbReplies")->text(),
              QStringLiteral("Replies (1)"));
    // Its Replies window shows the reply and closes without a box, marking nothing read.
    second->frmReplies->show();
    second->frmReplies->reject();
    EXPECT_FALSE(second->frmReplies->isVisible());
    EXPECT_EQ(child<QToolButton>(second->frmMain, "bmbReplies")->text(),
              QStringLiteral("Replies (1)"));

    // The first copy empties its list meanwhile; the second's end writes and removes nothing.
    const auto before = folderFiles();
    second.reset();
    EXPECT_EQ(folderFiles(), before);
}

TEST_F(SharedFolder, QuitBuildsNoWindowAndLeavesTheFolderAlone) {
    startForms();
    const auto before = folderFiles();
    auto second = secondCopy(BoxButton::Cancel);
    EXPECT_TRUE(second->quitChosen());
    EXPECT_EQ(second->frmMain, nullptr);
    second.reset();
    EXPECT_EQ(folderFiles(), before);
}

TEST_F(SharedFolder, ALockLeftByAKilledCopyIsReplacedAndSaidOnce) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    if (child == 0) {
        FolderLock lock(folder.file(kFolderLockFile), thisProcessOwner(std::time(nullptr)));
        lock.take();
        (void)!write(ready[1], "x", 1);
        pause();
        _exit(0);
    }
    char c;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    close(ready[0]);
    close(ready[1]);
    const auto holder = parseLockText(folder.read(kFolderLockFile));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    ASSERT_TRUE(holder);

    prompter.expect(BoxKind::Information,
                    QStringLiteral("The data folder was still locked by %1, whose program is no "
                                   "longer running. This copy has taken the folder over.")
                        .arg(QString::fromStdString(ownerDescription(*holder))));
    startForms();
    prompter.verifyAllUsed();
    EXPECT_FALSE(forms->readOnly());
    EXPECT_EQ(parseLockText(folder.read(kFolderLockFile))->pid, getpid());
}

TEST_F(SharedFolder, TwoCopiesOpenAnywayKeepEachOthersReminders) {
    startForms();
    addReminder(*forms, "0411000001", 14);
    auto second = secondCopy(BoxButton::No);
    EXPECT_FALSE(second->readOnly());
    addReminder(*forms, "0411000002", 15);  // the second copy never read this one
    addReminder(*second, "0411000003", 16); // and writes its whole list
    second.reset();
    stopForms();
    const std::string file = folder.read(kRemindersFile);
    for (const char* number : {"0411000001", "0411000002", "0411000003"})
        EXPECT_NE(file.find(number), std::string::npos) << number;
}

// The first copy sends; while its batch is out, the second adds a reminder and tries to send.
// It is told who sends; its later send mails only the reminder it added.
TEST_F(SharedFolder, TwoSendsAtOnceMailEachReminderOnce) {
    testservers::LoopbackServer server(testservers::LoopbackServer::Mode::Accept);
    startForms();
    addReminder(*forms, "0411000001", 14);
    addReminder(*forms, "0411000002", 15);
    auto second = secondCopy(BoxButton::No);
    for (Forms* copy : {forms.get(), second.get()})
        openSendWindow(*copy, server.port());
    const auto owner = parseLockText(folder.read(kFolderLockFile));
    ASSERT_TRUE(owner);
    prompter.onShow = [&](const Box&) {
        // The first copy's batch is at the server; its "Message successfully sent" is up.
        addReminder(*second, "0411000003", 16);
        child<QPushButton>(second->frmSendMail, "bmbSend")->click();
    };
    prompter.expectError({}); // checked below: it names the send's start, not the program's
    expectSendSuccessBoxes(prompter);
    child<QPushButton>(forms->frmSendMail, "bmbSend")->click();
    prompter.verifyAllUsed();
    EXPECT_EQ(server.messages(), 1) << prompter.shown.back().details.toStdString();
    std::string refused;
    for (const Box& box : prompter.shown)
        if (box.kind == BoxKind::Error)
            refused = box.text.toStdString();
    EXPECT_EQ(refused.rfind("The reminders are being sent by " + owner->user + " on " +
                                owner->host + " since ",
                            0),
              0u)
        << refused;
    EXPECT_TRUE(refused.ends_with(". Try again when that send has finished.")) << refused;

    clock.set(2026, 12, 9, 9, 31); // the second batch a minute later
    expectSendSuccessBoxes(prompter);
    child<QPushButton>(second->frmSendMail, "bmbSend")->click();
    prompter.verifyAllUsed();
    EXPECT_EQ(server.messages(), 2);

    // The log has each reminder once: the first two in one batch, the third in the next.
    auto log = schemas::makeSentItems();
    log->ReadDelimitedFile(folder.file(kSentItemsFile));
    std::map<std::string, std::string> batchOf;
    for (int r = 0; r < log->RowCount(); ++r)
        EXPECT_TRUE(batchOf
                        .emplace(log->CellText(r, log->FieldIndex(fields::contact_no)),
                                 log->CellText(r, log->FieldIndex(fields::batch)))
                        .second);
    ASSERT_EQ(batchOf.size(), 3u);
    EXPECT_EQ(batchOf["0411000001"], batchOf["0411000002"]);
    EXPECT_NE(batchOf["0411000001"], batchOf["0411000003"]);
    EXPECT_FALSE(folder.exists(kRemindersFile));
    EXPECT_FALSE(folder.exists(kSendingLockFile));
    second.reset();
}

// A send holds sending.lock as long as it lasts, a box left open included: the lock is
// refreshed every minute meanwhile, so that no other copy finds it stale and sends the same
// reminders.
TEST_F(SharedFolder, TheSendingLockIsRefreshedWhileItsSendLasts) {
    testservers::LoopbackServer server(testservers::LoopbackServer::Mode::Accept);
    startForms();
    addReminder(*forms, "0411000001", 14);
    openSendWindow(*forms, server.port());
    const std::string lockPath = folder.file(kSendingLockFile);
    bool looked = false;
    prompter.onShow = [&](const Box&) {
        // The send's own box is up; the lock is still held.
        looked = true;
        auto* timer = forms->frmSendMail->findChild<QTimer*>(QStringLiteral("tmrSendingLock"));
        ASSERT_TRUE(timer);
        EXPECT_EQ(timer->interval(), 60'000);
        EXPECT_TRUE(timer->isActive());
        struct stat before {};
        ASSERT_EQ(stat(lockPath.c_str(), &before), 0);
        timer->start(1); // a minute gone by
        QTest::qWait(40);
        struct stat after {};
        ASSERT_EQ(stat(lockPath.c_str(), &after), 0);
        EXPECT_TRUE(after.st_mtim.tv_sec != before.st_mtim.tv_sec ||
                    after.st_mtim.tv_nsec != before.st_mtim.tv_nsec);
        EXPECT_EQ(parseLockText(folder.read(kSendingLockFile))->pid, getpid());
    };
    expectSendSuccessBoxes(prompter);
    child<QPushButton>(forms->frmSendMail, "bmbSend")->click();
    prompter.verifyAllUsed();
    EXPECT_TRUE(looked);
    EXPECT_EQ(server.messages(), 1);
    EXPECT_FALSE(folder.exists(kSendingLockFile));
    EXPECT_EQ(forms->frmSendMail->findChild<QTimer*>(QStringLiteral("tmrSendingLock")), nullptr);
}

} // namespace
