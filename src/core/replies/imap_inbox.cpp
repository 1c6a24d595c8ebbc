#include "core/replies/imap_inbox.h"

#include "core/replies/inbox_error.h"
#include "core/tables/trust_store.h"

#include <algorithm>
#include <cstdlib>
#include <curl/curl.h>
#include <mutex>
#include <poll.h>

namespace {

CURL* handle(void* p) {
    return static_cast<CURL*>(p);
}

void initCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

int abortWhenStopped(void* stop, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return stop && static_cast<const std::atomic<bool>*>(stop)->load() ? 1 : 0;
}

std::string seconds(std::chrono::milliseconds t) {
    const auto s = std::chrono::duration_cast<std::chrono::seconds>(t).count();
    return s >= 1 ? std::to_string(s) + (s == 1 ? " second" : " seconds")
                  : std::to_string(t.count()) + " ms";
}

// The reason of a failed connect and login, in the user's words.
std::string connectReason(CURLcode code, const char* detail, const InboxLogin& login) {
    const std::string more = detail && *detail ? std::string(" (") + detail + ")" : "";
    switch (code) {
    case CURLE_LOGIN_DENIED:
        return "it refused the user name or the password" + more;
    case CURLE_PEER_FAILED_VERIFICATION:
#if LIBCURL_VERSION_NUM < 0x073e00
    case CURLE_SSL_CACERT:
#endif
    case CURLE_SSL_CACERT_BADFILE:
        return "its certificate was refused" + more;
    case CURLE_USE_SSL_FAILED:
        return "it does not offer TLS (STARTTLS), and the password is never sent unencrypted";
    case CURLE_SSL_CONNECT_ERROR:
        return "the TLS handshake failed" + more;
    case CURLE_OPERATION_TIMEDOUT:
        return "it did not answer within " + seconds(login.timeouts.connect + login.timeouts.login);
    case CURLE_COULDNT_RESOLVE_HOST:
        return "its name cannot be found" + more;
    case CURLE_COULDNT_CONNECT:
        return "it cannot be reached" + more;
    case CURLE_ABORTED_BY_CALLBACK:
        return "the check was stopped";
    default:
        return std::string(curl_easy_strerror(code)) + more;
    }
}

} // namespace

ImapInbox::ImapInbox(InboxLogin login) : login_(std::move(login)) {
    initCurlOnce();
    curl_ = curl_easy_init();
    if (!curl_)
        fail("the connection cannot be prepared");
    CURL* c = handle(curl_);
    char error[CURL_ERROR_SIZE] = {};
    const TrustPaths trust = defaultTrustPaths();
    const std::string url = login_.server.url();
    const long connectMs = static_cast<long>(login_.timeouts.connect.count());
    const long totalMs =
        static_cast<long>((login_.timeouts.connect + login_.timeouts.login).count());
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "imap,imaps");
    curl_easy_setopt(c, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    curl_easy_setopt(c, CURLOPT_USERNAME, login_.user.c_str());
    curl_easy_setopt(c, CURLOPT_PASSWORD, login_.password.c_str());
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(c, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
    if (!login_.trustFile.empty()) {
        curl_easy_setopt(c, CURLOPT_CAINFO, login_.trustFile.c_str());
        curl_easy_setopt(c, CURLOPT_CAPATH, nullptr);
    } else {
        curl_easy_setopt(c, CURLOPT_CAINFO, trust.caFile.c_str());
        curl_easy_setopt(c, CURLOPT_CAPATH, trust.caDir.c_str());
    }
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, connectMs);
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, totalMs);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECT_ONLY, 1L);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, abortWhenStopped);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(login_.stop));
    const CURLcode code = curl_easy_perform(c);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, nullptr);
    if (code != CURLE_OK) {
        const std::string reason = connectReason(code, error, login_);
        curl_easy_cleanup(c);
        curl_ = nullptr;
        fail(reason);
    }
    reader_ = std::make_unique<ImapResponseReader>(
        [this](char* buffer, std::size_t size) { return receive(buffer, size); });
}

ImapInbox::~ImapInbox() {
    if (curl_)
        curl_easy_cleanup(handle(curl_));
}

void ImapInbox::fail(const std::string& reason) const {
    throw EInboxError("The incoming mail server " + login_.server.display() +
                      " cannot be read: " + reason + ".");
}

