#include "core/calendar/contact_match.h"

#include "core/calendar/name_fold.h"
#include "core/store/phone_number.h"
#include "core/store/schemas.h"
#include "core/tables/mem_data.h"

#include <algorithm>

namespace {

constexpr std::size_t kMaxNumberDigits = 15; // the longest number the telephone plan allows

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool joinsGroups(char c) {
    return c == ' ' || c == '-' || c == '.' || c == '/' || c == '(' || c == ')' || c == '+';
}

} // namespace

std::string ContactMatch::reason() const {
    if (candidates.empty())
        return "No contact matches";
    if (candidates.size() > 1)
        return "Matches " + std::to_string(candidates.size()) + " contacts";
    return {};
}

std::vector<std::string> numberCandidates(std::string_view text) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (!isDigit(text[i])) {
            ++i;
            continue;
        }
        std::vector<std::string> groups;
        while (i < text.size()) {
            std::string group;
            while (i < text.size() && isDigit(text[i]))
                group += text[i++];
            groups.push_back(std::move(group));
            std::size_t j = i;
            while (j < text.size() && joinsGroups(text[j]) && j - i < 3)
                ++j;
            if (j == i || j >= text.size() || !isDigit(text[j]))
                break;
            i = j;
        }
        for (std::size_t a = 0; a < groups.size(); ++a) {
            std::string digits;
            for (std::size_t b = a; b < groups.size(); ++b) {
                digits += groups[b];
                if (digits.size() > kMaxNumberDigits)
                    break;
                if (digits.size() >= static_cast<std::size_t>(kMinNumberDigits))
                    out.push_back(digits);
            }
        }
    }
    return out;
}

namespace {

// One name's words joined by one blank, and where its first two end.
std::string joinWords(const std::vector<std::string>& words, std::size_t& firstTwoEnd) {
    std::string joined;
    firstTwoEnd = 0;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i)
            joined += ' ';
        joined += words[i];
        if (i < 2)
            firstTwoEnd = joined.size();
    }
    return joined;
}

void sortIndex(std::vector<std::pair<std::string_view, int>>& index) {
    std::sort(index.begin(), index.end());
}

// The contacts filed under `key`.
auto filedUnder(const std::vector<std::pair<std::string_view, int>>& index, std::string_view key) {
    return std::equal_range(index.begin(), index.end(), std::pair<std::string_view, int>(key, 0),
                            [](const auto& a, const auto& b) { return a.first < b.first; });
}

} // namespace

ContactMatcher::ContactMatcher(const TdxMemData& book) {
    const int fName = book.FieldIndex(fields::contact);
    const int fNumber = book.FieldIndex(fields::number);
    const int fGroup = book.FieldIndex(fields::group);
    const auto rows = static_cast<std::size_t>(book.RowCount());
    contacts_.reserve(rows);
    digits_.reserve(rows);
    names_.reserve(rows);
    std::vector<std::size_t> keyEnds;
    keyEnds.reserve(rows);
    for (int row = 0; row < book.RowCount(); ++row) {
        std::string digits = phoneDigits(book.CellString(row, fNumber));
        if (digits.empty())
            continue; // a contact without a number cannot be texted
        contacts_.push_back({std::string(book.CellString(row, fName)),
                             std::string(book.CellString(row, fNumber)),
                             std::string(book.CellString(row, fGroup))});
        digits_.push_back(std::move(digits));
        std::size_t keyEnd = 0;
        names_.push_back(joinWords(foldedWordsCp1252(contacts_.back().name), keyEnd));
        keyEnds.push_back(keyEnd);
    }
    // The views are taken once the strings stand where they stay.
    byDigits_.reserve(digits_.size());
    byFirstWords_.reserve(names_.size());
    for (std::size_t i = 0; i < digits_.size(); ++i) {
        byDigits_.emplace_back(digits_[i], static_cast<int>(i));
        if (!names_[i].empty())
            byFirstWords_.emplace_back(std::string_view(names_[i]).substr(0, keyEnds[i]),
                                       static_cast<int>(i));
    }
    sortIndex(byDigits_);
    sortIndex(byFirstWords_);
}

void ContactMatcher::addCandidate(std::vector<int>& found, int index) const {
    // The same person kept in two groups: same digits and the same name.
    const auto at = [](int i) { return static_cast<std::size_t>(i); };
    for (const int other : found)
        if (digits_[at(other)] == digits_[at(index)] && names_[at(other)] == names_[at(index)])
            return;
    found.push_back(index);
}

ContactMatch ContactMatcher::match(const std::vector<std::string_view>& numberTexts,
                                   std::string_view title) const {
    std::vector<int> found;
    for (const std::string_view text : numberTexts)
        for (const std::string& digits : numberCandidates(text)) {
            const auto [from, to] = filedUnder(byDigits_, digits);
            for (auto it = from; it != to; ++it)
                addCandidate(found, it->second);
        }
    ContactMatch result;
    result.byNumber = !found.empty();
    if (found.empty()) {
        // The title's words joined as the names are, each word's start noted.
        const std::vector<std::string> words = foldedWordsUtf8(title);
        std::string line;
        std::vector<std::size_t> starts;
        for (const std::string& word : words) {
            if (!line.empty())
                line += ' ';
            starts.push_back(line.size());
            line += word;
        }
        const auto wordEnd = [&](std::size_t w) { return starts[w] + words[w].size(); };
        for (std::size_t at = 0; at < words.size(); ++at) {
            for (const std::size_t last : {at, at + 1}) {
                if (last >= words.size())
                    break;
                const std::string_view key =
                    std::string_view(line).substr(starts[at], wordEnd(last) - starts[at]);
                const auto [from, to] = filedUnder(byFirstWords_, key);
                for (auto it = from; it != to; ++it) {
                    // The whole name, word by word, from this word of the title on.
                    const std::string& name = names_[static_cast<std::size_t>(it->second)];
                    const std::size_t end = starts[at] + name.size();
                    if (line.compare(starts[at], name.size(), name) == 0 &&
                        (end == line.size() || line[end] == ' '))
                        addCandidate(found, it->second);
                }
            }
        }
    }
    for (const int index : found)
        result.candidates.push_back(contacts_[static_cast<std::size_t>(index)]);
    return result;
}
