#pragma once

#include "core/base/shared_text.h"

#include <string>
#include <string_view>

class TdxMemData;

// Watches a table's file on behalf of something above the tables (the shared data folder): the
// table tells it what it read and wrote, and asks it before it replaces its file and before a
// row changes. A table without one behaves as it always has.
class TableFileGuard {
public:
    virtual ~TableFileGuard() = default;
    // The table read these bytes from its file.
    virtual void tableFileRead(TdxMemData& table, const std::string& path,
                               std::string_view bytes) = 0;
    // The table is about to replace its file with its rows, which the guard may first bring up
    // to date with the file. False leaves the file as it is and writes nothing.
    virtual bool beforeTableFileWrite(TdxMemData& table, const std::string& path) = 0;
    // The file now holds the table's rows: these bytes, which the guard may keep.
    virtual void tableFileWritten(TdxMemData& table, const std::string& path, SharedText bytes) = 0;
    // The table's file is about to be removed because the table is empty. False keeps it (it
    // was written instead, with rows the table did not know of).
    virtual bool beforeTableFileRemove(TdxMemData& table, const std::string& path) = 0;
    virtual void tableFileRemoved(TdxMemData& table, const std::string& path) = 0;
    // A row is about to be added, changed or deleted; throws to refuse the change.
    virtual void beforeTableChange(TdxMemData& table) = 0;
};

// Removes the table's file, as an empty table leaves none: through the table's guard when it has
// one, so that rows another writer put there meanwhile are not removed with it.
void RemoveTableFile(TdxMemData& table, const std::string& path);

// Brings the table up to date with its file as another writer may have left it (the guard's
// merge), before a step that looks at the table's rows and then adds to them. Nothing without a
// guard, or when the guard does not let this copy write.
void CatchUpWithTableFile(TdxMemData& table, const std::string& path);

// Throws, as a change of a row would, when the table's guard refuses changes: a step that would
// add rows says so before it starts.
void RequireTableChangeable(TdxMemData& table);
// Whether the table's guard lets its rows change, for a step the program takes by itself and
// leaves out quietly when they may not.
bool TableChangeable(TdxMemData& table);
