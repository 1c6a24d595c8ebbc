#pragma once

// A read-only session with the incoming mail server. libcurl opens it: the connection, TLS
// (from the first byte on 993, STARTTLS required elsewhere), the certificate check and the
// login. The two commands the program needs then go over that session: EXAMINE, which opens
// the folder read-only, and UID FETCH with BODY.PEEK, which reads without setting \Seen.
// libcurl's own FETCH would select the folder read-write and read with BODY[] (which marks
// the message seen), and its custom commands drop the literals that carry message text, so
// the responses are read here (imap_response.h). Nothing is ever stored, flagged, moved or
// deleted on the server.

#include "core/replies/imap_response.h"
#include "core/replies/inbox_server.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// How long each step may wait; the defaults are those of sending.
struct InboxTimeouts {
    std::chrono::milliseconds connect = std::chrono::seconds(30);
    // The greeting, STARTTLS, the TLS handshake and the login together.
    std::chrono::milliseconds login = std::chrono::minutes(2);
    // Longest wait for the next bytes of a response.
    std::chrono::milliseconds response = std::chrono::minutes(5);
};

struct InboxLogin {
    InboxServer server;
    std::string user;
    std::string password;
    InboxTimeouts timeouts;
    // A PEM file of trusted authorities; empty: the program's trust store
    // (core/tables/trust_store.h).
    std::string trustFile;
    // Set from another thread to end the session soon (the program is closing).
    const std::atomic<bool>* stop = nullptr;
};

struct FolderStatus {
    uint32_t uidValidity = 0;
    uint32_t uidNext = 0;
    uint32_t exists = 0;
};

class ImapInbox {
public:
    // Connects and logs in. Throws EInboxError naming the server and the reason.
    explicit ImapInbox(InboxLogin login);
    ~ImapInbox();
    ImapInbox(const ImapInbox&) = delete;
    ImapInbox& operator=(const ImapInbox&) = delete;

    FolderStatus examine(const std::string& folder);
    // Runs "UID FETCH <uids> (UID <item>)" and hands each message's item to `each`, as it
    // arrives. uids is an IMAP set ("5:*", "3,7,9").
    void fetch(const std::string& uids, const std::string& item,
               const std::function<void(FetchedItem&&)>& each);
    // Says goodbye; failures are ignored (the answers have all been read).
    void logout() noexcept;

private:
    ImapResponse command(const std::string& text,
                         const std::function<void(ImapResponse&&)>& untagged);
    void send(const std::string& bytes);
    std::size_t receive(char* buffer, std::size_t size);
    [[noreturn]] void fail(const std::string& reason) const;

    InboxLogin login_;
    void* curl_ = nullptr;
    int tag_ = 0;
    std::unique_ptr<ImapResponseReader> reader_;
};
