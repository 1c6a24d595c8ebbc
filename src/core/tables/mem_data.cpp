#include "core/tables/mem_data.h"

#include "core/base/letter_case.h"
#include "core/tables/atomic_file.h"
#include "core/tables/date_time.h"
#include "core/tables/errors.h"
#include "core/tables/name_order.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <unordered_map>

namespace {

int compareText(std::string_view a, std::string_view b, bool caseInsensitive) {
    if (caseInsensitive)
        return compareCaseless(a, b);
    const size_t n = std::min(a.size(), b.size());
    const int r = n ? std::memcmp(a.data(), b.data(), n) : 0;
    if (r != 0)
        return r < 0 ? -1 : 1;
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

template <typename T> T load(const std::string& blob, size_t at) {
    T v;
    std::memcpy(&v, blob.data() + at, sizeof v);
    return v;
}

template <typename T> void store(std::string& blob, size_t at, T v) {
    std::memcpy(blob.data() + at, &v, sizeof v);
}

} // namespace

TdxMemData::TdxMemData(std::string name, std::vector<FieldDef> fields) : name_(std::move(name)) {
    FieldDef recId;
    recId.name = "RecId";
    recId.kind = FieldKind::Integer;
    recId.visible = false;
    recId.calculated = true;
    fields_.push_back(std::make_unique<TField>(*this, 0, recId));
    for (auto& def : fields)
        fields_.push_back(
            std::make_unique<TField>(*this, static_cast<int>(fields_.size()), std::move(def)));
    if (fields_.size() > 33)
        throw EDatabaseError(name_ + ": Too many fields");
    slotBase_ = 4;
    Open();
}

TdxMemData::~TdxMemData() {
    for (auto* v : std::vector<TableView*>(views_))
        v->tableDestroyed();
}

void TdxMemData::raise(const std::string& message) const {
    throw EDatabaseError(name_ + ": " + message);
}

TField* TdxMemData::FindField(std::string_view name) {
    const int i = FieldIndex(name);
    return i < 0 ? nullptr : fields_[static_cast<size_t>(i)].get();
}

int TdxMemData::FieldIndex(std::string_view name) const {
    for (size_t i = 0; i < fields_.size(); ++i)
        if (sameNameIgnoringCase(fields_[i]->FieldName(), name))
            return static_cast<int>(i);
    return -1;
}

TField& TdxMemData::FieldNamed(std::string_view name) {
    if (TField* f = FindField(name))
        return *f;
    raise("Field '" + std::string(name) + "' not found");
}

// ---- events and views ----------------------------------------------------------------------

void TdxMemData::fire(const Event& e, bool suppressedWhileLoading) {
    if (e && !(suppressedWhileLoading && loading_))
        e(*this);
}

void TdxMemData::AddView(TableView* view) {
    views_.push_back(view);
}

void TdxMemData::RemoveView(TableView* view) {
    views_.erase(std::remove(views_.begin(), views_.end(), view), views_.end());
}

void TdxMemData::SuspendViews() {
    ++suspendCount_;
}

void TdxMemData::ResumeViews() {
    if (suspendCount_ > 0 && --suspendCount_ == 0)
        notifyRefresh();
}

void TdxMemData::notifyCursor() {
    if (suspendCount_ == 0)
        for (auto* v : std::vector<TableView*>(views_))
            v->tableCursorMoved();
}

void TdxMemData::notifyState() {
    if (suspendCount_ == 0)
        for (auto* v : std::vector<TableView*>(views_))
            v->tableStateChanged();
}

void TdxMemData::notifyRefresh() {
    if (suspendCount_ == 0)
        for (auto* v : std::vector<TableView*>(views_))
            v->tableRefresh();
}

void TdxMemData::notifyRowChanged(int row) {
    if (suspendCount_ == 0)
        for (auto* v : std::vector<TableView*>(views_))
            v->tableRowChanged(row);
}

// ---- row storage ---------------------------------------------------------------------------
// A row is one string: 4 bytes of "has a value" bits, one 8-byte slot per field (numbers in
// place; offset and length for text), then the text bytes. One allocation per row keeps large
// tables compact.

std::string TdxMemData::makeBlob(uint32_t present, const std::vector<std::string_view>& texts,
                                 const std::vector<uint64_t>& slots) const {
    const size_t count = fields_.size();
    const size_t textBase = slotBase_ + 8 * (count - 1);
    size_t total = textBase;
    for (size_t f = 1; f < count; ++f)
        if ((present & (1u << (f - 1))) && fields_[f]->Kind() == FieldKind::String)
            total += texts[f].size();
    std::string blob(total, '\0');
    store<uint32_t>(blob, 0, present);
    size_t textAt = textBase;
    for (size_t f = 1; f < count; ++f) {
        if (!(present & (1u << (f - 1))))
            continue;
        const size_t slot = slotBase_ + 8 * (f - 1);
        if (fields_[f]->Kind() == FieldKind::String) {
            store<uint32_t>(blob, slot, static_cast<uint32_t>(textAt));
            store<uint32_t>(blob, slot + 4, static_cast<uint32_t>(texts[f].size()));
            std::memcpy(blob.data() + textAt, texts[f].data(), texts[f].size());
            textAt += texts[f].size();
        } else {
            store<uint64_t>(blob, slot, slots[f]);
        }
    }
    return blob;
}

uint64_t TdxMemData::slotBits(const FieldValue& value) {
    uint64_t bits = 0;
    if (const auto* i = std::get_if<int32_t>(&value))
        std::memcpy(&bits, i, 4);
    else if (const auto* d = std::get_if<double>(&value))
        std::memcpy(&bits, d, 8);
    else if (const auto* b = std::get_if<bool>(&value))
        bits = *b ? 1 : 0;
    return bits;
}

std::string TdxMemData::encode(const std::vector<FieldValue>& values) const {
    std::vector<std::string_view> texts(fields_.size());
    std::vector<uint64_t> slots(fields_.size());
    uint32_t present = 0;
    for (size_t f = 1; f < values.size() && f < fields_.size(); ++f) {
        const FieldValue& v = values[f];
        if (isNull(v))
            continue;
        present |= 1u << (f - 1);
        if (const auto* s = std::get_if<std::string>(&v))
            texts[f] = *s;
        else
            slots[f] = slotBits(v);
    }
    return makeBlob(present, texts, slots);
}

FieldValue TdxMemData::decode(const Row& row, int field) const {
    if (field == 0)
        return row.recId;
    const auto f = static_cast<size_t>(field);
    if (!holds(row, f))
        return {};
    const size_t slot = slotBase_ + 8 * (f - 1);
    switch (fields_[f]->Kind()) {
    case FieldKind::String:
        return std::string(textIn(row, f));
    case FieldKind::Float:
        return load<double>(row.blob, slot);
    case FieldKind::Boolean:
        return row.blob[slot] != 0;
    default:
        return load<int32_t>(row.blob, slot);
    }
}

void TdxMemData::decodeInto(const Row& row, std::vector<FieldValue>& values) const {
    values.resize(fields_.size());
    for (size_t f = 0; f < fields_.size(); ++f)
        values[f] = decode(row, static_cast<int>(f));
}

FieldValue TdxMemData::CellValue(int row, int field) const {
    return decode(rows_[static_cast<size_t>(row)], field);
}

std::string TdxMemData::CellText(int row, int field) const {
    return fieldtext::format(fields_[static_cast<size_t>(field)]->Kind(), CellValue(row, field));
}

std::string_view TdxMemData::CellString(int row, int field) const {
    const Row& r = rows_[static_cast<size_t>(row)];
    const auto f = static_cast<size_t>(field);
    if (field <= 0 || fields_[f]->Kind() != FieldKind::String || !holds(r, f))
        return {};
    return textIn(r, f);
}

int TdxMemData::BookmarkAt(int row) const {
    return rows_[static_cast<size_t>(row)].bookmark;
}
int TdxMemData::RecIdAt(int row) const {
    return rows_[static_cast<size_t>(row)].recId;
}

FieldValue TdxMemData::currentValue(int field) const {
    if (state_ == DataSetState::Edit || state_ == DataSetState::Insert)
        return field == 0 && state_ == DataSetState::Insert ? FieldValue{}
                                                            : buffer_[static_cast<size_t>(field)];
    if (cursor_ < 0)
        return {};
    return decode(rows_[static_cast<size_t>(cursor_)], field);
}

void TdxMemData::setBufferValue(int field, FieldValue value) {
    if (state_ != DataSetState::Edit && state_ != DataSetState::Insert)
        raise("Dataset not in edit or insert mode");
    if (ReadOnly)
        raise("Cannot modify a read-only dataset");
    buffer_[static_cast<size_t>(field)] = std::move(value);
    bufferChanged_ = true;
    TField& f = *fields_[static_cast<size_t>(field)];
    if (f.OnChange)
        f.OnChange(f);
    if (suspendCount_ == 0)
        for (auto* v : std::vector<TableView*>(views_))
            v->tableFieldChanged(field);
}

// ---- comparison and sorting ----------------------------------------------------------------

int TdxMemData::compareRows(const Row& a, const Row& b, bool tieBreak) const {
    int r = 0;
    if (sortIndex_ > 0) {
        const auto f = static_cast<size_t>(sortIndex_);
        const uint32_t bit = 1u << (f - 1);
        const bool hasA = load<uint32_t>(a.blob, 0) & bit;
        const bool hasB = load<uint32_t>(b.blob, 0) & bit;
        const size_t slot = slotBase_ + 8 * (f - 1);
        switch (fields_[f]->Kind()) {
        case FieldKind::String: {
            r = compareText(hasA ? textIn(a, f) : std::string_view(),
                            hasB ? textIn(b, f) : std::string_view(),
                            sortOptions_ & soCaseInsensitive);
            break;
        }
        case FieldKind::Float: {
            const double x = hasA ? load<double>(a.blob, slot) : 0;
            const double y = hasB ? load<double>(b.blob, slot) : 0;
            r = x < y ? -1 : (x > y ? 1 : 0);
            break;
        }
        case FieldKind::Boolean: {
            const int x = hasA ? a.blob[slot] : 0;
            const int y = hasB ? b.blob[slot] : 0;
            r = x - y;
            break;
        }
        default: {
            const int32_t x = hasA ? load<int32_t>(a.blob, slot) : 0;
            const int32_t y = hasB ? load<int32_t>(b.blob, slot) : 0;
            r = x < y ? -1 : (x > y ? 1 : 0);
            break;
        }
        }
    } else if (sortIndex_ == 0) {
        r = a.recId < b.recId ? -1 : (a.recId > b.recId ? 1 : 0);
    }
    if (r == 0 && tieBreak)
        r = a.recId < b.recId ? -1 : (a.recId > b.recId ? 1 : 0);
    return (sortOptions_ & soDesc) ? -r : r;
}

TdxMemData::SortKey TdxMemData::sortKey(const Row& row) const {
    // An order-preserving key of the sort value (of a text, its first 16 characters; of a
    // case-blind text, their base letters, which it compares first): most comparisons end here,
    // without touching the rows again. Equal keys fall back to the full comparison.
    if (sortIndex_ <= 0)
        return {};
    const auto f = static_cast<size_t>(sortIndex_);
    const bool has = load<uint32_t>(row.blob, 0) & (1u << (f - 1));
    const size_t slot = slotBase_ + 8 * (f - 1);
    switch (fields_[f]->Kind()) {
    case FieldKind::String: {
        if (!has)
            return {};
        const std::string_view text = textIn(row, f);
        const bool fold = sortOptions_ & soCaseInsensitive;
        uint64_t words[2] = {0, 0};
        for (size_t i = 0; i < 16; ++i) {
            const unsigned char c = i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
            words[i / 8] = words[i / 8] << 8 | (fold ? baseLetter(c) : c);
        }
        return {words[0], words[1]};
    }
    case FieldKind::Float: {
        const double d = has ? load<double>(row.blob, slot) : 0.0;
        uint64_t bits;
        std::memcpy(&bits, &d, sizeof bits);
        if (d == 0)
            bits = 0; // -0 and 0 compare equal
        return {(bits & (uint64_t{1} << 63)) ? ~bits : bits | (uint64_t{1} << 63), 0};
    }
    case FieldKind::Boolean:
        return {has ? static_cast<uint64_t>(row.blob[slot] != 0) : 0, 0};
    default: {
        const int32_t v = has ? load<int32_t>(row.blob, slot) : 0;
        return {static_cast<uint64_t>(static_cast<int64_t>(v) + (int64_t{1} << 31)), 0};
    }
    }
}

void TdxMemData::fullSort() {
    if (sortIndex_ >= 0 && rows_.size() > 1) {
        // Two words of key: telephone numbers share their first digits, and a tie costs a
        // look into both rows.
        struct Key {
            uint64_t prefix;
            uint64_t next;
            uint32_t index;
        };
        std::vector<Key> keys(rows_.size());
        for (size_t i = 0; i < rows_.size(); ++i) {
            const SortKey k = sortKey(rows_[i]);
            keys[i] = {k.first, k.second, static_cast<uint32_t>(i)};
        }
        const bool desc = sortOptions_ & soDesc;
        std::sort(keys.begin(), keys.end(), [this, desc](const Key& a, const Key& b) {
            if (a.prefix != b.prefix)
                return desc ? a.prefix > b.prefix : a.prefix < b.prefix;
            if (a.next != b.next)
                return desc ? a.next > b.next : a.next < b.next;
            return compareRows(rows_[a.index], rows_[b.index], true) < 0;
        });
        std::vector<Row> sorted;
        sorted.reserve(rows_.size());
        for (const Key& k : keys)
            sorted.push_back(std::move(rows_[k.index]));
        rows_.swap(sorted);
    }
    cursor_ = rows_.empty() ? -1 : 0;
    atEnd_ = rows_.empty();
    notifyRefresh();
}

int TdxMemData::moveToSortedPlace(int index) {
    Row moved = std::move(rows_[static_cast<size_t>(index)]);
    rows_.erase(rows_.begin() + index);
    // Bisection for the first row that compares equal to or after the moved row.
    size_t lo = 0, hi = rows_.size();
    while (lo < hi) {
        const size_t mid = lo + (hi - lo) / 2;
        if (compareRows(rows_[mid], moved, false) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(lo), std::move(moved));
    return static_cast<int>(lo);
}

void TdxMemData::SetSortedField(const std::string& name) {
    if (name == sortedField_)
        return;
    // Clearing the sort moves no row, so an open edit stays open: a BeforePost handler may
    // clear it to keep the posted row where it is.
    if (!name.empty())
        checkBrowseMode();
    sortedField_ = name;
    sortIndex_ = name.empty() ? -1 : FieldIndex(name);
    if (sortIndex_ >= 0 && Active())
        fullSort();
}

void TdxMemData::SetSortOptions(TSortOptions options) {
    if (options == sortOptions_)
        return;
    checkBrowseMode();
    sortOptions_ = options;
    if (sortIndex_ >= 0 && Active())
        fullSort();
}

// ---- open, close, cursor -------------------------------------------------------------------

void TdxMemData::Open() {
    if (Active())
        return;
    fire(BeforeOpen, true);
    rows_.clear();
    buffer_.assign(fields_.size(), FieldValue{});
    bufferChanged_ = false;
    nextRecId_ = 1;
    nextBookmark_ = 1;
    state_ = DataSetState::Browse;
    cursor_ = -1;
    atEnd_ = true;
    fire(AfterOpen, true);
    notifyState();
    notifyRefresh();
}

void TdxMemData::Close() {
    if (!Active())
        return;
    fire(BeforeClose, true);
    rows_.clear();
    buffer_.assign(fields_.size(), FieldValue{});
    bufferChanged_ = false;
    nextRecId_ = 1;
    nextBookmark_ = 1;
    state_ = DataSetState::Closed;
    cursor_ = -1;
    atEnd_ = true;
    fire(AfterClose, true);
    notifyState();
    notifyRefresh();
}

void TdxMemData::checkBrowseMode() {
    if (state_ == DataSetState::Edit || state_ == DataSetState::Insert) {
        if (bufferChanged_)
            Post();
        else
            Cancel();
    }
}

void TdxMemData::moveCursor(int index, bool scrollEvents) {
    if (scrollEvents)
        fire(BeforeScroll);
    cursor_ = index;
    atEnd_ = false;
    if (scrollEvents)
        fire(AfterScroll);
    notifyCursor();
}

void TdxMemData::First() {
    checkBrowseMode();
    if (rows_.empty()) {
        atEnd_ = true;
        return;
    }
    moveCursor(0);
}

void TdxMemData::Next() {
    checkBrowseMode();
    if (rows_.empty() || cursor_ >= RowCount() - 1) {
        atEnd_ = true;
        return;
    }
    moveCursor(cursor_ + 1);
}

void TdxMemData::Last() {
    checkBrowseMode();
    if (rows_.empty()) {
        atEnd_ = true;
        return;
    }
    moveCursor(RowCount() - 1);
}

int TdxMemData::RowNumber() const {
    return rows_.empty() || cursor_ < 0 ? 0 : cursor_ + 1;
}

void TdxMemData::SetRowNumber(int n) {
    checkBrowseMode();
    if (n < 1 || n > RowCount())
        return;
    moveCursor(n - 1);
}

int TdxMemData::TakeBookmark() const {
    return cursor_ >= 0 && cursor_ < RowCount() ? rows_[static_cast<size_t>(cursor_)].bookmark : 0;
}

int TdxMemData::rowOfBookmark(int bookmark) const {
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].bookmark == bookmark)
            return static_cast<int>(i);
    return -1;
}

