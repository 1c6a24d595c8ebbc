#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What the program needs to read the gateway's replies back: the incoming server, the login,
// the folder, who the gateway is, how its e-mails carry the number and the text, and the word
// lists that sort the replies. Kept in inbox.ini in the settings folder; never the password.

inline constexpr const char* kInboxSettingsFile = "inbox.ini";

// Where a gateway's e-mail carries the customer's number and the reply's text.
enum class ReplyForm {
    FromLocalPart, // the number is the From address's local part, the text the body
    Subject,       // the number is in the Subject, the text the body
    Body,          // a line of the body holds the number, the lines after it the text
    Pattern,       // a regular expression with the named groups number, text and status
};

struct InboxSettings {
    std::string server; // "host[:port]"
    std::string user;   // empty: the sending login
    std::string folder = "INBOX";
    std::string gatewaySenders; // addresses or domains, separated by commas or blanks
    ReplyForm form = ReplyForm::FromLocalPart;
    std::string pattern;
    std::string confirmWords = "YES, Y, OK, CONFIRM, C";
    std::string cancelWords = "NO, N, CANCEL";
    std::string stopWords = "STOP, STOPALL, UNSUBSCRIBE, END, QUIT";
    std::string reportWords = "DELIVERED, FAILED, EXPIRED, UNDELIVERED, REJECTED";
    // Minutes between checks while the program runs; 0 checks only on "Check Now".
    int checkEveryMinutes = 0;
};

// Where the last check ended: the folder's UIDVALIDITY and the highest UID read then. A
// different UIDVALIDITY means the server renumbered the folder and it is read again. It is kept
// for one mailbox (the login, the server and the folder): another mailbox is read from its start.
struct InboxState {
    uint32_t uidValidity = 0;
    uint32_t lastUid = 0;
};

// The forms by their names in the file and in the settings dialog, in dialog order.
const std::vector<std::string>& replyFormNames();
std::string replyFormName(ReplyForm form);
ReplyForm replyFormFromName(const std::string& name); // unknown names: FromLocalPart

// Missing file or keys: the defaults above.
InboxSettings readInboxSettings(const std::string& path);
// The state kept for this mailbox (the name mailboxName() gives it); none when the file keeps
// another mailbox's. A file from before mailboxes were named counts as this mailbox's.
InboxState readInboxState(const std::string& path, const std::string& mailbox);
// Write through the settings file's atomic update; EIniFileError when it cannot be written.
void writeInboxSettings(const std::string& path, const InboxSettings& settings);
// Never moves the mailbox's place back: when the file already holds a later UID of the same
// UIDVALIDITY (another copy of the program sharing the settings checked further), it stays.
void writeInboxState(const std::string& path, const std::string& mailbox, const InboxState& state);

// A mailbox as the state names it: "user@host:port/folder".
std::string mailboxName(const std::string& user, const std::string& server,
                        const std::string& folder);

// A comma- or blank-separated list as its items, trimmed, empty ones left out.
std::vector<std::string> splitList(const std::string& text);
