// The delimited text form of a record table: a header line of field names, one line per row,
// every value followed by the separator, CR LF line ends. The pending reminders' file is also
// the body of the gateway e-mail, so these bytes are an external interface.

#include "core/base/huge_pages.h"
#include "core/tables/atomic_file.h"
#include "core/tables/errors.h"
#include "core/tables/mem_data.h"
#include "core/tables/message_text.h"
#include "core/tables/value_breaks.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

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
// noted in lost. lineNumber is the number of the line before the text's first, and goes on.
template <typename Begin, typename OnValue, typename End>
void walkRows(std::string_view text, char delimiter, const std::vector<int>& columns,
              std::string& lost, int& lineNumber, Begin&& begin, OnValue&& onValue, End&& end) {
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
                   " is longer than the reader takes; the end of that line was not read";
        end();
    });
}

// Where the end of the whole lines of a piece of text lies: after its last line end, a CR at
// the very end not counting unless the text ends there (its LF may begin the next piece).
// 0 when the piece holds no whole line.
size_t wholeLinesEnd(std::string_view piece, bool last) {
    if (last)
        return piece.size();
    for (size_t i = piece.size(); i > 0; --i) {
        const char c = piece[i - 1];
        if (c == '\n' || (c == '\r' && i != piece.size()))
            return i;
    }
    return 0;
}

// The length of the first line of the text with its end (CR, LF or CR LF); the text holds one.
size_t firstLineLength(std::string_view text) {
    size_t i = 0;
    while (text[i] != '\r' && text[i] != '\n')
        ++i;
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
        ++i;
    return i + 1;
}

// Notes in lost a text value cut to its field's size, when it is the first loss.
void noteCut(std::string& lost, int lineNumber, std::string_view value, const FieldDef& def) {
    const auto size = static_cast<size_t>(def.size);
    if (value.size() > size && lost.empty())
        lost = "Line " + std::to_string(lineNumber) + ": a value of " +
               std::to_string(value.size()) + " characters does not fit field '" + def.name +
               "' (" + std::to_string(size) + "); only that value was cut";
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
    reserveLarge(out, estimate);
    formatText(out, nullptr);
    return out;
}

void TdxMemData::WriteDelimitedFile(const std::string& path, SharedText* written) {
    if (!Active())
        return;
    if (FileGuard && !FileGuard->beforeTableFileWrite(*this, path))
        return;
    if (FileGuard || written) {
        // The bytes are wanted whole (the guard keeps what the file holds, so that it never
        // reads the file back): formatted once, written, and handed on to both without a copy.
        SharedText text = DelimitedText();
        writeFileAtomically(path, text);
        if (written)
            *written = text;
        if (FileGuard)
            FileGuard->tableFileWritten(*this, path, std::move(text));
        return;
    }
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
    struct ResumeOnThrow {
        TdxMemData& table;
        bool done = false;
        ~ResumeOnThrow() {
            if (!done)
                table.ResumeViews();
        }
    } resume{*this};
    for (const Row& row : rows_) {
        const char* blob = row.blob.data();
        uint32_t present;
        std::memcpy(&present, blob, 4);
        const size_t rowStart = out.size();
        size_t at = rowStart;
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
        refuseBreaksInRow(std::string_view(out).substr(rowStart), row, written);
        if (spill)
            spill(out);
    }
    if (bookmark != 0 && rowOfBookmark(bookmark) >= 0)
        cursor_ = rowOfBookmark(bookmark);
    resume.done = true;
    ResumeViews();
}

void TdxMemData::refuseBreaksInRow(std::string_view text, const Row& row,
                                   const std::vector<int>& written) {
    // One look over the row's bytes: as many separators as values, and the line end last.
    // Without branches, so that the compiler checks many bytes at a time.
    const char tab = FieldDelimiter != '\t' ? '\t' : '\n';
    const std::string_view values = text.substr(0, text.size() - 2);
    size_t separators = 0;
    unsigned breaks = 0;
    for (const char c : values) {
        separators += c == FieldDelimiter;
        breaks |= unsigned(c == tab) | unsigned(c == '\r') | unsigned(c == '\n');
    }
    if (breaks == 0 && separators == written.size())
        return;
    // A value would come back split: nothing is written, the old file stays as it was.
    for (int f : written) {
        if (Field(f).Kind() != FieldKind::String || !holds(row, static_cast<size_t>(f)))
            continue;
        const std::string what = breakInValue(textIn(row, static_cast<size_t>(f)), FieldDelimiter);
        if (!what.empty())
            raise("The " + Field(f).DisplayName() + " of row " +
                  std::to_string(rowOfBookmark(row.bookmark) + 1) + " holds " + what +
                  ", which cannot stand inside a value of this table's file; nothing was written");
    }
}

void TdxMemData::ReadDelimitedFile(const std::string& path) {
    // The errors of the read name the file, which the user knows, instead of the table.
    auto named = [&](const char* message) {
        const std::string text = message;
        const std::string prefix = name_ + ": ";
        const std::string file = path.substr(path.find_last_of('/') + 1);
        return text.compare(0, prefix.size(), prefix) == 0
                   ? file + ": " + text.substr(prefix.size())
                   : text;
    };
    try {
        readDelimitedFile(path);
    } catch (const ETableTextCut& e) {
        throw ETableTextCut(named(e.what()));
    } catch (const EDatabaseError& e) {
        throw EDatabaseError(named(e.what()));
    }
}

