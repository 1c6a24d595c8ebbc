// The send transaction's steps and what start-up makes of a journal left behind.

#include "core/reminders/send_transaction.h"

#include "core/reminders/reminder.h"
#include "core/store/schemas.h"
#include "core/tables/atomic_file.h"
#include "core/tables/date_time.h"
#include "core/tables/format_settings.h"
#include "core/tables/mem_data.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {

class SendTransaction : public ::testing::Test {
protected:
    void SetUp() override {
        setProcessFormats(FormatSettings{});
        pending->FieldDelimiter = kRemindersDelimiter;
        for (const char* number : {"0411000001", "0411000002"}) {
            Reminder r;
            r.contactNo = number;
            r.name = "Ann";
            r.appointmentDate = dayNumber(2026, 12, 24);
            r.message = "Hi";
            appendReminder(*pending, r);
        }
    }

    std::vector<std::string> numbersIn(const std::string& path, char delimiter) {
        auto t = delimiter == '^' ? schemas::makeReminders() : schemas::makeSentItems();
        t->FieldDelimiter = delimiter;
        t->Open();
        if (fileExists(path))
            t->ReadDelimitedFile(path);
        std::vector<std::string> out;
        for (int r = 0; r < t->RowCount(); ++r)
            out.push_back(t->CellText(r, t->FieldIndex(fields::contact_no)));
        std::sort(out.begin(), out.end()); // the log reads back newest first
        return out;
    }
    std::vector<std::string> pendingNumbers() { return numbersIn(files.reminders, '^'); }
    std::vector<std::string> sentNumbers() { return numbersIn(files.sentItems, '\t'); }

    TempFolder folder;
    SendFiles files = SendFiles::in(AppPaths::inOneFolder(folder.path()));
    std::unique_ptr<TdxMemData> pending = schemas::makeReminders();
    std::unique_ptr<TdxMemData> sent = schemas::makeSentItems();
    const double now = dateTimeValue(dayNumber(2026, 12, 11), timeMs(9, 12));
};

TEST_F(SendTransaction, TheJournalIsOnDiskOnlyWhileTheOutcomeIsNot) {
    BatchTransaction t(*pending, *sent, files);
    const std::string body = t.stamp(true, false, 46367.5, now).str();
    EXPECT_EQ(folder.read("reminders.txt"), body);
    EXPECT_FALSE(fileExists(files.journal)); // the server has nothing yet
    t.beforeDataEnd();
    const std::optional<SendJournal> j = readSendJournal(files.journal);
    ASSERT_TRUE(j);
    EXPECT_EQ(j->batch, "46367.5");
    EXPECT_EQ(j->fileHash, sha256Hex(body));
    EXPECT_EQ(j->reminders, 2);
    EXPECT_DOUBLE_EQ(j->started, now);

    const std::unique_ptr<TdxMemData> batch = t.accepted(dayNumber(2026, 12, 11));
    EXPECT_FALSE(fileExists(files.journal));
    EXPECT_FALSE(fileExists(files.reminders));
    EXPECT_EQ(pending->RowCount(), 0);
    // The batch as mailed, for the print: the same rows, stamped, in the same order.
    ASSERT_EQ(batch->RowCount(), 2);
    batch->FieldDelimiter = kRemindersDelimiter;
    EXPECT_EQ(batch->DelimitedText(), body);
    EXPECT_EQ(sentNumbers(), (std::vector<std::string>{"0411000001", "0411000002"}));
}

TEST_F(SendTransaction, ARefusedBatchStaysPendingWithoutAJournal) {
    BatchTransaction t(*pending, *sent, files);
    t.stamp(false, false, 46367.5, now);
    t.beforeDataEnd();
    t.refused();
    EXPECT_FALSE(fileExists(files.journal));
    EXPECT_EQ(pendingNumbers().size(), 2u);
    EXPECT_FALSE(findUnfinishedSend(files));
}

