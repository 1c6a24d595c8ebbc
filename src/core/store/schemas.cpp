#include "core/store/schemas.h"

namespace {

FieldDef str(const char* name, int size, const char* label = "", int width = 0) {
    FieldDef d;
    d.name = name;
    d.kind = FieldKind::String;
    d.size = size;
    d.displayLabel = label;
    d.displayWidth = width;
    return d;
}

FieldDef typed(const char* name, FieldKind kind, const char* label = "", int width = 0) {
    FieldDef d;
    d.name = name;
    d.kind = kind;
    d.displayLabel = label;
    d.displayWidth = width;
    return d;
}

FieldDef required(FieldDef d) {
    d.required = true;
    return d;
}

FieldDef hidden(FieldDef d) {
    d.visible = false;
    return d;
}

FieldDef formatted(FieldDef d, const char* format, const char* mask = "") {
    d.displayFormat = format;
    d.editMask = mask;
    return d;
}

FieldDef withDefault(FieldDef d, const char* expression) {
    d.defaultExpression = expression;
    return d;
}

constexpr const char* kTimeMask = "!90:00;1;_";

std::unique_ptr<TdxMemData> table(const char* name, std::vector<FieldDef> fields,
                                  const char* sortedField = "", TSortOptions options = 0) {
    auto t = std::make_unique<TdxMemData>(name, std::move(fields));
    t->SetSortOptions(options);
    t->SetSortedField(sortedField);
    return t;
}

} // namespace