void TdxMemData::ReturnToBookmark(int bookmark) {
    checkBrowseMode();
    const int row = rowOfBookmark(bookmark);
    if (row < 0)
        raise("Bookmark not found");
    moveCursor(row);
}

// ---- editing -------------------------------------------------------------------------------

void TdxMemData::Edit() {
    if (state_ == DataSetState::Edit || state_ == DataSetState::Insert)
        return;
    if (!Active())
        raise("Cannot perform this operation on a closed dataset");
    if (ReadOnly)
        raise("Cannot modify a read-only dataset");
    guardChange();
    if (rows_.empty()) {
        Insert();
        return;
    }
    fire(BeforeEdit);
    decodeInto(rows_[static_cast<size_t>(cursor_)], buffer_);
    bufferChanged_ = false;
    state_ = DataSetState::Edit;
    fire(AfterEdit);
    notifyState();
}

void TdxMemData::beginInsert(int insertAt, bool append) {
    (void)append;
    if (!Active())
        raise("Cannot perform this operation on a closed dataset");
    if (ReadOnly)
        raise("Cannot modify a read-only dataset");
    guardChange();
    fire(BeforeInsert, true);
    for (auto& v : buffer_)
        v = FieldValue{};
    bufferChanged_ = false;
    cursorBeforeInsert_ = cursor_;
    insertIndex_ = insertAt;
    state_ = DataSetState::Insert;
    fire(OnNewRecord, true);
    fire(AfterInsert, true);
    notifyState();
}

