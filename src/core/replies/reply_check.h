#pragma once

// One check of the inbox, in two halves so that the slow one can run off the windows' thread:
//
//   fetchReplies      talks to the server and reads the gateway's new e-mails into replies
//                     (no table is touched; runs on any thread);
//   applyReplies      adds the replies to the replies table, matched to the sent items, and a
//                     stop's number to the do-not-text list (the caller then writes both files
//                     and, last, the new inbox state).
//
// A check that fails changes nothing: the state moves on only once the tables are written, and
// a reply already in the table (by Message-ID) is never added twice, also when the server
// renumbered its folder (a changed UIDVALIDITY reads the folder again from the start).

#include "core/replies/imap_inbox.h"
#include "core/replies/inbox_settings.h"
#include "core/replies/reply_kind.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class TdxMemData;

// One reply or report, ready for the table: texts in the table files' single-byte charset.
struct IncomingReply {
    double received = 0;
    std::string number;
    std::string text;
    ReplyKind kind = ReplyKind::Other;
    std::string messageId;
};

struct FetchedReplies {
    std::vector<IncomingReply> replies;
    InboxState state;     // to keep once the replies are stored
    int otherSenders = 0; // new messages from anyone but the gateway, left alone
};

// Whether an address is one of the gateway's: an address in the list equals it (case does not
// count), or a domain in the list is its domain or a parent of it.
bool isGatewaySender(const std::string& address, const std::vector<std::string>& senders);

// What keeps the settings from a check (no server, no gateway sender), or empty.
std::string inboxSettingsProblem(const InboxSettings& settings);

// Throws EInboxError (server, login, TLS, time-out, a settings problem). `now` dates a reply
// whose e-mail has no usable Date.
FetchedReplies fetchReplies(const InboxSettings& settings, const InboxLogin& login,
                            const InboxState& previous, double now);

// What the current settings read from the newest e-mail of the gateway ("Test" in the settings).
struct ReplyPreview {
    std::string from, subject;
    std::string number, text; // UTF-8
    ReplyKind kind = ReplyKind::Other;
};
std::optional<ReplyPreview> previewNewestReply(const InboxSettings& settings,
                                               const InboxLogin& login);

// A cancellation or a stop that a check added: what a desktop notification tells of it.
// Texts in the table files' charset; name and appointment empty when no sent item matched.
struct NotableReply {
    ReplyKind kind = ReplyKind::Cancelled;
    std::string number, name, appointment, text; // appointment: "dd/mm/yyyy hh:mm"
};

struct AppliedReplies {
    int added = 0;
    int stops = 0;                     // numbers newly put on the do-not-text list
    std::vector<NotableReply> notable; // in the order of the e-mails
};

AppliedReplies applyReplies(const std::vector<IncomingReply>& replies, TdxMemData& repliesTable,
                            const TdxMemData& sentItems, TdxMemData& doNotText, int32_t today);

// The unread cancellations and unknown replies ("Other"), which the main window's button counts.
int unreadAttentionCount(const TdxMemData& repliesTable);

// UTF-8 text as one line of a table file: characters the table charset lacks become "?",
// tabs, line breaks and other control characters a blank, cut to at most maxBytes.
std::string tableLine(std::string_view utf8, std::size_t maxBytes);