void ImapInbox::send(const std::string& bytes) {
    std::size_t done = 0;
    curl_socket_t socket = CURL_SOCKET_BAD;
    curl_easy_getinfo(handle(curl_), CURLINFO_ACTIVESOCKET, &socket);
    const auto deadline = std::chrono::steady_clock::now() + login_.timeouts.response;
    while (done < bytes.size()) {
        std::size_t sent = 0;
        const CURLcode code =
            curl_easy_send(handle(curl_), bytes.data() + done, bytes.size() - done, &sent);
        if (code == CURLE_OK) {
            done += sent;
            continue;
        }
        if (code != CURLE_AGAIN)
            fail(std::string("the connection failed (") + curl_easy_strerror(code) + ")");
        if (std::chrono::steady_clock::now() >= deadline)
            fail("it took nothing for " + seconds(login_.timeouts.response));
        pollfd p{socket, POLLOUT, 0};
        ::poll(&p, 1, 200);
        if (login_.stop && login_.stop->load())
            fail("the check was stopped");
    }
}

std::size_t ImapInbox::receive(char* buffer, std::size_t size) {
    curl_socket_t socket = CURL_SOCKET_BAD;
    curl_easy_getinfo(handle(curl_), CURLINFO_ACTIVESOCKET, &socket);
    const auto deadline = std::chrono::steady_clock::now() + login_.timeouts.response;
    for (;;) {
        std::size_t got = 0;
        const CURLcode code = curl_easy_recv(handle(curl_), buffer, size, &got);
        if (code == CURLE_OK)
            return got; // 0: the server closed the connection
        if (code != CURLE_AGAIN)
            fail(std::string("the connection failed (") + curl_easy_strerror(code) + ")");
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            fail("it did not answer within " + seconds(login_.timeouts.response));
        pollfd p{socket, POLLIN, 0};
        ::poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), 200)));
        if (login_.stop && login_.stop->load())
            fail("the check was stopped");
    }
}

ImapResponse ImapInbox::command(const std::string& text,
                                const std::function<void(ImapResponse&&)>& untagged) {
    const std::string tag = "T" + std::to_string(++tag_);
    send(tag + " " + text + "\r\n");
    try {
        for (;;) {
            ImapResponse r = reader_->next();
            if (r.tag() == tag) {
                if (r.status() != "OK")
                    fail("it answered \"" + std::string(r.statusText()) + "\"");
                return r;
            }
            if (r.untagged() && r.status() == "BYE")
                fail("it closed the connection (\"" + std::string(r.statusText()) + "\")");
            if (r.untagged())
                untagged(std::move(r));
        }
    } catch (const EImapProtocol& e) {
        fail(std::string("it sent ") + e.what());
    }
}

FolderStatus ImapInbox::examine(const std::string& folder) {
    FolderStatus status;
    std::string name;
    try {
        name = quotedImapString(folder);
    } catch (const EImapProtocol&) {
        fail("the folder name \"" + folder + "\" holds a line break");
    }
    command("EXAMINE " + name, [&](ImapResponse&& r) {
        if (auto v = responseCodeNumber(r, "UIDVALIDITY"))
            status.uidValidity = *v;
        else if (auto n = responseCodeNumber(r, "UIDNEXT"))
            status.uidNext = *n;
        else {
            const std::string& line = r.pieces.front();
            const size_t space = line.find(' ', 2);
            if (space != std::string::npos && line.compare(space, 7, " EXISTS") == 0)
                status.exists = static_cast<uint32_t>(std::strtoul(line.c_str() + 2, nullptr, 10));
        }
    });
    return status;
}

void ImapInbox::fetch(const std::string& uids, const std::string& item,
                      const std::function<void(FetchedItem&&)>& each) {
    command("UID FETCH " + uids + " (UID " + item + ")", [&](ImapResponse&& r) {
        std::optional<FetchedItem> fetched = parseFetch(r);
        if (fetched && fetched->uid != 0)
            each(std::move(*fetched));
    });
}

void ImapInbox::logout() noexcept {
    try {
        const std::string bytes = "T" + std::to_string(++tag_) + " LOGOUT\r\n";
        std::size_t sent = 0;
        curl_easy_send(handle(curl_), bytes.data(), bytes.size(), &sent);
    } catch (...) {
    }
}