void TdxMemData::Insert() {
    checkBrowseMode();
    beginInsert(cursor_ < 0 ? RowCount() : cursor_, false);
}

void TdxMemData::InsertBelow() {
    checkBrowseMode();
    beginInsert(cursor_ < 0 ? RowCount() : cursor_ + 1, false);
}

void TdxMemData::Append() {
    checkBrowseMode();
    beginInsert(RowCount(), true);
}

void TdxMemData::Post() {
    if (state_ != DataSetState::Edit && state_ != DataSetState::Insert)
        return;
    fire(BeforePost, true);
    if (state_ == DataSetState::Edit) {
        Row& row = rows_[static_cast<size_t>(cursor_)];
        bool move = false;
        if (sortIndex_ > 0 && !loading_) {
            const FieldValue& now = buffer_[static_cast<size_t>(sortIndex_)];
            move = !isNull(now) && now != decode(row, sortIndex_);
        }
        row.blob = encode(buffer_);
        state_ = DataSetState::Browse;
        bufferChanged_ = false;
        if (move) {
            cursor_ = moveToSortedPlace(cursor_);
            notifyRefresh();
        } else {
            notifyRowChanged(cursor_);
        }
    } else {
        Row row{encode(buffer_), nextRecId_++, nextBookmark_++};
        const int at = std::clamp(insertIndex_, 0, RowCount());
        rows_.insert(rows_.begin() + at, std::move(row));
        cursor_ = at;
        if (sortIndex_ >= 0 && !loading_)
            cursor_ = moveToSortedPlace(at);
        state_ = DataSetState::Browse;
        bufferChanged_ = false;
        insertIndex_ = -1;
        atEnd_ = false;
        notifyRefresh();
    }
    notifyState();
    fire(AfterPost, true);
}

