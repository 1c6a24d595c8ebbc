#include "core/replies/reply_notice.h"

namespace {

// Lines shown before "and N more": a notification is read at a glance.
constexpr size_t kMostLines = 5;
// A reply's text is cut here; the window shows it whole.
constexpr size_t kMostTextBytes = 80;

std::string who(const NotableReply& r) {
    if (!r.name.empty())
        return r.name;
    return r.number.empty() ? std::string("A customer") : r.number;
}

std::string headline(const NotableReply& r) {
    if (r.kind == ReplyKind::Stop)
        return who(r) + " replied STOP";
    std::string line = who(r) + " cancelled";
    if (!r.appointment.empty())
        line += " " + r.appointment;
    return line;
}

std::string shortText(const std::string& text) {
    if (text.size() <= kMostTextBytes)
        return text;
    return text.substr(0, kMostTextBytes) + "...";
}

std::string count(size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

} // namespace

std::optional<ReplyNotice> noticeOf(const std::vector<NotableReply>& notable) {
    if (notable.empty())
        return std::nullopt;
    if (notable.size() == 1) {
        const NotableReply& r = notable.front();
        if (r.kind == ReplyKind::Stop)
            return ReplyNotice{headline(r),
                               (r.number.empty() ? std::string("The sender") : r.number) +
                                   " is on the do-not-text list now."};
        return ReplyNotice{headline(r), "\"" + shortText(r.text) + "\""};
    }
    size_t stops = 0;
    for (const NotableReply& r : notable)
        stops += r.kind == ReplyKind::Stop;
    const size_t cancellations = notable.size() - stops;
    ReplyNotice notice;
    if (cancellations > 0)
        notice.summary = count(cancellations, "cancellation", "cancellations");
    if (cancellations > 0 && stops > 0)
        notice.summary += " and ";
    if (stops > 0)
        notice.summary += count(stops, "stop", "stops");
    for (size_t i = 0; i < notable.size() && i < kMostLines; ++i) {
        const NotableReply& r = notable[i];
        if (i > 0)
            notice.body += "\n";
        notice.body += headline(r);
        if (r.kind == ReplyKind::Cancelled)
            notice.body += ": \"" + shortText(r.text) + "\"";
    }
    if (notable.size() > kMostLines)
        notice.body += "\nand " + std::to_string(notable.size() - kMostLines) + " more";
    return notice;
}
