#include "core/tables/atomic_file.h"

#include "core/tables/errors.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool writeAll(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

// The file a write to path replaces: path itself, or the end of its chain of symbolic links
// (also when that file does not exist yet).
std::string writeTarget(const std::string& path) {
    std::string at = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return at;
        std::string link(static_cast<size_t>(st.st_size > 0 ? st.st_size : PATH_MAX), '\0');
        const ssize_t n = ::readlink(at.c_str(), link.data(), link.size());
        if (n <= 0)
            return at;
        link.resize(static_cast<size_t>(n));
        at = link.front() == '/' ? link : folderOf(at) + "/" + link;
    }
    return at;
}

void syncFolder(const std::string& folder) {
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

bool isTemporarySuffix(std::string_view s) {
    if (s.size() != 10 || s.substr(0, 4) != ".tmp")
        return false;
    for (char c : s.substr(4))
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    return true;
}

// "<name>.tmpXXXXXX" or "<name>.unreadable[-N].tmpXXXXXX" for one of the names.
bool isTemporaryOf(std::string_view entry, const std::vector<std::string>& names) {
    if (entry.size() < 10 || !isTemporarySuffix(entry.substr(entry.size() - 10)))
        return false;
    std::string_view base = entry.substr(0, entry.size() - 10);
    for (const std::string& name : names) {
        if (base.substr(0, name.size()) != name)
            continue;
        std::string_view rest = base.substr(name.size());
        if (rest.empty())
            return true;
        if (rest.substr(0, 11) != ".unreadable")
            continue;
        rest.remove_prefix(11);
        if (rest.empty())
            return true;
        if (rest.front() != '-' || rest.size() < 2)
            continue;
        rest.remove_prefix(1);
        bool digits = true;
        for (char c : rest)
            digits = digits && c >= '0' && c <= '9';
        if (digits)
            return true;
    }
    return false;
}

// Where a symbolic link at path leads when that lies outside path's folder (its subfolders are
// inside); empty for a plain file or a link that stays inside.
std::string linkOutOfFolder(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (!fs::is_symlink(path, error))
        return {};
    const fs::path target = fs::weakly_canonical(path, error);
    if (error)
        return path; // a link that cannot be followed is not copied either
    fs::path parent = fs::path(path).parent_path();
    if (parent.empty())
        parent = ".";
    const fs::path folder = fs::weakly_canonical(parent, error);
    if (error)
        return target.string();
    const auto [end, at] =
        std::mismatch(folder.begin(), folder.end(), target.begin(), target.end());
    return end == folder.end() ? std::string() : target.string();
}

// The files whose bytes the program must not change before a copy exists.
std::set<std::string>& heldFiles() {
    static std::set<std::string> held;
    return held;
}

// Called before a file is replaced or removed: when the file is held, copies it aside and lets
// it go; throws EFileError(failure) when the copy still cannot be made.
void keepAsideIfHeld(const std::string& path, const std::string& failure) {
    auto& held = heldFiles();
    const auto it = held.find(path);
    if (it == held.end())
        return;
    try {
        keepUnreadableFileAside(path);
    } catch (const EFileError&) {
        throw EFileError(failure + ": its earlier contents, which could not be read, could not "
                                   "be copied aside, so the file is left as it is");
    }
    held.erase(it);
}

} // namespace

void writeFileAtomically(const std::string& path, std::string_view bytes, unsigned mode) {
    AtomicFileWriter writer(path, mode);
    writer.write(bytes);
    writer.commit();
}