void TdxMemData::Cancel() {
    if (state_ != DataSetState::Edit && state_ != DataSetState::Insert)
        return;
    fire(BeforeCancel);
    if (state_ == DataSetState::Insert) {
        cursor_ = cursorBeforeInsert_;
        insertIndex_ = -1;
    }
    state_ = DataSetState::Browse;
    bufferChanged_ = false;
    notifyState();
    notifyRefresh();
    fire(AfterCancel, true);
}

void TdxMemData::Delete() {
    if (state_ == DataSetState::Insert) {
        Cancel();
        return;
    }
    if (rows_.empty() || cursor_ < 0)
        raise("Cannot perform this operation on an empty dataset");
    if (ReadOnly)
        raise("Cannot modify a read-only dataset");
    guardChange();
    fire(BeforeDelete);
    if (state_ == DataSetState::Edit) {
        state_ = DataSetState::Browse;
        bufferChanged_ = false;
        notifyState();
    }
    fire(BeforeScroll);
    rows_.erase(rows_.begin() + cursor_);
    if (rows_.empty())
        cursor_ = -1;
    else if (cursor_ >= RowCount())
        cursor_ = RowCount() - 1;
    notifyRefresh();
    fire(AfterDelete);
    fire(AfterScroll);
}

void TdxMemData::DeleteRows(const std::vector<int>& rows) {
    if (state_ == DataSetState::Insert)
        Cancel();
    std::vector<char> doomed(rows_.size(), 0);
    std::vector<int> order; // the rows to go, in the order named
    order.reserve(rows.size());
    for (int r : rows)
        if (r >= 0 && r < RowCount() && !doomed[static_cast<size_t>(r)]) {
            doomed[static_cast<size_t>(r)] = 1;
            order.push_back(r);
        }
    if (order.empty())
        return;
    if (ReadOnly)
        raise("Cannot modify a read-only dataset");
    guardChange();
    if (state_ == DataSetState::Edit) {
        state_ = DataSetState::Browse;
        bufferChanged_ = false;
        notifyState();
    }
    // Each row's BeforeDelete sees the row as current; views hear of it once, at the end.
    std::exception_ptr stopped;
    size_t approved = 0;
    if (BeforeDelete) {
        SuspendViews();
        for (; approved < order.size(); ++approved) {
            cursor_ = order[approved];
            try {
                fire(BeforeDelete);
            } catch (...) {
                stopped = std::current_exception();
                break;
            }
        }
        ResumeViews();
        for (size_t i = approved; i < order.size(); ++i)
            doomed[static_cast<size_t>(order[i])] = 0;
    } else {
        approved = order.size();
    }
    if (approved > 0) {
        fire(BeforeScroll);
        // The cursor goes to the first row kept after the last one named, as row-by-row
        // deletion leaves it; past the end it falls back to the last row.
        const int last = order[approved - 1];
        size_t kept = 0;
        int landing = -1;
        for (size_t i = 0; i < rows_.size(); ++i) {
            if (doomed[i])
                continue;
            if (landing < 0 && static_cast<int>(i) > last)
                landing = static_cast<int>(kept);
            if (kept != i)
                rows_[kept] = std::move(rows_[i]);
            ++kept;
        }
        rows_.resize(kept);
        cursor_ = rows_.empty() ? -1 : landing >= 0 ? landing : RowCount() - 1;
        notifyRefresh();
        notifyCursor();
        fire(AfterDelete);
        fire(AfterScroll);
    }
    if (stopped)
        std::rethrow_exception(stopped);
}

