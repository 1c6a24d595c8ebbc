#include "core/folder/folder_guard.h"

#include "core/folder/table_merge.h"
#include "core/store/data_module.h"
#include "core/store/schemas.h"
#include "core/tables/atomic_file.h"
#include "core/tables/errors.h"
#include "core/tables/mem_data.h"
#include "core/tables/suspended_views.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Rule {
    MergeRule merge;
    std::vector<std::string> keyFields;
    const char* description; // how a box names the file's content
    // Whether a file that disappeared was emptied by the other copy (a send removes the pending
    // list's file), rather than lost by hand; a lost file is written again whole.
    bool removedMeansEmptied = false;
};

std::string baseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// How each table file of the folder merges. A reminder is known by its number and appointment,
// a contact by its key (number and group); the plain lists by the whole row.
std::optional<Rule> ruleFor(const std::string& path) {
    const std::string name = baseName(path);
    if (name == kRemindersFile)
        return Rule{MergeRule::Rows,
                    {fields::contact_no, fields::appointment_date, fields::appointment_time},
                    "pending reminders",
                    true};
    if (name == kContactsFile)
        return Rule{MergeRule::Rows, {fields::contactKey}, "contact book"};
    if (name == kGroupsFile || name == kMessagesFile || name == kDoNotTextFile)
        return Rule{MergeRule::Rows, {}, "list"};
    if (name == kSentItemsFile)
        return Rule{MergeRule::Union, {}, "sent items"};
    // A reply is known by its e-mail's Message-ID: two desks that read the same mailbox keep
    // each reply once.
    if (name == kRepliesFile)
        return Rule{MergeRule::Union, {fields::message_id}, "replies"};
    if (name == kCalendarLinksFile)
        return Rule{MergeRule::Rows,
                    {fields::source, fields::event_uid, fields::recurrence_instance},
                    "calendar links"};
    if (name == kMailFile)
        return Rule{MergeRule::Ours, {}, "sender settings"};
    return std::nullopt;
}

// A hash of a file's bytes, eight at a time, given in pieces of any length: a file of tens of
// megabytes is hashed at the speed of memory, and without holding it whole. Only ever compared
// with itself in memory.
class BytesHasher {
public:
    explicit BytesHasher(uint64_t size) : hash_(14695981039346656037ull ^ size) {}
    void add(std::string_view bytes) {
        while (carried_ > 0 && !bytes.empty()) {
            carry_[carried_++] = bytes.front();
            bytes.remove_prefix(1);
            if (carried_ == 8) {
                word(carry_);
                carried_ = 0;
            }
        }
        for (; bytes.size() >= 8; bytes.remove_prefix(8))
            word(bytes.data());
        for (const char c : bytes)
            carry_[carried_++] = c;
    }
    uint64_t value() const {
        uint64_t hash = hash_;
        for (size_t i = 0; i < carried_; ++i)
            hash = (hash ^ static_cast<unsigned char>(carry_[i])) * 0x100000001b3ull;
        return hash;
    }

private:
    void word(const char* p) {
        uint64_t w;
        std::memcpy(&w, p, 8);
        hash_ = (hash_ ^ w) * 0x100000001b3ull;
        hash_ ^= hash_ >> 29;
    }
    uint64_t hash_;
    char carry_[8]{};
    size_t carried_ = 0;
};

// read() again when a signal interrupts it; on an error the file is closed and EFileError thrown.
size_t readSome(int fd, char* into, size_t room, const std::string& path) {
    for (;;) {
        const ssize_t n = read(fd, into, room);
        if (n >= 0)
            return static_cast<size_t>(n);
        if (errno != EINTR) {
            close(fd);
            throw EFileError("Cannot open file " + path);
        }
    }
}

uint64_t bytesHash(std::string_view bytes) {
    BytesHasher hasher(bytes.size());
    hasher.add(bytes);
    return hasher.value();
}

std::string_view firstLine(std::string_view text) {
    const size_t end = text.find_first_of("\r\n");
    return end == std::string_view::npos ? text : text.substr(0, end);
}

bool hasRows(std::string_view text) {
    const size_t end = text.find_first_of("\r\n");
    return end != std::string_view::npos &&
           text.find_first_not_of("\r\n", end) != std::string_view::npos;
}

} // namespace

