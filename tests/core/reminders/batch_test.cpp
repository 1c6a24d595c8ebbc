#include "core/reminders/batch.h"

#include "core/reminders/reminder.h"
#include "core/store/schemas.h"
#include "core/tables/date_time.h"
#include "core/tables/format_settings.h"
#include "core/tables/mem_data.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class Batch : public ::testing::Test {
protected:
    void SetUp() override {
        setProcessFormats(FormatSettings{});
        for (const char* number : {"0111", "0222"}) {
            Reminder r;
            r.contactNo = number;
            r.name = "Ann";
            r.appointmentDate = dayNumber(2026, 12, 24);
            r.appointmentTime = 9 * 3'600'000;
            r.message = "Hi";
            r.daysBefore = 1;
            r.recurringDays = 2;
            r.recurring = "weekly";
            appendReminder(*pending, r);
        }
    }
    std::unique_ptr<TdxMemData> pending = schemas::makeReminders();
    std::unique_ptr<TdxMemData> sent = schemas::makeSentItems();
};

TEST_F(Batch, StampingMarksEveryPendingReminderInOnePass) {
    int posts = 0;
    pending->AfterPost = [&](TdxMemData&) { ++posts; };
    pending->Edit(); // an edit left open is posted first
    stampBatch(*pending, true, false, 46380.25);
    EXPECT_EQ(posts, 2); // the open edit, then once for the whole stamp
    EXPECT_TRUE(pending->AtEnd());
    EXPECT_EQ(pending->RowNumber(), 2);
    pending->FieldDelimiter = kRemindersDelimiter;
    const std::string text = pending->DelimitedText();
    EXPECT_NE(
        text.find("0111^Ann^24/12/2026^09:00:00^Hi^1^2^weekly^True^False^46380.25^Hi0111^\r\n"),
        std::string::npos);
    EXPECT_NE(
        text.find("0222^Ann^24/12/2026^09:00:00^Hi^1^2^weekly^True^False^46380.25^Hi0222^\r\n"),
        std::string::npos);
}

TEST_F(Batch, EachAttemptGetsItsOwnIdentifier) {
    const double ms = 1.0 / 86'400'000.0;
    EXPECT_EQ(nextBatchId(46380.5, 0.0), 46380.5);
    EXPECT_DOUBLE_EQ(nextBatchId(46380.5, 46380.5), 46380.5 + ms); // the clock has not moved
    EXPECT_DOUBLE_EQ(nextBatchId(46380.0, 46380.5), 46380.5 + ms); // nor back
}

TEST_F(Batch, MovingAppendsEveryReminderDatedTodayAfterTheLog) {
    // One older entry of the log; the log is shown newest first.
    sent->AddRow({FieldValue{}, std::string("0999"), std::string("Old"), dayNumber(2026, 1, 1),
                  int32_t{0}, std::string("Old"), int32_t{0}, int32_t{0}, dayNumber(2026, 1, 2),
                  false, false, 1.0});
    stampBatch(*pending, false, true, 46000.5);
    int redraws = 0;
    struct Counter : TableView {
        int& n;
        explicit Counter(int& c) : n(c) {}
        void tableRefresh() override { ++n; }
        void tableRowChanged(int) override { n += 100; }
    } view(redraws);
    sent->AddView(&view);
    moveBatchToSentItems(*pending, *sent, dayNumber(2026, 12, 10));
    sent->RemoveView(&view);

    EXPECT_EQ(pending->RowCount(), 2);
    ASSERT_EQ(sent->RowCount(), 3);
    EXPECT_EQ(sent->SortedField(), fields::create_date);
    // Added rows stay where they were added until the next full sort: after the log, in the
    // pending list's order.
    const int number = sent->FieldIndex(fields::contact_no);
    EXPECT_EQ(sent->CellText(0, number), "0999");
    EXPECT_EQ(sent->CellText(1, number), "0111");
    EXPECT_EQ(sent->CellText(2, number), "0222");
    EXPECT_EQ(sent->CellText(1, sent->FieldIndex(fields::create_date)), "10/12/2026");
    EXPECT_EQ(sent->CellText(1, sent->FieldIndex(fields::message)), "Hi");
    EXPECT_EQ(sent->CellText(1, sent->FieldIndex(fields::days_before_appointment)), "1");
    EXPECT_EQ(sent->CellText(1, sent->FieldIndex(fields::recurring_days)), "2");
    EXPECT_EQ(sent->CellText(1, sent->FieldIndex(fields::delivery)), "True");
    EXPECT_EQ(sent->CellText(1, sent->FieldIndex(fields::batch)), "46000.5");
    EXPECT_EQ(redraws, 1); // one redraw, not one per row
}

} // namespace
