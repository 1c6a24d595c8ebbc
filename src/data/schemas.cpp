#include "data/schemas.h"

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
            required(str("contact_no", 20, "Contact number", 15)),
            str("name", 50, "Contact name", 15),
            formatted(typed("appointment_date", FieldKind::Date, "Date", 16), "dd-MMM-yyyy"),
            formatted(typed("appointment_time", FieldKind::Time, " Time   ", 8), "HH:mm",
                      kTimeMask),
            str("message", 160, "Message", 41),
            typed("days_before_appointment", FieldKind::Integer, "Days before", 11),
            typed("recurring_days", FieldKind::Integer, "2nd Date", 8),
            str("Recurring", 50, "", 10),
            hidden(withDefault(typed("status", FieldKind::Boolean), "false")),
            hidden(withDefault(typed("delivery", FieldKind::Boolean), "0")),
            hidden(typed("batch", FieldKind::Float)),
            hidden(str("AllKey", 70)),
        },
        "contact_no", soCaseInsensitive);
}

std::unique_ptr<TdxMemData> makeGroups() {
    return table("dxGroup", {str("groupName", 20)}, "groupName", soCaseInsensitive);
}

std::unique_ptr<TdxMemData> makeContactNumbers() {
    return table("dxContactNumbers", {str("number", 20)}, "", soCaseInsensitive);
}

std::unique_ptr<TdxMemData> makeContacts() {
    return table("dxContact",
                 {
                     str("contact", 40, "Contact name", 40),
                     str("number", 40, "Contact number", 40),
                     str("group", 40, "", 40),
                     hidden(str("contactKey", 20)),
                 },
                 "group", soCaseInsensitive);
}

std::unique_ptr<TdxMemData> makeMessages() {
    return table("dxmMessage", {str("message", 160, "Message", 160)});
}

std::unique_ptr<TdxMemData> makeSentItems() {
    return table(
        "dxmSentItems",
        {
            required(str("contact_no", 20, "Contact number", 15)),
            str("name", 50, "Name", 15),
            formatted(typed("appointment_date", FieldKind::Date, "Date", 10), "dd-MMM-yyyy"),
            formatted(typed("appointment_time", FieldKind::Time, " Time   ", 12), "HH:mm",
                      kTimeMask),
            str("message", 160, "Message", 160),
            typed("days_before_appointment", FieldKind::Integer, "Days before", 2),
            typed("recurring_days", FieldKind::Integer, "Rec.days", 2),
            typed("create_date", FieldKind::Date),
            typed("status", FieldKind::Boolean),
            typed("delivery", FieldKind::Boolean),
            typed("batch", FieldKind::Float),
        },
        "create_date", soDesc);
}

std::unique_ptr<TdxMemData> makeMail() {
    return table("dmMail", {
                               str("FromAddress", 50),
                               str("FromName", 50),
                               str("ToBlindCarbonCopy", 50),
                               str("MailServer", 50),
                               str("ToAddress", 50),
                               str("ReplyTo", 50),
                               typed("StartTime", FieldKind::Time),
                               typed("IncMins", FieldKind::Integer),
                               str("UserName", 50),
                           });
}

std::unique_ptr<TdxMemData> makePrintReminders() {
    return table("dxTemp",
                 {
                     required(str("contact_no", 20)),
                     str("name", 50),
                     formatted(typed("appointment_date", FieldKind::Date), "dd-MMM-yyyy"),
                     formatted(typed("appointment_time", FieldKind::Time), "HH:mm", kTimeMask),
                     str("message", 160),
                     typed("days_before_appointment", FieldKind::Integer),
                     typed("recurring_days", FieldKind::Integer),
                     str("Recurring", 50),
                 });
}

std::unique_ptr<TdxMemData> makePrintMessages() {
    return table("dxTemp", {str("message", 160)}, "message", 0);
}

std::unique_ptr<TdxMemData> makePrintSentItems() {
    return table("dxTemp",
                 {
                     required(str("contact_no", 20)),
                     str("name", 50),
                     typed("appointment_date", FieldKind::Date),
                     typed("appointment_time", FieldKind::Time),
                     str("message", 160),
                     typed("days_before_appointment", FieldKind::Integer),
                     typed("recurring_days", FieldKind::Integer),
                     typed("create_date", FieldKind::Date),
                 },
                 "create_date", soDesc);
}

std::unique_ptr<TdxMemData> makePrintContacts() {
    return table("dxTemp", {str("contact", 40), str("number", 40), str("group", 40)});
}

std::unique_ptr<TdxMemData> makePrintMail() {
    auto t = table("dmMail", {str("FromAddress", 20)});
    t->ReadOnly = true;
    return t;
}

} // namespace schemas