// A log that cannot be written after the server's acceptance: the batch stays pending alone, in
// memory too, and its journal stays for the next start to ask about.
TEST_F(SendTransaction, ALogThatCannotBeWrittenLeavesTheBatchPendingAndJournalled) {
    BatchTransaction t(*pending, *sent, files);
    t.stamp(false, false, 46367.5, now);
    t.beforeDataEnd();
    std::filesystem::create_directory(files.sentItems);
    EXPECT_ANY_THROW(t.accepted(dayNumber(2026, 12, 11)));
    EXPECT_EQ(sent->RowCount(), 0);
    EXPECT_EQ(pending->RowCount(), 2);
    EXPECT_TRUE(fileExists(files.journal));
    std::filesystem::remove(files.sentItems);
}

// Where a send was killed, by what the files hold: the journal, the pending file with the
// batch, the log with it. Start-up asks only where the server's answer is not on disk.
TEST_F(SendTransaction, StartUpAsksOnlyWhenTheFilesCannotTell) {
    struct Case {
        const char* stop;
        bool logHoldsBatch;
        bool pendingHoldsBatch;
        bool asks;
    };
    const Case cases[] = {
        {"after the end went out, before an answer", false, true, true},
        {"after the log was written", true, true, false},
        {"after the pending file went", true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stop);
        std::filesystem::remove(files.sentItems);
        auto p = schemas::makeReminders();
        p->FieldDelimiter = kRemindersDelimiter;
        auto s = schemas::makeSentItems();
        s->Open();
        p->Open();
        p->ReadDelimitedText(pending->DelimitedText());
        BatchTransaction t(*p, *s, files);
        t.stamp(false, false, 46367.5, now);
        t.beforeDataEnd();
        if (c.logHoldsBatch) {
            auto copy = schemas::makeSentItems();
            copy->Open();
            auto hold = schemas::makeReminders();
            hold->FieldDelimiter = kRemindersDelimiter;
            hold->Open();
            hold->ReadDelimitedText(t.body());
            BatchTransaction logOnly(
                *hold, *copy, {folder.file("scratch.txt"), files.sentItems, folder.file("j2.txt")});
            logOnly.accepted(dayNumber(2026, 12, 11));
        }
        if (!c.pendingHoldsBatch)
            removeFile(files.reminders);

        const std::optional<UnfinishedSend> u = findUnfinishedSend(files);
        EXPECT_EQ(u.has_value(), c.asks);
        if (u) {
            EXPECT_EQ(u->reminders, 2);
            EXPECT_TRUE(fileExists(files.journal)); // until the user answers
            keepUnfinishedSendPending(files);
        }
        EXPECT_FALSE(fileExists(files.journal));
        // Never both, never neither.
        const size_t inLog = sentNumbers().size(), inPending = pendingNumbers().size();
        EXPECT_EQ(inLog + inPending, 2u);
        EXPECT_EQ(inLog, c.logHoldsBatch ? 2u : 0u);
    }
}

// "Mark as Sent" moves the batch's reminders only: one typed after the unconfirmed send stays.
TEST_F(SendTransaction, MarkAsSentMovesOnlyTheBatch) {
    BatchTransaction t(*pending, *sent, files);
    t.stamp(false, false, 46367.5, now);
    t.beforeDataEnd();
    Reminder later;
    later.contactNo = "0411000003";
    later.name = "Cy";
    later.appointmentDate = dayNumber(2026, 12, 28);
    later.message = "Later";
    appendReminder(*pending, later);
    pending->WriteDelimitedFile(files.reminders);

    const std::optional<UnfinishedSend> u = findUnfinishedSend(files);
    ASSERT_TRUE(u);
    EXPECT_EQ(u->reminders, 2);
    EXPECT_EQ(u->journal.fileHash, sha256Hex(t.body()));
    markUnfinishedSendAsSent(files, *u, dayNumber(2026, 12, 11));
    EXPECT_EQ(sentNumbers(), (std::vector<std::string>{"0411000001", "0411000002"}));
    EXPECT_EQ(pendingNumbers(), std::vector<std::string>{"0411000003"});
    EXPECT_FALSE(fileExists(files.journal));
}

} // namespace
