#include "core/replies/reply_check.h"

#include "core/replies/inbox_error.h"
#include "core/replies/reply_matching.h"
#include "core/replies/reply_message.h"
#include "core/replies/reply_reading.h"
#include "core/store/do_not_text.h"
#include "core/store/phone_number.h"
#include "core/store/schemas.h"
#include "core/tables/charset.h"
#include "core/tables/mem_data.h"

#include <algorithm>
#include <glib.h>
#include <unordered_set>

namespace {

// Bodies are fetched this many at a time, so that a folder full of large e-mails never holds
// more than a batch of 64 KiB pieces in memory.
constexpr size_t kBodyBatch = 100;
constexpr const char* kHeaderItem = "BODY.PEEK[HEADER.FIELDS (FROM)]";
constexpr const char* kBodyItem = "BODY.PEEK[]<0.65536>";
constexpr const char* kStopNote = "replied STOP";

std::string lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(g_ascii_tolower(c));
    return s;
}

void requireSettings(const InboxSettings& settings) {
    const std::string problem = inboxSettingsProblem(settings);
    if (!problem.empty())
        throw EInboxError(problem);
}

// An id for an e-mail without a Message-ID, the same on every check.
std::string contentId(std::string_view bytes) {
    gchar* sum = g_compute_checksum_for_data(
        G_CHECKSUM_SHA256, reinterpret_cast<const guchar*>(bytes.data()), bytes.size());
    std::string id = std::string("sha256-") + (sum ? sum : "") + "@tallyminder";
    g_free(sum);
    return id;
}

std::string uidList(const std::vector<uint32_t>& uids, size_t from, size_t to) {
    std::string set;
    for (size_t i = from; i < to; ++i) {
        if (!set.empty())
            set += ',';
        set += std::to_string(uids[i]);
    }
    return set;
}

IncomingReply toReply(std::string_view bytes, const ReplyReader& reader, const ReplyWords& words,
                      double now) {
    const ReplyMessage message = parseReplyMessage(bytes);
    const ReadReply read = reader.read(message);
    IncomingReply reply;
    reply.received = message.date.value_or(now);
    reply.kind = classifyReply(read.text, read.status, words);
    const std::string text =
        read.status.empty() ? read.text : read.status + (read.text.empty() ? "" : ": " + read.text);
    reply.text = tableLine(text, 480);
    reply.number = tableLine(read.number, 40);
    reply.messageId =
        tableLine(message.messageId.empty() ? contentId(bytes) : message.messageId, 250);
    return reply;
}

// The new UIDs of the gateway's e-mails (the rest are counted and left alone).
std::vector<uint32_t> gatewayUids(ImapInbox& inbox, uint32_t after,
                                  const std::vector<std::string>& senders, uint32_t& highest,
                                  int& others) {
    std::vector<uint32_t> uids;
    inbox.fetch(std::to_string(after + 1) + ":*", kHeaderItem, [&](FetchedItem&& item) {
        // "n:*" also names the last message when every UID is below n.
        if (item.uid <= after)
            return;
        highest = std::max(highest, item.uid);
        if (isGatewaySender(senderAddress(item.body), senders))
            uids.push_back(item.uid);
        else
            ++others;
    });
    std::sort(uids.begin(), uids.end());
    return uids;
}

} // namespace

std::string inboxSettingsProblem(const InboxSettings& settings) {
    if (settings.server.empty())
        return "Name the incoming mail server in the inbox settings first.";
    if (splitList(settings.gatewaySenders).empty())
        return "Say which senders are the gateway in the inbox settings first: mail from anyone "
               "else is never read.";
    return {};
}

bool isGatewaySender(const std::string& address, const std::vector<std::string>& senders) {
    const size_t at = address.rfind('@');
    if (at == std::string::npos || at == 0)
        return false;
    const std::string whole = lower(address), domain = whole.substr(at + 1);
    for (const std::string& entry : senders) {
        std::string s = lower(entry);
        if (s.find('@') != std::string::npos) {
            if (s == whole)
                return true;
            continue;
        }
        if (!s.empty() && s.front() == '.')
            s.erase(0, 1);
        if (!s.empty() && (domain == s || (domain.size() > s.size() && domain.ends_with("." + s))))
            return true;
    }
    return false;
}

