#include "data/keep_aside.h"

#include "data/atomic_file.h"
#include "data/errors.h"
#include "data/mem_data.h"

std::string keepUnreadableFileAside(const std::string& path) {
    const std::string bytes = readWholeFile(path);
    std::string copy = path + ".unreadable";
    for (int n = 2; fileExists(copy); ++n)
        copy = path + ".unreadable-" + std::to_string(n);
    writeFileAtomically(copy, bytes);
    return copy;
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
    const std::string copy = keepUnreadableFileAside(path);
    throw EUnreadableFile(reason + "\n\nThe file " + path +
                              " could not be read to its end. Its contents are kept unchanged in " +
                              copy + ".",
                          copy);
}
