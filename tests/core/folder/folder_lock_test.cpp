// The folder lock between processes: a live holder keeps others out, a killed one does not,
// a holder on another machine counts until it stops refreshing, and of copies starting at once
// exactly one gets the lock.

#include "core/folder/folder_lock.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int64_t kNow = 1'800'000'000;

LockOwner owner(const std::string& user, const std::string& host, long pid, int64_t refreshed) {
    return LockOwner{user, host, pid, "2026-12-11 09:12:00", refreshed};
}

// A child process that takes the lock, reports whether it got it through a pipe, and then waits
// for its end: a byte on the second pipe (a clean release) or a kill.
struct Holder {
    pid_t pid = -1;
    int report = -1, release = -1;

    explicit Holder(const std::string& path) {
        int up[2], down[2];
        EXPECT_EQ(pipe(up), 0);
        EXPECT_EQ(pipe(down), 0);
        pid = fork();
        if (pid == 0) {
            close(up[0]);
            close(down[1]);
            FolderLock lock(path, thisProcessOwner(kNow));
            const char got = lock.take().state != FolderLock::State::Held ? 'y' : 'n';
            (void)!write(up[1], &got, 1);
            char c;
            (void)!read(down[0], &c, 1);
            lock.release();
            _exit(0);
        }
        close(up[1]);
        close(down[0]);
        report = up[0];
        release = down[1];
    }
    bool gotLock() const {
        char c = 0;
        return read(report, &c, 1) == 1 && c == 'y';
    }
    void endCleanly() {
        (void)!write(release, "x", 1);
        waitpid(pid, nullptr, 0);
    }
    void kill9() {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    ~Holder() {
        close(report);
        close(release);
    }
};

TEST(FolderLock, ALiveHolderKeepsOthersOutAndItsCleanEndFreesTheFolder) {
    TempFolder folder;
    const std::string path = folder.file("tallyminder.lock");
    Holder holder(path);
    ASSERT_TRUE(holder.gotLock());

    FolderLock lock(path, thisProcessOwner(kNow));
    const FolderLock::Look found = lock.take();
    EXPECT_EQ(found.state, FolderLock::State::Held);
    ASSERT_TRUE(found.holder);
    EXPECT_EQ(found.holder->pid, holder.pid);
    EXPECT_FALSE(lock.held());

    holder.endCleanly();
    EXPECT_FALSE(folder.exists("tallyminder.lock"));
    EXPECT_EQ(lock.take().state, FolderLock::State::Free);
    EXPECT_TRUE(lock.held());
    lock.release();
    EXPECT_FALSE(folder.exists("tallyminder.lock"));
}

TEST(FolderLock, AKilledHoldersLockIsReplacedAndNamed) {
    TempFolder folder;
    const std::string path = folder.file("tallyminder.lock");
    Holder holder(path);
    ASSERT_TRUE(holder.gotLock());
    const pid_t dead = holder.pid;
    holder.kill9();
    ASSERT_TRUE(folder.exists("tallyminder.lock")); // the killed copy could not remove it

    FolderLock lock(path, thisProcessOwner(kNow));
    const FolderLock::Look found = lock.take();
    EXPECT_EQ(found.state, FolderLock::State::Stale);
    ASSERT_TRUE(found.holder);
    EXPECT_EQ(found.holder->pid, dead);
    EXPECT_TRUE(lock.held());
    EXPECT_EQ(parseLockText(folder.read("tallyminder.lock"))->pid, getpid());
}

TEST(FolderLock, OfCopiesStartingAtOnceExactlyOneGetsTheLock) {
    TempFolder folder;
    const std::string path = folder.file("tallyminder.lock");
    std::vector<std::unique_ptr<Holder>> holders;
    for (int i = 0; i < 6; ++i)
        holders.push_back(std::make_unique<Holder>(path));
    int got = 0;
    for (auto& h : holders)
        got += h->gotLock();
    EXPECT_EQ(got, 1);
    for (auto& h : holders)
        h->endCleanly();
}

// Makes the lock file look last written `age` seconds ago by the filesystem's clock.
void ageFile(const std::string& path, int64_t age) {
    const timespec at{static_cast<time_t>(std::time(nullptr) - age), 0};
    const timespec times[2] = {at, at};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// The lock file alone decides when the holder's fcntl lock is not seen (a share that does not
// honour it, or a holder that crashed): these are written by hand, with no process behind them.
// Its age is its file's time against the filesystem's clock; the time the holder wrote into it
// comes from another machine's clock and decides nothing, and this copy's clock (a month from
// the filesystem's here) is not compared with either.
TEST(FolderLock, TheLockFileAloneDecidesWhetherItsHolderIsGone) {
    const std::string here = thisProcessOwner(kNow).host;
    struct Case {
        const char* what;
        std::string host;
        bool processAlive;
        int64_t age;         // by the file's time
        int64_t holderClock; // how far the holder's clock is from the filesystem's
        FolderLock::State expected;
    } cases[] = {
        {"other machine, fresh", "DESK-2", true, 30, 0, FolderLock::State::Held},
        {"other machine, nine minutes", "DESK-2", true, 540, 0, FolderLock::State::Held},
        {"other machine, eleven minutes", "DESK-2", true, 660, 0, FolderLock::State::Stale},
        {"other machine's clock an hour behind, refreshed just now", "DESK-2", true, 30, -3600,
         FolderLock::State::Held},
        {"other machine's clock a day ahead, silent eleven minutes", "DESK-2", true, 660, 86400,
         FolderLock::State::Stale},
        {"this machine, process alive", here, true, 30, 0, FolderLock::State::Held},
        {"this machine, no such process", here, false, 30, 0, FolderLock::State::Stale},
        {"this machine, alive but silent", here, true, 660, 0, FolderLock::State::Stale},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const int64_t wrote = std::time(nullptr) - c.age + c.holderClock;
        folder.write("tallyminder.lock", lockText(owner("anna", c.host, 4242, wrote)));
        ageFile(folder.file("tallyminder.lock"), c.age);
        FolderLock::Options options;
        options.now = [] { return kNow; };
        options.processAlive = [&](long) { return c.processAlive; };
        FolderLock lock(folder.file("tallyminder.lock"), thisProcessOwner(kNow), options);
        const FolderLock::Look found = lock.look();
        EXPECT_EQ(found.state, c.expected);
        ASSERT_TRUE(found.holder);
        EXPECT_EQ(found.holder->user, "anna");
        EXPECT_EQ(lock.take().state, c.expected);
        EXPECT_EQ(lock.held(), c.expected == FolderLock::State::Stale);
        // The probe that read the filesystem's clock is gone again.
        size_t files = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder.path()))
            ++files;
        EXPECT_EQ(files, 1u);
    }
}