FetchedReplies fetchReplies(const InboxSettings& settings, const InboxLogin& login,
                            const InboxState& previous, double now) {
    requireSettings(settings);
    const ReplyReader reader(settings.form, settings.pattern);
    const ReplyWords words = ReplyWords::of(settings);
    const std::vector<std::string> senders = splitList(settings.gatewaySenders);

    ImapInbox inbox(login);
    const FolderStatus folder = inbox.examine(settings.folder);
    FetchedReplies result;
    const bool renumbered = folder.uidValidity != previous.uidValidity;
    const uint32_t after = renumbered ? 0 : previous.lastUid;
    result.state = {folder.uidValidity, after};
    if (folder.exists == 0 || (folder.uidNext != 0 && folder.uidNext <= after + 1)) {
        inbox.logout();
        return result;
    }
    const std::vector<uint32_t> uids =
        gatewayUids(inbox, after, senders, result.state.lastUid, result.otherSenders);
    for (size_t from = 0; from < uids.size(); from += kBodyBatch) {
        const size_t to = std::min(uids.size(), from + kBodyBatch);
        std::vector<std::pair<uint32_t, IncomingReply>> batch;
        inbox.fetch(uidList(uids, from, to), kBodyItem, [&](FetchedItem&& item) {
            batch.emplace_back(item.uid, toReply(item.body, reader, words, now));
        });
        std::sort(batch.begin(), batch.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        for (auto& [uid, reply] : batch)
            result.replies.push_back(std::move(reply));
    }
    inbox.logout();
    return result;
}

std::optional<ReplyPreview> previewNewestReply(const InboxSettings& settings,
                                               const InboxLogin& login) {
    requireSettings(settings);
    const ReplyReader reader(settings.form, settings.pattern);
    const std::vector<std::string> senders = splitList(settings.gatewaySenders);
    ImapInbox inbox(login);
    const FolderStatus folder = inbox.examine(settings.folder);
    if (folder.exists == 0)
        return std::nullopt;
    // The newest few hundred e-mails are enough to find the gateway's latest.
    const uint32_t from = folder.uidNext > 500 ? folder.uidNext - 500 : 0;
    uint32_t highest = 0;
    int others = 0;
    const std::vector<uint32_t> uids = gatewayUids(inbox, from, senders, highest, others);
    if (uids.empty())
        return std::nullopt;
    std::optional<ReplyPreview> preview;
    inbox.fetch(std::to_string(uids.back()), kBodyItem, [&](FetchedItem&& item) {
        const ReplyMessage message = parseReplyMessage(item.body);
        const ReadReply read = reader.read(message);
        preview = ReplyPreview{message.from, message.subject, read.number, read.text,
                               classifyReply(read.text, read.status, ReplyWords::of(settings))};
        if (!read.status.empty())
            preview->text = read.status + (read.text.empty() ? "" : ": " + read.text);
    });
    inbox.logout();
    return preview;
}

AppliedReplies applyReplies(const std::vector<IncomingReply>& replies, TdxMemData& table,
                            const TdxMemData& sentItems, TdxMemData& doNotText, int32_t today) {
    AppliedReplies applied;
    std::unordered_set<std::string> known;
    const int idField = table.FieldIndex(fields::message_id);
    for (int row = 0; row < table.RowCount(); ++row)
        known.emplace(table.CellString(row, idField));
    const SentItemIndex index(sentItems);
    const int name = sentItems.FieldIndex(fields::name),
              date = sentItems.FieldIndex(fields::appointment_date),
              time = sentItems.FieldIndex(fields::appointment_time);
    std::vector<std::string> stops;
    table.SuspendViews();
    try {
        for (const IncomingReply& r : replies) {
            if (!known.insert(r.messageId).second)
                continue;
            ReplyKind kind = r.kind;
            // The sent item the reply answers, or -1.
            const int row = r.number.empty() ? -1 : index.match(r.number, r.received).value_or(-1);
            // A yes or no that answers no reminder is shown as it stands; a stop is honoured
            // whoever sends it.
            if (row < 0 && (kind == ReplyKind::Confirmed || kind == ReplyKind::Cancelled))
                kind = ReplyKind::Other;
            if (kind == ReplyKind::Stop && !r.number.empty())
                stops.push_back(r.number);
            table.AddRow({FieldValue{}, r.received, r.number,
                          row >= 0 ? sentItems.CellValue(row, name) : FieldValue{},
                          row >= 0 ? sentItems.CellValue(row, date) : FieldValue{},
                          row >= 0 ? sentItems.CellValue(row, time) : FieldValue{},
                          replyKindText(kind), r.text, r.messageId, false});
            ++applied.added;
            if (kind == ReplyKind::Cancelled || kind == ReplyKind::Stop) {
                NotableReply note{kind, r.number, {}, {}, r.text};
                if (row >= 0) {
                    note.name = sentItems.CellText(row, name);
                    // The time without its seconds, as the windows show it.
                    const std::string at = sentItems.CellText(row, time);
                    note.appointment = sentItems.CellText(row, date) + " " + at.substr(0, 5);
                }
                applied.notable.push_back(std::move(note));
            }
        }
        // The list compares digits; a stop from "+44 7700..." for a listed "07700..." is the
        // same customer and needs no second row.
        const int listedNumber = doNotText.FieldIndex(fields::number);
        std::erase_if(stops, [&](const std::string& number) {
            for (int row = 0; row < doNotText.RowCount(); ++row)
                if (samePhoneNumber(doNotText.CellString(row, listedNumber), number))
                    return true;
            return false;
        });
        applied.stops = markDoNotText(doNotText, stops, today, kStopNote);
    } catch (...) {
        table.ResumeViews();
        throw;
    }
    table.ResumeViews();
    return applied;
}

int unreadAttentionCount(const TdxMemData& table) {
    const int kind = table.FieldIndex(fields::kind), read = table.FieldIndex(fields::read_flag);
    int count = 0;
    for (int row = 0; row < table.RowCount(); ++row) {
        const std::string_view k = table.CellString(row, kind);
        const FieldValue seen = table.CellValue(row, read);
        const bool isRead = std::holds_alternative<bool>(seen) && std::get<bool>(seen);
        if (!isRead && (k == "Cancelled" || k == "Other"))
            ++count;
    }
    return count;
}

std::string tableLine(std::string_view utf8, std::size_t maxBytes) {
    std::string bytes(utf8);
    std::replace(bytes.begin(), bytes.end(), '\0', ' '); // else made valid as U+FFFD
    gchar* valid = g_utf8_make_valid(bytes.data(), static_cast<gssize>(bytes.size()));
    std::string out;
    bool blank = false;
    for (const gchar* p = valid; *p && out.size() < maxBytes; p = g_utf8_next_char(p)) {
        const gunichar c = g_utf8_get_char(p);
        if (c < 0x20 || c == 0x7f || c == ' ' || (c >= 0x80 && c < 0xa0)) {
            blank = !out.empty();
            continue;
        }
        if (blank)
            out += ' ';
        blank = false;
        if (out.size() >= maxBytes)
            break;
        const int byte = cp1252FromUnicode(c);
        out += byte >= 0 ? static_cast<char>(byte) : '?';
    }
    g_free(valid);
    return out;
}
