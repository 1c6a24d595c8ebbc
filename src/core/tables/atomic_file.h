#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Writes files whole: the bytes go to a temporary file in the same folder, which is flushed to
// disk and then renamed over the old file. A crash or a full disk therefore leaves either the
// old file or the new one, never a half-written one.
//
// The temporary is named after the file: "<name>.tmp" and six letters or digits. Its writer
// holds a lock on it until the rename, so a temporary whose lock is free was left by a writer
// that died (see removeStaleTemporaries).
//
// A path that is a symbolic link is written through to the file the link names: the temporary
// goes into that file's folder and replaces it there, and the link stays a link.
//
// A file whose bytes already are the ones to write is left alone: nothing is written, so a start
// or an exit that changes nothing works in a folder that cannot be written.

// The new file gets the permissions of the file it replaces; a file that did not exist gets
// mode (read and write for all when not given), less the umask.
//
// Throws EFileError("Cannot create file <path>") when any step fails; the old file is untouched.
// A held file (see holdFile) is copied aside first, or not replaced at all.
void writeFileAtomically(const std::string& path, std::string_view bytes, unsigned mode = 0666);

// The same write from bytes given piece by piece, so that a large file is never held whole in
// memory: the pieces are compared with the file as it is while they match it, and go to the
// temporary from the first difference on. Nothing replaces the file before commit(), which
// throws as writeFileAtomically does; a writer destroyed without it leaves no trace.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(const std::string& path, unsigned mode = 0666);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    void write(std::string_view bytes);
    void commit();

private:
    // Starts the temporary with the part of the old file that matched so far.
    void diverge();
    [[noreturn]] void fail();

    std::string path_, target_, temporary_;
    unsigned mode_; // the permissions of the new file, before the umask
    int old_ = -1;  // the file as it is, while every byte so far matched it
    size_t matched_ = 0;
    int fd_ = -1; // the temporary, from the first difference on
    bool done_ = false;
};

// Reads the whole file. Throws EFileError("Cannot open file <path>") when it cannot be read.
// A std::string is cleared as it grows, so a large file is better read with readFileBytes.
std::string readWholeFile(const std::string& path);

// The same bytes in a buffer that is not cleared before the read, for a reader that only looks.
struct FileBytes {
    std::unique_ptr<char[]> data;
    size_t size = 0;
    std::string_view view() const { return {data.get(), size}; }
};
FileBytes readFileBytes(const std::string& path);

// Reads a file a piece at a time. Throws EFileError("Cannot open file <path>") when it cannot
// be opened or read.
class FileReader {
public:
    explicit FileReader(const std::string& path);
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // The size the system gives, 0 when it does not know.
    size_t size() const { return size_; }
    // The next bytes, read into buffer (at most capacity); empty at the end of the file.
    std::string_view read(char* buffer, size_t capacity);

private:
    std::string path_;
    int fd_ = -1;
    size_t size_ = 0;
};

bool fileExists(const std::string& path);

// Removes the file if present; a missing file is not an error. A held file is
// copied aside first; when that fails, EFileError("Cannot delete file <path>") and it stays.
void removeFile(const std::string& path);

// Removes from the folder the temporaries that writers of the named files left when they were
// killed: "<name>.tmpXXXXXX", also of the keep-aside copies "<name>.unreadable[-N]", whose lock
// is free and which are at least minAge old. Nothing else is touched. Returns how many went.
int removeStaleTemporaries(const std::string& folder, const std::vector<std::string>& names,
                           std::chrono::seconds minAge);

// The reason a new file cannot be written in the folder (the system's text, for example
// "Read-only file system" or "No space left on device"), or empty when a test file of a few
// bytes can be written, flushed and removed there.
std::string folderWriteProblem(const std::string& folder);

// Copies the file to a new file beside it, "<name>.unreadable" (or "<name>.unreadable-2", "-3",
// ... when that name is taken; an earlier copy is never overwritten, and a copy that already
// holds the same bytes is used again), and returns the copy's path. The copy gets the
// permissions of the file, never wider. Throws EFileError when the copy cannot be made, and when
// the path is a symbolic link that leads out of its folder: the bytes of somebody else's file are
// never copied into the folder.
std::string keepUnreadableFileAside(const std::string& path);

// Holds a file whose bytes must be copied aside before anything changes them (a table file that
// could not be read, nor copied at the time). writeFileAtomically and removeFile then copy it
// aside first and let it go, and refuse to touch it while the copy still fails. Process-wide,
// like the file itself: whichever window writes it, the hold applies.
void holdFile(const std::string& path);