AtomicFileWriter::AtomicFileWriter(const std::string& path, unsigned mode)
    : path_(path), target_(writeTarget(path)), mode_(mode & 0666) {
    old_ = ::open(target_.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (old_ >= 0 && (::fstat(old_, &st) != 0 || !S_ISREG(st.st_mode))) {
        ::close(old_);
        old_ = -1;
    }
    // A file the user made private stays private when it is rewritten.
    if (old_ >= 0)
        mode_ = st.st_mode & 0666;
}

AtomicFileWriter::~AtomicFileWriter() {
    if (old_ >= 0)
        ::close(old_);
    if (fd_ >= 0) {
        ::unlink(temporary_.c_str());
        ::close(fd_);
    }
}

void AtomicFileWriter::fail() {
    if (fd_ >= 0) {
        ::unlink(temporary_.c_str());
        ::close(fd_);
        fd_ = -1;
    }
    throw EFileError("Cannot create file " + path_);
}

void AtomicFileWriter::write(std::string_view bytes) {
    if (fd_ < 0 && old_ >= 0) {
        // Still the bytes the file holds? Compared in pieces, the first difference ends it.
        char piece[1 << 16];
        size_t at = 0;
        while (at < bytes.size()) {
            const ssize_t n = ::read(old_, piece, std::min(sizeof piece, bytes.size() - at));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0 || std::memcmp(piece, bytes.data() + at, static_cast<size_t>(n)) != 0)
                break;
            at += static_cast<size_t>(n);
        }
        if (at == bytes.size()) {
            matched_ += bytes.size();
            return;
        }
    }
    if (fd_ < 0)
        diverge();
    if (!writeAll(fd_, bytes))
        fail();
}

void AtomicFileWriter::diverge() {
    keepAsideIfHeld(path_, "Cannot create file " + path_);
    temporary_ = target_ + ".tmpXXXXXX";
    fd_ = ::mkstemp(temporary_.data());
    if (fd_ < 0)
        fail();
    // Held until the rename, so that the start-up clean-up never takes a live temporary.
    ::flock(fd_, LOCK_EX);
    // mkstemp creates 0600; table files are ordinary user files, unless the file replaced or
    // copied was more private.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd_, mode_ & ~mask);
    // The part that matched is the old file's beginning.
    char piece[1 << 16];
    for (size_t at = 0; at < matched_;) {
        const ssize_t n =
            ::pread(old_, piece, std::min(sizeof piece, matched_ - at), static_cast<off_t>(at));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || !writeAll(fd_, std::string_view(piece, static_cast<size_t>(n))))
            fail();
        at += static_cast<size_t>(n);
    }
    if (old_ >= 0) {
        ::close(old_);
        old_ = -1;
    }
}

void AtomicFileWriter::commit() {
    if (done_)
        return;
    if (fd_ < 0 && old_ >= 0) {
        // Every byte matched: when the file also ends here, it already is the one to write.
        char more;
        ssize_t n;
        do
            n = ::read(old_, &more, 1);
        while (n < 0 && errno == EINTR);
        if (n == 0) {
            done_ = true;
            return;
        }
    }
    if (fd_ < 0)
        diverge();
    if (::fdatasync(fd_) != 0 || ::rename(temporary_.c_str(), target_.c_str()) != 0)
        fail();
    ::close(fd_);
    fd_ = -1;
    done_ = true;
    // Make the rename itself durable.
    syncFolder(folderOf(target_));
}

namespace {

// Reads the whole file into a buffer that grow(capacity) makes at least that large and returns;
// returns the bytes read.
template <typename Grow> size_t readAll(const std::string& path, Grow&& grow) {
    const std::string failure = "Cannot open file " + path;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw EFileError(failure);
    // Straight into the buffer, grown when the file turns out longer than it said (a file
    // that grows while read, or one whose size the system does not know).
    struct stat st {};
    size_t capacity = ::fstat(fd, &st) == 0 && st.st_size > 0 ? static_cast<size_t>(st.st_size) + 1
                                                              : size_t{1} << 16;
    size_t used = 0;
    char* buffer = grow(capacity, used);
    for (;;) {
        if (used == capacity) {
            capacity *= 2;
            buffer = grow(capacity, used);
        }
        const ssize_t n = ::read(fd, buffer + used, capacity - used);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            throw EFileError(failure);
        }
        if (n == 0)
            break;
        used += static_cast<size_t>(n);
    }
    ::close(fd);
    return used;
}

} // namespace