bool FolderGuard::Snapshot::sameFile(const Snapshot& other) const {
    if (exists != other.exists)
        return false;
    return !exists || (size == other.size && modified.tv_sec == other.modified.tv_sec &&
                       modified.tv_nsec == other.modified.tv_nsec && hash == other.hash);
}

FolderGuard::Snapshot FolderGuard::onDisk(const std::string& path) {
    Snapshot snap;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT)
            throw EFileError("Cannot open file " + path);
        return snap;
    }
    struct stat st {};
    fstat(fd, &st);
    // One byte more than the size, so that the end is seen without growing the buffer.
    std::string bytes;
    bytes.resize(static_cast<size_t>(st.st_size) + 1);
    size_t done = 0;
    for (;;) {
        if (done == bytes.size())
            bytes.resize(bytes.size() * 2); // the file grew while it was read
        const size_t n = readSome(fd, bytes.data() + done, bytes.size() - done, path);
        if (n == 0)
            break;
        done += n;
    }
    close(fd);
    bytes.resize(done);
    snap.exists = true;
    snap.hash = bytesHash(bytes);
    snap.bytes = std::move(bytes);
    snap.size = static_cast<int64_t>(st.st_size);
    snap.modified = st.st_mtim;
    return snap;
}

FolderGuard::Snapshot FolderGuard::of(SharedText bytes, const std::string& path) {
    Snapshot snap;
    snap.exists = true;
    snap.hash = bytesHash(bytes);
    snap.bytes = std::move(bytes);
    struct stat st {};
    if (stat(path.c_str(), &st) == 0) {
        snap.size = static_cast<int64_t>(st.st_size);
        snap.modified = st.st_mtim;
    }
    return snap;
}

bool FolderGuard::unchangedOnDisk(const std::string& path, const Snapshot& seen) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT)
            throw EFileError("Cannot open file " + path);
        return !seen.exists;
    }
    struct stat st {};
    if (!seen.exists || fstat(fd, &st) != 0 || st.st_size != seen.size ||
        st.st_mtim.tv_sec != seen.modified.tv_sec || st.st_mtim.tv_nsec != seen.modified.tv_nsec) {
        close(fd);
        return false;
    }
    // Hashed a piece at a time through one buffer: the check of a large file costs no memory.
    constexpr size_t kPiece = size_t{1} << 20;
    thread_local const std::unique_ptr<char[]> buffer =
        std::make_unique_for_overwrite<char[]>(kPiece);
    BytesHasher hasher(static_cast<uint64_t>(st.st_size));
    int64_t total = 0;
    for (;;) {
        const size_t n = readSome(fd, buffer.get(), kPiece, path);
        if (n == 0)
            break;
        hasher.add(std::string_view(buffer.get(), n));
        total += static_cast<int64_t>(n);
    }
    close(fd);
    return total == seen.size && hasher.value() == seen.hash;
}

void FolderGuard::watch(DataModule& tables) {
    for (TdxMemData* table :
         {tables.dxmReminders.get(), tables.dxGroup.get(), tables.dxContact.get(),
          tables.dxmMessage.get(), tables.dxmSentItems.get(), tables.dmMail.get(),
          tables.dxDoNotText.get(), tables.dxCalendarLinks.get(), tables.dxmReplies.get()})
        table->FileGuard = this;
}

void FolderGuard::setReadOnly(std::string holderText) {
    readOnlyText_ = std::move(holderText);
    refuseChanges_ = true;
}

std::string FolderGuard::refusalText() const {
    return readOnlyText_ + " This copy of the program is open read-only: nothing can be changed.";
}

void FolderGuard::beforeTableChange(TdxMemData&) {
    if (readOnly() && refuseChanges_)
        throw EDatabaseError(refusalText());
}

void FolderGuard::tableFileRead(TdxMemData&, const std::string& path, std::string_view bytes) {
    if (ruleFor(path))
        seen_[path] = of(std::string(bytes), path);
}

void FolderGuard::tableFileWritten(TdxMemData&, const std::string& path, SharedText bytes) {
    // The bytes just written, with the file's size and time as they are now: should another
    // writer have replaced the file in between, its bytes differ from these and it is merged.
    if (ruleFor(path))
        seen_[path] = of(std::move(bytes), path);
}

void FolderGuard::tableFileRemoved(TdxMemData&, const std::string& path) {
    if (ruleFor(path))
        seen_[path] = Snapshot{};
}

bool FolderGuard::beforeTableFileWrite(TdxMemData& table, const std::string& path) {
    if (readOnly())
        return false;
    mergeChangedFile(table, path);
    return true;
}