void TdxMemData::readDelimitedFile(const std::string& path) {
    if (FileGuard) {
        // The guard keeps the bytes it was shown: the file is read whole, into memory that is
        // not cleared first.
        const FileBytes bytes = readFileBytes(path);
        FileGuard->tableFileRead(*this, path, bytes.view());
        ReadDelimitedText(bytes.view());
        return;
    }
    // A piece at a time into one buffer that is not cleared first: a file of a million rows is
    // never held whole beside the rows made of it, and its pages are touched once.
    FileReader file(path);
    const auto buffer = std::make_unique_for_overwrite<char[]>(kReadPiece);
    readText([&] { return file.read(buffer.get(), kReadPiece); }, file.size());
}

void TdxMemData::ReadDelimitedText(std::string_view text) {
    readText([text]() mutable { return std::exchange(text, std::string_view()); }, text.size());
}

// A read that would leave out some of the user's bytes is an error, so that the caller keeps
// the file aside before anything can rewrite it: a NUL byte (which ends the text), a TAB or a
// stray line break in a file not separated by TAB, a header
// that names none of the table's fields, a line longer than the reader looks at, a value longer
// than its field. The rows are still read as far as the text allows; the error comes at the end.
void TdxMemData::readText(const std::function<std::string_view()>& next, size_t sizeHint) {
    std::string lost;
    bool stopped = false; // the read ended before the end of the text
    // A TAB or a stray line break inside a value of a file not separated by TAB: the rows are
    // read, but the file is not read whole, so that it is kept aside before it is rewritten.
    StrayBreakFinder strayBreaks(FieldDelimiter);
    std::vector<int> columns;
    bool started = false; // the header is read and the old rows are gone
    int lineNumber = 1;
    size_t offset = 0;   // of the piece in the text
    size_t rowBytes = 0; // of the rows read so far, for the room of the rest
    // Whole lines: the first of all is the header, which is read before anything changes.
    auto take = [&](std::string_view lines) {
        if (lost.empty())
            lost = strayBreaks.look(lines);
        if (!started) {
            const std::string_view rows = readHeader(lines, columns, lost);
            loading_ = true;
            SuspendViews();
            started = true;
            Close();
            Open();
            lines = rows;
        }
        const size_t before = rows_.size();
        parseRows(lines, columns, lost, lineNumber);
        rowBytes += lines.size();
        if (before == 0 && !rows_.empty() && sizeHint > offset + lines.size()) {
            // Room for the rows still to come at the length of the first ones: the row table is
            // not copied as it grows.
            const double perRow = static_cast<double>(rowBytes) / static_cast<double>(rows_.size());
            rows_.reserve(
                rows_.size() +
                static_cast<size_t>(static_cast<double>(sizeHint - offset) / perRow * 1.05));
        }
    };
    std::string carry; // the start of a line that a piece's end cut
    try {
        for (bool last = false; !last;) {
            std::string_view piece = next();
            last = piece.empty();
            // An empty piece may have no bytes behind it at all: memchr is not asked about it.
            const void* nul = last ? nullptr : std::memchr(piece.data(), '\0', piece.size());
            if (nul) {
                const size_t at = static_cast<size_t>(static_cast<const char*>(nul) - piece.data());
                lost = "The file holds a NUL byte at position " + std::to_string(offset + at + 1) +
                       "; nothing after it was read";
                stopped = true;
                piece = piece.substr(0, at);
                last = true;
            }
            if (last && !started && carry.empty() && piece.empty()) {
                // An empty text changes nothing.
                if (!lost.empty())
                    raise(lost);
                return;
            }
            const size_t whole = wholeLinesEnd(piece, last);
            size_t from = 0;
            if (!carry.empty() && whole > 0) {
                from = last ? piece.size() : firstLineLength(piece);
                carry.append(piece.substr(0, from));
                take(carry);
                carry.clear();
            }
            if (whole > from)
                take(piece.substr(from, whole - from));
            carry.append(piece.substr(std::max(whole, from)));
            offset += piece.size();
        }
        if (!carry.empty())
            take(carry);
    } catch (...) {
        if (started) {
            if (state_ == DataSetState::Insert)
                Cancel();
            loading_ = false;
            ResumeViews();
        }
        throw;
    }
    loading_ = false;
    First();
    fullSort();
    ResumeViews();
    if (lost.empty())
        return;
    if (stopped)
        raise(lost);
    // Read to its end: only the part named was left out.
    throw ETableTextCut(Name() + ": " + lost);
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
        lost = "The first line is longer than the reader takes; the end of that line was not read";
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
        ++end;
    return end < text.size() ? text.substr(end + 1) : std::string_view();
}

void TdxMemData::parseRows(std::string_view text, const std::vector<int>& columns,
                           std::string& lost, int& lineNumber) {
    bool handlers = false;
    for (const auto& field : fields_)
        handlers = handlers || field->OnChange;
    if (!handlers) {
        parseRowsDirect(text, columns, lost, lineNumber);
        return;
    }
    walkRows(
        text, FieldDelimiter, columns, lost, lineNumber, [this] { Append(); },
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
                                 std::string& lost, int& lineNumber) {
    const size_t count = fields_.size();
    std::vector<std::string_view> strings(count);
    std::vector<uint64_t> slots(count);
    // A column's last text and its stored form: stamps, flags and dates repeat down a file. The
    // text is this piece's: the memory of the next may hold other bytes.
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
    walkRows(
        text, FieldDelimiter, columns, lost, lineNumber, [&] { present = 0; }, onValue, store);
}