std::string readWholeFile(const std::string& path) {
    std::string out;
    out.resize(readAll(path, [&out](size_t capacity, size_t) {
        out.resize(capacity);
        return out.data();
    }));
    return out;
}

FileBytes readFileBytes(const std::string& path) {
    FileBytes out;
    out.size = readAll(path, [&out](size_t capacity, size_t used) {
        auto bigger = std::make_unique_for_overwrite<char[]>(capacity);
        if (used > 0)
            std::memcpy(bigger.get(), out.data.get(), used);
        out.data = std::move(bigger);
        return out.data.get();
    });
    return out;
}

FileReader::FileReader(const std::string& path) : path_(path) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        throw EFileError("Cannot open file " + path);
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && st.st_size > 0)
        size_ = static_cast<size_t>(st.st_size);
}

FileReader::~FileReader() {
    ::close(fd_);
}

std::string_view FileReader::read(char* buffer, size_t capacity) {
    // Fills the buffer as far as the file goes, so that a piece ends short only at the end.
    size_t used = 0;
    while (used < capacity) {
        const ssize_t n = ::read(fd_, buffer + used, capacity - used);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw EFileError("Cannot open file " + path_);
        }
        if (n == 0)
            break;
        used += static_cast<size_t>(n);
    }
    return {buffer, used};
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void removeFile(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return;
    keepAsideIfHeld(path, "Cannot delete file " + path);
    ::unlink(path.c_str());
}

int removeStaleTemporaries(const std::string& folder, const std::vector<std::string>& names,
                           std::chrono::seconds minAge) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return 0;
    const time_t now = ::time(nullptr);
    int removed = 0;
    while (const dirent* e = ::readdir(dir)) {
        if (!isTemporaryOf(e->d_name, names))
            continue;
        const std::string path = folder + "/" + e->d_name;
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat st {};
        const bool stale = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                           now - st.st_mtime >= minAge.count() &&
                           ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        if (stale && ::unlink(path.c_str()) == 0)
            ++removed;
        ::close(fd);
    }
    ::closedir(dir);
    return removed;
}

std::string folderWriteProblem(const std::string& folder) {
    std::string probe = folder + "/.tallyminder-probe.tmpXXXXXX";
    const int fd = ::mkstemp(probe.data());
    if (fd < 0)
        return std::strerror(errno);
    int error = 0;
    if (!writeAll(fd, "probe\r\n") || ::fsync(fd) != 0)
        error = errno;
    ::close(fd);
    ::unlink(probe.c_str());
    return error ? std::strerror(error) : std::string();
}

std::string keepUnreadableFileAside(const std::string& path) {
    // A link planted in the folder may lead to somebody else's file: its bytes are never copied
    // into the folder, where whoever planted the link could read them.
    const std::string outside = linkOutOfFolder(path);
    if (!outside.empty())
        throw EFileError("Cannot copy file " + path + ": it is a link to " + outside +
                         ", outside its folder");
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        throw EFileError("Cannot open file " + path);
    // A table file may be large: its bytes are read into memory that is not cleared first.
    const FileBytes file = readFileBytes(path);
    const std::string_view bytes = file.view();
    std::string copy = path + ".unreadable";
    for (int n = 2; fileExists(copy); ++n) {
        try {
            if (readFileBytes(copy).view() == bytes)
                return copy;
        } catch (const EFileError&) {
        }
        copy = path + ".unreadable-" + std::to_string(n);
    }
    // The copy is no more readable than the file it copies.
    writeFileAtomically(copy, bytes, st.st_mode & 0666);
    return copy;
}

void holdFile(const std::string& path) {
    heldFiles().insert(path);
}
