#include "printing/page_layouts.h"

namespace printing {

namespace {

constexpr double kTitleDateLeft = 238.1;

PageLayout reminders() {
    return {QStringLiteral("Messages"),
            QPageLayout::Landscape,
            164.0,
            174.6,
            kTitleDateLeft,
            {
                {QStringLiteral("Contact No."), "contact_no", 2.0, 22.2},
                {QStringLiteral("Name"), "name", 27.1, 49.9},
                // The message ends before the days-before column, which ends where the date
                // begins.
                {QStringLiteral("Message"), "message", 80.0, 122.0},
                {QStringLiteral("Days Before"), "days_before_appointment", 203.0, 22.7,
                 ColumnAlign::Centre},
                {QStringLiteral("Date"), "appointment_date", 226.2, 30.8, ColumnAlign::Centre,
                 false, "dd-MMM-yyyy"},
                {QStringLiteral("Time"), "appointment_time", 256.6, 18.9, ColumnAlign::Centre,
                 false, "HH:mm"},
            }};
}

PageLayout sentItems() {
    return {QStringLiteral("Sent Items"),
            QPageLayout::Landscape,
            193.1,
            203.7,
            kTitleDateLeft,
            {
                {QStringLiteral("Date Created"), "create_date", 2.6, 0},
                {QStringLiteral("Days Before"), "days_before_appointment", 29.1, 0},
                {QStringLiteral("2nd Date"), "recurring_days", 52.9, 0},
                {QStringLiteral("Contact Number"), "contact_no", 71.4, 0},
                {QStringLiteral("Name"), "name", 103.2, 0},
                {QStringLiteral("Date"), "appointment_date", 132.3, 0, ColumnAlign::Left, true,
                 "dd-MMM-yyyy"},
                {QStringLiteral("Time"), "appointment_time", 169.3, 0, ColumnAlign::Left, false,
                 "HH:mm"},
                {QStringLiteral("Message"), "message", 182.6, 92.9},
            }};
}

PageLayout contacts() {
    return {QStringLiteral("Contacts"),
            QPageLayout::Portrait,
            140.2,
            150.8,
            kTitleDateLeft,
            {
                // The three columns share the page's printable width.
                {QStringLiteral("Name"), "contact", 2.0, 78.0},
                {QStringLiteral("Contact No."), "number", 82.0, 48.0},
                {QStringLiteral("Group"), "group", 132.0, 56.0},
            }};
}

PageLayout messages() {
    return {QStringLiteral("Standard Messages"),
            QPageLayout::Portrait,
            140.2,
            150.8,
            kTitleDateLeft,
            {
                {QStringLiteral("Message"), "message", 2.0, 186.0},
            }};
}

} // namespace

const PageLayout& layoutOf(PrintedList list) {
    static const PageLayout layouts[] = {reminders(), sentItems(), contacts(), messages()};
    return layouts[static_cast<int>(list)];
}

QString reportCaption(PrintedList list, bool selectedOnly) {
    switch (list) {
    case PrintedList::Reminders:
        return selectedOnly ? QStringLiteral("Selected Reminders") : QStringLiteral("List");
    case PrintedList::SentItems:
        return selectedOnly ? QStringLiteral("Selected Report") : QStringLiteral("Sent Report");
    case PrintedList::Contacts:
        return selectedOnly ? QStringLiteral("Selected Contacts")
                            : QStringLiteral("Contacts Report");
    case PrintedList::Messages:
        return selectedOnly ? QStringLiteral("Selected Messages")
                            : QStringLiteral("Message Report");
    }
    return {};
}

} // namespace printing