void TdxMemData::DeleteBookmarked(const std::vector<int>& bookmarks) {
    // One walk over the rows finds every bookmark: a row-by-row look-up would be quadratic.
    std::unordered_map<int, int> rowOf;
    rowOf.reserve(bookmarks.size());
    for (int b : bookmarks)
        rowOf.emplace(b, -1);
    for (size_t i = 0; i < rows_.size(); ++i)
        if (auto it = rowOf.find(rows_[i].bookmark); it != rowOf.end())
            it->second = static_cast<int>(i);
    std::vector<int> rows;
    rows.reserve(bookmarks.size());
    for (int b : bookmarks)
        if (const int r = rowOf[b]; r >= 0)
            rows.push_back(r);
    DeleteRows(rows);
}

void TdxMemData::AddRow(const std::vector<FieldValue>& values) {
    checkBrowseMode();
    const int before = cursor_;
    beginInsert(RowCount(), true);
    try {
        for (size_t f = 1; f < values.size() && f < fields_.size(); ++f)
            fields_[f]->SetValue(values[f]);
        fire(BeforePost, true);
    } catch (...) {
        state_ = DataSetState::Browse;
        bufferChanged_ = false;
        cursor_ = before;
        insertIndex_ = -1;
        notifyState();
        throw;
    }
    rows_.push_back(Row{encode(buffer_), nextRecId_++, nextBookmark_++});
    state_ = DataSetState::Browse;
    bufferChanged_ = false;
    insertIndex_ = -1;
    cursor_ = before < 0 ? 0 : before;
    atEnd_ = false;
    notifyState();
    notifyRefresh();
    fire(AfterPost, true);
}

