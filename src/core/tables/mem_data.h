#pragma once

#include "core/tables/field.h"
#include "core/tables/table_file_guard.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Something that shows a table (a grid, a bound edit box). The table tells it what changed;
// nothing is told while views are suspended, and the last ResumeViews asks for a full refresh.
class TableView {
public:
    virtual ~TableView() = default;
    virtual void tableCursorMoved() {}
    virtual void tableStateChanged() {}
    // A value of the edit buffer changed (field index, RecId being 0).
    virtual void tableFieldChanged(int /*field*/) {}
    // A stored row's values changed in place (0-based row).
    virtual void tableRowChanged(int /*row*/) {}
    // Rows were added, removed or reordered: redraw everything.
    virtual void tableRefresh() {}
    // The table is being destroyed: forget it (a view may outlive its table).
    virtual void tableDestroyed() {}
};

enum class DataSetState { Closed, Browse, Edit, Insert };

// Sort options, a set.
enum SortOption : unsigned { soDesc = 1u, soCaseInsensitive = 2u };
using TSortOptions = unsigned;

// The in-memory record table: ordered rows of typed fields, a cursor, an edit buffer, events,
// an optional sort field, and its delimited text file.
class TdxMemData {
public:
    using Event = std::function<void(TdxMemData&)>;

    // name prefixes the table's own error messages. The table starts open and empty.
    TdxMemData(std::string name, std::vector<FieldDef> fields);
    ~TdxMemData();
    TdxMemData(const TdxMemData&) = delete;
    TdxMemData& operator=(const TdxMemData&) = delete;

    const std::string& Name() const { return name_; }

    // Fields, RecId first.
    int FieldCount() const { return static_cast<int>(fields_.size()); }
    TField& Field(int index) { return *fields_[static_cast<size_t>(index)]; }
    const TField& Field(int index) const { return *fields_[static_cast<size_t>(index)]; }
    TField& FieldNamed(std::string_view name);
    TField* FindField(std::string_view name);
    int FieldIndex(std::string_view name) const; // -1 when none

    void Open();
    void Close();
    bool Active() const { return state_ != DataSetState::Closed; }
    void SetActive(bool active) { active ? Open() : Close(); }
    DataSetState State() const { return state_; }
    bool ReadOnly = false;

    void First();
    void Next();
    void Last();
    bool AtEnd() const { return atEnd_; }
    int RowCount() const { return static_cast<int>(rows_.size()); }
    int RowNumber() const;    // 1-based; 0 when empty
    void SetRowNumber(int n); // out-of-range is ignored

    void Edit();
    void Insert();      // a new row before the current one
    void InsertBelow(); // a new row after the current one
    void Append();
    void Post();
    void Cancel();
    void Delete();
    // Deletes many rows in one pass, as a Delete of each row in the given order would, without
    // the cost of one vector erase per row: 0-based indexes, duplicates and indexes out of range
    // ignored. BeforeDelete runs for each row with the cursor on it; an error it raises stops
    // the deletion there, the rows before it being deleted. AfterDelete and AfterScroll run once,
    // and the views redraw once. The cursor ends on the row after the last one named.
    void DeleteRows(const std::vector<int>& rows);
    // The same for rows named by bookmark; bookmarks of rows that are gone are skipped.
    void DeleteBookmarked(const std::vector<int>& bookmarks);
    // Adds a complete row: values in field order, the first being RecId's placeholder.
    void AddRow(const std::vector<FieldValue>& values);
    // Appends a copy of each of source's rows, in its order, as AddRow of each would, in one
    // pass: `copied` pairs a source field with a field of this table of the same kind, `fixed`
    // gives fields one value for every row, the others stay null. The rows' own events
    // (inserts, OnChange, BeforePost) do not run; AfterPost runs once and the views redraw once.
    void AppendRowsFrom(const TdxMemData& source, const std::vector<std::pair<int, int>>& copied,
                        const std::vector<std::pair<int, FieldValue>>& fixed);
    // Takes source's rows, in its order, in place of this table's own, without copying them:
    // the tables must have the same fields. The rows keep their RecIds; source is left empty
    // as Close and Open leave a table (their events run). The cursor ends on the first row;
    // AfterPost runs once when there are rows, and the views redraw once.
    void TakeRows(TdxMemData& source);
    // Gives every row the same values of the named fields, which must not be text, as an Edit,
    // assignment and Post of each row would, in one pass: the rows keep their places, the rows'
    // own events do not run, AfterPost runs once when there are rows, and the views redraw
    // once. The cursor ends on the last row, at the end.
    void FillColumns(const std::vector<std::pair<int, FieldValue>>& values);
    // 1-based number of the first row whose field equals value; -1 when none or no such field.
    int FindRowNumber(const FieldValue& value, std::string_view fieldName);