bool FolderGuard::beforeTableFileRemove(TdxMemData& table, const std::string& path) {
    if (readOnly())
        return false;
    const std::optional<Rule> rule = ruleFor(path);
    if (!rule)
        return true;
    const auto known = seen_.find(path);
    static const Snapshot none;
    const Snapshot& base = known == seen_.end() ? none : known->second;
    if (unchangedOnDisk(path, base))
        return true;
    const Snapshot disk = onDisk(path);
    if (disk.sameFile(base))
        return true;
    // Removing the file takes away this copy's rows, whatever rows the table still holds (a
    // send empties it only afterwards): the merge is with an empty list.
    const std::string empty = std::string(firstLine(table.DelimitedText())) + "\r\n";
    const TableMerge merged = mergeTableFiles(base.bytes, empty, disk.bytes, table.FieldDelimiter,
                                              rule->merge, rule->keyFields);
    report(path, empty, merged, rule->description);
    if (!hasRows(merged.text))
        return true;
    // Rows another copy added meanwhile stay in the file; none of them is this copy's.
    writeFileAtomically(path, merged.text);
    seen_[path] = Snapshot{};
    return false;
}

bool FolderGuard::mergeChangedFile(TdxMemData& table, const std::string& path) {
    const std::optional<Rule> rule = ruleFor(path);
    if (!rule)
        return false;
    const auto known = seen_.find(path);
    // A file this copy never read nor wrote counts as having been absent: its rows are the other
    // side's, and are kept.
    static const Snapshot none;
    const Snapshot& base = known == seen_.end() ? none : known->second;
    if (unchangedOnDisk(path, base))
        return false;
    Snapshot disk = onDisk(path);
    if (disk.sameFile(base))
        return false;
    if (!disk.exists && !rule->removedMeansEmptied)
        return false;

    const std::string ours = table.DelimitedText();
    const TableMerge merged = mergeTableFiles(base.bytes, ours, disk.bytes, table.FieldDelimiter,
                                              rule->merge, rule->keyFields);
    if (merged.changed) {
        // The table takes the merged rows; the current row stays current where it still is.
        SuspendedViews suspended(table);
        std::vector<std::string> current;
        if (table.CurrentIndex() >= 0)
            for (int f = 1; f < table.FieldCount(); ++f)
                current.push_back(table.CellText(table.CurrentIndex(), f));
        table.ReadDelimitedText(merged.text);
        for (int r = 0; !current.empty() && r < table.RowCount(); ++r) {
            bool same = true;
            for (int f = 1; same && f < table.FieldCount(); ++f)
                same = table.CellText(r, f) == current[static_cast<size_t>(f - 1)];
            if (same) {
                table.SetRowNumber(r + 1);
                break;
            }
        }
    }
    // The table now holds what is on disk as well: the coming write replaces that file.
    seen_[path] = std::move(disk);

    report(path, ours, merged, rule->description);
    return true;
}

void FolderGuard::report(const std::string& path, std::string_view ours, const TableMerge& merged,
                         const std::string& description) {
    const std::string name = baseName(path);
    if (!merged.setAside.empty()) {
        keepConflicts(path, firstLine(ours), merged.setAside);
        if (onNotice)
            onNotice("Another copy of the program changed " + name +
                     " at the same time as this one. This copy's changes were kept; the other "
                     "copy's version of " +
                     std::to_string(merged.setAside.size()) +
                     (merged.setAside.size() == 1 ? " row" : " rows") + " is in " + name +
                     ".conflict beside it.");
    }
    if (merged.theirsReplaced && onNotice)
        onNotice("Another copy of the program changed the " + description + " (" + name +
                 ") at the same time as this one; this copy's " + description + " replaced them.");
}

void FolderGuard::keepConflicts(const std::string& path, std::string_view header,
                                const std::vector<std::string>& rows) {
    const std::string conflictPath = path + ".conflict";
    std::string text;
    if (fileExists(conflictPath))
        text = readWholeFile(conflictPath);
    if (!hasRows(text) && text.find_first_of("\r\n") == std::string::npos)
        text = std::string(header) + "\r\n";
    else if (text.back() != '\n' && text.back() != '\r')
        text += "\r\n";
    for (const std::string& row : rows)
        text += row + "\r\n";
    writeFileAtomically(conflictPath, text);
}
