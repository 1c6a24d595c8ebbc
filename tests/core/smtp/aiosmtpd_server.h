#pragma once

// The real SMTP server of the interoperability tests: tests/core/smtp/aiosmtpd_server.py (Debian's
// python3-aiosmtpd, AUTH LOGIN, a free loopback port), which stores the envelope and the content
// it receives in a folder of its own. Given a certificate and key, it requires STARTTLS and
// offers AUTH only after it. The destructor stops it and removes the folder.

#include "support/temp_folder.h"

#include <chrono>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace testservers {

namespace fs = std::filesystem;

inline std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// tests/core/smtp/aiosmtpd_server.py run by Debian's interpreter.
class AiosmtpdServer {
public:
    AiosmtpdServer(const std::string& user, const std::string& password,
                   const std::string& certFile = {}, const std::string& keyFile = {}) {
        int in[2], out[2], err[2];
        if (::pipe2(in, O_CLOEXEC) || ::pipe2(out, O_CLOEXEC) || ::pipe2(err, O_CLOEXEC))
            throw std::runtime_error("pipe failed");
        posix_spawn_file_actions_t actions;
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        ::posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        ::posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        static const char* const python = "/usr/bin/python3";
        const std::string script = std::string(TEST_SOURCE_DIR) + "/core/smtp/aiosmtpd_server.py";
        const std::string store = dir_.string();
        std::vector<char*> argv = {const_cast<char*>(python), const_cast<char*>(script.c_str()),
                                   const_cast<char*>(store.c_str()),
                                   const_cast<char*>(user.c_str()),
                                   const_cast<char*>(password.c_str())};
        if (!certFile.empty()) {
            argv.push_back(const_cast<char*>(certFile.c_str()));
            argv.push_back(const_cast<char*>(keyFile.c_str()));
        }
        argv.push_back(nullptr);
        const int rc = ::posix_spawn(&pid_, python, &actions, nullptr, argv.data(), environ);
        ::posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        ::close(err[1]);
        stdin_ = in[1];
        stdout_ = out[0];
        stderr_ = err[0];
        if (rc != 0)
            pid_ = -1;
    }

    ~AiosmtpdServer() {
        if (stdin_ >= 0)
            ::close(stdin_);
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (::waitpid(pid_, &status, WNOHANG) == 0) {
                if (std::chrono::steady_clock::now() > until) {
                    ::kill(pid_, SIGKILL);
                    ::waitpid(pid_, &status, 0);
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
        ::close(stdout_);
        ::close(stderr_);
    }

    // The port from the server's "PORT n" line; 0 (with the reason in error) when it did not
    // start within ten seconds.
    uint16_t waitForPort(std::string& error) {
        if (pid_ <= 0) {
            error = "cannot start /usr/bin/python3";
            return 0;
        }
        std::string line;
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < until) {
            pollfd p{stdout_, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0)
                continue;
            char c[256];
            const ssize_t n = ::read(stdout_, c, sizeof c);
            if (n <= 0)
                break;
            line.append(c, static_cast<size_t>(n));
        }
        if (line.rfind("PORT ", 0) == 0)
            return static_cast<uint16_t>(std::stoi(line.substr(5)));
        ::fcntl(stderr_, F_SETFL, O_NONBLOCK);
        char c[4096];
        const ssize_t n = ::read(stderr_, c, sizeof c);
        error = "aiosmtpd server did not start (is python3-aiosmtpd installed?): " + line +
                (n > 0 ? std::string(c, static_cast<size_t>(n)) : std::string());
        return 0;
    }

    const fs::path& dir() const { return dir_; }
    std::string envelope() const { return readFile(dir_ / "envelope.txt"); }
    std::string content() const { return readFile(dir_ / "content.bin"); }
    bool stored() const { return fs::exists(dir_ / "content.bin"); }

private:
    TempFolder folder_;
    fs::path dir_ = folder_.path();
    pid_t pid_ = -1;
    int stdin_ = -1, stdout_ = -1, stderr_ = -1;
};

} // namespace testservers
