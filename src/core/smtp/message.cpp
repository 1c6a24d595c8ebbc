#include "core/smtp/message.h"

#include "core/base/blanks.h"
#include "core/base/letter_case.h"

namespace {

// An address item's parts lose blanks and control characters at both ends.
std::string_view trimItem(std::string_view s) {
    return trimmed(s, blanks::spaceOrControl);
}

TIdEMailAddressItem parseItem(std::string_view text) {
    TIdEMailAddressItem item;
    if (text.back() == '>') {
        const size_t lt = text.find('<');
        if (lt != std::string_view::npos) {
            item.Address = trimItem(text.substr(lt + 1, text.size() - 1 - (lt + 1)));
            item.Name = trimItem(text.substr(0, lt));
        }
    } else if (text.back() == ')') {
        const size_t lp = text.find('(');
        if (lp != std::string_view::npos) {
            item.Name = trimItem(text.substr(lp + 1, text.size() - 1 - (lp + 1)));
            item.Address = trimItem(text.substr(0, lp));
        } else {
            // ")" without "(": nothing marks a name, so the whole text is the address.
            item.Address = text;
        }
    } else {
        item.Address = text;
    }
    std::string& name = item.Name;
    while (name.size() > 1 && ((name.front() == '"' && name.back() == '"') ||
                               (name.front() == '\'' && name.back() == '\'')))
        name = name.substr(1, name.size() - 2);
    return item;
}

} // namespace

TIdEMailAddressItem& TIdEMailAddressList::Add(TIdEMailAddressItem item) {
    items_.push_back(std::move(item));
    return items_.back();
}

void TIdEMailAddressList::SetEMailAddresses(std::string_view text) {
    items_.clear();
    size_t start = 0;
    int quotes = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        const bool atEnd = i == text.size();
        if (!atEnd && text[i] == '"')
            ++quotes;
        if (atEnd || (text[i] == ',' && quotes != 1)) {
            const std::string_view item = trimItem(text.substr(start, i - start));
            if (!item.empty())
                items_.push_back(parseItem(item));
            start = i + 1;
            quotes = 0;
        }
    }
}

std::string TIdHeaderList::Value(std::string_view name) const {
    for (const auto& [n, v] : lines_)
        if (sameNameIgnoringCase(n, name))
            return v;
    return {};
}

void TIdHeaderList::SetValue(std::string_view name, std::string_view value) {
    for (auto it = lines_.begin(); it != lines_.end(); ++it) {
        if (sameNameIgnoringCase(it->first, name)) {
            if (value.empty())
                lines_.erase(it);
            else
                it->second = value;
            return;
        }
    }
    if (!value.empty())
        lines_.emplace_back(std::string(name), std::string(value));
}

std::vector<std::string> fileLines(std::string_view bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t end = bytes.find("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(bytes.substr(start));
            break;
        }
        lines.emplace_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}
