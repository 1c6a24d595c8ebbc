#include "core/reminders/batch_check.h"

#include "core/reminders/reminder.h"
#include "core/store/do_not_text.h"
#include "core/store/schemas.h"
#include "core/tables/date_time.h"
#include "core/tables/mem_data.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

const int32_t kToday = dayNumber(2026, 12, 10);
const double kNoon = dateTimeValue(kToday, timeMs(12, 0));

// A reminder that passes every check at noon today.
Reminder clean(const char* number = "0412 345 678") {
    Reminder r;
    r.contactNo = number;
    r.name = "Ann";
    r.appointmentDate = kToday + 3;
    r.appointmentTime = timeMs(10, 0);
    r.message = "See you on 13/12/2026 at 10:00";
    r.daysBefore = 1;
    return r;
}

Reminder with(Reminder r, int32_t date, int32_t time, int32_t daysBefore) {
    r.appointmentDate = date;
    r.appointmentTime = time;
    r.daysBefore = daysBefore;
    return r;
}

Reminder withMessage(Reminder r, std::string message) {
    r.message = std::move(message);
    return r;
}

// "row: problem" for each problem, in order.
std::vector<std::string> check(const std::vector<Reminder>& rows, const DoNotTextSet& listed = {}) {
    auto pending = schemas::makeReminders();
    for (const Reminder& r : rows)
        appendReminder(*pending, r);
    std::vector<std::string> out;
    for (const BatchProblem& p : checkBatch(*pending, kNoon, listed))
        out.push_back(std::to_string(p.rowNumber) + ": " + p.problem);
    return out;
}

using Lines = std::vector<std::string>;

TEST(BatchCheck, DatesOfTheAppointmentAndOfTheSending) {
    struct Case {
        const char* what;
        Reminder r;
        Lines problems;
    };
    const Case cases[] = {
        {"clean", clean(), {}},
        {"sent today", with(clean(), kToday + 3, timeMs(10, 0), 3), {}},
        {"send day gone",
         with(clean(), kToday + 3, timeMs(10, 0), 4),
         {"1: Send date already past"}},
        {"today, later", with(clean(), kToday, timeMs(13, 0), 0), {}},
        {"today, later, a day before",
         with(clean(), kToday, timeMs(13, 0), 1),
         {"1: Send date already past"}},
        {"today, earlier",
         with(clean(), kToday, timeMs(11, 59), 0),
         {"1: Appointment already past"}},
        {"yesterday", with(clean(), kToday - 1, timeMs(23, 0), 2), {"1: Appointment already past"}},
        {"days before from a hostile file", with(clean(), kToday + 3, 0, INT32_MIN), {}},
        {"days before from a hostile file",
         with(clean(), kToday + 3, 0, INT32_MAX),
         {"1: Send date already past"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(check({c.r}), c.problems) << c.what;
}

TEST(BatchCheck, ARowWithoutAnAppointmentDateOrTime) {
    auto pending = schemas::makeReminders();
    appendReminder(*pending, clean());
    appendReminder(*pending, with(clean(), kToday, 0, 0));
    for (int row : {1, 2}) {
        pending->SetRowNumber(row);
        pending->Edit();
        pending->FieldNamed(row == 1 ? fields::appointment_date : fields::appointment_time).Clear();
        pending->Post();
    }
    const std::vector<BatchProblem> problems = checkBatch(*pending, kNoon, DoNotTextSet());
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].rowNumber, 1);
    EXPECT_EQ(problems[0].problem, "No appointment date");
}

TEST(BatchCheck, TheSameNumberAndAppointmentFromTheSecondTimeOn) {
    EXPECT_EQ(
        check({clean("0412 345 678"), clean("0412345678"),
               with(clean("0412345678"), kToday + 3, timeMs(10, 30), 1),
               with(clean("0499 999 999"), kToday + 3, timeMs(10, 0), 1),
               with(clean("0412345678"), kToday + 4, timeMs(10, 0), 1), clean("+0412 345 678")}),
        (Lines{"2: Same number and appointment twice", "6: Same number and appointment twice"}));
}

TEST(BatchCheck, NumbersThatCannotBeSentTo) {
    EXPECT_EQ(check({clean("123456"), clean("1234567"), clean("0412-345-678"),
                     clean("+44 7700 900123"), clean("")}),
              (Lines{"1: Not a valid number", "3: Not a valid number", "5: Not a valid number"}));
}

TEST(BatchCheck, MessagesLongerThanOneSms) {
    // The table keeps 160 characters of a message: two SMS come from the characters that count
    // two and from those that need Unicode.
    EXPECT_EQ(
        check({withMessage(clean("0400 000 001"), std::string(161, 'a')),
               withMessage(clean("0400 000 002"), std::string(158, 'a') + "\x80"),
               withMessage(clean("0400 000 003"), std::string(159, 'a') + "\x80"), // euro: two
               withMessage(clean("0400 000 004"), std::string(69, 'a') + "\xE2"),  // 'â': UCS-2
               withMessage(clean("0400 000 005"), std::string(70, 'a') + "\xE2"),
               withMessage(clean("0400 000 006"), std::string(159, 'a') + "\xE2")}),
        (Lines{"3: Longer than one SMS (2 SMS)", "5: Longer than one SMS (2 SMS)",
               "6: Longer than one SMS (3 SMS)"}));
}

// A "|" or "~" left in a message would reach the customer as it stands.
TEST(BatchCheck, MessagesThatStillHoldADateOrTimeMark) {
    EXPECT_EQ(check({withMessage(clean("0400 000 001"), "Hygienist visit | at ~."),
                     clean("0400 000 002"), withMessage(clean("0400 000 003"), "Back at ~"),
                     withMessage(clean("0400 000 004"), "On |")}),
              (Lines{"1: Date or time mark (| or ~) not filled in",
                     "3: Date or time mark (| or ~) not filled in",
                     "4: Date or time mark (| or ~) not filled in"}));
}

TEST(BatchCheck, NumbersOnTheDoNotTextList) {
    DoNotTextSet listed;
    listed.add("447700900123");
    EXPECT_EQ(check({clean("+44 7700 900123"), clean("+44 7700 900124"),
                     with(clean("447700900123"), kToday + 5, timeMs(10, 0), 1)},
                    listed),
              (Lines{"1: On the do-not-text list", "3: On the do-not-text list"}));
}

TEST(BatchCheck, EveryProblemOfARowInOrderWithItsNumberAndName) {
    DoNotTextSet listed;
    listed.add("12-34");
    auto pending = schemas::makeReminders();
    appendReminder(*pending,
                   withMessage(with(clean("12-34"), kToday - 1, 0, 0), std::string(81, '{')));
    appendReminder(*pending, withMessage(with(clean("12-34"), kToday - 1, 0, 0), "Hi"));
    const std::vector<BatchProblem> problems = checkBatch(*pending, kNoon, listed);
    std::vector<std::string> seen;
    for (const BatchProblem& p : problems) {
        EXPECT_EQ(p.number, "12-34");
        EXPECT_EQ(p.name, "Ann");
        seen.push_back(std::to_string(p.rowNumber) + ": " + p.problem);
    }
    EXPECT_EQ(seen, (Lines{"1: Appointment already past", "1: Not a valid number",
                           "1: Longer than one SMS (2 SMS)", "1: On the do-not-text list",
                           "2: Appointment already past", "2: Same number and appointment twice",
                           "2: Not a valid number", "2: On the do-not-text list"}));
}

} // namespace