void TdxMemData::AppendRowsFrom(const TdxMemData& source,
                                const std::vector<std::pair<int, int>>& copied,
                                const std::vector<std::pair<int, FieldValue>>& fixed) {
    checkBrowseMode();
    if (!Active())
        raise("Cannot perform this operation on a closed dataset");
    if (ReadOnly)
        raise("Cannot modify a read-only dataset");
    guardChange();
    for (const auto& [from, to] : copied)
        if (from <= 0 || to <= 0 || source.Field(from).Kind() != Field(to).Kind())
            raise("Cannot copy field '" + source.Field(from).FieldName() + "' into '" +
                  Field(to).FieldName() + "'");
    // The fixed values as the fields store them, and the rows' common part: a blob with those
    // values and every copied field null.
    std::vector<FieldValue> values(fields_.size());
    for (const auto& [f, v] : fixed)
        values[static_cast<size_t>(f)] = Field(f).Converted(v);
    const std::string common = encode(values);

    rows_.reserve(rows_.size() + source.rows_.size());
    std::string blob;
    for (const Row& in : source.rows_) {
        const uint32_t had = load<uint32_t>(in.blob, 0);
        // One allocation per row: the common part and room for the copied text.
        size_t room = common.size();
        for (const auto& [from, to] : copied)
            if ((had & (1u << (from - 1))) && Field(to).Kind() == FieldKind::String)
                room += source.textIn(in, static_cast<size_t>(from)).size();
        blob.clear();
        blob.reserve(room);
        blob = common;
        uint32_t present = load<uint32_t>(blob, 0);
        for (const auto& [from, to] : copied) {
            const auto fs = static_cast<size_t>(from), ft = static_cast<size_t>(to);
            if (!(had & (1u << (fs - 1))))
                continue;
            present |= 1u << (ft - 1);
            const size_t inSlot = source.slotBase_ + 8 * (fs - 1);
            const size_t outSlot = slotBase_ + 8 * (ft - 1);
            if (fields_[ft]->Kind() == FieldKind::String) {
                // Cut to the field's size, as an assignment would.
                const std::string_view text =
                    source.textIn(in, fs).substr(0, static_cast<size_t>(fields_[ft]->Size()));
                store<uint32_t>(blob, outSlot, static_cast<uint32_t>(blob.size()));
                store<uint32_t>(blob, outSlot + 4, static_cast<uint32_t>(text.size()));
                blob.append(text);
            } else {
                std::memcpy(blob.data() + outSlot, in.blob.data() + inSlot, 8);
            }
        }
        store<uint32_t>(blob, 0, present);
        rows_.push_back(Row{std::move(blob), nextRecId_++, nextBookmark_++});
    }
    if (cursor_ < 0 && !rows_.empty())
        cursor_ = 0;
    atEnd_ = false;
    notifyRefresh();
    if (!source.rows_.empty())
        fire(AfterPost, true);
}

