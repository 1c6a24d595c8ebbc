#include "core/folder/lock_owner.h"

#include <charconv>
#include <climits>
#include <ctime>
#include <pwd.h>
#include <unistd.h>

namespace {

// A value must not break the line form: a user or host name never holds a line end, but a
// lock file is read from a share that anything can write.
std::string oneLine(std::string value) {
    for (char& c : value)
        if (c == '\r' || c == '\n')
            c = ' ';
    return value;
}

template <typename Number> bool parseNumber(std::string_view text, Number& out) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
    return error == std::errc{} && end == text.data() + text.size();
}

} // namespace

std::string lockText(const LockOwner& owner) {
    return "user=" + oneLine(owner.user) + "\nhost=" + oneLine(owner.host) +
           "\npid=" + std::to_string(owner.pid) + "\nstarted=" + oneLine(owner.started) +
           "\nrefreshed=" + std::to_string(owner.refreshed) + "\n";
}

std::optional<LockOwner> parseLockText(std::string_view text) {
    LockOwner owner;
    bool user = false, host = false, pid = false, started = false, refreshed = false;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            continue;
        const std::string_view key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "user")
            owner.user = value, user = true;
        else if (key == "host")
            owner.host = value, host = true;
        else if (key == "pid")
            pid = parseNumber(value, owner.pid);
        else if (key == "started")
            owner.started = value, started = true;
        else if (key == "refreshed")
            refreshed = parseNumber(value, owner.refreshed);
    }
    if (!(user && host && pid && started && refreshed) || owner.pid <= 0)
        return std::nullopt;
    return owner;
}

LockOwner thisProcessOwner(int64_t startedAt) {
    LockOwner owner;
    char host[HOST_NAME_MAX + 1] = {};
    if (gethostname(host, sizeof host - 1) == 0)
        owner.host = host;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_name)
        owner.user = pw->pw_name;
    else
        owner.user = std::to_string(getuid());
    owner.pid = static_cast<long>(getpid());
    const time_t at = static_cast<time_t>(startedAt);
    tm local{};
    localtime_r(&at, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    owner.started = text;
    owner.refreshed = startedAt;
    return owner;
}

std::string ownerDescription(const LockOwner& owner) {
    // The hour and minute of "yyyy-mm-dd hh:mm:ss"; the whole text when it has another form.
    const std::string since = owner.started.size() >= 16 && owner.started[10] == ' '
                                  ? owner.started.substr(11, 5)
                                  : owner.started;
    return owner.user + " on " + owner.host + " since " + since;
}

std::string folderInUseText(const LockOwner& owner) {
    return "The data folder is in use by " + ownerDescription(owner) + ".";
}
