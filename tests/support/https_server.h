#pragma once

// A small HTTPS server for the subscription tests, and a trust limited to a test authority.
//
//   HttpsServer(cert, folder)  serves the files of `folder` (and a few paths that misbehave on
//                              purpose, see https_server.py) on a free port of 127.0.0.1
//   TrustOnly(caFile)          for its lifetime, the program trusts that authority alone
// Header-only: it finds the script through TEST_SOURCE_DIR, which each test program defines.

#include "core/smtp/test_pki.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

// tests/support/https_server.py on a free loopback port; stopped by closing its input.
class HttpsServer {
public:
    HttpsServer(const testpki::ServerCert& cert, const std::string& folder) {
        int in[2], out[2];
        if (::pipe2(in, O_CLOEXEC) || ::pipe2(out, O_CLOEXEC))
            throw std::runtime_error("pipe failed");
        posix_spawn_file_actions_t actions;
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        ::posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        const std::string script = std::string(TEST_SOURCE_DIR) + "/support/https_server.py";
        const char* argv[] = {"/usr/bin/python3",   script.c_str(), cert.certFile.c_str(),
                              cert.keyFile.c_str(), folder.c_str(), nullptr};
        if (::posix_spawn(&pid_, argv[0], &actions, nullptr, const_cast<char**>(argv), environ))
            throw std::runtime_error("cannot start the HTTPS server");
        ::posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        input_ = in[1];
        std::string line;
        char c;
        while (::read(out[0], &c, 1) == 1 && c != '\n')
            line += c;
        ::close(out[0]);
        port_ = std::atoi(line.c_str());
        if (port_ <= 0)
            throw std::runtime_error("the HTTPS server did not start");
    }
    ~HttpsServer() {
        ::close(input_);
        int status = 0;
        for (int i = 0; i < 50 && ::waitpid(pid_, &status, WNOHANG) == 0; ++i)
            ::usleep(100000);
        if (::waitpid(pid_, &status, WNOHANG) == 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
        }
    }
    std::string url(const std::string& path) const {
        return "https://127.0.0.1:" + std::to_string(port_) + path;
    }

private:
    pid_t pid_ = 0;
    int input_ = -1;
    int port_ = 0;
};

// Trusts only the test authority, through the variable OpenSSL reads, for one test.
class TrustOnly {
public:
    explicit TrustOnly(const std::string& caFile) {
        if (const char* old = std::getenv("SSL_CERT_FILE"))
            old_ = old;
        ::setenv("SSL_CERT_FILE", caFile.c_str(), 1);
        ::setenv("SSL_CERT_DIR", "/nonexistent", 1);
    }
    ~TrustOnly() {
        old_.empty() ? ::unsetenv("SSL_CERT_FILE") : ::setenv("SSL_CERT_FILE", old_.c_str(), 1);
        ::unsetenv("SSL_CERT_DIR");
    }

private:
    std::string old_;
};
