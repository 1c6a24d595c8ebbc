// The delimited text form of a record table: a header line of field names, one line per row,
// every value followed by the separator, CR LF line ends. The pending reminders' file is also
// the body of the gateway e-mail, so these bytes are an external interface.

#include "data/mem_data.h"

#include "data/atomic_file.h"
#include "data/errors.h"

#include <algorithm>
#include <cstring>

namespace {

// Cuts a line into values: the text before each separator is a value, a trailing separator
// adds no empty value, and after each separator only the next 1000 characters are looked at.
template <typename F> void splitLine(std::string_view line, char delimiter, F&& onPiece) {
    const char* cur = line.data();
    const char* end = line.data() + line.size();
    while (cur != end) {
        const void* hit = std::memchr(cur, delimiter, static_cast<size_t>(end - cur));
        if (!hit) {
            onPiece(std::string_view(cur, static_cast<size_t>(end - cur)));
            return;
        }
        const char* q = static_cast<const char*>(hit);
        onPiece(std::string_view(cur, static_cast<size_t>(q - cur)));
        cur = q + 1;
        if (end - cur > 1000)
            end = cur + 1000;
    }
}

// Calls onLine for each line: a line ends at CR, LF or CR LF; the last line needs no end.
template <typename F> void splitLines(std::string_view text, F&& onLine) {
    const char* p = text.data();
    const char* end = text.data() + text.size();
    while (p != end) {
        const char* q = p;
        while (q != end && *q != '\r' && *q != '\n')
            ++q;
        onLine(std::string_view(p, static_cast<size_t>(q - p)));
        if (q == end)
            break;
        if (*q == '\r' && q + 1 != end && q[1] == '\n')
            ++q;
        p = q + 1;
    }
}

} // namespace

std::string TdxMemData::DelimitedText() {
    std::string out;
    if (!Active())
        return out;
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
    out.reserve(out.size() + rows_.size() * (rows_.empty() ? 0 : rows_.front().blob.size() + 16));
    const FormatSettings& fs = processFormats();
    for (const Row& row : rows_) {
        const uint32_t present = *reinterpret_cast<const uint32_t*>(row.blob.data());
        for (int f : written) {
            const size_t slot = slotBase_ + 8 * static_cast<size_t>(f - 1);
            if (present & (1u << (f - 1))) {
                if (Field(f).Kind() == FieldKind::String) {
                    uint32_t at, len;
                    std::memcpy(&at, row.blob.data() + slot, 4);
                    std::memcpy(&len, row.blob.data() + slot + 4, 4);
                    out.append(row.blob.data() + at, len);
                } else {
                    fieldtext::append(out, Field(f).Kind(), decode(row, f), fs);
                }
            }
            out.push_back(FieldDelimiter);
        }
        out += "\r\n";
    }
    if (bookmark != 0 && rowOfBookmark(bookmark) >= 0)
        cursor_ = rowOfBookmark(bookmark);
    ResumeViews();
    return out;
}

void TdxMemData::WriteDelimitedFile(const std::string& path) {
    if (!Active())
        return;
    const std::string text = DelimitedText();
    writeFileAtomically(path, text);
}

void TdxMemData::ReadDelimitedFile(const std::string& path) {
    const std::string bytes = readWholeFile(path);
    ReadDelimitedText(bytes);
}

void TdxMemData::ReadDelimitedText(std::string_view text) {
    // A NUL byte ends the text.
    if (const void* nul = std::memchr(text.data(), '\0', text.size()))
        text = text.substr(0, static_cast<size_t>(static_cast<const char*>(nul) - text.data()));
    if (text.empty())
        return;

    loading_ = true;
    SuspendViews();
    try {
        Close();
        Open();
        parseInto(text);
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
}

void TdxMemData::parseInto(std::string_view text) {
    std::vector<int> columns;
    bool header = true;
    splitLines(text, [&](std::string_view line) {
        if (header) {
            header = false;
            splitLine(line, FieldDelimiter, [&](std::string_view name) {
                const int f = FieldIndex(name);
                columns.push_back(f >= 0 && !Field(f).Def().calculated ? f : -1);
            });
            return;
        }
        Append();
        size_t k = 0;
        splitLine(line, FieldDelimiter, [&](std::string_view value) {
            if (k >= columns.size())
                throw EListError("List index out of bounds (" + std::to_string(k) + ")");
            const int f = columns[k++];
            if (f < 0 || value.empty())
                return;
            TField& field = Field(f);
            if (field.Kind() == FieldKind::String && !field.OnChange && views_.empty()) {
                // The common case, without a temporary: same result as SetAsString.
                buffer_[static_cast<size_t>(f)] =
                    std::string(value.substr(0, static_cast<size_t>(field.Size())));
                bufferChanged_ = true;
            } else {
                field.SetAsString(value);
            }
        });
        Post();
    });
}
