#pragma once

// The import of tab-delimited address lists into the contact book. Plain C++: the
// contacts window drives it and answers its questions.
//
//   splitImportLine(line)          name, number and group of one line of an import file.
//   ImportLineReader               the lines of an import file, read in pieces.
//   FirstRowIndex                  what FindRowNumber answers for one string field, from an index
//                                  built once, so that a long run of look-ups stays linear.
//   ContactImporter                adds the lines of a file to the contact book, skipping the
//                                  number and group pairs it already holds.

#include "core/contacts/contact_rules.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class TdxMemData;

// ---- import lines --------------------------------------------------------------------------

struct ImportedContact {
    std::string name;            // quotes removed, first letter upper-cased, trimmed
    std::string number;          // unchanged
    std::string group;           // lower-cased and trimmed
    bool hasGroupColumn = false; // the line has a second TAB
};

// The name is the text before the first TAB, the number the text between the first and the
// second TAB (the whole line when it has no TAB), the group the text after the second TAB up to
// a third one: further columns of the line are not part of the group, because a TAB stored in a
// contact would split its line of the contact book's own file.
ImportedContact splitImportLine(std::string_view line);

// Where the bytes of an import file come from.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Up to size bytes into buffer; 0 at the end. Throws EFileError with the system's reason
    // when reading fails.
    virtual size_t read(char* buffer, size_t size) = 0;
};

// A file opened for reading; nullptr when it cannot be opened (missing, in use, a folder, no
// permission).
std::unique_ptr<ByteSource> openFileSource(const std::string& path);

// Splits bytes into lines. A line ends at CR LF, at LF or at a CR alone; a last line without a
// line end counts, a line end at the very end does not start another line. NUL bytes are
// dropped: the contact book's file could not hold them.
class ImportLineReader {
public:
    explicit ImportLineReader(ByteSource& source, size_t chunkSize = 1 << 16);
    // The next line into line; false at the end of the file.
    bool next(std::string& line);

private:
    bool fill();

    ByteSource& source_;
    std::vector<char> buffer_;
    size_t pos_ = 0;
    size_t end_ = 0;
    bool eof_ = false;
    bool skipLf_ = false; // the previous line ended with a CR; an LF right after belongs to it
};

// ---- look-ups ------------------------------------------------------------------------------

// The 1-based number of the first row whose field equals a text, as TdxMemData::FindRowNumber
// finds it for a string field (the text cut to the field's size, letters folded when the table's
// sort options hold soCaseInsensitive), without its linear scan. Rows may be appended to the
// table after the index is built: tell it with appended(). The index does not follow other
// changes of the table.
class FirstRowIndex {
public:
    FirstRowIndex(TdxMemData& table, std::string_view fieldName);
    int find(std::string_view value) const; // -1 when none
    // The table's last row was just added.
    void appended();

private:
    std::string key(std::string_view value) const;

    TdxMemData& table_;
    int field_;
    size_t size_;
    bool caseInsensitive_;
    std::unordered_map<std::string, int> first_; // key -> 0-based row
};

// ---- the import ----------------------------------------------------------------------------

struct ImportCounts {
    int lines = 0;      // lines read
    int added = 0;      // contacts added
    int duplicates = 0; // lines whose number and group the book already held
    int empty = 0;      // lines without name and number
    int refused = 0;    // lines holding a "^", which no reminder may carry
};

// What an import did, for the box that ends it: the contacts added, the lines already in the
// book, and the lines skipped with the reason of each kind, one line of text each.
std::string importSummary(const ImportCounts& counts);

// Adds lines to the contact book. The caller has sorted the book by number and suspended its
// views; it writes the files when the import ends.
//
// For each line: the group check (when the line has a group column), then, unless both name and
// number are empty, a look-up of the number: the first row with that number (FindRowNumber's
// rule) and the rows right after it with exactly that number form the walk; when no row of the
// walk has the line's group, the contact is added with AddRow (name, number, group, key). Rows
// added stay at the end of the book, so a number repeated later in the file is recognised only
// while its rows still form one unbroken run. The look-ups use indexes built once, with the
// results the row-by-row walk gives.
class ContactImporter {
public:
    ContactImporter(TdxMemData& contacts, TdxMemData& groups);
    ~ContactImporter();

    // The group check: asked for a group (trimmed, lower-cased) the group table lacks; true
    // adds it. Asked once per group in one import.
    std::function<bool(const std::string& group)> confirmAddGroup;
    // A group was added to the group table.
    std::function<void(const std::string& group)> groupAdded;
    // A line reached the number look-up (the look-up assigns the number to the field once, as
    // FindRowNumber does, which the book's change handler sees).
    std::function<void()> lookedUp;

    void importLine(std::string_view line);
    const ImportCounts& counts() const { return counts_; }
    // Some line had a group column: the group file is to be written and the pickers refilled.
    bool groupColumnSeen() const { return groupColumnSeen_; }

private:
    struct Run {
        std::string number;                     // the exact number of the run's rows
        std::unordered_set<std::string> groups; // their groups, lower-cased and trimmed
    };
    void checkGroup(const std::string& group);
    bool duplicate(const ImportedContact& c) const;
    void noteAppendedRow();

    TdxMemData& contacts_;
    TdxMemData& groups_;
    int numberField_;
    int groupField_;
    FirstRowIndex numbers_;
    FirstRowIndex groupNames_;
    std::vector<int> runOf_; // row -> index in runs_
    std::vector<Run> runs_;
    std::unordered_set<std::string> declinedGroups_;
    ImportCounts counts_;
    bool groupColumnSeen_ = false;
};
