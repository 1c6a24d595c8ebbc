#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

struct ssl_ctx_st;
struct ssl_st;

// What the scripted server does at one step of the dialogue.
struct ServerStep {
    // Sent one after another with a short pause between them, so that each chunk arrives in a
    // TCP segment of its own. No chunks: the server stays silent.
    std::vector<std::string> chunks;
    // Close the connection instead of replying.
    bool close = false;
    // After the chunks, perform the server's side of the TLS handshake (STARTTLS).
    bool startTls = false;
    // Play the step as soon as any byte arrives, instead of after a whole command line (for a
    // server that answers a client's TLS handshake with something else).
    bool onAnyBytes = false;
};

// A reply of one or more lines, each given without its CR LF.
ServerStep reply(std::initializer_list<std::string> lines);
// Closing the connection.
ServerStep hangUp();
// Saying nothing.
ServerStep silence();
// A reply after which the server starts TLS.
ServerStep replyThenTls(std::initializer_list<std::string> lines);

// TLS for the scripted server: its certificate and key files, and whether the connection is
// TLS from the first byte (implicit TLS) rather than from a STARTTLS step.
struct ScriptedTls {
    std::string certFile;
    std::string keyFile;
    bool implicit = false;
};

// An SMTP server for tests on 127.0.0.1 with a port chosen by the system. It accepts one
// connection, plays the first step at once (the greeting), then, for every further step, reads
// one command line (or, after a reply beginning with "354", the data up to the final ".") and
// plays the step. After the last step it reads until the client closes. Every byte the client
// sends is recorded. Nothing waits longer than ten seconds; the destructor stops the thread.
// With TLS, what is recorded is the decrypted text, and the point where a handshake completed is
// recorded as "[TLS]"; a handshake that fails ends the dialogue.
class ScriptedServer {
public:
    explicit ScriptedServer(std::vector<ServerStep> steps, std::optional<ScriptedTls> tls = {});
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    uint16_t port() const { return port_; }
    // Waits until the client has closed the connection (or the time limit passed) and returns
    // every byte received.
    std::string received();

private:
    void run();
    bool readMore(std::chrono::steady_clock::time_point deadline);
    void play(const ServerStep& step);
    bool acceptTls(std::chrono::steady_clock::time_point deadline);
    // Sends all of text; false when the client went away.
    bool sendAll(const std::string& text, std::chrono::steady_clock::time_point deadline);

    std::vector<ServerStep> steps_;
    std::optional<ScriptedTls> tls_;
    ssl_ctx_st* ctx_ = nullptr;
    ssl_st* ssl_ = nullptr;
    int listenFd_ = -1;
    int connFd_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::string received_;
    std::thread thread_;
};

// A port on 127.0.0.1 where nothing listens.
uint16_t closedPort();
