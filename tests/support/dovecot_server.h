#pragma once

// A real IMAP server for the inbox tests: Debian's Dovecot, started by the test with its own
// configuration in a temporary folder, on free loopback ports: 993-style TLS on one, STARTTLS
// on the other (plain-text login refused before it), certificates from a throwaway authority.
// Each user ("user1", "user2", ...; password "secret") has a Maildir of its own that the test
// fills. The destructor stops the server by its PID and removes the folder.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testservers {

class DovecotServer {
public:
    // certFile/keyFile: the server's certificate and key (PEM).
    DovecotServer(const std::string& certFile, const std::string& keyFile);
    ~DovecotServer();
    DovecotServer(const DovecotServer&) = delete;
    DovecotServer& operator=(const DovecotServer&) = delete;

    uint16_t tlsPort() const { return tlsPort_; }
    uint16_t startTlsPort() const { return startTlsPort_; }

    // Puts an e-mail into the user's INBOX (Maildir "new"), as a delivery would; returns its path.
    std::string deliver(const std::string& user, const std::string& bytes);
    // Every file name of the user's INBOX (new and cur), to see that nothing was flagged.
    std::vector<std::string> mailFiles(const std::string& user) const;
    // Gives the user's INBOX a new UIDVALIDITY, as a server that rebuilt its folder would.
    void renumber(const std::string& user);

private:
    void waitUntilListening();
    std::filesystem::path maildir(const std::string& user) const;

    std::filesystem::path dir_;
    int pid_ = -1;
    uint16_t tlsPort_ = 0, startTlsPort_ = 0;
    int owner_ = -1, group_ = -1; // the mail files' owner when the tests run as root
    int delivered_ = 0;
};

// A free TCP port on 127.0.0.1 (bound, then released).
uint16_t freeLoopbackPort();

} // namespace testservers
