// The delimited text form of a record table: a header line of field names, one line per row,
// every value followed by the separator, CR LF line ends. The pending reminders' file is also
// the body of the gateway e-mail, so these bytes are an external interface.

#include "core/tables/mem_data.h"

#include "core/tables/atomic_file.h"
#include "core/tables/errors.h"
#include "core/tables/message_text.h"

#include <algorithm>
#include <cstring>

namespace {

// Cuts a line into values: the text before each separator is a value, a trailing separator
// adds no empty value, and after each separator only the next 1000 characters are looked at.
// Returns false when that limit left part of the line unread.
template <typename F> bool splitLine(std::string_view line, char delimiter, F&& onPiece) {
    const char* cur = line.data();
    const char* end = line.data() + line.size();
    const char* const lineEnd = end;
    while (cur != end) {
        const void* hit = std::memchr(cur, delimiter, static_cast<size_t>(end - cur));
        if (!hit) {
            onPiece(std::string_view(cur, static_cast<size_t>(end - cur)));
            break;
        }
        const char* q = static_cast<const char*>(hit);
        onPiece(std::string_view(cur, static_cast<size_t>(q - cur)));
        cur = q + 1;
        if (end - cur > 1000)
            end = cur + 1000;
    }
    return end == lineEnd;
}

// Calls onLine for each line: a line ends at CR, LF or CR LF; the last line needs no end.
template <typename F> void splitLines(std::string_view text, F&& onLine) {
    const char* p = text.data();
    const char* end = text.data() + text.size();
    const char* lf = p; // the next LF at or after p, or end; found again once p passes it
    while (p != end) {
        if (lf < p || (lf == p && *lf != '\n')) {
            const void* hit = std::memchr(p, '\n', static_cast<size_t>(end - p));
            lf = hit ? static_cast<const char*>(hit) : end;
        }
        const void* cr = std::memchr(p, '\r', static_cast<size_t>(lf - p));
        const char* q = cr ? static_cast<const char*>(cr) : lf;
        onLine(std::string_view(p, static_cast<size_t>(q - p)));
        if (q == end)
            break;
        if (*q == '\r' && q + 1 != end && q[1] == '\n')
            ++q;
        p = q + 1;
    }
}

// Walks the rows of a file's text: for each line begin(), then onValue(field, value,
// lineNumber) for each non-empty value under a column that names a field, then end(). More
// values than the header has columns is an error; a line longer than the reader takes is
// noted in lost.
template <typename Begin, typename OnValue, typename End>
void walkRows(std::string_view text, char delimiter, const std::vector<int>& columns,
              std::string& lost, Begin&& begin, OnValue&& onValue, End&& end) {
    int lineNumber = 1;
    splitLines(text, [&](std::string_view line) {
        ++lineNumber;
        begin();
        size_t k = 0;
        const bool whole = splitLine(line, delimiter, [&](std::string_view value) {
            if (k >= columns.size())
                throw EListError("List index out of bounds (" + std::to_string(k) + ")");
            const int f = columns[k++];
            if (f >= 0 && !value.empty())
                onValue(f, value, lineNumber);
        });
        if (!whole && lost.empty())
            lost = "Line " + std::to_string(lineNumber) +
                   " is longer than the reader takes; its end was not read";
        end();
    });
}

// Notes in lost a text value cut to its field's size, when it is the first loss.
void noteCut(std::string& lost, int lineNumber, std::string_view value, const FieldDef& def) {
    const auto size = static_cast<size_t>(def.size);
    if (value.size() > size && lost.empty())
        lost = "Line " + std::to_string(lineNumber) + ": a value of " +
               std::to_string(value.size()) + " characters does not fit field '" + def.name +
               "' (" + std::to_string(size) + "); its end was not read";
}

} // namespace

std::string TdxMemData::DelimitedText() {
    std::string out;
    if (!Active())
        return out;
    // Room for the text, close to its size: the rows' stored bytes hold every text value, and
    // their fixed slots about as many bytes as the numbers' text.
    size_t estimate = 256, longest = 0;
    for (const Row& row : rows_) {
        estimate += row.blob.size() + 2;
        longest = std::max(longest, row.blob.size());
    }
    // And the room the last row is written into.
    estimate += longest + static_cast<size_t>(FieldCount()) * 40;
    out.reserve(estimate);
    formatText(out, nullptr);
    return out;
}

