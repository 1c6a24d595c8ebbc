#include "core/reminders/reminders_for_contacts.h"

#include "core/store/do_not_text.h"
#include "core/store/schemas.h"
#include "core/tables/mem_data.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

Reminder common() {
    Reminder r;
    r.appointmentDate = 46000;
    r.appointmentTime = 9 * 3'600'000;
    r.message = " Bring the form ";
    r.recurring = "Weekly";
    return r;
}

std::vector<std::string> column(TdxMemData& t, const char* field) {
    std::vector<std::string> out;
    for (int row = 0; row < t.RowCount(); ++row)
        out.push_back(t.CellText(row, t.FieldIndex(field)));
    return out;
}

struct Fixture : ::testing::Test {
    std::unique_ptr<TdxMemData> reminders = schemas::makeReminders();
    DoNotTextSet doNotText;
    std::vector<ContactToRemind> contacts = {
        {"Ann", "0123"},   {"Bob", "04 56", false}, // selected, then gone from the book
        {"C^d", "0789"},                            // "^" would split the row in reminders.txt
        {"Dan", " 0111 "}, {"Eve", "0222"},         // asked not to be texted
        {"Fay", "0333^"},
    };
    Fixture() { doNotText.add("02-22"); }
};

// Every contact is added or skipped with its reason, in order; the skips change nothing.
TEST_F(Fixture, EachContactIsAddedOrSkippedWithItsReason) {
    const RemindedContacts done =
        remindContacts(*reminders, common(), contacts, doNotText, RemindOptions{});
    EXPECT_EQ(done.added, 2);
    EXPECT_EQ(column(*reminders, fields::name), (std::vector<std::string>{"Ann", "Dan"}));
    EXPECT_EQ(column(*reminders, fields::contact_no), (std::vector<std::string>{"0123", " 0111 "}));
    EXPECT_EQ(column(*reminders, fields::AllKey),
              (std::vector<std::string>{" Bring the form 0123", " Bring the form  0111 "}));
    ASSERT_EQ(done.skipped.size(), 4u);
    const std::pair<std::string, SkipReason> expected[] = {
        {"Bob", SkipReason::NotInContactBook},
        {"C^d", SkipReason::CaretInText},
        {"Eve", SkipReason::OnDoNotTextList},
        {"Fay", SkipReason::CaretInText},
    };
    for (size_t i = 0; i < done.skipped.size(); ++i) {
        EXPECT_EQ(done.skipped[i].contact.name, expected[i].first);
        EXPECT_EQ(done.skipped[i].why, expected[i].second) << expected[i].first;
    }
    EXPECT_EQ(done.skippedFor(SkipReason::CaretInText), 2);
    EXPECT_EQ(done.skippedFor(SkipReason::AlreadyPending), 0);
    const Reminder first = reminderAt(*reminders, 1);
    EXPECT_EQ(first.message, " Bring the form ");
    EXPECT_EQ(first.appointmentDate, 46000);
    EXPECT_EQ(first.recurring, "Weekly");
    EXPECT_FALSE(first.status);
    EXPECT_EQ(first.batch, 0.0);
}

// "Send All": numbers trimmed, keys by the trimmed message, and a contact met again (or already
// pending) is not reminded twice.
TEST_F(Fixture, SendAllTrimsAndPassesOverWhatIsPending) {
    Reminder typed = common();
    typed.message = "Bring the form";
    appendReminder(*reminders, [&] {
        Reminder r = typed;
        r.contactNo = "0123";
        return r;
    }());
    contacts.push_back({"Dan again", "0111"});
    RemindOptions sendAll;
    sendAll.trimNumber = true;
    sendAll.skipPending = true;
    sendAll.keyByTrimmedMessage = true;
    const RemindedContacts done = remindContacts(*reminders, typed, contacts, doNotText, sendAll);
    EXPECT_EQ(done.added, 1);
    EXPECT_EQ(column(*reminders, fields::contact_no), (std::vector<std::string>{"0123", "0111"}));
    EXPECT_EQ(done.skippedFor(SkipReason::AlreadyPending), 2); // Ann, and Dan the second time

    // The key is the trimmed message, the lookup the message as typed: with blanks typed, the
    // lookup never matches and every contact of the group gets one.
    auto fresh = schemas::makeReminders();
    const RemindedContacts blanks =
        remindContacts(*fresh, common(), {{"Ann", "0123"}, {"Ann", "0123"}}, doNotText, sendAll);
    EXPECT_EQ(blanks.added, 2);
    EXPECT_EQ(column(*fresh, fields::AllKey),
              (std::vector<std::string>{"Bring the form0123", "Bring the form0123"}));
}

} // namespace
