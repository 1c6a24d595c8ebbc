#include "core/tables/ini_file.h"

#include "core/base/blanks.h"
#include "core/base/letter_case.h"
#include "core/tables/atomic_file.h"
#include "core/tables/charset.h"
#include "core/tables/errors.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <optional>
#include <sys/stat.h>

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

bool isBlank(char c) {
    return blanks::spaceOrTab(c);
}

std::string_view trim(std::string_view s) {
    return trimmed(s, blanks::spaceOrTab);
}

bool isQuote(char c) {
    return c == '"' || c == '\'';
}

bool enclosedInQuotes(std::string_view s) {
    return s.size() >= 2 && isQuote(s.front()) && s.back() == s.front();
}

// What one line of the file is.
struct LineInfo {
    enum Kind { Other, Section, Key } kind = Other;
    std::string_view name;  // trimmed section or key name
    std::string_view value; // text after '=', untrimmed
    std::size_t equals = 0; // position of '=' in the line
};

LineInfo classify(std::string_view text) {
    LineInfo info;
    const std::string_view t = trim(text);
    if (t.empty() || t.front() == ';')
        return info;
    if (t.front() == '[') {
        // The name runs to the last ']', so a name holding ']' reads back as written; a line
        // without one names the section up to its end.
        std::string_view inner = t.substr(1);
        const auto close = inner.rfind(']');
        if (close != std::string_view::npos)
            inner = inner.substr(0, close);
        info.kind = LineInfo::Section;
        info.name = trim(inner);
        return info;
    }
    const auto eq = text.find('=');
    if (eq == std::string_view::npos)
        return info;
    const std::string_view key = trim(text.substr(0, eq));
    if (key.empty())
        return info;
    info.kind = LineInfo::Key;
    info.name = key;
    info.value = text.substr(eq + 1);
    info.equals = eq;
    return info;
}

std::string readValue(std::string_view raw) {
    std::string_view v = trim(raw);
    if (enclosedInQuotes(v))
        v = v.substr(1, v.size() - 2);
    return std::string(v);
}

// The value as it goes into the file: quoted when blanks at either end or enclosing quotes would
// otherwise be lost on reading.
std::string storedValue(std::string_view value) {
    const bool needsQuotes = !value.empty() && (isBlank(value.front()) || isBlank(value.back()) ||
                                                enclosedInQuotes(value));
    if (!needsQuotes)
        return std::string(value);
    std::string out;
    out.reserve(value.size() + 2);
    out.push_back('"');
    out.append(value);
    out.push_back('"');
    return out;
}

bool breaksLine(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

std::optional<int> parseInteger(std::string_view s) {
    int base = 10;
    bool negative = false;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    } else if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    // from_chars would take a second sign; only digits may follow.
    if (s.empty() || s[0] == '-' || s[0] == '+')
        return std::nullopt;
    long long magnitude = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), magnitude, base);
    if (error != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    const long long value = negative ? -magnitude : magnitude;
    if (value < INT_MIN || value > INT_MAX)
        return std::nullopt;
    return static_cast<int>(value);
}

} // namespace

// ---- IniDocument -------------------------------------------------------------------------------

IniDocument::IniDocument(std::string_view bytes, std::string fileName)
    : fileName_(std::move(fileName)) {
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n') {
            ++i;
            continue;
        }
        const std::size_t endLength =
            (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
        lines_.push_back(
            {std::string(bytes.substr(start, i - start)), std::string(bytes.substr(i, endLength))});
        i += endLength;
        start = i;
    }
    if (start < bytes.size())
        lines_.push_back({std::string(bytes.substr(start)), std::string()});
}

std::size_t IniDocument::findSection(std::string_view section) const {
    const std::string_view wanted = trim(section);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const LineInfo info = classify(lines_[i].text);
        if (info.kind == LineInfo::Section && sameNameIgnoringCase(info.name, wanted))
            return i;
    }
    return kNone;
}

std::size_t IniDocument::sectionEnd(std::size_t header) const {
    std::size_t i = header + 1;
    while (i < lines_.size() && classify(lines_[i].text).kind != LineInfo::Section)
        ++i;
    return i;
}

std::size_t IniDocument::findKey(std::size_t header, std::string_view key) const {
    const std::string_view wanted = trim(key);
    const std::size_t end = sectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        const LineInfo info = classify(lines_[i].text);
        if (info.kind == LineInfo::Key && sameNameIgnoringCase(info.name, wanted))
            return i;
    }
    return kNone;
}

std::string IniDocument::ReadString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const {
    const std::size_t header = findSection(section);
    const std::size_t line = header == kNone ? kNone : findKey(header, key);
    if (line == kNone)
        return std::string(defaultValue);
    return readValue(classify(lines_[line].text).value);
}

int IniDocument::ReadInteger(std::string_view section, std::string_view key,
                             int defaultValue) const {
    if (!ValueExists(section, key))
        return defaultValue;
    return parseInteger(ReadString(section, key, {})).value_or(defaultValue);
}