void TdxMemData::TakeRows(TdxMemData& source) {
    if (&source == this)
        return;
    checkBrowseMode();
    source.checkBrowseMode();
    if (!Active() || !source.Active())
        raise("Cannot perform this operation on a closed dataset");
    if (ReadOnly || source.ReadOnly)
        raise("Cannot modify a read-only dataset");
    bool same = FieldCount() == source.FieldCount() && slotBase_ == source.slotBase_;
    for (int f = 0; same && f < FieldCount(); ++f)
        same = Field(f).Kind() == source.Field(f).Kind() &&
               Field(f).Size() == source.Field(f).Size() &&
               Field(f).FieldName() == source.Field(f).FieldName();
    if (!same)
        raise("Cannot take the rows of '" + source.Name() + "': its fields differ");
    guardChange();
    source.guardChange();
    rows_ = std::move(source.rows_);
    source.rows_.clear();
    nextRecId_ = std::max(nextRecId_, source.nextRecId_);
    nextBookmark_ = std::max(nextBookmark_, source.nextBookmark_);
    source.Close();
    source.Open();
    cursor_ = rows_.empty() ? -1 : 0;
    atEnd_ = rows_.empty();
    notifyRefresh();
    if (!rows_.empty())
        fire(AfterPost, true);
}

void TdxMemData::FillColumns(const std::vector<std::pair<int, FieldValue>>& values) {
    checkBrowseMode();
    if (rows_.empty()) {
        atEnd_ = true;
        return;
    }
    if (ReadOnly)
        raise("Cannot modify a read-only dataset");
    guardChange();
    std::vector<std::pair<size_t, FieldValue>> stored;
    for (const auto& [f, v] : values) {
        if (f <= 0 || Field(f).Kind() == FieldKind::String)
            raise("Cannot fill field '" + Field(std::max(f, 0)).FieldName() + "'");
        stored.emplace_back(static_cast<size_t>(f), Field(f).Converted(v));
    }
    for (Row& row : rows_) {
        uint32_t present = load<uint32_t>(row.blob, 0);
        for (const auto& [f, v] : stored) {
            const uint32_t bit = 1u << (f - 1);
            present = isNull(v) ? present & ~bit : present | bit;
            store<uint64_t>(row.blob, slotBase_ + 8 * (f - 1), slotBits(v)); // 0 for null
        }
        store<uint32_t>(row.blob, 0, present);
    }
    moveCursor(RowCount() - 1);
    atEnd_ = true;
    notifyRefresh();
    fire(AfterPost, true);
}

