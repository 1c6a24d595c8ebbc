#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Who holds a lock file of the data folder: the user, the machine, the process and when it
// started, and when it last said it is still there. A lock file holds these as "key=value"
// lines, so that a person who finds one on the share can read it too.
struct LockOwner {
    std::string user;
    std::string host;
    long pid = 0;
    std::string started;   // the holder's local time, "yyyy-mm-dd hh:mm:ss"
    int64_t refreshed = 0; // seconds since 1970 by the holder's clock, for people to read

    bool sameProcess(const LockOwner& other) const {
        return user == other.user && host == other.host && pid == other.pid &&
               started == other.started;
    }
};

std::string lockText(const LockOwner& owner);
// Empty when the text is not a lock file's (a half-written or foreign file).
std::optional<LockOwner> parseLockText(std::string_view text);

// This process, started at the given time (seconds since 1970).
LockOwner thisProcessOwner(int64_t startedAt);

// "anna on DESK-2 since 09:12": the holder as the boxes name it.
std::string ownerDescription(const LockOwner& owner);
// "The data folder is in use by anna on DESK-2 since 09:12."
std::string folderInUseText(const LockOwner& owner);
