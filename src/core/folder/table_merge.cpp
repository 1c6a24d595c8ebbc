#include "core/folder/table_merge.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <optional>
#include <unordered_map>
#include <unordered_set>

namespace {

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = start;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n')
            ++end;
        lines.push_back(text.substr(start, end - start));
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() &&
            text[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    return lines;
}

// The values of a line as the table reader sees them: a value after every separator, a
// trailing separator ending the line without an empty value after it.
std::vector<std::string_view> splitValues(std::string_view line, char delimiter) {
    std::vector<std::string_view> values;
    while (!line.empty()) {
        const size_t at = line.find(delimiter);
        if (at == std::string_view::npos) {
            values.push_back(line);
            break;
        }
        values.push_back(line.substr(0, at));
        line.remove_prefix(at + 1);
    }
    return values;
}

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// A file's rows in our column order, each as the line our writer would give it.
struct Table {
    std::vector<std::string> rows;
};

Table readAs(std::string_view text, const std::vector<std::string>& columns, char delimiter) {
    Table table;
    const std::vector<std::string_view> lines = splitLines(text);
    if (lines.empty())
        return table;
    // Where each of the file's columns goes among ours (-1: a column we do not have).
    std::vector<int> place;
    for (std::string_view name : splitValues(lines[0], delimiter)) {
        const auto it = std::find(columns.begin(), columns.end(), lower(name));
        place.push_back(it == columns.end() ? -1 : static_cast<int>(it - columns.begin()));
    }
    std::vector<std::string_view> values(columns.size());
    for (size_t i = 1; i < lines.size(); ++i) {
        std::fill(values.begin(), values.end(), std::string_view{});
        const std::vector<std::string_view> read = splitValues(lines[i], delimiter);
        for (size_t k = 0; k < read.size() && k < place.size(); ++k)
            if (place[k] >= 0)
                values[static_cast<size_t>(place[k])] = read[k];
        std::string row;
        for (std::string_view v : values) {
            row += v;
            row += delimiter;
        }
        table.rows.push_back(std::move(row));
    }
    return table;
}

// What became of each base row on one side, and what that side added.
struct SideChanges {
    enum Fate { Kept, Deleted, Changed };
    std::vector<Fate> fate;             // per base row
    std::vector<std::string> changedTo; // per base row, for Changed
    std::vector<std::string> added;     // rows of the side that are no change of a base row
};

SideChanges compare(const std::vector<std::string>& base, const std::vector<std::string>& side,
                    const std::function<std::string(const std::string&)>& key) {
    SideChanges out;
    out.fate.assign(base.size(), SideChanges::Kept);
    out.changedTo.assign(base.size(), {});
    std::unordered_map<std::string_view, int> left;
    for (const std::string& row : side)
        ++left[row];
    for (size_t i = 0; i < base.size(); ++i) {
        auto it = left.find(base[i]);
        if (it != left.end() && it->second > 0)
            --it->second;
        else
            out.fate[i] = SideChanges::Deleted;
    }
    // The rows of the side that match no base row, in the side's order, by key.
    std::vector<std::string> fresh;
    for (const std::string& row : side) {
        auto it = left.find(row);
        if (it->second > 0) {
            --it->second;
            fresh.push_back(row);
        }
    }
    std::unordered_map<std::string, std::vector<size_t>> freshByKey;
    for (size_t j = 0; j < fresh.size(); ++j)
        freshByKey[key(fresh[j])].push_back(j);
    std::vector<bool> paired(fresh.size(), false);
    for (size_t i = 0; i < base.size(); ++i) {
        if (out.fate[i] != SideChanges::Deleted)
            continue;
        auto it = freshByKey.find(key(base[i]));
        if (it == freshByKey.end())
            continue;
        for (size_t j : it->second)
            if (!paired[j]) {
                paired[j] = true;
                out.fate[i] = SideChanges::Changed;
                out.changedTo[i] = fresh[j];
                break;
            }
    }
    for (size_t j = 0; j < fresh.size(); ++j)
        if (!paired[j])
            out.added.push_back(fresh[j]);
    return out;
}

// Removes one copy of row from the multiset; false when there was none.
bool take(std::unordered_map<std::string, int>& counts, const std::string& row) {
    auto it = counts.find(row);
    if (it == counts.end() || it->second == 0)
        return false;
    --it->second;
    return true;
}

} // namespace

