// The send as a transaction through the windows: the outcome is on disk before any box, and a
// send that stopped while the gateway may have had its batch is asked about once at the next
// start, never sent by itself.

#include "core/reminders/reminder.h"
#include "core/reminders/send_journal.h"
#include "core/reminders/send_transaction.h"
#include "core/store/schemas.h"
#include "core/tables/date_time.h"
#include "harness/window_test.h"
#include "reminders/main_window.h"
#include "send_boxes.h"
#include "sending/send_mail_window.h"
#include "sending/sent_items_window.h"
#include "test_servers.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

using testservers::LoopbackServer;

class UnfinishedSend : public WindowTest {
protected:
    // A data folder as a send killed after the end of its e-mail went out leaves it: the
    // stamped pending file and the journal, nothing in the log.
    void leaveAnUnfinishedSend(double started) {
        auto pending = schemas::makeReminders();
        pending->FieldDelimiter = kRemindersDelimiter;
        pending->Open();
        for (const char* number : {"0411000001", "0411000002", "0411000003"}) {
            Reminder r;
            r.contactNo = number;
            r.name = "Ann";
            r.appointmentDate = dayNumber(2026, 12, 24);
            r.appointmentTime = timeMs(10, 30);
            r.message = "See you";
            appendReminder(*pending, r);
        }
        auto sent = schemas::makeSentItems();
        sent->Open();
        BatchTransaction t(*pending, *sent, SendFiles::in(AppPaths::inOneFolder(folder.path())));
        t.stamp(false, false, started, started);
        t.beforeDataEnd();
    }

    const double nineTwelve = dateTimeValue(dayNumber(2026, 12, 9), timeMs(9, 12));
    const QString question =
        QStringLiteral("The last send of 3 reminders at 09:12 may have reached the gateway.");
};

TEST_F(UnfinishedSend, StartUpAsksOnceAndMarkAsSentMovesTheBatchToTheSentItems) {
    leaveAnUnfinishedSend(nineTwelve);
    prompter.expect(BoxKind::Confirmation, question, BoxButton::Yes);
    startForms();
    prompter.verifyAllUsed();
    const Box& box = prompter.shown.front();
    EXPECT_EQ(box.defaultButton, BoxButton::No);
    EXPECT_EQ(box.captions,
              (QStringList{QStringLiteral("Mark as Sent"), QStringLiteral("Keep Pending")}));
    EXPECT_EQ(forms->frmMain->dxmReminders->RowCount(), 0);
    EXPECT_EQ(forms->frmSentItems->dxmSentItems->RowCount(), 3);
    EXPECT_FALSE(folder.exists("reminders.txt"));
    EXPECT_FALSE(folder.exists(kSendJournalFile));

    // Asked once: the next start says nothing.
    stopForms();
    startForms();
    EXPECT_EQ(forms->frmSentItems->dxmSentItems->RowCount(), 3);
}

TEST_F(UnfinishedSend, KeepPendingLeavesTheBatchPendingAndSendsNothing) {
    LoopbackServer server(LoopbackServer::Mode::Accept);
    leaveAnUnfinishedSend(nineTwelve);
    prompter.expect(BoxKind::Confirmation, question, BoxButton::No);
    startForms();
    EXPECT_EQ(forms->frmMain->dxmReminders->RowCount(), 3);
    EXPECT_EQ(forms->frmSentItems->dxmSentItems->RowCount(), 0);
    EXPECT_FALSE(folder.exists(kSendJournalFile));
    EXPECT_EQ(server.connections(), 0);
}

// The server accepted the batch: the log holds it, the pending file is gone and the journal
// cleared before the first box opens, so a program killed while a box is open has nothing left
// to send twice.
TEST_F(UnfinishedSend, TheOutcomeIsOnDiskBeforeAnyBoxOpens) {
    startForms();
    TfrmSendMail* send = forms->frmSendMail;
    TdxMemData* pending = forms->frmMain->dxmReminders;
    Reminder r;
    r.contactNo = "0411000001";
    r.name = "Ann Lee";
    r.appointmentDate = dayNumber(2026, 12, 24);
    r.message = "See you";
    appendReminder(*pending, r);
    pending->FieldDelimiter = kRemindersDelimiter;
    pending->WriteDelimitedFile(folder.file("reminders.txt"));
    LoopbackServer server(LoopbackServer::Mode::Accept);
    send->smtp.Port = server.port();
    for (auto [edit, text] :
         {std::pair{child<QLineEdit>(send, "dbeFromAddress"), "desk@shop.example"},
          std::pair{child<QLineEdit>(send, "dbeFromName"), "Front Desk"},
          std::pair{child<QLineEdit>(send, "dbeMailServer"), "127.0.0.1"}}) {
        edit->selectAll();
        QTest::keyClicks(edit, QString::fromLatin1(text));
    }
    send->show();
    bool looked = false;
    prompter.onShow = [&](const Box&) {
        if (looked)
            return;
        looked = true;
        EXPECT_FALSE(folder.exists("reminders.txt"));
        EXPECT_FALSE(folder.exists(kSendJournalFile));
        EXPECT_NE(folder.read("sentitems.txt").find("0411000001"), std::string::npos);
        EXPECT_EQ(pending->RowCount(), 0);
    };
    expectSendSuccessBoxes(prompter);
    QTest::mouseClick(child<QPushButton>(send, "bmbSend"), Qt::LeftButton);
    EXPECT_TRUE(looked);
    EXPECT_EQ(server.messages(), 1);
}

} // namespace
