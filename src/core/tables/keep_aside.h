#pragma once

// Keeping a table file that cannot be read.
//
// A window reads its table files when it starts and writes them back when it ends; a file that
// stops its read part-way, or that the read did not fully understand, would then be overwritten
// with the rows read so far. Before anything can do that, the file's bytes are copied beside it.
//
//   std::string keepUnreadableFileAside(const std::string& path)
//       Copies the file to a new file beside it, "<name>.unreadable" (or "<name>.unreadable-2",
//       "-3", ... when that name is taken; an earlier copy is never overwritten, and a copy that
//       already holds the same bytes is used again), and returns the copy's path. Throws
//       EFileError when the copy cannot be made.
//
//   void readTableKeepingBadFileAside(TdxMemData& table, const std::string& path)
//       table.ReadDelimitedFile(path); when the read fails, the file is kept aside and
//       EUnreadableFile is thrown, whose text is the read's error followed by a line naming the
//       copy (shown as is by the general error display). The rows read before the failure stay.
//       When the copy cannot be made (a full disk, a folder that cannot be written), the text
//       says so and the file is held: writeFileAtomically and removeFile copy a held file aside
//       first, and refuse to touch it while that still fails.

#include <stdexcept>
#include <string>

class TdxMemData;

class EUnreadableFile : public std::runtime_error {
public:
    EUnreadableFile(const std::string& text, std::string copyPath)
        : std::runtime_error(text), copyPath_(std::move(copyPath)) {}
    // Empty when the copy could not be made.
    const std::string& copyPath() const { return copyPath_; }

private:
    std::string copyPath_;
};

std::string keepUnreadableFileAside(const std::string& path);
void readTableKeepingBadFileAside(TdxMemData& table, const std::string& path);

// Called before a file is replaced or removed: when the file is held, copies it aside and lets
// it go; throws EFileError(failure) when the copy still cannot be made.
void keepAsideIfHeld(const std::string& path, const std::string& failure);
