#include "core/reminders/appointment_import.h"

#include "core/store/do_not_text.h"
#include "core/store/schemas.h"
#include "core/tables/date_time.h"
#include "core/tables/format_settings.h"
#include "core/tables/mem_data.h"

#include <gtest/gtest.h>

namespace {

const int32_t kMonday = dayNumber(2026, 12, 14);

struct Import : ::testing::Test {
    std::unique_ptr<TdxMemData> reminders = schemas::makeReminders();
    std::unique_ptr<TdxMemData> linkTable = schemas::makeCalendarLinks();
    std::unique_ptr<TdxMemData> doNotTextList = schemas::makeDoNotText();
    DoNotTextSet doNotText;
    std::unique_ptr<CalendarLinks> links;

    void SetUp() override {
        setProcessFormats(FormatSettings{});
        links = std::make_unique<CalendarLinks>(*linkTable);
    }

    ImportSetting setting() {
        ImportSetting s;
        s.reminders = reminders.get();
        s.links = links.get();
        s.doNotText = &doNotText;
        s.source = "/home/salon/bookings.ics";
        s.message = "Your appointment is on | at ~";
        s.daysBefore = 1;
        s.fromDay = kMonday;
        s.toDay = kMonday + 6;
        return s;
    }

    static AppointmentEntry entry(const char* uid, int32_t day, int hour, int minute,
                                  const char* number = "07700 900123", const char* name = "Zoe") {
        AppointmentEntry e;
        e.key = {"/home/salon/bookings.ics", uid, ""};
        e.when = {day, timeMs(hour, minute)};
        e.number = number;
        e.name = name;
        return e;
    }

    std::vector<AppointmentReview> review(const std::vector<AppointmentEntry>& entries) {
        return reviewAppointments(entries, setting());
    }

    ImportOutcome apply(std::vector<AppointmentReview> reviews) {
        return applyAppointments(reviews, setting());
    }

