#pragma once

#include <memory>

#include "data/mem_data.h"

// Every record table of the program, declared once. Each window creates its tables from here
// and hooks its own events; the table files live in the working folder under these names.

inline constexpr const char* kRemindersFile = "reminders.txt";
inline constexpr const char* kGroupsFile = "groups.txt";
inline constexpr const char* kContactsFile = "dxContact.txt";
inline constexpr const char* kMessagesFile = "message.txt";
inline constexpr const char* kSentItemsFile = "sentitems.txt";
inline constexpr const char* kMailFile = "mail.txt";

// The pending reminders' file separates values with "^"; every other table file uses TAB.
inline constexpr char kRemindersDelimiter = '^';

namespace schemas {

std::unique_ptr<TdxMemData> makeReminders();      // dxmReminders
std::unique_ptr<TdxMemData> makeGroups();         // dxGroup
std::unique_ptr<TdxMemData> makeContactNumbers(); // dxContactNumbers
std::unique_ptr<TdxMemData> makeContacts();       // dxContact
std::unique_ptr<TdxMemData> makeMessages();       // dxmMessage
std::unique_ptr<TdxMemData> makeSentItems();      // dxmSentItems
std::unique_ptr<TdxMemData> makeMail();           // dmMail

// Scratch tables of the printed lists, never read from or written to a file.
std::unique_ptr<TdxMemData> makePrintReminders(); // dxTemp of the selected reminders list
std::unique_ptr<TdxMemData> makePrintMessages();  // dxTemp of the messages list
std::unique_ptr<TdxMemData> makePrintSentItems(); // dxTemp of the sent items list
std::unique_ptr<TdxMemData> makePrintContacts();  // dxTemp of the contacts list
std::unique_ptr<TdxMemData> makePrintMail();      // dmMail of the list header, read-only

} // namespace schemas
