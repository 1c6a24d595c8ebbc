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

ContactMatcher::ContactMatcher(const TdxMemData& book) {
    const int fName = book.FieldIndex(fields::contact);
    const int fNumber = book.FieldIndex(fields::number);
    const int fGroup = book.FieldIndex(fields::group);
    contacts_.reserve(static_cast<std::size_t>(book.RowCount()));
    for (int row = 0; row < book.RowCount(); ++row) {
        ContactChoice c{std::string(book.CellString(row, fName)),
                        std::string(book.CellString(row, fNumber)),
                        std::string(book.CellString(row, fGroup))};
        const int index = static_cast<int>(contacts_.size());
        std::string digits = phoneDigits(c.number);
        std::vector<std::string> words = foldedWordsCp1252(c.name);
        if (digits.empty())
            continue; // a contact without a number cannot be texted
        byDigits_[digits].push_back(index);
        if (!words.empty())
            byFirstWords_[words.size() == 1 ? words.front() : words[0] + ' ' + words[1]].push_back(
                index);
        contacts_.push_back(std::move(c));
        digits_.push_back(std::move(digits));
        nameWords_.push_back(std::move(words));
    }
}

void ContactMatcher::addCandidate(std::vector<int>& found, int index) const {
    // The same person kept in two groups: same digits and the same name.
    for (const int other : found)
        if (digits_[static_cast<std::size_t>(other)] == digits_[static_cast<std::size_t>(index)] &&
            nameWords_[static_cast<std::size_t>(other)] ==
                nameWords_[static_cast<std::size_t>(index)])
            return;
    found.push_back(index);
}

ContactMatch ContactMatcher::match(const std::vector<std::string_view>& numberTexts,
                                   std::string_view title) const {
    std::vector<int> found;
    for (const std::string_view text : numberTexts)
        for (const std::string& digits : numberCandidates(text))
            if (const auto it = byDigits_.find(digits); it != byDigits_.end())
                for (const int index : it->second)
                    addCandidate(found, index);
    ContactMatch result;
    result.byNumber = !found.empty();
    if (found.empty()) {
        const std::vector<std::string> words = foldedWordsUtf8(title);
        std::string key;
        for (std::size_t at = 0; at < words.size(); ++at) {
            for (const bool pair : {false, true}) {
                if (pair && at + 1 >= words.size())
                    break;
                key = words[at];
                if (pair)
                    key.append(1, ' ').append(words[at + 1]);
                const auto it = byFirstWords_.find(key);
                if (it == byFirstWords_.end())
                    continue;
                for (const int index : it->second) {
                    const auto& name = nameWords_[static_cast<std::size_t>(index)];
                    if (at + name.size() <= words.size() &&
                        std::equal(name.begin(), name.end(), words.begin() + static_cast<long>(at)))
                        addCandidate(found, index);
                }
            }
        }
    }
    for (const int index : found)
        result.candidates.push_back(contacts_[static_cast<std::size_t>(index)]);
    return result;
}
