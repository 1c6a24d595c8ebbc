#pragma once

#include "core/tables/table_file_guard.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <string>
#include <string_view>

class DataModule;
struct TableMerge;

// Keeps this copy of the program from overwriting what another copy wrote to the same data
// folder. It remembers each table file as this copy last read or wrote it (its size, time and
// a hash of its bytes, and the bytes themselves); before a table replaces or removes its file
// it looks at the file again, and when the file changed behind the program it merges the other
// version in (table_merge.h) instead of writing over it: the table then holds the merged rows,
// and the file is written from them.
//
// A read-only copy (the folder is in use by another) refuses every change of a table with one
// error naming the holder, and writes and removes nothing.
class FolderGuard : public TableFileGuard {
public:
    FolderGuard() = default;
    // Watches the table files of the data module's tables.
    void watch(DataModule& tables);

    // A text naming the holder makes this copy read-only; empty makes it writable again.
    void setReadOnly(std::string holderText);
    bool readOnly() const { return !readOnlyText_.empty(); }
    // Whether a read-only copy refuses changes of its tables (it does from setReadOnly on);
    // off while the program fills its tables at start. Files are never written either way.
    void refuseChanges(bool refuse) { refuseChanges_ = refuse; }
    // The error a change is refused with in a read-only copy.
    std::string refusalText() const;

    // Told what the user must hear of a merge: a conflict file written, settings replaced.
    std::function<void(const std::string&)> onNotice;

    // Forgets what this copy knew of a file, after it read it again or found it gone.
    void forget(const std::string& path) { seen_.erase(path); }

    void tableFileRead(TdxMemData& table, const std::string& path, std::string_view bytes) override;
    bool beforeTableFileWrite(TdxMemData& table, const std::string& path) override;
    void tableFileWritten(TdxMemData& table, const std::string& path, SharedText bytes) override;
    bool beforeTableFileRemove(TdxMemData& table, const std::string& path) override;
    void tableFileRemoved(TdxMemData& table, const std::string& path) override;
    void beforeTableChange(TdxMemData& table) override;

private:
    struct Snapshot {
        bool exists = false;
        int64_t size = 0;
        timespec modified{};
        uint64_t hash = 0;
        SharedText bytes;
        bool sameFile(const Snapshot& other) const;
    };
    static Snapshot onDisk(const std::string& path);
    // Whether the file is still the one seen (size, time and bytes), read without holding it.
    static bool unchangedOnDisk(const std::string& path, const Snapshot& seen);
    static Snapshot of(SharedText bytes, const std::string& path);
    // Brings the table up to date with a file that changed behind the program, as the table's
    // rule says; false when the file needs no merge (unwatched, or unchanged).
    bool mergeChangedFile(TdxMemData& table, const std::string& path);
    // Keeps the other side's rows that lost, and tells the user what the merge could not keep.
    void report(const std::string& path, std::string_view ours, const TableMerge& merged,
                const std::string& description);
    void keepConflicts(const std::string& path, std::string_view header,
                       const std::vector<std::string>& rows);

    std::map<std::string, Snapshot> seen_; // by path
    std::string readOnlyText_;
    bool refuseChanges_ = true;
};
