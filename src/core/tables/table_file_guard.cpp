#include "core/tables/table_file_guard.h"

#include "core/tables/atomic_file.h"
#include "core/tables/errors.h"
#include "core/tables/mem_data.h"

void RemoveTableFile(TdxMemData& table, const std::string& path) {
    if (table.FileGuard && !table.FileGuard->beforeTableFileRemove(table, path))
        return;
    removeFile(path);
    if (table.FileGuard)
        table.FileGuard->tableFileRemoved(table, path);
}

void CatchUpWithTableFile(TdxMemData& table, const std::string& path) {
    if (table.FileGuard)
        table.FileGuard->beforeTableFileWrite(table, path);
}

void RequireTableChangeable(TdxMemData& table) {
    if (table.FileGuard)
        table.FileGuard->beforeTableChange(table);
}

bool TableChangeable(TdxMemData& table) {
    try {
        RequireTableChangeable(table);
        return true;
    } catch (const EDatabaseError&) {
        return false;
    }
}
