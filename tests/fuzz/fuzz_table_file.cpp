// The table-file reader on any bytes, for each of the six tables. Besides not crashing: what a
// read accepts without an error, written out, reads back to the same lines. (Their order may
// differ: a descending sort puts rows of equal value newest first, so a read of a written file
// reverses those among themselves.)

#include "core/store/schemas.h"
#include "core/tables/errors.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>

namespace {

std::vector<std::string_view> sortedLines(std::string_view text) {
    std::vector<std::string_view> lines;
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::unique_ptr<TdxMemData> table(uint8_t which) {
    switch (which % 6) {
    case 0: {
        auto t = schemas::makeReminders();
        t->FieldDelimiter = kRemindersDelimiter;
        return t;
    }
    case 1:
        return schemas::makeGroups();
    case 2:
        return schemas::makeContacts();
    case 3:
        return schemas::makeMessages();
    case 4:
        return schemas::makeSentItems();
    default:
        return schemas::makeMail();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    auto first = table(data[0]);
    try {
        first->ReadDelimitedText(text);
    } catch (const std::runtime_error&) {
        return 0; // refused or not fully understood: the caller keeps the file aside
    }
    const std::string written = first->DelimitedText();
    auto second = table(data[0]);
    second->ReadDelimitedText(written); // must not throw
    if (second->RowCount() != first->RowCount() ||
        sortedLines(second->DelimitedText()) != sortedLines(written))
        std::abort();
    return 0;
}
