#pragma once

// Keeping a table file that cannot be read.
//
// A window reads its table files when it starts and writes them back when it ends; a file that
// stops its read part-way, or that the read did not fully understand, would then be overwritten
// with the rows read so far. Before anything can do that, the file's bytes are copied beside it.
//
//   The copy itself (keepUnreadableFileAside) and the hold on a file that could not be copied
//   belong to the writer, core/tables/atomic_file.h, which is what must honour the hold.
//
//   void readTableKeepingBadFileAside(TdxMemData& table, const std::string& path)
//       table.ReadDelimitedFile(path); when the read fails, the file is kept aside and
//       EUnreadableFile is thrown, whose text is the read's error followed by a line that says
//       whether the file was read to its end (only a value or a line's end was cut) or not, and
//       names the copy (shown as is by the general error display). The rows read before the failure
//       stay. When the copy cannot be made (a full disk, a folder that cannot be written), the text
//       says so and the file is held: writeFileAtomically and removeFile copy a held file aside
//       first, and refuse to touch it while that still fails.

#include "core/tables/atomic_file.h"

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

void readTableKeepingBadFileAside(TdxMemData& table, const std::string& path);