namespace schemas {

std::unique_ptr<TdxMemData> makeReminders() {
    return table(
        "dxmReminders",
        {
            required(str(fields::contact_no, 20, "Contact number", 15)),
            str(fields::name, 50, "Contact name", 15),
            formatted(typed(fields::appointment_date, FieldKind::Date, "Date", 16), "dd-MMM-yyyy"),
            formatted(typed(fields::appointment_time, FieldKind::Time, " Time   ", 8), "HH:mm",
                      kTimeMask),
            str(fields::message, 160, "Message", 41),
            typed(fields::days_before_appointment, FieldKind::Integer, "Days before", 11),
            typed(fields::recurring_days, FieldKind::Integer, "2nd Date", 8),
            str(fields::Recurring, 50, "", 10),
            hidden(withDefault(typed(fields::status, FieldKind::Boolean), "false")),
            hidden(withDefault(typed(fields::delivery, FieldKind::Boolean), "0")),
            hidden(typed(fields::batch, FieldKind::Float)),
            hidden(str(fields::AllKey, 70)),
        },
        fields::contact_no, soCaseInsensitive);
}

std::unique_ptr<TdxMemData> makeGroups() {
    return table("dxGroup", {str(fields::groupName, 20)}, fields::groupName, soCaseInsensitive);
}

std::unique_ptr<TdxMemData> makeContactNumbers() {
    return table("dxContactNumbers", {str(fields::number, 20)}, "", soCaseInsensitive);
}

std::unique_ptr<TdxMemData> makeContacts() {
    return table("dxContact",
                 {
                     str(fields::contact, 40, "Contact name", 40),
                     str(fields::number, 40, "Contact number", 40),
                     str(fields::group, kContactGroupSize, "", 40),
                     hidden(str(fields::contactKey, 20)),
                 },
                 fields::group, soCaseInsensitive);
}

std::unique_ptr<TdxMemData> makeMessages() {
    return table("dxmMessage", {str(fields::message, 160, "Message", 160)});
}

std::unique_ptr<TdxMemData> makeSentItems() {
    return table(
        "dxmSentItems",
        {
            required(str(fields::contact_no, 20, "Contact number", 15)),
            str(fields::name, 50, "Name", 15),
            formatted(typed(fields::appointment_date, FieldKind::Date, "Date", 10), "dd-MMM-yyyy"),
            formatted(typed(fields::appointment_time, FieldKind::Time, " Time   ", 12), "HH:mm",
                      kTimeMask),
            str(fields::message, 160, "Message", 160),
            typed(fields::days_before_appointment, FieldKind::Integer, "Days before", 2),
            typed(fields::recurring_days, FieldKind::Integer, "Rec.days", 2),
            // The log's own columns read as words; the batch is the moment its e-mail went.
            formatted(typed(fields::create_date, FieldKind::Date, "Sent on"), "dd-MMM-yyyy"),
            typed(fields::status, FieldKind::Boolean, "Status report"),
            typed(fields::delivery, FieldKind::Boolean, "Delivery report"),
            formatted(typed(fields::batch, FieldKind::Float, "Batch sent at"), "dd-MMM-yyyy HH:mm"),
        },
        fields::create_date, soDesc);
}

std::unique_ptr<TdxMemData> makeMail() {
    return table("dmMail", {
                               str(fields::FromAddress, 50),
                               str(fields::FromName, 50),
                               str(fields::ToBlindCarbonCopy, 50),
                               str(fields::MailServer, 50),
                               str(fields::ToAddress, 50),
                               str(fields::ReplyTo, 50),
                               typed(fields::StartTime, FieldKind::Time),
                               typed(fields::IncMins, FieldKind::Integer),
                               str(fields::UserName, 50),
                           });
}

std::unique_ptr<TdxMemData> makeDoNotText() {
    return table(
        "dxDoNotText",
        {
            required(str(fields::number, 40, "Contact number", 20)),
            formatted(typed(fields::date_added, FieldKind::Date, "Date added", 12), "dd-MMM-yyyy"),
            str(fields::note, 100, "Note", 40),
        });
}

std::unique_ptr<TdxMemData> makeCalendarLinks() {
    return table("dxCalendarLinks", {
                                        str(fields::event_uid, 255),
                                        str(fields::recurrence_instance, 40),
                                        str(fields::contact_no, 20),
                                        typed(fields::appointment_date, FieldKind::Date),
                                        typed(fields::appointment_time, FieldKind::Time),
                                        str(fields::source, 500),
                                    });
}

std::unique_ptr<TdxMemData> makeCalendarSources() {
    return table("dxCalendarSources", {str(fields::address, 500)});
}

std::unique_ptr<TdxMemData> makeReplies() {
    // Newest first; received is the date-time the gateway's e-mail was dated.
    return table(
        "dxmReplies",
        {
            formatted(typed(fields::received, FieldKind::Float, "Received", 16),
                      "dd/mm/yyyy HH:mm"),
            str(fields::number, 40, "Number", 15),
            str(fields::name, 50, "Name", 15),
            formatted(typed(fields::appointment_date, FieldKind::Date, "Date", 12), "dd-MMM-yyyy"),
            formatted(typed(fields::appointment_time, FieldKind::Time, " Time   ", 8), "HH:mm",
                      kTimeMask),
            str(fields::kind, 10, "Kind", 10),
            str(fields::text, 480, "Text", 60),
            hidden(str(fields::message_id, 250)),
            hidden(typed(fields::read_flag, FieldKind::Boolean)),
        },
        fields::received, soDesc);
}

std::unique_ptr<TdxMemData> makePrintReminders() {
    return table(
        "dxTemp",
        {
            required(str(fields::contact_no, 20)),
            str(fields::name, 50),
            formatted(typed(fields::appointment_date, FieldKind::Date), "dd-MMM-yyyy"),
            formatted(typed(fields::appointment_time, FieldKind::Time), "HH:mm", kTimeMask),
            str(fields::message, 160),
            typed(fields::days_before_appointment, FieldKind::Integer),
            typed(fields::recurring_days, FieldKind::Integer),
            str(fields::Recurring, 50),
        });
}

std::unique_ptr<TdxMemData> makePrintMessages() {
    return table("dxTemp", {str(fields::message, 160)}, fields::message, 0);
}

std::unique_ptr<TdxMemData> makePrintSentItems() {
    return table("dxTemp",
                 {
                     required(str(fields::contact_no, 20)),
                     str(fields::name, 50),
                     typed(fields::appointment_date, FieldKind::Date),
                     typed(fields::appointment_time, FieldKind::Time),
                     str(fields::message, 160),
                     typed(fields::days_before_appointment, FieldKind::Integer),
                     typed(fields::recurring_days, FieldKind::Integer),
                     typed(fields::create_date, FieldKind::Date),
                 },
                 fields::create_date, soDesc);
}

std::unique_ptr<TdxMemData> makePrintContacts() {
    return table("dxTemp",
                 {str(fields::contact, 40), str(fields::number, 40), str(fields::group, 40)});
}

std::unique_ptr<TdxMemData> makePrintMail() {
    auto t = table("dmMail", {str(fields::FromAddress, 20)});
    t->ReadOnly = true;
    return t;
}

} // namespace schemas