std::vector<std::string> IniDocument::ReadSectionKeys(std::string_view section) const {
    std::vector<std::string> keys;
    const std::size_t header = findSection(section);
    if (header == kNone)
        return keys;
    const std::size_t end = sectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        const LineInfo info = classify(lines_[i].text);
        if (info.kind != LineInfo::Key)
            continue;
        bool seen = false;
        for (const auto& k : keys)
            seen = seen || sameNameIgnoringCase(k, info.name);
        if (!seen)
            keys.emplace_back(info.name);
    }
    return keys;
}

bool IniDocument::SectionExists(std::string_view section) const {
    return findSection(section) != kNone;
}

bool IniDocument::ValueExists(std::string_view section, std::string_view key) const {
    const std::size_t header = findSection(section);
    return header != kNone && findKey(header, key) != kNone;
}

void IniDocument::refuse(const std::string& reason) const {
    throw EIniFileError("Unable to write to " + fileName_ + ": " + reason);
}

void IniDocument::WriteString(std::string_view section, std::string_view key,
                              std::string_view value) {
    const std::string_view sectionName = trim(section);
    const std::string_view keyName = trim(key);
    if (sectionName.empty() || breaksLine(sectionName))
        refuse("\"" + std::string(section) + "\" cannot be a section name");
    if (keyName.empty() || breaksLine(keyName) || keyName.find('=') != std::string_view::npos ||
        keyName.front() == '[' || keyName.front() == ';')
        refuse("\"" + std::string(key) + "\" cannot be a key name");
    if (breaksLine(value))
        refuse("the value of " + std::string(keyName) + " holds a line break");

    const std::string stored = storedValue(value);
    modified_ = true;

    const std::size_t header = findSection(sectionName);
    if (header != kNone) {
        const std::size_t existing = findKey(header, keyName);
        if (existing != kNone) {
            // Everything up to the '=' stays as it is in the file.
            Line& line = lines_[existing];
            line.text.resize(classify(line.text).equals + 1);
            line.text += stored;
            return;
        }
        std::size_t at = header + 1;
        const std::size_t end = sectionEnd(header);
        for (std::size_t i = header + 1; i < end; ++i) {
            if (classify(lines_[i].text).kind == LineInfo::Key)
                at = i + 1;
        }
        if (lines_[at - 1].end.empty())
            lines_[at - 1].end = "\r\n";
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at),
                      Line{std::string(keyName) + "=" + stored, "\r\n"});
        return;
    }

    if (!lines_.empty()) {
        if (lines_.back().end.empty())
            lines_.back().end = "\r\n";
        if (!trim(lines_.back().text).empty())
            lines_.push_back({std::string(), "\r\n"});
    }
    lines_.push_back({"[" + std::string(sectionName) + "]", "\r\n"});
    lines_.push_back({std::string(keyName) + "=" + stored, "\r\n"});
}

void IniDocument::WriteInteger(std::string_view section, std::string_view key, int value) {
    WriteString(section, key, std::to_string(value));
}

std::string IniDocument::bytes() const {
    std::string out;
    for (const auto& line : lines_) {
        out += line.text;
        out += line.end;
    }
    return out;
}

// ---- TIniFile ----------------------------------------------------------------------------------

TIniFile::TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}

IniDocument TIniFile::Load() const {
    if (!fileExists(fileName_))
        return IniDocument({}, fileName_);
    try {
        return IniDocument(readWholeFile(fileName_), fileName_);
    } catch (const EFileError&) {
        return IniDocument({}, fileName_);
    }
}

void TIniFile::Update(const std::function<void(IniDocument&)>& work) {
    const std::string failure = "Unable to write to " + fileName_;
    std::string original;
    bool existed = false;
    struct stat st {};
    if (::stat(fileName_.c_str(), &st) == 0) {
        // Writing over a file that could not be read (or a folder) would lose what it holds.
        try {
            original = readWholeFile(fileName_);
        } catch (const EFileError&) {
            throw EIniFileError(failure);
        }
        existed = true;
    } else if (errno != ENOENT && errno != ENOTDIR) {
        throw EIniFileError(failure);
    }

    IniDocument document(original, fileName_);
    work(document);
    if (!document.modified())
        return;
    const std::string updated = document.bytes();
    if (existed && updated == original)
        return;
    try {
        writeFileAtomically(fileName_, updated);
    } catch (const EFileError&) {
        throw EIniFileError(failure);
    }
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view defaultValue) const {
    return Load().ReadString(section, key, defaultValue);
}

int TIniFile::ReadInteger(std::string_view section, std::string_view key, int defaultValue) const {
    return Load().ReadInteger(section, key, defaultValue);
}

std::vector<std::string> TIniFile::ReadSectionKeys(std::string_view section) const {
    return Load().ReadSectionKeys(section);
}

bool TIniFile::SectionExists(std::string_view section) const {
    return Load().SectionExists(section);
}

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const {
    return Load().ValueExists(section, key);
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    Update([&](IniDocument& d) { d.WriteString(section, key, value); });
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
    Update([&](IniDocument& d) { d.WriteInteger(section, key, value); });
}