// A copy that keeps looking at a lock judges it by its own clock: seen to change, the holder is
// there; seen unchanged for ten minutes, it is gone, whatever time the file says it has (a
// synced folder gives it the writer's).
TEST(FolderLock, ALockWatchedByThisCopyIsJudgedByThisCopysClock) {
    TempFolder folder;
    const std::string path = folder.file("tallyminder.lock");
    int64_t now = kNow;
    timespec folderNow{};
    FolderLock::Options options;
    options.now = [&] { return now; };
    options.folderNow = [&] { return std::optional<timespec>(folderNow); };
    FolderLock lock(path, thisProcessOwner(kNow), options);
    auto holderWrites = [&](int64_t refreshed) {
        // The holder's clock runs an hour ahead of everyone's.
        folder.write("tallyminder.lock", lockText(owner("anna", "DESK-2", 4242, refreshed)));
        struct stat st {};
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        folderNow = st.st_mtim; // the file times say: just written
    };

    holderWrites(kNow + 3600);
    EXPECT_EQ(lock.look().state, FolderLock::State::Held);
    now += 300;
    EXPECT_EQ(lock.look().state, FolderLock::State::Held);
    now += 360; // eleven minutes unchanged, though its file still looks new
    EXPECT_EQ(lock.look().state, FolderLock::State::Stale);

    // File times that say it is old, but this copy sees it refreshed.
    FolderLock watcher(path, thisProcessOwner(kNow), options);
    holderWrites(now + 3600);
    folderNow.tv_sec += 3600;
    EXPECT_EQ(watcher.look().state, FolderLock::State::Stale); // first sight: the file times
    now += 60;
    holderWrites(now + 3600);
    folderNow.tv_sec += 3600;
    EXPECT_EQ(watcher.look().state, FolderLock::State::Held);
    now += 540;
    EXPECT_EQ(watcher.look().state, FolderLock::State::Held);
    now += 120;
    EXPECT_EQ(watcher.look().state, FolderLock::State::Stale);
}

TEST(FolderLock, AFileThatIsNoLockIsReplaced) {
    TempFolder folder;
    folder.write("tallyminder.lock", "half a lo");
    FolderLock lock(folder.file("tallyminder.lock"), thisProcessOwner(kNow));
    const FolderLock::Look found = lock.take();
    EXPECT_EQ(found.state, FolderLock::State::Stale);
    EXPECT_FALSE(found.holder);
    EXPECT_TRUE(lock.held());
}

TEST(FolderLock, RefreshRewritesTheTimeAndNoticesALostLock) {
    TempFolder folder;
    int64_t now = kNow;
    FolderLock::Options options;
    options.now = [&] { return now; };
    FolderLock lock(folder.file("sending.lock"), thisProcessOwner(kNow), options);
    ASSERT_EQ(lock.take().state, FolderLock::State::Free);
    now += 60;
    EXPECT_TRUE(lock.refresh());
    EXPECT_EQ(parseLockText(folder.read("sending.lock"))->refreshed, kNow + 60);

    // Another copy took it over meanwhile (it found the lock stale).
    folder.write("sending.lock.x", lockText(owner("anna", "DESK-2", 7, now)));
    std::rename(folder.file("sending.lock.x").c_str(), folder.file("sending.lock").c_str());
    EXPECT_FALSE(lock.refresh());
    EXPECT_FALSE(lock.held());
    lock.release(); // must not remove the other copy's lock
    EXPECT_EQ(parseLockText(folder.read("sending.lock"))->user, "anna");
}

TEST(LockOwner, TextRoundTripsAndNamesTheHolder) {
    const LockOwner anna = owner("anna", "DESK-2", 4242, kNow);
    const auto back = parseLockText(lockText(anna));
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->sameProcess(anna));
    EXPECT_EQ(back->refreshed, kNow);
    EXPECT_EQ(folderInUseText(anna), "The data folder is in use by anna on DESK-2 since 09:12.");
    EXPECT_FALSE(parseLockText("user=anna\nhost=x\n"));
    EXPECT_FALSE(parseLockText("user=a\nhost=b\npid=zz\nstarted=s\nrefreshed=1\n"));
}

} // namespace