TableMerge mergeTableFiles(std::string_view base, std::string_view ours, std::string_view theirs,
                           char delimiter, MergeRule rule,
                           const std::vector<std::string>& keyFields) {
    TableMerge result;
    const std::vector<std::string_view> ourLines = splitLines(ours);
    std::vector<std::string> columns;
    if (!ourLines.empty())
        for (std::string_view name : splitValues(ourLines[0], delimiter))
            columns.push_back(lower(name));

    const Table b = readAs(base, columns, delimiter);
    const Table o = readAs(ours, columns, delimiter);
    const Table t = readAs(theirs, columns, delimiter);

    if (rule == MergeRule::Ours) {
        result.text = std::string(ours);
        // Theirs replaced means a change of theirs is lost: a file that is the base again, or
        // ours already, loses nothing.
        result.theirsReplaced = t.rows != b.rows && t.rows != o.rows;
        return result;
    }

    std::vector<size_t> keyColumns;
    for (const std::string& field : keyFields) {
        const auto it = std::find(columns.begin(), columns.end(), lower(field));
        if (it != columns.end())
            keyColumns.push_back(static_cast<size_t>(it - columns.begin()));
    }
    const auto key = [&](const std::string& row) -> std::string {
        if (keyColumns.empty())
            return row;
        const std::vector<std::string_view> values = splitValues(row, delimiter);
        std::string k;
        for (size_t c : keyColumns) {
            if (c < values.size())
                k += values[c];
            k += '\x1f';
        }
        return k;
    };

    std::vector<std::string> rows;
    if (rule == MergeRule::Union && !keyColumns.empty()) {
        // By key: a row is one of theirs once, whatever its other values; a row that only they
        // changed (a reply marked read at the other desk) takes their change.
        rows = o.rows;
        std::unordered_map<std::string, std::string> baseByKey;
        for (const std::string& row : b.rows)
            baseByKey.emplace(key(row), row);
        std::unordered_map<std::string, size_t> ourPlace;
        for (size_t i = 0; i < rows.size(); ++i)
            ourPlace.emplace(key(rows[i]), i);
        std::unordered_set<std::string> seen; // their keys already merged
        for (const std::string& row : t.rows) {
            const std::string k = key(row);
            if (!seen.insert(k).second)
                continue;
            const auto inBase = baseByKey.find(k);
            const auto ourRow = ourPlace.find(k);
            if (ourRow != ourPlace.end()) {
                std::string& mine = rows[ourRow->second];
                if (inBase != baseByKey.end() && mine == inBase->second && row != mine)
                    mine = row;
            } else if (inBase == baseByKey.end()) {
                rows.push_back(row);
            }
        }
    } else if (rule == MergeRule::Union) {
        rows = o.rows;
        std::unordered_map<std::string, int> had;
        for (const std::string& row : b.rows)
            ++had[row];
        for (const std::string& row : o.rows)
            ++had[row];
        for (const std::string& row : t.rows)
            if (!take(had, row))
                rows.push_back(row);
    } else {
        const SideChanges mine = compare(b.rows, o.rows, key);
        const SideChanges other = compare(b.rows, t.rows, key);
        // Rows of ours that are new (changes and additions), so that the same new row on both
        // sides is kept once.
        std::unordered_map<std::string, int> ourNew;
        for (size_t i = 0; i < b.rows.size(); ++i) {
            using F = SideChanges;
            const F::Fate m = mine.fate[i], th = other.fate[i];
            if (m == F::Kept && th == F::Kept)
                rows.push_back(b.rows[i]);
            else if (m == F::Kept && th == F::Changed)
                rows.push_back(other.changedTo[i]);
            else if (m == F::Changed) {
                rows.push_back(mine.changedTo[i]);
                ++ourNew[mine.changedTo[i]];
                if (th == F::Changed && other.changedTo[i] != mine.changedTo[i])
                    result.setAside.push_back(other.changedTo[i]);
            } else if (m == F::Deleted && th == F::Changed)
                result.setAside.push_back(other.changedTo[i]);
            // Any other pair has a deletion and no change: the row goes.
        }
        for (const std::string& row : mine.added) {
            rows.push_back(row);
            ++ourNew[row];
        }
        for (const std::string& row : other.added)
            if (!take(ourNew, row))
                rows.push_back(row);
        // Their change that is the same as a row we added or changed is that row.
        std::erase_if(result.setAside, [&](const std::string& row) { return take(ourNew, row); });
    }

    result.text = ourLines.empty() ? std::string() : std::string(ourLines[0]) + "\r\n";
    for (const std::string& row : rows)
        result.text += row + "\r\n";
    result.changed = rows != o.rows;
    return result;
}
