#pragma once

#include "core/folder/lock_owner.h"

#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>

// The lock files of the data folder.
inline constexpr const char* kFolderLockFile = "tallyminder.lock";
inline constexpr const char* kSendingLockFile = "sending.lock";

// A lock file in the data folder: "tallyminder.lock" while a copy of the program works on the
// folder, "sending.lock" while one sends.
//
// Two mechanisms together, because a shared folder may honour only one of them:
// - the file itself, made with link() so that of two copies starting at once only one makes
//   it, holding its owner (user, host, process, start time) and refreshed every minute;
// - an fcntl write lock on it, held while the owner lives and dropped by the system when the
//   process dies. Some shares do not honour fcntl: the lock is then taken and means nothing,
//   and the file's own rules decide.
//
// A lock file is stale, and is replaced without asking, when its holder runs on this machine and
// no such process exists, when it has not been refreshed for ten minutes, or when it is not a
// lock file at all. A crashed copy therefore never leaves the folder locked for good.
//
// The two machines' clocks need not agree. How long ago the lock was refreshed is judged by its
// file's modification time against the time the same filesystem gives a file made now (both
// stamped by the share's server), never by the time the holder wrote into it. And a lock that
// this copy watches is judged by its own clock: seen to change, it is alive; seen unchanged for
// ten minutes, it is stale, whatever the file times say (a synced folder copies them from the
// writer's machine).
class FolderLock {
public:
    enum class State {
        Free,  // no lock file
        Held,  // a live holder (fcntl says so, or its file is fresh)
        Stale, // a lock file whose holder is gone
    };
    struct Look {
        State state = State::Free;
        std::optional<LockOwner> holder; // empty when free or unreadable
    };
    struct Options {
        std::chrono::seconds staleAfter{600};
        // Seconds since 1970; the system's clock unless a test sets another.
        std::function<int64_t()> now;
        // Whether a process of this machine exists; kill(pid, 0) unless a test sets another.
        std::function<bool(long)> processAlive;
        // The time the folder's filesystem stamps a file made now, or none when no file can be
        // made there; a probe file beside the lock unless a test sets another.
        std::function<std::optional<timespec>()> folderNow;
    };

    FolderLock(std::string path, LockOwner self);
    FolderLock(std::string path, LockOwner self, Options options);
    ~FolderLock(); // releases
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Who holds the lock now; takes nothing.
    Look look() const;
    // Takes the lock when it is free or stale. Returns what was found: Free or Stale when the
    // lock is now this one's (Stale: the holder it replaced), Held when another holds it and
    // nothing was taken.
    Look take();
    bool held() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }
    const LockOwner& owner() const { return self_; }

    // Says the holder is still there. Returns false when the lock was lost meanwhile (another
    // copy replaced it as stale): the caller should say so.
    bool refresh();
    // Removes the lock file when it still is this one's, and drops the fcntl lock.
    void release();

private:
    // The lock file as last seen: its bytes and time, and when this copy first saw them so.
    struct Sighting {
        std::string text;
        timespec modified{};
        int64_t since = 0;    // by this copy's clock
        bool changed = false; // seen to change while this copy looked
    };
    bool stale(const LockOwner& holder, const std::string& text, const timespec& modified) const;
    bool fileIsOurs() const;
    bool writeOwner();

    std::string path_;
    LockOwner self_;
    Options options_;
    int fd_ = -1;
    mutable std::optional<Sighting> seen_;
};