void TdxMemData::WriteDelimitedFile(const std::string& path) {
    if (!Active())
        return;
    if (FileGuard && !FileGuard->beforeTableFileWrite(*this, path))
        return;
    // Formatted and written a piece at a time: a table of a million rows needs no file-sized
    // text in memory. The piece's buffer stays for the next write, so its pages are not
    // mapped and faulted in anew each time.
    constexpr size_t kPiece = 1 << 20;
    AtomicFileWriter file(path);
    thread_local std::string buffer;
    std::string piece = std::move(buffer);
    piece.clear();
    piece.reserve(kPiece + 64 * 1024);
    struct GiveBack {
        std::string& from;
        ~GiveBack() { buffer = std::move(from); }
    } giveBack{piece};
    formatText(piece, [&](std::string& text) {
        if (text.size() < kPiece)
            return;
        file.write(text);
        text.clear();
    });
    file.write(piece);
    file.commit();
    if (FileGuard)
        FileGuard->tableFileWritten(*this, path);
}

void TdxMemData::formatText(std::string& out, const std::function<void(std::string&)>& spill) {
    SuspendViews();
    const int bookmark = TakeBookmark();
    std::vector<int> written;
    for (int f = 0; f < FieldCount(); ++f) {
        if (Field(f).Def().calculated)
            continue;
        written.push_back(f);
        out += Field(f).FieldName();
        out.push_back(FieldDelimiter);
    }
    out += "\r\n";
    try {
        First();
    } catch (...) {
        ResumeViews();
        throw;
    }
    const FormatSettings& fs = processFormats();
    // Each number column keeps the texts of the values it last met, in a small table indexed
    // by the value: stamps, flags, days, dates and times repeat down a table, so most values
    // are copied rather than formatted again. A slot's 8 bytes are the value's whole stored
    // form (the unused bytes are zero), so equal slots give equal text.
    struct Text {
        uint64_t slot = 0;
        uint8_t length = 0;
        bool known = false;
        char bytes[38];
    };
    constexpr size_t kTexts = 64;
    struct Column {
        int field;
        FieldKind kind;
        size_t slot;
        uint32_t bit;
        std::vector<Text> texts;
    };
    std::vector<Column> columns;
    for (int f : written)
        columns.push_back({f, Field(f).Kind(), slotBase_ + 8 * static_cast<size_t>(f - 1),
                           1u << (f - 1),
                           std::vector<Text>(Field(f).Kind() == FieldKind::String ? 0 : kTexts)});
    std::string scratch;
    // A row is written into room made for it at once: its stored bytes hold all its text,
    // and each number takes at most its cached length or the scratch's.
    const size_t numberRoom = columns.size() * (sizeof(Text::bytes) + 1) + 2;
    for (const Row& row : rows_) {
        const char* blob = row.blob.data();
        uint32_t present;
        std::memcpy(&present, blob, 4);
        size_t at = out.size();
        out.resize(at + row.blob.size() + numberRoom);
        char* p = out.data() + at;
        for (Column& c : columns) {
            if (present & c.bit) {
                if (c.kind == FieldKind::String) {
                    const std::string_view text = textIn(row, static_cast<size_t>(c.field));
                    std::memcpy(p, text.data(), text.size());
                    p += text.size();
                } else {
                    uint64_t bits;
                    std::memcpy(&bits, blob + c.slot, 8);
                    Text& t = c.texts[(bits * 0x9E3779B97F4A7C15ULL) >> 58];
                    if (!t.known || t.slot != bits) {
                        scratch.clear();
                        fieldtext::append(scratch, c.kind, decode(row, c.field), fs);
                        if (scratch.size() > sizeof t.bytes) {
                            // Longer than any usual form: written as it stands.
                            at = static_cast<size_t>(p - out.data());
                            out.resize(out.size() + scratch.size());
                            p = out.data() + at;
                            std::memcpy(p, scratch.data(), scratch.size());
                            p += scratch.size();
                            *p++ = FieldDelimiter;
                            continue;
                        }
                        t.slot = bits;
                        t.known = true;
                        t.length = static_cast<uint8_t>(scratch.size());
                        std::memcpy(t.bytes, scratch.data(), scratch.size());
                    }
                    std::memcpy(p, t.bytes, t.length);
                    p += t.length;
                }
            }
            *p++ = FieldDelimiter;
        }
        *p++ = '\r';
        *p++ = '\n';
        out.resize(static_cast<size_t>(p - out.data()));
        if (spill)
            spill(out);
    }
    if (bookmark != 0 && rowOfBookmark(bookmark) >= 0)
        cursor_ = rowOfBookmark(bookmark);
    ResumeViews();
}

void TdxMemData::ReadDelimitedFile(const std::string& path) {
    // Read into memory that is not cleared first: the bytes are only parsed, then let go.
    const FileBytes bytes = readFileBytes(path);
    if (FileGuard)
        FileGuard->tableFileRead(*this, path, bytes.view());
    ReadDelimitedText(bytes.view());
}

