#include "core/replies/inbox_settings.h"

#include "core/tables/ini_file.h"

#include <algorithm>

namespace {

constexpr const char* kInbox = "Inbox";
constexpr const char* kReading = "Reading";
constexpr const char* kWords = "Words";
constexpr const char* kChecked = "Checked";

uint32_t readUnsigned(const IniDocument& ini, const char* key) {
    const std::string text = ini.ReadString(kChecked, key, "0");
    try {
        size_t used = 0;
        const unsigned long long value = std::stoull(text, &used);
        return used == text.size() && value <= 0xffffffffULL ? static_cast<uint32_t>(value) : 0;
    } catch (const std::exception&) {
        return 0;
    }
}

} // namespace

const std::vector<std::string>& replyFormNames() {
    static const std::vector<std::string> names{
        "Number is the sender's address", "Number in the subject", "Number and text in the body",
        "Regular expression"};
    return names;
}

std::string replyFormName(ReplyForm form) {
    return replyFormNames()[static_cast<size_t>(form)];
}

ReplyForm replyFormFromName(const std::string& name) {
    const auto& names = replyFormNames();
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == name)
            return static_cast<ReplyForm>(i);
    return ReplyForm::FromLocalPart;
}

InboxSettings readInboxSettings(const std::string& path) {
    const IniDocument ini = TIniFile(path).Load();
    InboxSettings s;
    s.server = ini.ReadString(kInbox, "Server", s.server);
    s.user = ini.ReadString(kInbox, "User", s.user);
    s.folder = ini.ReadString(kInbox, "Folder", s.folder);
    if (s.folder.empty())
        s.folder = "INBOX";
    s.gatewaySenders = ini.ReadString(kInbox, "GatewaySenders", s.gatewaySenders);
    s.checkEveryMinutes = std::max(0, ini.ReadInteger(kInbox, "CheckEveryMinutes", 0));
    s.form = replyFormFromName(ini.ReadString(kReading, "Form", replyFormName(s.form)));
    s.pattern = ini.ReadString(kReading, "Pattern", s.pattern);
    s.confirmWords = ini.ReadString(kWords, "Confirmed", s.confirmWords);
    s.cancelWords = ini.ReadString(kWords, "Cancelled", s.cancelWords);
    s.stopWords = ini.ReadString(kWords, "Stop", s.stopWords);
    s.reportWords = ini.ReadString(kWords, "Reports", s.reportWords);
    return s;
}

namespace {

bool keptFor(const IniDocument& ini, const std::string& mailbox) {
    const std::string kept = ini.ReadString(kChecked, "Mailbox", "");
    return kept.empty() || kept == mailbox;
}

} // namespace

InboxState readInboxState(const std::string& path, const std::string& mailbox) {
    const IniDocument ini = TIniFile(path).Load();
    if (!keptFor(ini, mailbox))
        return {};
    return {readUnsigned(ini, "UidValidity"), readUnsigned(ini, "LastUid")};
}

void writeInboxSettings(const std::string& path, const InboxSettings& s) {
    TIniFile(path).Update([&](IniDocument& ini) {
        ini.WriteString(kInbox, "Server", s.server);
        ini.WriteString(kInbox, "User", s.user);
        ini.WriteString(kInbox, "Folder", s.folder);
        ini.WriteString(kInbox, "GatewaySenders", s.gatewaySenders);
        ini.WriteInteger(kInbox, "CheckEveryMinutes", s.checkEveryMinutes);
        ini.WriteString(kReading, "Form", replyFormName(s.form));
        ini.WriteString(kReading, "Pattern", s.pattern);
        ini.WriteString(kWords, "Confirmed", s.confirmWords);
        ini.WriteString(kWords, "Cancelled", s.cancelWords);
        ini.WriteString(kWords, "Stop", s.stopWords);
        ini.WriteString(kWords, "Reports", s.reportWords);
    });
}

void writeInboxState(const std::string& path, const std::string& mailbox, const InboxState& state) {
    TIniFile(path).Update([&](IniDocument& ini) {
        uint32_t lastUid = state.lastUid;
        if (keptFor(ini, mailbox) && readUnsigned(ini, "UidValidity") == state.uidValidity)
            lastUid = std::max(lastUid, readUnsigned(ini, "LastUid"));
        ini.WriteString(kChecked, "Mailbox", mailbox);
        ini.WriteString(kChecked, "UidValidity", std::to_string(state.uidValidity));
        ini.WriteString(kChecked, "LastUid", std::to_string(lastUid));
    });
}

std::string mailboxName(const std::string& user, const std::string& server,
                        const std::string& folder) {
    return user + "@" + server + "/" + folder;
}

std::vector<std::string> splitList(const std::string& text) {
    std::vector<std::string> items;
    std::string item;
    auto flush = [&] {
        if (!item.empty())
            items.push_back(item);
        item.clear();
    };
    for (char c : text) {
        if (c == ',' || c == ';' || c == ' ' || c == '\t' || c == '\r' || c == '\n')
            flush();
        else
            item += c;
    }
    flush();
    return items;
}
