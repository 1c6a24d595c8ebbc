#include "data/atomic_file.h"

#include "data/errors.h"

#include <cerrno>
#include <fcntl.h>
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

} // namespace

void writeFileAtomically(const std::string& path, std::string_view bytes) {
    const std::string failure = "Cannot create file " + path;
    std::string tmp = path + ".tmpXXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0)
        throw EFileError(failure);
    // mkstemp creates 0600; table files are ordinary user files.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    const bool ok = writeAll(fd, bytes) && ::fdatasync(fd) == 0;
    if (::close(fd) != 0 || !ok || ::rename(tmp.c_str(), path.c_str()) != 0) {
        ::unlink(tmp.c_str());
        throw EFileError(failure);
    }
    // Make the rename itself durable.
    const int dir = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

std::string readWholeFile(const std::string& path) {
    const std::string failure = "Cannot open file " + path;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw EFileError(failure);
    // Straight into the string, grown when the file turns out longer than it said (a file
    // that grows while read, or one whose size the system does not know).
    std::string out;
    struct stat st {};
    size_t capacity = ::fstat(fd, &st) == 0 && st.st_size > 0
                          ? static_cast<size_t>(st.st_size) + 1
                          : size_t{1} << 16;
    size_t used = 0;
    for (;;) {
        if (used == capacity)
            capacity *= 2;
        out.resize(capacity);
        const ssize_t n = ::read(fd, out.data() + used, capacity - used);
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
    out.resize(used);
    return out;
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void removeFile(const std::string& path) { ::unlink(path.c_str()); }
