#include "core/smtp/message.h"

#include <strings.h>

namespace {

std::string_view trimBlanks(std::string_view s) {
    // Trims blanks and other control characters at both ends, as text trimming does.
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ')
        s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ')
        s.remove_suffix(1);
    return s;
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

TIdEMailAddressItem parseItem(std::string_view text) {
    TIdEMailAddressItem item;
    if (text.back() == '>') {
        const size_t lt = text.find('<');
        if (lt != std::string_view::npos) {
            item.Address = trimBlanks(text.substr(lt + 1, text.size() - 1 - (lt + 1)));
            item.Name = trimBlanks(text.substr(0, lt));
        }
    } else if (text.back() == ')') {
        const size_t lp = text.find('(');
        if (lp != std::string_view::npos) {
            item.Name = trimBlanks(text.substr(lp + 1, text.size() - 1 - (lp + 1)));
            item.Address = trimBlanks(text.substr(0, lp));
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
            const std::string_view item = trimBlanks(text.substr(start, i - start));
            if (!item.empty())
                items_.push_back(parseItem(item));
            start = i + 1;
            quotes = 0;
        }
    }
}

std::string TIdHeaderList::Value(std::string_view name) const {
    for (const auto& [n, v] : lines_)
        if (sameName(n, name))
            return v;
    return {};
}

void TIdHeaderList::SetValue(std::string_view name, std::string_view value) {
    for (auto it = lines_.begin(); it != lines_.end(); ++it) {
        if (sameName(it->first, name)) {
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
