#include "core/tables/keep_aside.h"

#include "core/tables/atomic_file.h"
#include "core/tables/errors.h"
#include "core/tables/mem_data.h"

#include <set>

namespace {

// The files whose bytes the program must not change before a copy exists. Process-wide, like
// the files themselves: whichever window writes a file, the hold applies.
std::set<std::string>& heldFiles() {
    static std::set<std::string> held;
    return held;
}

} // namespace

std::string keepUnreadableFileAside(const std::string& path) {
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
    writeFileAtomically(copy, bytes);
    return copy;
}

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

void readTableKeepingBadFileAside(TdxMemData& table, const std::string& path) {
    std::string reason;
    try {
        table.ReadDelimitedFile(path);
        return;
    } catch (const EAbort&) {
        reason = "The file could not be read";
    } catch (const std::exception& e) {
        reason = e.what();
    }
    std::string copy;
    try {
        copy = keepUnreadableFileAside(path);
    } catch (const EFileError& e) {
        heldFiles().insert(path);
        throw EUnreadableFile(reason + "\n\nThe file " + path +
                                  " could not be read to its end, and its contents could not be "
                                  "copied aside (" +
                                  e.what() +
                                  "). The program will not change the file until they can be.",
                              "");
    }
    throw EUnreadableFile(reason + "\n\nThe file " + path +
                              " could not be read to its end. Its contents are kept unchanged in " +
                              copy + ".",
                          copy);
}
