#include "core/tables/keep_aside.h"

#include "core/tables/atomic_file.h"
#include "core/tables/errors.h"
#include "core/tables/mem_data.h"

void readTableKeepingBadFileAside(TdxMemData& table, const std::string& path) {
    std::string reason;
    bool readToEnd = false; // only a part named in the reason was left out
    try {
        table.ReadDelimitedFile(path);
        return;
    } catch (const EAbort&) {
        reason = "The file could not be read";
    } catch (const ETableTextCut& e) {
        reason = e.what();
        readToEnd = true;
    } catch (const std::exception& e) {
        reason = e.what();
    }
    std::string copy;
    try {
        copy = keepUnreadableFileAside(path);
    } catch (const EFileError& e) {
        holdFile(path);
        throw EUnreadableFile(reason + "\n\nThe file " + path +
                                  (readToEnd ? " was read to its end, but its contents could not "
                                               "be copied aside ("
                                             : " could not be read to its end, and its contents "
                                               "could not be copied aside (") +
                                  e.what() +
                                  "). The program will not change the file until they can be.",
                              "");
    }
    throw EUnreadableFile(
        reason + "\n\nThe file " + path +
            (readToEnd ? " was read to its end." : " could not be read to its end.") +
            " Its contents are kept unchanged in " + copy + ".",
        copy);
}
