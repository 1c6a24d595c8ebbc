#include "core/contacts/contact_import.h"

#include "core/store/schemas.h"
#include "core/tables/errors.h"
#include "core/tables/mem_data.h"
#include "core/tables/name_order.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// ---- import lines --------------------------------------------------------------------------

ImportedContact splitImportLine(std::string_view line) {
    ImportedContact c;
    const size_t tab1 = line.find('\t');
    if (tab1 == std::string_view::npos) {
        c.number = std::string(line);
        return c;
    }
    std::string name;
    name.reserve(tab1);
    for (char ch : line.substr(0, tab1))
        if (ch != '"')
            name += ch;
    c.name = trimBlanks(capitaliseFirst(name));

    const std::string_view rest = line.substr(tab1 + 1);
    const size_t tab2 = rest.find('\t');
    if (tab2 == std::string_view::npos) {
        c.number = std::string(rest);
        return c;
    }
    c.number = std::string(rest.substr(0, tab2));
    std::string_view group = rest.substr(tab2 + 1);
    group = group.substr(0, group.find('\t'));
    c.group = normalGroupText(group);
    c.hasGroupColumn = true;
    return c;
}

namespace {

class FileSource : public ByteSource {
public:
    FileSource(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    ~FileSource() override { ::close(fd_); }

    size_t read(char* buffer, size_t size) override {
        for (;;) {
            const ssize_t n = ::read(fd_, buffer, size);
            if (n >= 0)
                return static_cast<size_t>(n);
            if (errno == EINTR)
                continue;
            throw EFileError("Cannot read file " + path_ + ": " + std::strerror(errno));
        }
    }

private:
    int fd_;
    std::string path_;
};

} // namespace

std::unique_ptr<ByteSource> openFileSource(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<FileSource>(fd, path);
}

ImportLineReader::ImportLineReader(ByteSource& source, size_t chunkSize)
    : source_(source), buffer_(std::max<size_t>(chunkSize, 1)) {}

bool ImportLineReader::fill() {
    if (eof_)
        return false;
    end_ = source_.read(buffer_.data(), buffer_.size());
    pos_ = 0;
    if (end_ == 0)
        eof_ = true;
    return end_ > 0;
}

bool ImportLineReader::next(std::string& line) {
    line.clear();
    bool any = false; // something of a line was seen (a byte or its end)
    for (;;) {
        if (pos_ == end_ && !fill())
            return any;
        if (skipLf_) {
            skipLf_ = false;
            if (buffer_[pos_] == '\n') {
                ++pos_;
                continue;
            }
        }
        const char* begin = buffer_.data() + pos_;
        const char* stop = buffer_.data() + end_;
        const char* p = begin;
        while (p != stop && *p != '\n' && *p != '\r')
            ++p;
        for (const char* q = begin; q != p; ++q)
            if (*q != '\0')
                line += *q;
        any = any || p != begin;
        pos_ = static_cast<size_t>(p - buffer_.data());
        if (p == stop)
            continue;
        // A line end.
        skipLf_ = *p == '\r';
        ++pos_;
        return true;
    }
}

// ---- look-ups ------------------------------------------------------------------------------

FirstRowIndex::FirstRowIndex(TdxMemData& table, std::string_view fieldName)
    : table_(table), field_(table.FieldIndex(fieldName)),
      size_(field_ >= 0 ? static_cast<size_t>(table.Field(field_).Size()) : 0),
      caseInsensitive_((table.SortOptions() & soCaseInsensitive) != 0) {
    if (field_ < 0)
        return;
    first_.reserve(static_cast<size_t>(table.RowCount()) * 2);
    for (int row = 0; row < table.RowCount(); ++row)
        first_.emplace(key(table.CellText(row, field_)), row);
}

std::string FirstRowIndex::key(std::string_view value) const {
    std::string k(value.substr(0, size_));
    if (caseInsensitive_)
        for (char& c : k)
            c = static_cast<char>(upperLetter(static_cast<unsigned char>(c)));
    return k;
}

int FirstRowIndex::find(std::string_view value) const {
    if (field_ < 0)
        return -1;
    const auto it = first_.find(key(value));
    return it == first_.end() ? -1 : it->second + 1;
}

void FirstRowIndex::appended() {
    if (field_ < 0 || table_.RowCount() == 0)
        return;
    const int row = table_.RowCount() - 1;
    first_.emplace(key(table_.CellText(row, field_)), row);
}

// ---- the import ----------------------------------------------------------------------------

ContactImporter::ContactImporter(TdxMemData& contacts, TdxMemData& groups)
    : contacts_(contacts), groups_(groups), numberField_(contacts.FieldIndex(fields::number)),
      groupField_(contacts.FieldIndex(fields::group)), numbers_(contacts, fields::number),
      groupNames_(groups, fields::groupName) {
    runOf_.reserve(static_cast<size_t>(contacts.RowCount()));
    for (int row = 0; row < contacts.RowCount(); ++row) {
        std::string number = contacts.CellText(row, numberField_);
        if (runs_.empty() || runs_.back().number != number)
            runs_.push_back(Run{std::move(number), {}});
        runs_.back().groups.insert(normalGroupText(contacts.CellText(row, groupField_)));
        runOf_.push_back(static_cast<int>(runs_.size()) - 1);
    }
}

ContactImporter::~ContactImporter() = default;

void ContactImporter::checkGroup(const std::string& group) {
    if (group.empty() || groupNames_.find(group) > 0 || declinedGroups_.count(group))
        return;
    if (!confirmAddGroup || !confirmAddGroup(group)) {
        declinedGroups_.insert(group);
        return;
    }
    const int before = groups_.RowCount();
    groups_.AddRow({FieldValue{}, group});
    if (groups_.RowCount() > before)
        groupNames_.appended();
    if (groupAdded)
        groupAdded(group);
}

bool ContactImporter::duplicate(const ImportedContact& c) const {
    const int r = numbers_.find(c.number);
    if (r < 0)
        return false;
    // The walk from the first row with the number goes on while the rows hold exactly the
    // line's number. That first row starts a run of equal numbers (the row before it has
    // another number), so the walk covers that run, or nothing when its number differs.
    const Run& run = runs_[static_cast<size_t>(runOf_[static_cast<size_t>(r - 1)])];
    return run.number == c.number && run.groups.count(c.group) > 0;
}

void ContactImporter::noteAppendedRow() {
    const int row = contacts_.RowCount() - 1;
    std::string number = contacts_.CellText(row, numberField_);
    if (runs_.empty() || runs_.back().number != number)
        runs_.push_back(Run{std::move(number), {}});
    runs_.back().groups.insert(normalGroupText(contacts_.CellText(row, groupField_)));
    runOf_.push_back(static_cast<int>(runs_.size()) - 1);
    numbers_.appended();
}

void ContactImporter::importLine(std::string_view line) {
    ++counts_.lines;
    ImportedContact c = splitImportLine(line);
    if (c.name.find('^') != std::string::npos || c.number.find('^') != std::string::npos ||
        c.group.find('^') != std::string::npos) {
        ++counts_.refused;
        return;
    }
    if (c.hasGroupColumn) {
        groupColumnSeen_ = true;
        checkGroup(c.group);
    }
    // From here on the group as the book stores it, for the duplicate check too.
    c.group = contactGroupText(c.group);
    if (c.name.empty() && trimBlanks(c.number).empty()) {
        ++counts_.empty;
        return;
    }
    if (lookedUp)
        lookedUp();
    if (duplicate(c)) {
        ++counts_.duplicates;
        return;
    }
    const int before = contacts_.RowCount();
    try {
        contacts_.AddRow(
            {FieldValue{}, c.name, c.number, c.group, concatContact(c.number, c.group)});
    } catch (...) {
        // A failure after the row was stored (in the after-post step) still leaves it added.
        if (contacts_.RowCount() > before)
            noteAppendedRow();
        throw;
    }
    if (contacts_.RowCount() > before) {
        noteAppendedRow();
        ++counts_.added;
    }
}

namespace {

std::string counted(int n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

} // namespace

std::string importSummary(const ImportCounts& counts) {
    std::string text = counted(counts.added, "contact added.", "contacts added.") + "\n" +
                       counted(counts.duplicates, "line was", "lines were") +
                       " already in the contact book.\n";
    const int skipped = counts.empty + counts.refused;
    text += counted(skipped, "line", "lines") + " skipped";
    std::vector<std::string> reasons;
    if (counts.empty > 0)
        reasons.push_back(std::to_string(counts.empty) + " without name and number");
    if (counts.refused > 0)
        reasons.push_back(std::to_string(counts.refused) +
                          " holding the ^ character, which is not allowed");
    for (size_t i = 0; i < reasons.size(); ++i)
        text += (i == 0 ? ": " : ", ") + reasons[i];
    return text + ".";
}