// A read that would leave out some of the user's bytes is an error, so that the caller keeps
// the file aside before anything can rewrite it: a NUL byte (which ends the text), a header
// that names none of the table's fields, a line longer than the reader looks at, a value longer
// than its field. The rows are still read as far as the text allows; the error comes at the end.
void TdxMemData::ReadDelimitedText(std::string_view text) {
    std::string lost;
    if (const void* nul = std::memchr(text.data(), '\0', text.size())) {
        const size_t at = static_cast<size_t>(static_cast<const char*>(nul) - text.data());
        lost = "The file holds a NUL byte at position " + std::to_string(at + 1) +
               "; nothing after it was read";
        text = text.substr(0, at);
    }
    if (text.empty()) {
        if (!lost.empty())
            raise(lost);
        return;
    }

    std::vector<int> columns;
    const std::string_view rows = readHeader(text, columns, lost);

    loading_ = true;
    SuspendViews();
    try {
        Close();
        Open();
        parseRows(rows, columns, lost);
    } catch (...) {
        if (state_ == DataSetState::Insert)
            Cancel();
        loading_ = false;
        ResumeViews();
        throw;
    }
    loading_ = false;
    First();
    fullSort();
    ResumeViews();
    if (!lost.empty())
        raise(lost);
}

std::string_view TdxMemData::readHeader(std::string_view text, std::vector<int>& columns,
                                        std::string& lost) const {
    size_t end = 0;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n')
        ++end;
    const std::string_view header = text.substr(0, end);
    bool any = false;
    const bool whole = splitLine(header, FieldDelimiter, [&](std::string_view name) {
        const int f = FieldIndex(name);
        const bool used = f >= 0 && !fields_[static_cast<size_t>(f)]->Def().calculated;
        any = any || used;
        columns.push_back(used ? f : -1);
    });
    // Rows under a header that names no field would read as empty rows: nothing is changed.
    if (!header.empty() && !any)
        raise("The first line names none of the table's fields: " + quoteForMessage(header));
    if (!whole && lost.empty())
        lost = "The first line is longer than the reader takes; its end was not read";
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
        ++end;
    return end < text.size() ? text.substr(end + 1) : std::string_view();
}

void TdxMemData::parseRows(std::string_view text, const std::vector<int>& columns,
                           std::string& lost) {
    bool handlers = false;
    for (const auto& field : fields_)
        handlers = handlers || field->OnChange;
    if (!handlers) {
        parseRowsDirect(text, columns, lost);
        return;
    }
    walkRows(
        text, FieldDelimiter, columns, lost, [this] { Append(); },
        [&](int f, std::string_view value, int lineNumber) {
            TField& field = Field(f);
            if (field.Kind() == FieldKind::String) {
                noteCut(lost, lineNumber, value, field.Def());
                if (!field.OnChange && views_.empty()) {
                    // The common case, without a temporary: same result as SetAsString.
                    buffer_[static_cast<size_t>(f)] =
                        std::string(value.substr(0, static_cast<size_t>(field.Size())));
                    bufferChanged_ = true;
                    return;
                }
            }
            field.SetAsString(value);
        },
        [this] { Post(); });
}

// The rows of a file straight into stored rows, with the same values, errors and losses as an
// Append, assignments and Post per line: while loading, with no field's OnChange to run, that
// cycle only builds the row.
void TdxMemData::parseRowsDirect(std::string_view text, const std::vector<int>& columns,
                                 std::string& lost) {
    const size_t count = fields_.size();
    std::vector<std::string_view> strings(count);
    std::vector<uint64_t> slots(count);
    // A column's last text and its stored form: stamps, flags and dates repeat down a file.
    std::vector<std::string_view> lastText(count);
    std::vector<uint64_t> lastSlot(count);
    std::vector<char> parsed(count, 0);
    uint32_t present = 0;
    auto onValue = [&](int f, std::string_view value, int lineNumber) {
        const auto at = static_cast<size_t>(f);
        const FieldDef& def = fields_[at]->Def();
        if (def.kind == FieldKind::String) {
            noteCut(lost, lineNumber, value, def);
            strings[at] = value.substr(0, static_cast<size_t>(def.size));
        } else if (parsed[at] && value == lastText[at]) {
            slots[at] = lastSlot[at];
        } else {
            slots[at] = lastSlot[at] = slotBits(fieldtext::parse(def, value));
            lastText[at] = value;
            parsed[at] = 1;
        }
        present |= 1u << (at - 1);
    };
    auto store = [&] {
        rows_.push_back(Row{makeBlob(present, strings, slots), nextRecId_++, nextBookmark_++});
        cursor_ = RowCount() - 1;
        atEnd_ = false;
    };
    walkRows(text, FieldDelimiter, columns, lost, [&] { present = 0; }, onValue, store);
}
