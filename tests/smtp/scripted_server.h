#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// What the scripted server does at one step of the dialogue.
struct ServerStep {
    // Sent one after another with a short pause between them, so that each chunk arrives in a
    // TCP segment of its own. No chunks: the server stays silent.
    std::vector<std::string> chunks;
    // Close the connection instead of replying.
    bool close = false;
};

// A reply of one or more lines, each given without its CR LF.
ServerStep reply(std::initializer_list<std::string> lines);
// Closing the connection.
ServerStep hangUp();
// Saying nothing.
ServerStep silence();

// An SMTP server for tests on 127.0.0.1 with a port chosen by the system. It accepts one
// connection, plays the first step at once (the greeting), then, for every further step, reads
// one command line (or, after a reply beginning with "354", the data up to the final ".") and
// plays the step. After the last step it reads until the client closes. Every byte the client
// sends is recorded. Nothing waits longer than ten seconds; the destructor stops the thread.
class ScriptedServer {
public:
    explicit ScriptedServer(std::vector<ServerStep> steps);
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

    std::vector<ServerStep> steps_;
    int listenFd_ = -1;
    int connFd_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::string received_;
    std::thread thread_;
};

// A port on 127.0.0.1 where nothing listens.
uint16_t closedPort();
