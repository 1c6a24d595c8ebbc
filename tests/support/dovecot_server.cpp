#include "support/dovecot_server.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <fstream>
#include <grp.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <regex>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace testservers {

namespace fs = std::filesystem;

namespace {

void writeText(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

std::string userName(uid_t uid) {
    const passwd* pw = ::getpwuid(uid);
    return pw ? pw->pw_name : std::to_string(uid);
}

std::string groupName(gid_t gid) {
    const group* gr = ::getgrgid(gid);
    return gr ? gr->gr_name : std::to_string(gid);
}

// Whether the server greets on the port: its login process and authentication are ready.
bool greets(uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    if (ok) {
        pollfd p{fd, POLLIN, 0};
        char greeting[64] = {};
        ok = ::poll(&p, 1, 5000) > 0 && ::read(fd, greeting, sizeof greeting - 1) > 0 &&
             std::string(greeting).starts_with("* OK");
    }
    ::close(fd);
    return ok;
}

} // namespace

uint16_t freeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        ::close(fd);
        throw std::runtime_error("no free loopback port");
    }
    ::close(fd);
    return ntohs(a.sin_port);
}

DovecotServer::DovecotServer(const std::string& certFile, const std::string& keyFile) {
    char tmpl[] = "/tmp/tallyminder-dovecot-XXXXXX";
    if (!::mkdtemp(tmpl))
        throw std::runtime_error("mkdtemp failed");
    dir_ = tmpl;
    fs::create_directories(dir_ / "run");
    fs::create_directories(dir_ / "state");
    fs::create_directories(dir_ / "mail");
    fs::permissions(dir_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
    // Dovecot will not run its login or mail processes as root: under root the tests use
    // the accounts Debian's package made for it, and hand the mail files to that account.
    std::string loginUser, internalUser, internalGroup, mailUser, mailGroup;
    if (::geteuid() == 0) {
        const passwd* dovecot = ::getpwnam("dovecot");
        if (!dovecot)
            throw std::runtime_error("Dovecot's account dovecot is missing");
        owner_ = static_cast<int>(dovecot->pw_uid);
        group_ = static_cast<int>(dovecot->pw_gid);
        if (!::getpwnam("dovenull")) // (getpwnam's answer is overwritten by the next call)
            throw std::runtime_error("Dovecot's account dovenull is missing");
        loginUser = "dovenull";
        internalUser = mailUser = "dovecot";
        internalGroup = mailGroup = groupName(static_cast<gid_t>(group_));
        if (::chown((dir_ / "mail").c_str(), static_cast<uid_t>(owner_),
                    static_cast<gid_t>(group_)) != 0)
            throw std::runtime_error("cannot hand the mail folder to dovecot");
    } else {
        loginUser = internalUser = mailUser = userName(::geteuid());
        internalGroup = mailGroup = groupName(::getegid());
    }
    std::string users;
    for (int i = 1; i <= 40; ++i)
        users += "user" + std::to_string(i) + ":{PLAIN}secret::::::\n";
    writeText(dir_ / "passwd", users);
    tlsPort_ = freeLoopbackPort();
    startTlsPort_ = freeLoopbackPort();
    const std::string d = dir_.string();
    std::ostringstream conf;
    conf << "base_dir = " << d << "/run\n"
         << "state_dir = " << d << "/state\n"
         << "log_path = " << d << "/dovecot.log\n"
         << "protocols = imap\n"
         << "listen = 127.0.0.1\n"
         << "first_valid_uid = 0\nfirst_valid_gid = 0\n"
         << "ssl = yes\nssl_cert = <" << certFile << "\nssl_key = <" << keyFile << "\n"
         << "disable_plaintext_auth = yes\n"
         << "auth_mechanisms = plain login\n"
         << "mail_location = maildir:" << d << "/mail/%u\n"
         << "default_internal_user = " << internalUser << "\n"
         << "default_internal_group = " << internalGroup << "\n"
         << "default_login_user = " << loginUser << "\n"
         << "passdb {\n  driver = passwd-file\n  args = scheme=PLAIN " << d << "/passwd\n}\n"
         << "userdb {\n  driver = static\n  args = uid=" << mailUser << " gid=" << mailGroup
         << " home=" << d << "/mail/%u\n}\n"
         << "service imap-login {\n  chroot =\n"
         << "  inet_listener imap {\n    address = 127.0.0.1\n    port = " << startTlsPort_
         << "\n  }\n"
         << "  inet_listener imaps {\n    address = 127.0.0.1\n    port = " << tlsPort_
         << "\n    ssl = yes\n  }\n}\n"
         << "service anvil {\n  chroot =\n}\n"
         << "service stats {\n  unix_listener stats-reader {\n    user = " << internalUser
         << "\n  }\n  unix_listener stats-writer {\n    user = " << internalUser << "\n  }\n}\n";
    writeText(dir_ / "dovecot.conf", conf.str());
    static const char* const program = "/usr/sbin/dovecot";
    const std::string config = (dir_ / "dovecot.conf").string();
    std::vector<char*> argv = {const_cast<char*>(program), const_cast<char*>("-F"),
                               const_cast<char*>("-c"), const_cast<char*>(config.c_str()), nullptr};
    pid_t pid = -1;
    if (::posix_spawn(&pid, program, nullptr, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("cannot start /usr/sbin/dovecot");
    pid_ = pid;
    waitUntilListening();
}

DovecotServer::~DovecotServer() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    std::error_code ec;
    fs::remove_all(dir_, ec);
}

void DovecotServer::waitUntilListening() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            std::ifstream log(dir_ / "dovecot.log");
            std::ostringstream text;
            text << log.rdbuf();
            throw std::runtime_error("dovecot stopped at start:\n" + text.str());
        }
        if (greets(startTlsPort_))
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    throw std::runtime_error("dovecot did not start listening");
}

