#include "core/reminders/reminder.h"

#include "core/store/schemas.h"
#include "core/tables/date_time.h"
#include "core/tables/format_settings.h"
#include "core/tables/mem_data.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kHeader = "contact_no^name^appointment_date^appointment_time^message^"
                            "days_before_appointment^recurring_days^Recurring^status^delivery^"
                            "batch^AllKey^\r\n";

Reminder ann() {
    Reminder r;
    r.contactNo = "0123";
    r.name = "Ann";
    r.appointmentDate = dayNumber(2026, 12, 24);
    r.appointmentTime = 10 * 3'600'000 + 30 * 60'000;
    r.message = "See you";
    r.daysBefore = 1;
    r.recurringDays = 7;
    r.recurring = "weekly";
    return r;
}

TEST(Reminder, AppendedAsOneRowOfThePendingFileWithItsAllKey) {
    setProcessFormats(FormatSettings{});
    auto table = schemas::makeReminders();
    table->FieldDelimiter = kRemindersDelimiter;
    appendReminder(*table, ann());
    Reminder stamped = ann();
    stamped.contactNo = "0456";
    stamped.status = true;
    stamped.batch = 46000.5;
    appendReminder(*table, stamped);
    EXPECT_EQ(
        table->DelimitedText(),
        kHeader + "0123^Ann^24/12/2026^10:30:00^See you^1^7^weekly^False^False^0^See you0123^\r\n" +
            "0456^Ann^24/12/2026^10:30:00^See you^1^7^weekly^True^False^46000.5^See you0456^\r\n");
}

TEST(Reminder, AnotherKeyMessageMakesTheAllKey) {
    auto table = schemas::makeReminders();
    Reminder r = ann();
    r.message = " See you ";
    appendReminder(*table, r, "See you");
    EXPECT_EQ(table->CellText(0, table->FieldIndex(fields::message)), " See you ");
    EXPECT_EQ(table->CellText(0, table->FieldIndex(fields::AllKey)), "See you0123");
    // Looked up by the message as typed, the key is not found.
    EXPECT_FALSE(hasReminder(*table, "0123", " See you "));
}

TEST(Reminder, TheAllKeyTakesTheFirstFiftyCharactersOfTheMessage) {
    const std::string fifty(50, 'm');
    EXPECT_EQ(allKey(fifty + "tail", "0123"), fifty + "0123");
    EXPECT_EQ(allKey(" Hi ", "0123"), " Hi 0123"); // blanks are part of the message
    EXPECT_EQ(allKey("", "0123"), "0123");
}

TEST(Reminder, HasReminderNeedsTheNumberAndTheAllKey) {
    auto table = schemas::makeReminders();
    appendReminder(*table, ann());
    EXPECT_TRUE(hasReminder(*table, "0123", "See you"));
    EXPECT_FALSE(hasReminder(*table, "0123", "Other"));
    EXPECT_FALSE(hasReminder(*table, "0999", "See you"));
}

// Read back as it was appended, whichever row; a row being edited reads from the edit.
TEST(Reminder, ReadBackAsItWasAppended) {
    auto table = schemas::makeReminders();
    Reminder stamped = ann();
    stamped.contactNo = "0456";
    stamped.status = true;
    stamped.delivery = true;
    stamped.batch = 46000.5;
    appendReminder(*table, ann());
    appendReminder(*table, stamped);
    table->First(); // the cursor elsewhere: a row is read where it is
    const Reminder second = reminderAt(*table, 2);
    EXPECT_EQ(second.contactNo, "0456");
    EXPECT_EQ(second.name, "Ann");
    EXPECT_EQ(second.appointmentDate, stamped.appointmentDate);
    EXPECT_EQ(second.appointmentTime, stamped.appointmentTime);
    EXPECT_EQ(second.message, "See you");
    EXPECT_EQ(second.daysBefore, 1);
    EXPECT_EQ(second.recurringDays, 7);
    EXPECT_EQ(second.recurring, "weekly");
    EXPECT_TRUE(second.status);
    EXPECT_TRUE(second.delivery);
    EXPECT_EQ(second.batch, 46000.5);

    table->Edit();
    table->FieldNamed(fields::message).SetAsString("Changed");
    EXPECT_EQ(reminderAt(*table, 1).message, "Changed");
    EXPECT_EQ(reminderAt(*table, 2).message, "See you");
}

// Written back whole into the current row; AllKey stays; a field empty in the file stays empty
// unless the value says otherwise.
TEST(Reminder, UpdatedInPlaceKeepingItsKeyAndItsEmptyFields) {
    setProcessFormats(FormatSettings{});
    auto table = schemas::makeReminders();
    table->FieldDelimiter = kRemindersDelimiter;
    table->ReadDelimitedText(
        kHeader + "0123^Ann^24/12/2026^10:30:00^See you^^^^False^False^^See you0123^\r\n" +
        "0456^Bob^25/12/2026^09:00:00^Hi^0^0^^False^False^0^Hi0456^\r\n");
    table->SetSortedField(""); // the rows stay where they are, for the comparison
    table->First();
    Reminder r = reminderAt(*table, 1);
    EXPECT_EQ(r.daysBefore, 0);
    EXPECT_EQ(r.batch, 0.0);
    r.contactNo = "0789";
    r.message = "Moved";
    r.recurringDays = 3;
    updateReminder(*table, r);
    table->Post();
    EXPECT_EQ(table->DelimitedText(),
              kHeader + "0789^Ann^24/12/2026^10:30:00^Moved^^3^^False^False^^See you0123^\r\n" +
                  "0456^Bob^25/12/2026^09:00:00^Hi^0^0^^False^False^0^Hi0456^\r\n");
}
} // namespace

namespace {

// A rescheduled reminder's text follows: the first old date and time become the new ones; a text
// without them, or an unchanged appointment, stays as it is.
TEST(Reminder, TheMessageFollowsARescheduledAppointment) {
    const Appointment was{dayNumber(2026, 12, 24), timeMs(10, 0)};
    struct Case {
        const char* message;
        Appointment now;
        const char* expected;
    };
    const Case cases[] = {
        {"Due 24/12/2026 at 10:00",
         {dayNumber(2026, 12, 27), timeMs(11, 15)},
         "Due 27/12/2026 at 11:15"},
        {"Due 24/12/2026 at 10:00",
         {dayNumber(2026, 12, 27), timeMs(10, 0)},
         "Due 27/12/2026 at 10:00"},
        {"See you soon", {dayNumber(2026, 12, 27), timeMs(11, 15)}, "See you soon"},
        {"24/12/2026 or 24/12/2026",
         {dayNumber(2026, 12, 25), timeMs(10, 0)},
         "25/12/2026 or 24/12/2026"},
        {"Due 24/12/2026 at 10:00", was, "Due 24/12/2026 at 10:00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(followAppointment(c.message, was, c.now), c.expected) << c.message;
}

} // namespace
