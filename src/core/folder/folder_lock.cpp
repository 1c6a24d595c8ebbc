#include "core/folder/folder_lock.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Open-file-description locks where the system has them: they belong to the open file, not to
// the process, so that closing another descriptor of the same file (a look at the lock from the
// same process) does not drop them, and two locks of one process exclude each other.
#ifdef F_OFD_SETLK
constexpr int kSetLock = F_OFD_SETLK;
constexpr int kGetLock = F_OFD_GETLK;
#else
constexpr int kSetLock = F_SETLK;
constexpr int kGetLock = F_GETLK;
#endif

struct flock wholeFile(short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;
    lock.l_pid = 0;
    return lock;
}

std::string readAll(int fd) {
    std::string text;
    char buffer[1024];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || text.size() > 64 * 1024)
            return text;
        text.append(buffer, static_cast<size_t>(n));
    }
}

bool writeAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n =
            pwrite(fd, text.data() + done, text.size() - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return ftruncate(fd, static_cast<off_t>(text.size())) == 0;
}

int64_t systemNow() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

bool systemProcessAlive(long pid) {
    // EPERM: the process exists and belongs to another user.
    return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

std::atomic<unsigned> temporaryCounter{0};

std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// A file made and removed at once beside the lock: its time is the folder's "now" as the
// filesystem (the share's server) stamps files, the same clock as the lock file's time.
std::optional<timespec> probeFolderNow(const std::string& lockPath) {
    const std::string probe = folderOf(lockPath) + "/.tallyminder-clock-" +
                              std::to_string(getpid()) + "-" + std::to_string(temporaryCounter++);
    const int fd = open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    const bool known = fstat(fd, &st) == 0;
    close(fd);
    unlink(probe.c_str());
    if (!known)
        return std::nullopt;
    return st.st_mtim;
}

bool sameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

} // namespace

FolderLock::FolderLock(std::string path, LockOwner self)
    : FolderLock(std::move(path), std::move(self), Options{}) {}

FolderLock::FolderLock(std::string path, LockOwner self, Options options)
    : path_(std::move(path)), self_(std::move(self)), options_(std::move(options)) {
    if (!options_.now)
        options_.now = systemNow;
    if (!options_.processAlive)
        options_.processAlive = systemProcessAlive;
    if (!options_.folderNow)
        options_.folderNow = [lockPath = path_] { return probeFolderNow(lockPath); };
}

FolderLock::~FolderLock() {
    release();
}

bool FolderLock::stale(const LockOwner& holder, const std::string& text,
                       const timespec& modified) const {
    if (holder.host == self_.host && !holder.sameProcess(self_) &&
        !options_.processAlive(holder.pid))
        return true;
    const int64_t limit = options_.staleAfter.count();
    // What this copy saw of the lock by its own clock decides first.
    const int64_t now = options_.now();
    if (!seen_ || seen_->text != text || !sameTime(seen_->modified, modified))
        seen_ = Sighting{text, modified, now, seen_.has_value()};
    if (now - seen_->since > limit)
        return true;
    if (seen_->changed)
        return false;
    // First seen just now: the lock file's age by the filesystem's clock, or by this copy's
    // when no file can be made in the folder to read that clock.
    const std::optional<timespec> folderNow = options_.folderNow();
    const int64_t folderSeconds = folderNow ? folderNow->tv_sec : now;
    return folderSeconds - modified.tv_sec > limit;
}

FolderLock::Look FolderLock::look() const {
    const int fd = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {errno == ENOENT ? State::Free : State::Held, std::nullopt};
    Look found;
    const std::string text = readAll(fd);
    found.holder = parseLockText(text);
    struct stat st {};
    fstat(fd, &st);
    struct flock probe = wholeFile(F_WRLCK);
    const bool lockedByOther = fcntl(fd, kGetLock, &probe) == 0 && probe.l_type != F_UNLCK;
    close(fd);
    if (held() && fileIsOurs())
        found.state = State::Held;
    else if (lockedByOther)
        found.state = State::Held;
    else if (!found.holder || stale(*found.holder, text, st.st_mtim))
        found.state = State::Stale;
    else
        found.state = State::Held;
    return found;
}

FolderLock::Look FolderLock::take() {
    if (held())
        return {State::Held, self_};
    const Look found = look();
    if (found.state == State::Held)
        return found;

    self_.refreshed = options_.now();
    const std::string temporary = path_ + ".new-" + self_.host + "-" + std::to_string(self_.pid) +
                                  "-" + std::to_string(temporaryCounter++);
    const int out = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (out < 0)
        return found; // the folder cannot be written: there is nothing to protect
    const bool written = writeAll(out, lockText(self_)) && fsync(out) == 0;
    close(out);
    bool placed = false;
    if (written) {
        if (found.state == State::Free) {
            // link() fails when the name exists, also on NFS, where O_EXCL was not always safe.
            placed = link(temporary.c_str(), path_.c_str()) == 0;
            if (!placed && errno != EEXIST) {
                // A share without hard links: exclusive creation is the next best thing.
                const int made = open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
                if (made >= 0) {
                    placed = writeAll(made, lockText(self_));
                    close(made);
                }
            }
        } else {
            placed = rename(temporary.c_str(), path_.c_str()) == 0;
        }
    }
    unlink(temporary.c_str());
    if (!placed) {
        const Look now = look();
        return now.state == State::Free ? found : Look{State::Held, now.holder};
    }

    fd_ = open(path_.c_str(), O_RDWR | O_CLOEXEC);
    if (fd_ < 0)
        return found;
    struct flock lock = wholeFile(F_WRLCK);
    const bool refused = fcntl(fd_, kSetLock, &lock) != 0 && (errno == EAGAIN || errno == EACCES);
    // Of two copies that replaced a stale lock at once, the one whose file stayed wins.
    const std::optional<LockOwner> inFile = [&] {
        lseek(fd_, 0, SEEK_SET);
        return parseLockText(readAll(fd_));
    }();
    if (refused || !inFile || !inFile->sameProcess(self_) || !fileIsOurs()) {
        close(fd_);
        fd_ = -1;
        return {State::Held, inFile};
    }
    return found;
}

bool FolderLock::fileIsOurs() const {
    struct stat onDisk {
    }, open{};
    return fd_ >= 0 && stat(path_.c_str(), &onDisk) == 0 && fstat(fd_, &open) == 0 &&
           onDisk.st_dev == open.st_dev && onDisk.st_ino == open.st_ino;
}

bool FolderLock::writeOwner() {
    return writeAll(fd_, lockText(self_)) && fsync(fd_) == 0;
}

bool FolderLock::refresh() {
    if (!held())
        return false;
    if (!fileIsOurs()) {
        close(fd_);
        fd_ = -1;
        return false;
    }
    self_.refreshed = options_.now();
    return writeOwner();
}

void FolderLock::release() {
    if (fd_ < 0)
        return;
    if (fileIsOurs())
        unlink(path_.c_str());
    close(fd_);
    fd_ = -1;
}