fs::path DovecotServer::maildir(const std::string& user) const {
    return dir_ / "mail" / user;
}

std::string DovecotServer::deliver(const std::string& user, const std::string& bytes) {
    const fs::path box = maildir(user);
    for (const char* sub : {"", "new", "cur", "tmp"}) {
        const fs::path p = box / sub;
        if (!fs::exists(p)) {
            fs::create_directories(p);
            if (owner_ >= 0 &&
                ::chown(p.c_str(), static_cast<uid_t>(owner_), static_cast<gid_t>(group_)) != 0)
                throw std::runtime_error("cannot hand " + p.string() + " to dovecot");
        }
    }
    const int n = ++delivered_;
    const fs::path file =
        box / "new" /
        (std::to_string(1700000000 + n) + ".M" + std::to_string(n) + "P1.tallyminder-test");
    writeText(file, bytes);
    if (owner_ >= 0 &&
        ::chown(file.c_str(), static_cast<uid_t>(owner_), static_cast<gid_t>(group_)) != 0)
        throw std::runtime_error("cannot hand " + file.string() + " to dovecot");
    return file.string();
}

std::vector<std::string> DovecotServer::mailFiles(const std::string& user) const {
    std::vector<std::string> names;
    for (const char* sub : {"new", "cur"}) {
        const fs::path p = maildir(user) / sub;
        if (fs::exists(p))
            for (const auto& entry : fs::directory_iterator(p))
                names.push_back(std::string(sub) + "/" + entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

void DovecotServer::renumber(const std::string& user) {
    const fs::path box = maildir(user);
    const fs::path uidlist = box / "dovecot-uidlist";
    std::ifstream in(uidlist, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    in.close();
    std::string content = text.str();
    // The header line "3 V<uidvalidity> N<next> ...": another UIDVALIDITY renumbers the folder.
    content = std::regex_replace(content, std::regex("^3 V([0-9]+)"), "3 V12345",
                                 std::regex_constants::format_first_only);
    writeText(uidlist, content);
    for (const auto& entry : fs::directory_iterator(box))
        if (entry.path().filename().string().starts_with("dovecot.index"))
            fs::remove(entry.path());
    if (owner_ >= 0 &&
        ::chown(uidlist.c_str(), static_cast<uid_t>(owner_), static_cast<gid_t>(group_)) != 0)
        throw std::runtime_error("cannot hand the uid list to dovecot");
}

} // namespace testservers
