// The send as a transaction: killed at random instants (a fixed seed, a bounded count) while it
// mails a batch to a local SMTP server, the files must never lose a reminder, never hold one
// both pending and sent, and never leave a batch the server accepted silently pending: after
// every kill, what start-up does (findUnfinishedSend) is checked against what the server took.

#include "core/reminders/reminder.h"
#include "core/reminders/send_transaction.h"
#include "core/store/schemas.h"
#include "core/tables/atomic_file.h"
#include "core/tables/date_time.h"
#include "core/tables/format_settings.h"
#include "core/tables/mem_data.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <random>
#include <set>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using namespace std::chrono_literals;

// A mail server that takes every message, one connection after another. It notes a batch as
// accepted before its "250" goes out, and waits a little before that, as a busy gateway's relay
// does, so that kills land while the client awaits the answer.
class AcceptingServer {
public:
    AcceptingServer() {
        listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(listen_, 4);
        socklen_t len = sizeof a;
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { run(); });
    }
    ~AcceptingServer() {
        stop_ = true;
        thread_.join();
        ::close(listen_);
    }
    uint16_t port() const { return port_; }
    // The bodies the server accepted, in order.
    std::vector<std::string> accepted() {
        std::lock_guard lock(mutex_);
        return accepted_;
    }

private:
    bool waitReadable(int fd) {
        while (!stop_) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 50) > 0)
                return true;
        }
        return false;
    }
    void run() {
        while (waitReadable(listen_)) {
            const int fd = ::accept(listen_, nullptr, nullptr);
            if (fd >= 0) {
                serve(fd);
                ::close(fd);
            }
        }
    }
    static void say(int fd, const std::string& s) {
        (void)!::send(fd, s.data(), s.size(), MSG_NOSIGNAL);
    }
    void serve(int fd) {
        say(fd, "220 test ready\r\n");
        std::string in;
        bool inData = false;
        char buf[65536];
        while (waitReadable(fd)) {
            const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0)
                return; // the client died or left
            in.append(buf, static_cast<size_t>(n));
            for (;;) {
                if (inData) {
                    const size_t end = in.find("\r\n.\r\n");
                    if (end == std::string::npos)
                        break;
                    std::string data = in.substr(0, end + 2);
                    in.erase(0, end + 5);
                    inData = false;
                    std::this_thread::sleep_for(15ms);
                    {
                        std::lock_guard lock(mutex_);
                        accepted_.push_back(data.substr(data.find("\r\n\r\n") + 4));
                    }
                    say(fd, "250 queued\r\n");
                    continue;
                }
                const size_t eol = in.find("\r\n");
                if (eol == std::string::npos)
                    break;
                const std::string line = in.substr(0, eol);
                in.erase(0, eol + 2);
                const std::string verb = line.substr(0, 4);
                if (verb == "ehlo")
                    say(fd, "250-test\r\n250 8BITMIME\r\n");
                else if (verb == "Data") {
                    say(fd, "354 go on\r\n");
                    inData = true;
                } else if (verb == "Quit") {
                    say(fd, "221 bye\r\n");
                    return;
                } else
                    say(fd, "250 ok\r\n");
            }
        }
    }

    int listen_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::mutex mutex_;
    std::vector<std::string> accepted_;
};

// The reminders of a table file's text by number, with their batch's text.
std::map<std::string, std::string> byNumber(const TdxMemData& t) {
    std::map<std::string, std::string> out;
    for (int r = 0; r < t.RowCount(); ++r)
        out[t.CellText(r, t.FieldIndex(fields::contact_no))] =
            t.CellText(r, t.FieldIndex(fields::batch));
    return out;
}

std::map<std::string, std::string> pendingOf(const SendFiles& f) {
    auto t = schemas::makeReminders();
    t->FieldDelimiter = kRemindersDelimiter;
    t->Open();
    if (fileExists(f.reminders))
        t->ReadDelimitedFile(f.reminders);
    return byNumber(*t);
}

std::map<std::string, std::string> sentOf(const SendFiles& f) {
    auto t = schemas::makeSentItems();
    t->Open();
    if (fileExists(f.sentItems))
        t->ReadDelimitedFile(f.sentItems);
    return byNumber(*t);
}

std::map<std::string, std::string> bodyOf(const std::string& body) {
    auto t = schemas::makeReminders();
    t->FieldDelimiter = kRemindersDelimiter;
    t->Open();
    t->ReadDelimitedText(body);
    return byNumber(*t);
}

void writeNewBatch(const SendFiles& f, int& nextNumber, int count) {
    auto t = schemas::makeReminders();
    t->FieldDelimiter = kRemindersDelimiter;
    t->Open();
    for (int i = 0; i < count; ++i) {
        Reminder r;
        r.contactNo = "04" + std::to_string(10'000'000 + nextNumber++);
        r.name = "Customer " + std::to_string(nextNumber);
        r.appointmentDate = dayNumber(2027, 3, 1 + i % 28);
        r.appointmentTime = (8 + i % 9) * 3'600'000;
        r.message = "Your appointment is on 01/03/2027 at 09:00. Reply STOP to opt out.";
        r.daysBefore = 1;
        appendReminder(*t, r);
    }
    t->WriteDelimitedFile(f.reminders);
}