    int TakeBookmark() const; // 0 when there is no current row
    void ReturnToBookmark(int bookmark);
    bool BookmarkValid(int bookmark) const { return rowOfBookmark(bookmark) >= 0; }

    void SuspendViews();
    void ResumeViews();
    bool ViewsSuspended() const { return suspendCount_ > 0; }
    void AddView(TableView* view);
    void RemoveView(TableView* view);

    const std::string& SortedField() const { return sortedField_; }
    void SetSortedField(const std::string& name);
    TSortOptions SortOptions() const { return sortOptions_; }
    void SetSortOptions(TSortOptions options);

    char FieldDelimiter = '\t';
    // Watches the table's file and its changes (see table_file_guard.h); none by default.
    TableFileGuard* FileGuard = nullptr;
    // A file is read in pieces of this size, a line cut by a piece's end being joined whole.
    static constexpr size_t kReadPiece = size_t{1} << 20;
    // Writes the file (see data/atomic_file.h); nothing when the table is closed.
    // When written is given, it receives the bytes written (nothing when nothing was), shared
    // with the file guard's record of them.
    void WriteDelimitedFile(const std::string& path, SharedText* written = nullptr);
    void ReadDelimitedFile(const std::string& path);
    // The file's bytes, as WriteDelimitedFile would write them.
    std::string DelimitedText();
    // Replaces the rows with those of the text, as ReadDelimitedFile does with a file's bytes.
    void ReadDelimitedText(std::string_view text);
    bool Loading() const { return loading_; }

    // Views read rows directly without moving the cursor (0-based row).
    FieldValue CellValue(int row, int field) const;
    std::string CellText(int row, int field) const;
    // A text field's value where the row holds it, without a copy: empty when null. Valid until
    // the table changes.
    std::string_view CellString(int row, int field) const;
    int BookmarkAt(int row) const;
    int RecIdAt(int row) const;
    int RowOfBookmark(int bookmark) const { return rowOfBookmark(bookmark); }
    // 0-based current row, -1 when none. While inserting, the row the new one goes before
    // (RowCount() for an append).
    int CurrentIndex() const { return cursor_; }
    int InsertIndex() const { return insertIndex_; }
    bool Modified() const { return bufferChanged_; }

    Event BeforeOpen, AfterOpen, BeforeClose, AfterClose, BeforeInsert, AfterInsert, BeforeEdit,
        AfterEdit, BeforePost, AfterPost, BeforeCancel, AfterCancel, BeforeDelete, AfterDelete,
        BeforeScroll, AfterScroll, OnNewRecord;

    // Used by TField.
    FieldValue currentValue(int field) const;
    void setBufferValue(int field, FieldValue value);
    [[noreturn]] void raise(const std::string& message) const;

private:
    struct Row {
        std::string blob; // null bits, fixed slots, then the string bytes
        int32_t recId = 0;
        int32_t bookmark = 0;
    };