    std::string pendingFile() {
        reminders->FieldDelimiter = kRemindersDelimiter;
        return reminders->DelimitedText();
    }
};

std::vector<ImportState> states(const std::vector<AppointmentReview>& reviews) {
    std::vector<ImportState> out;
    for (const AppointmentReview& r : reviews)
        out.push_back(r.state);
    return out;
}

TEST_F(Import,
       NewAppointmentsBecomeRemindersWithTheirDateAndTimeFilledAndASecondImportAddsNothing) {
    const std::vector<AppointmentEntry> week = {
        entry("a", kMonday, 9, 30), entry("b", kMonday + 1, 14, 30, "+44 7700 900456", "Sam")};
    auto first = review(week);
    EXPECT_EQ(states(first), (std::vector{ImportState::New, ImportState::New}));
    const ImportOutcome outcome = apply(first);
    EXPECT_EQ(outcome.added, 2);
    EXPECT_EQ(
        pendingFile(),
        "contact_no^name^appointment_date^appointment_time^message^days_before_appointment^"
        "recurring_days^Recurring^status^delivery^batch^AllKey^\r\n"
        "07700 900123^Zoe^14/12/2026^09:30:00^Your appointment is on 14/12/2026 at 09:30^1^0^^"
        "False^False^0^Your appointment is on 14/12/2026 at 09:3007700 900123^\r\n"
        "+44 7700 900456^Sam^15/12/2026^14:30:00^Your appointment is on 15/12/2026 at 14:30^1^0^^"
        "False^False^0^Your appointment is on 15/12/2026 at 14:30+44 7700 900456^\r\n");
    EXPECT_EQ(linkTable->RowCount(), 2);

    auto second = review(week);
    EXPECT_EQ(states(second),
              (std::vector{ImportState::AlreadyPending, ImportState::AlreadyPending}));
    EXPECT_EQ(apply(second).added, 0);
    EXPECT_EQ(reminders->RowCount(), 2);
}

TEST_F(Import, AMovedEventMovesItsReminderAndTheDateAndTimeInItsMessage) {
    apply(review({entry("a", kMonday, 9, 30)}));
    auto moved = review({entry("a", kMonday + 2, 11, 0)});
    ASSERT_EQ(states(moved), (std::vector{ImportState::Moved}));
    EXPECT_EQ(moved[0].was.day, kMonday);
    const ImportOutcome outcome = apply(moved);
    EXPECT_EQ(outcome.rescheduled, 1);
    ASSERT_EQ(reminders->RowCount(), 1);
    reminders->First();
    EXPECT_EQ(reminders->FieldNamed(fields::message).AsString(),
              "Your appointment is on 16/12/2026 at 11:00");
    EXPECT_EQ(reminders->FieldNamed(fields::appointment_date).AsInteger(), kMonday + 2);
    EXPECT_EQ(reminders->FieldNamed(fields::appointment_time).AsInteger(), timeMs(11, 0));
    // Moved once is moved: the next import finds it in its new place.
    EXPECT_EQ(states(review({entry("a", kMonday + 2, 11, 0)})),
              (std::vector{ImportState::AlreadyPending}));
}

TEST_F(Import, CancelledAndGoneEventsRemoveTheirRemindersOnly) {
    apply(review({entry("a", kMonday, 9, 30), entry("b", kMonday, 10, 0, "07700 900456", "Sam"),
                  entry("c", kMonday, 11, 0, "07700 900789", "Jo")}));
    // A reminder typed by hand for the same customer stays.
    Reminder typed;
    typed.contactNo = "07700 900123";
    typed.appointmentDate = kMonday + 3;
    typed.message = "typed";
    appendReminder(*reminders, typed);
    AppointmentEntry cancelled = entry("a", kMonday, 9, 30);
    cancelled.cancelled = true;
    auto reviews = review({cancelled, entry("c", kMonday, 11, 0, "07700 900789", "Jo")});
    ASSERT_EQ(reviews.size(), 3u);
    EXPECT_EQ(states(reviews), (std::vector{ImportState::Cancelled, ImportState::AlreadyPending,
                                            ImportState::Cancelled}));
    EXPECT_EQ(reviews[0].reason, "Cancelled in the calendar");
    EXPECT_EQ(reviews[2].reason, "Gone from the calendar");
    EXPECT_EQ(reviews[2].entry.key.uid, "b");
    const ImportOutcome outcome = apply(reviews);
    EXPECT_EQ(outcome.removed, 2);
    std::vector<std::string> left;
    for (int row = 0; row < reminders->RowCount(); ++row)
        left.push_back(
            std::string(reminders->CellString(row, reminders->FieldIndex(fields::message))));
    EXPECT_EQ(left,
              (std::vector<std::string>{"Your appointment is on 14/12/2026 at 11:00", "typed"}));
    EXPECT_EQ(linkTable->RowCount(), 1);
}

TEST_F(Import, WhatOkRefusesIsSkippedWithItsReason) {
    doNotText.add("07700 900999");
    struct Case {
        AppointmentEntry entry;
        std::string message;
        std::string reason;
    };
    AppointmentEntry allDay = entry("allday", kMonday, 0, 0);
    allDay.skipped = "All-day event";
    AppointmentEntry noContact = entry("none", kMonday, 9, 0, "", "");
    const Case cases[] = {
        {entry("dnt", kMonday, 9, 0, "+44 (0)7700 900999"), "Hi", ""}, // other digits: not listed
        {entry("dnt", kMonday, 9, 0, "07700-900-999"), "Hi", "On the do-not-text list"},
        {entry("caret", kMonday, 9, 0, "07700 900123", "Zoe^"), "Hi",
         "The ^ character is not allowed"},
        {entry("blank", kMonday, 9, 0), "", "Message cannot be blank"},
        {entry("long", kMonday, 9, 0), std::string(150, 'x') + " |",
         "Message longer than 160 characters with the date and time filled in"},
        {entry("late", kMonday + 7, 9, 0), "Hi", "Outside the range"},
        {allDay, "Hi", "All-day event"},
        {noContact, "Hi", "No contact"},
    };
    for (const Case& c : cases) {
        ImportSetting s = setting();
        s.message = c.message;
        const AppointmentReview r = reviewAppointment(c.entry, s, PendingAppointments(*reminders));
        EXPECT_EQ(r.reason, c.reason) << c.entry.key.uid;
        EXPECT_EQ(r.state, c.reason.empty() ? ImportState::New : ImportState::Skipped)
            << c.entry.key.uid;
    }
}

TEST_F(Import, UntickedRowsAreLeftAndTwoEventsOfOneAppointmentAddOneReminder) {
    auto reviews = review(
        {entry("a", kMonday, 9, 30), entry("dup", kMonday, 9, 30), entry("b", kMonday, 10, 0)});
    reviews[2].ticked = false;
    const ImportOutcome outcome = apply(reviews);
    EXPECT_EQ(outcome.added, 1);
    EXPECT_EQ(outcome.skipped, 2);
    EXPECT_EQ(reminders->RowCount(), 1);
}

} // namespace