pid_t startDriver(const std::string& folder, uint16_t port) {
    const std::string portText = std::to_string(port);
    char* argv[] = {const_cast<char*>(SEND_BATCH_DRIVER), const_cast<char*>(folder.c_str()),
                    const_cast<char*>(portText.c_str()), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, SEND_BATCH_DRIVER, nullptr, nullptr, argv, environ) != 0)
        return -1;
    return pid;
}

TEST(SendCrash, AKilledSendNeverLosesDoublesOrSilentlyRequeuesABatch) {
    setProcessFormats(FormatSettings{});
    TempFolder folder;
    const SendFiles files = SendFiles::in(AppPaths::inOneFolder(folder.path()));
    AcceptingServer server;
    constexpr int kReminders = 1000;
    constexpr int kKills = 40;
    int nextNumber = 0;
    std::set<std::string> everyNumber;
    auto refill = [&] {
        const int first = nextNumber;
        writeNewBatch(files, nextNumber, kReminders);
        for (int n = first; n < nextNumber; ++n)
            everyNumber.insert("04" + std::to_string(10'000'000 + n));
    };

    // One send that runs to its end gives the length of a send, over which the kills spread.
    refill();
    auto t0 = std::chrono::steady_clock::now();
    pid_t pid = startDriver(folder.path(), server.port());
    ASSERT_GT(pid, 0);
    int status = 0;
    ::waitpid(pid, &status, 0);
    const auto span = std::chrono::steady_clock::now() - t0;
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    ASSERT_FALSE(fileExists(files.reminders));
    ASSERT_FALSE(fileExists(files.journal));

    std::mt19937 random(2612);
    std::uniform_int_distribution<long> instant(
        0, std::chrono::duration_cast<std::chrono::microseconds>(span).count() * 5 / 4);
    int asked = 0, settledAlone = 0, killedBeforeTheServerHadIt = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        if (pendingOf(files).empty())
            refill();
        const size_t acceptedBefore = server.accepted().size();
        pid = startDriver(folder.path(), server.port());
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(instant(random)));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        // The server thread may still be between the end of the data and its note of it.
        std::this_thread::sleep_for(30ms);
        const std::vector<std::string> accepted = server.accepted();
        ASSERT_LE(accepted.size(), acceptedBefore + 1);
        const bool serverTookIt = accepted.size() > acceptedBefore;
        if (!serverTookIt)
            ++killedBeforeTheServerHadIt;

        // The next start.
        const bool journalLeft = fileExists(files.journal);
        const std::optional<UnfinishedSend> unfinished = findUnfinishedSend(files);
        if (journalLeft && !unfinished)
            ++settledAlone;
        const auto pending = pendingOf(files);
        const auto sent = sentOf(files);
        for (const std::string& number : everyNumber)
            ASSERT_EQ(pending.count(number) + sent.count(number), 1u)
                << "kill " << kill << ": " << number << " is in " << pending.count(number)
                << " pending and " << sent.count(number) << " sent";
        if (serverTookIt) {
            const auto batch = bodyOf(accepted.back());
            ASSERT_FALSE(batch.empty());
            const std::string id = batch.begin()->second;
            for (const auto& [number, b] : batch) {
                const bool logged = sent.count(number) && sent.at(number) == id;
                const bool beingAsked = unfinished && unfinished->journal.batch == id &&
                                        pending.count(number) && pending.at(number) == id;
                ASSERT_TRUE(logged || beingAsked)
                    << "kill " << kill << ": the server took " << number << " of batch " << id
                    << ", which is pending again without a question";
            }
        }
        if (unfinished) {
            ++asked;
            EXPECT_GT(unfinished->reminders, 0);
            // The user answers as the gateway would tell them.
            if (serverTookIt)
                markUnfinishedSendAsSent(files, *unfinished, dayNumber(2026, 12, 11));
            else
                keepUnfinishedSendPending(files);
            EXPECT_FALSE(fileExists(files.journal));
            const auto p = pendingOf(files);
            const auto s = sentOf(files);
            for (const std::string& number : everyNumber)
                ASSERT_EQ(p.count(number) + s.count(number), 1u) << number;
            if (serverTookIt) {
                for (const auto& [number, b] : bodyOf(accepted.back()))
                    EXPECT_EQ(s.count(number), 1u) << number;
            }
        }
    }
    std::printf("[ crash    ] %d kills: %d before the server had the batch, %d asked at the "
                "next start, %d settled without a question\n",
                kKills, killedBeforeTheServerHadIt, asked, settledAlone);
    // The kills reached both sides of the moment the server takes the batch.
    EXPECT_GT(killedBeforeTheServerHadIt, 0);
    EXPECT_GT(asked, 0);
}

} // namespace