int TdxMemData::FindRowNumber(const FieldValue& value, std::string_view fieldName) {
    const int f = FieldIndex(fieldName);
    if (f < 0)
        return -1;
    checkBrowseMode();
    // The value passes through the field exactly as an assignment would, inside a brief insert.
    beginInsert(RowCount(), true);
    FieldValue wanted;
    try {
        fields_[static_cast<size_t>(f)]->SetValue(value);
        wanted = buffer_[static_cast<size_t>(f)];
    } catch (...) {
        Cancel();
        throw;
    }
    Cancel();
    const bool caseInsensitive = sortOptions_ & soCaseInsensitive;
    const FieldKind kind = fields_[static_cast<size_t>(f)]->Kind();
    for (size_t i = 0; i < rows_.size(); ++i) {
        const FieldValue have = decode(rows_[i], f);
        bool equal;
        if (kind == FieldKind::String) {
            const auto* a = std::get_if<std::string>(&have);
            const auto* b = std::get_if<std::string>(&wanted);
            equal = compareText(a ? *a : std::string_view(), b ? *b : std::string_view(),
                                caseInsensitive) == 0;
        } else if (isNull(have) || isNull(wanted)) {
            // A null value compares as zero.
            equal = numericOrZero(have) == numericOrZero(wanted);
        } else {
            equal = have == wanted;
        }
        if (equal)
            return static_cast<int>(i) + 1;
    }
    return -1;
}