    void fire(const Event& e, bool suppressedWhileLoading = false);
    // Asks the file guard before a row changes; reading a file changes no row of the user's.
    void guardChange() {
        if (FileGuard && !loading_)
            FileGuard->beforeTableChange(*this);
    }
    void checkBrowseMode(); // ends a pending edit: Post when changed, Cancel otherwise
    void beginInsert(int insertAt, bool append);
    void moveCursor(int index, bool scrollEvents = true);
    // A stored row from its parts: the bits of the fields that have a value, the texts of text
    // fields and the 8-byte slots of the others (indexed by field).
    std::string makeBlob(uint32_t present, const std::vector<std::string_view>& texts,
                         const std::vector<uint64_t>& slots) const;
    std::string encode(const std::vector<FieldValue>& values) const;
    // A non-text value's 8-byte slot: the number in place, the unused bytes zero, so that
    // equal values have equal slots.
    static uint64_t slotBits(const FieldValue& value);
    // Whether the row holds a value of field f (1-based), and a text value where the row
    // holds it.
    bool holds(const Row& row, size_t f) const {
        uint32_t present;
        std::memcpy(&present, row.blob.data(), 4);
        return present & (1u << (f - 1));
    }
    std::string_view textIn(const Row& row, size_t f) const {
        uint32_t at, len;
        std::memcpy(&at, row.blob.data() + slotBase_ + 8 * (f - 1), 4);
        std::memcpy(&len, row.blob.data() + slotBase_ + 8 * (f - 1) + 4, 4);
        return std::string_view(row.blob.data() + at, len);
    }
    FieldValue decode(const Row& row, int field) const;
    void decodeInto(const Row& row, std::vector<FieldValue>& values) const;
    int compareRows(const Row& a, const Row& b, bool tieBreak) const;
    void fullSort();
    struct SortKey {
        uint64_t first = 0, second = 0;
    };
    SortKey sortKey(const Row& row) const;
    int moveToSortedPlace(int index);
    int rowOfBookmark(int bookmark) const;
    void notifyCursor();
    void notifyState();
    void notifyRefresh();
    void notifyRowChanged(int row);
    // Reading a file: the header's columns (-1 for an ignored one) and the text after it; then
    // the rows. `lost` receives the first thing the read had to leave out.
    std::string_view readHeader(std::string_view text, std::vector<int>& columns,
                                std::string& lost) const;
    // Reads the text given piece by piece by next() (an empty piece at its end); sizeHint is
    // its length when known.
    void readDelimitedFile(const std::string& path);
    void readText(const std::function<std::string_view()>& next, size_t sizeHint);
    // Whole lines of rows; lineNumber is the number of the line before them and goes on.
    void parseRows(std::string_view text, const std::vector<int>& columns, std::string& lost,
                   int& lineNumber);
    void parseRowsDirect(std::string_view text, const std::vector<int>& columns, std::string& lost,
                         int& lineNumber);
    // Appends the file's text to out; spill, when set, is offered the text after each row.
    void formatText(std::string& out, const std::function<void(std::string&)>& spill);
    // Throws when a text value of the row just formatted holds the separator, a TAB, CR or LF.
    void refuseBreaksInRow(std::string_view text, const Row& row, const std::vector<int>& written);

    std::string name_;
    std::vector<std::unique_ptr<TField>> fields_;
    std::vector<Row> rows_;
    std::vector<FieldValue> buffer_;
    bool bufferChanged_ = false;
    DataSetState state_ = DataSetState::Closed;
    int cursor_ = -1;
    int insertIndex_ = -1;
    int cursorBeforeInsert_ = -1;
    bool atEnd_ = false;
    int32_t nextRecId_ = 1;
    int32_t nextBookmark_ = 1;
    bool loading_ = false;
    int suspendCount_ = 0;
    std::string sortedField_;
    int sortIndex_ = -1;
    TSortOptions sortOptions_ = 0;
    std::vector<TableView*> views_;
    size_t slotBase_ = 0; // offset of the first slot in a blob
};
