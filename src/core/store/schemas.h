#pragma once

#include "core/tables/mem_data.h"

#include <array>
#include <memory>

// Every record table of the program, declared once. Each window creates its tables from here
// and hooks its own events; the table files live in the working folder under these names.

inline constexpr const char* kRemindersFile = "reminders.txt";
inline constexpr const char* kGroupsFile = "groups.txt";
inline constexpr const char* kContactsFile = "dxContact.txt";
inline constexpr const char* kMessagesFile = "message.txt";
inline constexpr const char* kSentItemsFile = "sentitems.txt";
inline constexpr const char* kMailFile = "mail.txt";
inline constexpr const char* kDoNotTextFile = "donottext.txt";
inline constexpr const char* kCalendarLinksFile = "calendar_links.txt";
// In the settings folder: the calendar subscriptions' addresses, kept for the next import.
inline constexpr const char* kCalendarSourcesFile = "calendar_sources.txt";
inline constexpr const char* kRepliesFile = "replies.txt";

// Every table file of the working folder, for whatever concerns them all (the stale temporaries
// removed at start, the files a saved file must never replace): a new table file goes here.
inline constexpr std::array<const char*, 9> kTableFiles = {
    kRemindersFile, kGroupsFile,    kContactsFile,      kMessagesFile, kSentItemsFile,
    kMailFile,      kDoNotTextFile, kCalendarLinksFile, kRepliesFile};

// The characters a contact's group holds (its field in dxContact).
inline constexpr int kContactGroupSize = 40;

// The pending reminders' file separates values with "^"; every other table file uses TAB.
inline constexpr char kRemindersDelimiter = '^';

// The field names of the tables below, one constant each, so that a misspelt name does not
// compile. A name shared by several tables (contact_no, message, number, ...) is one constant.
namespace fields {
// dxmReminders, dxmSentItems and the printed lists
inline constexpr char contact_no[] = "contact_no";
inline constexpr char name[] = "name";
inline constexpr char appointment_date[] = "appointment_date";
inline constexpr char appointment_time[] = "appointment_time";
inline constexpr char message[] = "message";
inline constexpr char days_before_appointment[] = "days_before_appointment";
inline constexpr char recurring_days[] = "recurring_days";
inline constexpr char Recurring[] = "Recurring";
inline constexpr char status[] = "status";
inline constexpr char delivery[] = "delivery";
inline constexpr char batch[] = "batch";
inline constexpr char AllKey[] = "AllKey";
inline constexpr char create_date[] = "create_date";
// dxGroup, dxContactNumbers, dxContact
inline constexpr char groupName[] = "groupName";
inline constexpr char number[] = "number";
inline constexpr char contact[] = "contact";
inline constexpr char group[] = "group";
inline constexpr char contactKey[] = "contactKey";
// dmMail
inline constexpr char FromAddress[] = "FromAddress";
inline constexpr char FromName[] = "FromName";
inline constexpr char ToBlindCarbonCopy[] = "ToBlindCarbonCopy";
inline constexpr char MailServer[] = "MailServer";
inline constexpr char ToAddress[] = "ToAddress";
inline constexpr char ReplyTo[] = "ReplyTo";
inline constexpr char StartTime[] = "StartTime";
inline constexpr char IncMins[] = "IncMins";
inline constexpr char UserName[] = "UserName";
// dxDoNotText (and number, above)
inline constexpr char date_added[] = "date_added";
inline constexpr char note[] = "note";
// dxCalendarLinks (and contact_no, appointment_date, appointment_time, above)
inline constexpr char event_uid[] = "event_uid";
inline constexpr char recurrence_instance[] = "recurrence_instance";
inline constexpr char source[] = "source";
// dxCalendarSources
inline constexpr char address[] = "address";
// dxmReplies (and number, name, appointment_date, appointment_time, above)
inline constexpr char received[] = "received";
inline constexpr char kind[] = "kind";
inline constexpr char text[] = "text";
inline constexpr char message_id[] = "message_id";
inline constexpr char read_flag[] = "read";
} // namespace fields

// The examples a first start writes into mail.txt, so that the send window shows what goes
// where; a batch never leaves with them, and the windows show them as examples, not as values.
inline constexpr const char* kExampleFromName = "Pat Sample";
inline constexpr const char* kExampleFromAddress = "pat.sample@example.com";
inline constexpr const char* kExampleMailServer = "mail.example.net";

namespace schemas {

std::unique_ptr<TdxMemData> makeReminders();      // dxmReminders
std::unique_ptr<TdxMemData> makeGroups();         // dxGroup
std::unique_ptr<TdxMemData> makeContactNumbers(); // dxContactNumbers
std::unique_ptr<TdxMemData> makeContacts();       // dxContact
std::unique_ptr<TdxMemData> makeMessages();       // dxmMessage
std::unique_ptr<TdxMemData> makeSentItems();      // dxmSentItems
std::unique_ptr<TdxMemData> makeMail();           // dmMail
std::unique_ptr<TdxMemData> makeDoNotText(); // dxDoNotText: customers who asked not to be texted
std::unique_ptr<TdxMemData> makeCalendarLinks(); // dxCalendarLinks: which event made which reminder
std::unique_ptr<TdxMemData> makeCalendarSources(); // dxCalendarSources: subscriptions kept
std::unique_ptr<TdxMemData> makeReplies(); // dxmReplies: replies and delivery reports read back

// Scratch tables of the printed lists, never read from or written to a file.
std::unique_ptr<TdxMemData> makePrintReminders(); // dxTemp of the selected reminders list
std::unique_ptr<TdxMemData> makePrintMessages();  // dxTemp of the messages list
std::unique_ptr<TdxMemData> makePrintSentItems(); // dxTemp of the sent items list
std::unique_ptr<TdxMemData> makePrintContacts();  // dxTemp of the contacts list
std::unique_ptr<TdxMemData> makePrintMail();      // dmMail of the list header, read-only

} // namespace schemas
